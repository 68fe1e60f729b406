#pragma once
// The window's function pages, one shown at a time and switched only by the
// three page buttons. Assistive technology sees the page shown and nothing of
// the hidden ones, so no control on a hidden page can be reached or pressed
// through the accessibility tree.

#include <QStackedWidget>

class PageStack : public QStackedWidget {
    Q_OBJECT

public:
    explicit PageStack(QWidget* parent = nullptr);
};
