#include "app/QtMainQueue.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

void QtMainQueue::post(Task task) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return;
    QMetaObject::invokeMethod(app, std::move(task), Qt::QueuedConnection);
}

void QtMainQueue::postAndWait(Task task) {
    if (isMainThread()) {
        task();
        return;
    }
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return;
    QMetaObject::invokeMethod(app, std::move(task), Qt::BlockingQueuedConnection);
}

bool QtMainQueue::isMainThread() const {
    QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}
