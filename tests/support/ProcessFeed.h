#pragma once

// Process records handed to a ProcessStore in place of a real scan, for the window and Ports
// screen tests.

#include "core/processes/ProcessStore.h"

#include <QFuture>
#include <QMutex>
#include <QSemaphore>
#include <QTest>

#include <memory>
#include <optional>

inline NodeProcess record(qint32 pid, NodeProcess::Kind kind, QList<int> ports = {}, qint64 rssKB = 1000,
                          qint64 elapsed = 60, std::optional<QString> cwd = std::nullopt,
                          const QString &command = QStringLiteral("node app.js"))
{
    return {.id = pid,
            .pid = pid,
            .ppid = 1,
            .kind = kind,
            .command = command,
            .cwd = std::move(cwd),
            .ports = std::move(ports),
            .elapsedSeconds = elapsed,
            .rssKB = rssKB,
            .startTime = std::nullopt};
}

// What the store's scans return. Gated, each scan waits for one permit, so a test can hold the
// store in its loading state; the gate opens for good when the feed goes.
struct Feed
{
    // started counts the scans that reached the gate, scans those that got through it.
    struct State
    {
        QSemaphore gate;
        QMutex mutex;
        QList<NodeProcess> processes;
        QAtomicInt started, scans;
    };
    const std::shared_ptr<State> state = std::make_shared<State>();

    explicit Feed(bool gated = false)
    {
        if (!gated)
            open();
    }
    ~Feed() { open(); }
    void open() const { state->gate.release(1'000'000); }
    void allowOneScan() const { state->gate.release(); }
    void set(QList<NodeProcess> processes) const
    {
        const QMutexLocker lock(&state->mutex);
        state->processes = std::move(processes);
    }
    [[nodiscard]] int scans() const { return state->scans.loadAcquire(); }
    [[nodiscard]] int started() const { return state->started.loadAcquire(); }
    [[nodiscard]] ProcessStore::ScanFunction function() const
    {
        return [state = state] {
            state->started.fetchAndAddOrdered(1);
            state->gate.acquire();
            state->scans.fetchAndAddOrdered(1);
            const QMutexLocker lock(&state->mutex);
            return state->processes;
        };
    }
};

// Reloads store with records and waits until they are published; false on a time-out.
[[nodiscard]] inline bool publish(ProcessStore &store, const Feed &feed, QList<NodeProcess> records)
{
    if (!QTest::qWaitFor([&store] { return !store.isLoading(); }))
        return false;
    feed.set(std::move(records));
    const QFuture<void> done = store.reload();
    return QTest::qWaitFor([&done] { return done.isFinished(); });
}
