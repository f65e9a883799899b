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
    return {.id = pid, .pid = pid, .ppid = 1, .kind = kind, .command = command, .cwd = std::move(cwd),
            .ports = std::move(ports), .elapsedSeconds = elapsed, .rssKB = rssKB};
}

// What the store's scans return. Gated, each scan waits for one permit, so a test can hold the
// store in its loading state; the gate opens for good when the feed goes.
class Feed
{
public:
    explicit Feed(bool gated = false)
    {
        if (!gated)
            open();
    }
    ~Feed() { open(); }

    void open() { m_state->gate.release(1'000'000); }
    void allowOneScan() { m_state->gate.release(); }
    void set(QList<NodeProcess> processes)
    {
        QMutexLocker lock(&m_state->mutex);
        m_state->processes = std::move(processes);
    }
    // Scans that got through the gate.
    [[nodiscard]] int scans() const { return m_state->scans.loadAcquire(); }
    [[nodiscard]] ProcessStore::ScanFunction function() const
    {
        return [state = m_state] {
            state->gate.acquire();
            state->scans.fetchAndAddOrdered(1);
            QMutexLocker lock(&state->mutex);
            return state->processes;
        };
    }

private:
    struct State
    {
        QSemaphore gate;
        QMutex mutex;
        QList<NodeProcess> processes;
        QAtomicInt scans;
    };
    std::shared_ptr<State> m_state = std::make_shared<State>();
};

// Reloads store with records and waits until they are published; false on a time-out.
[[nodiscard]] inline bool publish(ProcessStore &store, Feed &feed, QList<NodeProcess> records)
{
    if (!QTest::qWaitFor([&store] { return !store.isLoading(); }))
        return false;
    feed.set(std::move(records));
    const QFuture<void> done = store.reload();
    return QTest::qWaitFor([&done] { return done.isFinished(); });
}
