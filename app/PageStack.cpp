#include "app/PageStack.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace {

// Lists only the current page as a child.
class AccessiblePageStack : public QAccessibleWidget {
public:
    explicit AccessiblePageStack(QWidget* widget)
        : QAccessibleWidget(widget, QAccessible::LayeredPane) {}

    int childCount() const override { return stack()->currentWidget() ? 1 : 0; }

    QAccessibleInterface* child(int index) const override {
        QWidget* page = stack()->currentWidget();
        return index == 0 && page ? QAccessible::queryAccessibleInterface(page) : nullptr;
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        return child && child->object() == stack()->currentWidget() ? 0 : -1;
    }

private:
    QStackedWidget* stack() const { return static_cast<QStackedWidget*>(widget()); }
};

QAccessibleInterface* pageStackInterface(const QString& className, QObject* object) {
    if (className == QLatin1String("PageStack") && object && object->isWidgetType()) {
        return new AccessiblePageStack(static_cast<QWidget*>(object));
    }
    return nullptr;
}

}  // namespace

PageStack::PageStack(QWidget* parent) : QStackedWidget(parent) {
    static const bool installed = [] {
        QAccessible::installFactory(pageStackInterface);
        return true;
    }();
    (void)installed;
    // Tell assistive technology that the visible child has changed.
    connect(this, &QStackedWidget::currentChanged, this, [this] {
        QAccessibleEvent reorder(this, QAccessible::ObjectReorder);
        QAccessible::updateAccessibility(&reorder);
    });
}
