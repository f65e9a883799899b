#pragma once

#include <QFuture>
#include <QPromise>
#include <QThreadPool>

#include <functional>
#include <memory>
#include <type_traits>

// Runs fn on a worker of pool and returns its result as a future. The core links
// QtCore only, so this stands in for QtConcurrent::run. Publish results with
// future.then(receiver, ...) so they arrive on the receiver's thread.
//
// Qt 6.4 asserts (and in release builds never finishes the continuation) when the
// receiver of then() is destroyed before the job ends. So a receiver owns the pool
// its jobs run on, as a member: the pool's destructor waits for the jobs, their
// continuations are posted while the receiver still exists, and ~QObject discards
// the posted events.
template <typename Fn>
[[nodiscard]] auto runInPool(QThreadPool *pool, Fn fn) -> QFuture<std::invoke_result_t<Fn>>
{
    using Result = std::invoke_result_t<Fn>;
    auto promise = std::make_shared<QPromise<Result>>();
    QFuture<Result> future = promise->future();
    promise->start();
    pool->start([promise, fn = std::move(fn)]() mutable {
        if constexpr (std::is_void_v<Result>) {
            fn();
        } else {
            promise->addResult(fn());
        }
        promise->finish();
    });
    return future;
}

// A finished future holding value, for operations that have nothing to wait for.
template <typename T>
[[nodiscard]] QFuture<T> finishedFuture(T value)
{
    QPromise<T> promise;
    QFuture<T> future = promise.future();
    promise.start();
    promise.addResult(std::move(value));
    promise.finish();
    return future;
}

[[nodiscard]] QFuture<void> finishedFuture();

// Debug builds abort when a blocking function runs on the thread of a GUI
// application; command-line tools and tests that call it directly are not affected.
void assertNotGuiThread(const char *function);
