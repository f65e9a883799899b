#include "core/Concurrency.h"

#include <QCoreApplication>
#include <QThread>

void assertNotGuiThread(const char *function)
{
#ifndef QT_NO_DEBUG
    const QCoreApplication *app = QCoreApplication::instance();
    // QGuiApplication lives in QtGui, which the core does not link: ask by name.
    if (app && app->inherits("QGuiApplication") && QThread::currentThread() == app->thread())
        qFatal("%s blocks and must not run on the GUI thread", function);
#else
    Q_UNUSED(function);
#endif
}
