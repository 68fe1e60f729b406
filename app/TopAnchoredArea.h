#pragma once
// The main window's central area. Its one child widget (the window's whole
// contents) keeps its distance from the top edge and never gets shorter than
// its preferred height: when the window is made shorter than that, the
// contents are cut off at the bottom instead of squeezed. This is how the
// help panel at the bottom disappears when the window loses the panel's
// height. When the window is taller, the contents grow with it.

#include <QWidget>

class TopAnchoredArea : public QWidget {
    Q_OBJECT

public:
    explicit TopAnchoredArea(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    QWidget* contents() const;
    void placeContents();
};
