#include "app/WindowFrame.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace {

// Bottom edge of the whole desktop in Qt's top-left coordinates: the line
// from which lower-left screen coordinates count upwards.
int desktopBottom() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return 0;
    const QRect desktop = screen->virtualGeometry();
    return desktop.y() + desktop.height();
}

int toPixels(double value) { return static_cast<int>(std::lround(value)); }

}  // namespace

// The window's frame is its client area: decorations belong to the window
// manager, and reading and writing the same rectangle keeps a shrink and the
// matching grow exact.
WindowRect windowFrame(const QWidget* window) {
    const QRect g = window->geometry();
    return {double(g.x()), double(desktopBottom() - (g.y() + g.height())), double(g.width()),
            double(g.height())};
}

void setWindowFrame(QWidget* window, const WindowRect& frame, bool display) {
    const int top = toPixels(desktopBottom() - (frame.y + frame.height));
    window->setGeometry(toPixels(frame.x), top, toPixels(frame.width), toPixels(frame.height));
    if (display) window->repaint();
}

WindowRect frameInParent(const QWidget* widget) {
    const QRect g = widget->geometry();
    const QWidget* parent = widget->parentWidget();
    const int parentHeight = parent ? parent->height() : 0;
    return {double(g.x()), double(parentHeight - (g.y() + g.height())), double(g.width()),
            double(g.height())};
}
