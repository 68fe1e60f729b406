#include "app/TopAnchoredArea.h"

#include <QEvent>
#include <algorithm>

namespace {
// The window may shrink to this height; below it even the port row is cut.
constexpr int kMinimumHeight = 120;
}  // namespace

TopAnchoredArea::TopAnchoredArea(QWidget* parent) : QWidget(parent) {}

QWidget* TopAnchoredArea::contents() const {
    return findChild<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
}

QSize TopAnchoredArea::sizeHint() const {
    const QWidget* child = contents();
    return child ? child->sizeHint() : QWidget::sizeHint();
}

QSize TopAnchoredArea::minimumSizeHint() const {
    const QWidget* child = contents();
    const int width = child ? child->minimumSizeHint().width() : 0;
    return {width, kMinimumHeight};
}

void TopAnchoredArea::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeContents();
}

bool TopAnchoredArea::event(QEvent* event) {
    // The contents' preferred size changed: place them anew.
    if (event->type() == QEvent::LayoutRequest) {
        placeContents();
        updateGeometry();
    }
    return QWidget::event(event);
}

void TopAnchoredArea::placeContents() {
    QWidget* child = contents();
    if (!child) return;
    const int height = std::max(this->height(), child->sizeHint().height());
    child->setGeometry(0, 0, width(), height);
}
