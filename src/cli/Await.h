#pragma once

#include "cli/InterruptWatcher.h"

#include <QEventLoop>
#include <QFuture>
#include <QFutureWatcher>

// Runs the main thread's event loop until future finishes, so the stores publish as they
// do in the window. With a watcher, Ctrl-C ends the wait early. True when the future finished.
template <typename T>
bool await(const QFuture<T> &future, const InterruptWatcher *interrupts = nullptr)
{
    if (interrupts && interrupts->isInterrupted())
        return future.isFinished();
    QEventLoop loop;
    QFutureWatcher<T> watcher;
    QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
    if (interrupts)
        QObject::connect(interrupts, &InterruptWatcher::interrupted, &loop, &QEventLoop::quit);
    watcher.setFuture(future);
    if (!future.isFinished())
        loop.exec();
    return future.isFinished();
}
