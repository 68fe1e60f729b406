#pragma once
// Window and control frames with the origin at the lower-left corner and y
// growing upwards, so the help panel's arithmetic reads as designed.

class QWidget;

struct WindowRect {
    double x;
    double y;
    double width;
    double height;
};

// The window's frame in screen coordinates (lower-left origin).
WindowRect windowFrame(const QWidget* window);
// Moves and resizes the window to the frame (lower-left origin); with
// `display` the window is repainted at once.
void setWindowFrame(QWidget* window, const WindowRect& frame, bool display);
// A control's frame in the coordinates of the widget that contains it
// (lower-left origin).
WindowRect frameInParent(const QWidget* widget);
