#include "core/processes/ProcFs.h"
#include "core/processes/ProcessStore.h"
#include "support/ProcessFeed.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <climits>
#include <memory>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

using Kind = NodeProcess::Kind;
using Key = ProcessComparator::Key;

namespace {

QList<qint32> pids(const QList<NodeProcess> &processes)
{
    QList<qint32> result;
    for (const NodeProcess &process : processes)
        result.append(process.pid);
    return result;
}

// A child that has exited but is not reaped yet: its pid still belongs to this test.
struct ExitedChild
{
    pid_t pid = ::fork();
    ExitedChild()
    {
        if (pid == 0)
            ::_exit(0);
        siginfo_t info{};
        if (pid > 0)
            ::waitid(P_PID, id_t(pid), &info, WEXITED | WNOWAIT);
    }
    ~ExitedChild()
    {
        if (pid > 0)
            ::waitpid(pid, nullptr, 0);
    }
};

// Whether sig waits, undelivered, for a stopped process (the ShdPnd mask of its status).
bool pending(qint32 pid, int sig)
{
    QFile status(QString("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("ShdPnd:"))
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (sig - 1)) & 1;
    }
    return false;
}

} // namespace

class TestProcessStore : public QObject
{
    Q_OBJECT

private slots:
    // Nothing scanned before asked; setters notify only on a change.
    void initialValuesAndSetters()
    {
        Feed feed;
        ProcessStore store(feed.function());
        QCOMPARE(store.statusText(), QString("Scanning for whatever is holding your dev ports…"));
        QCOMPARE(store.sortOrder(), (ProcessSortOrder{{Key::memoryBytes, Qt::DescendingOrder}}));
        QCOMPARE(feed.scans(), 0);
        QSignalSpy filter(&store, &ProcessStore::portFilterChanged);
        QSignalSpy selection(&store, &ProcessStore::selectionChanged);
        QSignalSpy hanging(&store, &ProcessStore::showOnlyHangingChanged);
        QSignalSpy order(&store, &ProcessStore::sortOrderChanged);
        for (int i = 0; i < 2; ++i) {
            store.setPortFilter("30");
            store.setSelection(i == 0 ? QSet<qint32>{1, 2} : QSet<qint32>{2, 1});
            store.setShowOnlyHanging(true);
            store.setSortOrder({{Key::pid, Qt::AscendingOrder}});
        }
        QCOMPARE((QList<int>{int(filter.count()), int(selection.count()), int(hanging.count()), int(order.count())}),
                 (QList<int>{1, 1, 1, 1}));
        store.setSortOrder({{Key::pid, Qt::DescendingOrder}});
        QCOMPARE(order.count(), 2);
    }

    void reloadPublishesInOrderAndNarrowsTheSelection()
    {
        Feed feed;
        ProcessStore store(feed.function());
        QVERIFY(publish(store, feed, {record(101, Kind::node), record(202, Kind::node)}));
        store.setSelection({101, 202, 999});

        QStringList log;
        connect(&store, &ProcessStore::processesChanged, this, [&] { log << "processes"; });
        connect(&store, &ProcessStore::selectionChanged, this, [&] { log << "selection"; });
        connect(&store, &ProcessStore::isLoadingChanged, this,
                [&] { log << (store.isLoading() ? "loading" : "idle"); });
        connect(&store, &ProcessStore::statusTextChanged, this, [&] { log << store.statusText(); });

        const QList<NodeProcess> next{record(202, Kind::node), record(303, Kind::node)};
        feed.set(next);
        QFuture<void> done = store.reload();
        QCOMPARE(store.statusText(), QString("Scanning processes…"));
        QTRY_VERIFY(done.isFinished());
        QCOMPARE(log,
                 (QStringList{"loading", "Scanning processes…", "processes", "selection", "idle",
                              "2 Node processes · none of them is holding a known dev port."}));
        QCOMPARE(store.selection(), QSet<qint32>{202});
        QCOMPARE(pids(store.processes()), (QList<qint32>{202, 303}));

        // An identical result changes nothing but the loading flag and the status.
        log.clear();
        QVERIFY(publish(store, feed, next));
        QCOMPARE(log,
                 (QStringList{"loading", "Scanning processes…", "idle",
                              "2 Node processes · none of them is holding a known dev port."}));

        // Nothing is published before reload() returns, however quick the scan.
        for (int i = 0; i < 100; ++i) {
            log.clear();
            QFuture<void> again = store.reload();
            QVERIFY(!again.isFinished());
            QCOMPARE(log, (QStringList{"loading", "Scanning processes…"}));
            QTRY_VERIFY(again.isFinished());
        }
    }

    void blockedPortsSummariesAndStatus()
    {
        Feed feed;
        ProcessStore store(feed.function());
        QVERIFY(store.blockedPorts().isEmpty());
        QVERIFY(publish(store, feed,
                        {record(300, Kind::node, {3000, 5173}, 1000, 60),
                         record(200, Kind::vite, {3000, 9999}, 1000, 724), record(100, Kind::node, {9999})}));
        QCOMPARE(store.statusText(), QString("2 dev ports in use: 3000, 5173."));
        QList<std::tuple<int, QList<qint32>, QString>> blocked;
        for (const BlockedPort &port : store.blockedPorts())
            blocked.append({port.port, pids(port.processes), port.summary()});
        QCOMPARE(blocked,
                 (QList<std::tuple<int, QList<qint32>, QString>>{{3000, {200, 300}, "Vite · 12m 4s (+1 more)"},
                                                                 {5173, {300}, "Node · 1m 0s"}}));

        QCOMPARE(BlockedPort{}.summary(), QString("in use"));
        BlockedPort many{
            3000,
            {record(1, Kind::next, {3000}, 1, 3720), record(2, Kind::node, {3000}), record(3, Kind::node, {3000})}};
        QCOMPARE(many.summary(), QString("Next.js · 1h 2m (+2 more)"));
        QVERIFY(publish(store, feed, {record(2, Kind::node, {3000, 9999})}));
        QCOMPARE(store.statusText(), QString("1 dev port in use: 3000."));
        QVERIFY(publish(store, feed, {record(2, Kind::vite, {9999})}));
        QCOMPARE(store.statusText(), QString("1 Node process · none of them is holding a known dev port."));
        QVERIFY(publish(store, feed, {}));
        QCOMPARE(
            store.statusText(),
            QString("No Node processes running. Nothing from Node is on a dev port — something else still can be."));
    }

    void visibleRows()
    {
        Feed feed;
        ProcessStore store(feed.function());
        QVERIFY(publish(store, feed,
                        {record(1, Kind::node, {5173}, 10), record(2, Kind::node, {5174, 3000}, 20),
                         record(3, Kind::node, {5175}, 30), record(4, Kind::node, {517}, 40),
                         record(5, Kind::node, {51700}, 50), record(6, Kind::node, {3000}, 60),
                         record(7, Kind::node, {9999}, 70), record(8, Kind::vite, {}, 80),
                         record(9, Kind::node, {}, 90), record(10, Kind::node, {30000}, 5)}));

        // Default order: memory, largest first.
        QCOMPARE(pids(store.visible()), (QList<qint32>{9, 8, 7, 6, 5, 4, 3, 2, 1, 10}));
        store.setPortFilter(" 517 ");
        QCOMPARE(std::pair(pids(store.visible()), store.portQuery()),
                 std::pair(QList<qint32>{5, 4, 3, 2, 1}, QString("517")));
        store.setPortFilter("\t30\u00a0");
        QCOMPARE(std::pair(pids(store.visible()), store.portQuery()),
                 std::pair(QList<qint32>{6, 2, 10}, QString("30")));
        store.setPortFilter("abc");
        QVERIFY(store.visible().isEmpty());

        // The suspicious switch is ignored while a port is typed.
        store.setShowOnlyHanging(true);
        store.setPortFilter("9999");
        QCOMPARE(pids(store.visible()), QList<qint32>{7});
        store.setPortFilter("  ");
        QCOMPARE(pids(store.visible()), (QList<qint32>{8, 6, 3, 2, 1}));
        // Counted over every process, whatever is shown.
        store.setPortFilter("9999");
        QCOMPARE(store.hangingCount(), 5);
    }

    void sortOrders()
    {
        Feed feed;
        ProcessStore store(feed.function());
        QVERIFY(publish(store, feed,
                        {record(1, Kind::nodemon, {5173}, 10, 5, {}, "\U0001F600 emoji"),
                         record(2, Kind::react, {3000, 5173}, 10, 9, {}, "\ufffd replacement"),
                         record(3, Kind::vite, {}, 30, 7, {}, "Zeta"),
                         record(4, Kind::react, {3000}, 20, 1, {}, "alpha")}));

        const QList<std::pair<ProcessSortOrder, QList<qint32>>> cases{
            {{{Key::kind, Qt::AscendingOrder}, {Key::pid, Qt::DescendingOrder}},
             {4, 2, 3, 1}},                                         // "React" < "Vite" < "nodemon"
            {{{Key::portsText, Qt::AscendingOrder}}, {4, 2, 1, 3}}, // "3000" < "3000, 5173" < "5173" < "—"
            {{{Key::command, Qt::AscendingOrder}}, {3, 4, 2, 1}},   // by code point, not UTF-16 unit
            {{{Key::elapsedSeconds, Qt::DescendingOrder}}, {2, 3, 1, 4}},
            {{{Key::memoryBytes, Qt::AscendingOrder}, {Key::pid, Qt::AscendingOrder}}, {1, 2, 4, 3}},
            {{{Key::pid, Qt::DescendingOrder}}, {4, 3, 2, 1}}};
        for (const auto &[order, expected] : cases) {
            store.setSortOrder(order);
            QCOMPARE(pids(store.visible()), expected);
        }
    }

    void oneScanAtATimeAndTheCallerNeverWaits()
    {
        const Feed feed(true);
        feed.set({record(7, Kind::node, {3000})});
        auto store = std::make_unique<ProcessStore>(feed.function());

        QFuture<void> first = store->reload();
        QVERIFY(!first.isFinished()); // the scan is still held at the gate
        QVERIFY(store->isLoading());
        QFuture<void> second = store->reload();
        QVERIFY(second.isFinished());
        QFuture<KillOutcome> killed = store->kill({}, false);
        // kill's reload found one running and returned at once.
        QTRY_VERIFY(killed.isFinished());
        QCOMPARE(killed.result(), KillOutcome());
        QVERIFY(store->processes().isEmpty());

        feed.allowOneScan();
        QTRY_VERIFY(first.isFinished());
        QCOMPARE(std::tuple(feed.scans(), store->isLoading(), pids(store->processes())),
                 std::tuple(1, false, QList<qint32>{7}));

        feed.allowOneScan();
        QFuture<void> third = store->reload();
        QTRY_VERIFY(third.isFinished());
        QCOMPARE(feed.scans(), 2);

        // Gone while scanning: it waits for the scan, and the result is dropped.
        (void)store->reload();
        QTRY_COMPARE(feed.started(), 3);
        feed.allowOneScan();
        store.reset();
        QCoreApplication::processEvents();
    }

    void killDeliversTermOrKill()
    {
        Feed feed;
        ProcessStore store(feed.function());
        for (const bool force : {false, true}) {
            QProcess sleeper; // killed and reaped on the way out if the test fails
            sleeper.start("/bin/sleep", {"60"});
            QVERIFY(sleeper.waitForStarted(10000));
            QFuture<KillOutcome> done = store.kill({qint32(sleeper.processId())}, force);
            QTRY_VERIFY(done.isFinished());
            // It reloaded before finishing.
            QCOMPARE(std::tuple(done.result(), feed.scans(), store.isLoading()),
                     std::tuple(KillOutcome(), force ? 2 : 1, false));
            QTRY_COMPARE(sleeper.state(), QProcess::NotRunning);
            QCOMPARE(std::pair(sleeper.exitStatus(), sleeper.exitCode()),
                     std::pair(QProcess::CrashExit, force ? SIGKILL : SIGTERM));
        }
    }

    void killRefusesAndForgivesGonePids()
    {
        const qint32 own = qint32(::getpid());
        for (const qint32 pid : {0, -1, 1, INT_MIN, own})
            QCOMPARE(ProcessStore::refusal(pid),
                     std::optional<QString>(QString("pid %1: refusing to signal this process").arg(pid)));
        QCOMPARE(ProcessStore::refusal(own + 1), std::nullopt);

        Feed feed;
        ProcessStore store(feed.function());
        ExitedChild exited;
        QVERIFY(exited.pid > 0);
        // INT_MAX lies above any kernel's pid_max: certainly no process, so ESRCH.
        QFuture<KillOutcome> done = store.kill({own, INT_MAX, qint32(exited.pid)}, false);
        QTRY_VERIFY(done.isFinished());
        QCOMPARE(std::pair(done.result().failures, feed.scans()),
                 std::pair(QStringList{QString("pid %1: refusing to signal this process").arg(own)}, 1));
    }

    // A listed pid is signalled only while it still has the listed start time. The child is
    // stopped, so a signal sent to it stays pending where the test can see it.
    void killChecksTheStartTime()
    {
        QProcess child;
        child.start("/bin/sleep", {"60"});
        QVERIFY(child.waitForStarted(10000));
        const qint32 pid = qint32(child.processId());
        QCOMPARE(::kill(pid, SIGSTOP), 0);
        QTRY_COMPARE(ProcFs::readStat(pid)->state, 'T');
        NodeProcess listed = record(pid, Kind::node);
        listed.startTime = ProcFs::readStat(pid)->startTime;
        NodeProcess other = listed;
        other.startTime = *listed.startTime + 1;

        Feed feed;
        ProcessStore store(feed.function());
        QVERIFY(publish(store, feed, {other}));
        QFuture<KillOutcome> done = store.kill({pid}, false);
        QTRY_VERIFY(done.isFinished());
        QCOMPARE(std::pair(done.result(), pending(pid, SIGTERM)), std::pair(KillOutcome(), false));

        // Sent, and still there when the wait ends: the process is stopped.
        QVERIFY(publish(store, feed, {listed}));
        done = store.kill({pid}, false);
        QTRY_VERIFY_WITH_TIMEOUT(done.isFinished(), 10000);
        QCOMPARE(std::pair(done.result(), pending(pid, SIGTERM)), std::pair(KillOutcome{{}, {listed}, {}}, true));
        ::kill(pid, SIGCONT);
        QTRY_COMPARE(child.state(), QProcess::NotRunning);
        QCOMPARE(child.exitCode(), SIGTERM);

        // Listed, then exited and reaped: stopped already.
        QVERIFY(publish(store, feed, {listed}));
        done = store.kill({pid}, true);
        QTRY_VERIFY(done.isFinished());
        QCOMPARE(done.result(), KillOutcome());
    }

    // SIGTERM is followed by a wait: one server ends within it, one ignores SIGTERM and is
    // reported, and SIGKILL ends that one.
    void stopWaitsForTheEnd()
    {
        const QString node = QStandardPaths::findExecutable("node");
        if (node.isEmpty())
            QSKIP("node is not installed");
        const QString idle = "console.log('ready'); setInterval(() => {}, 1 << 30);";
        QProcess slow;
        slow.start(node, {"-e", "process.on('SIGTERM', () => setTimeout(() => process.exit(0), 1000));" + idle});
        QProcess stubborn;
        stubborn.start(node, {"-e", "process.on('SIGTERM', () => {});" + idle});
        QList<NodeProcess> records;
        for (QProcess *process : {&slow, &stubborn}) {
            QVERIFY(process->waitForReadyRead(20000));
            records << record(qint32(process->processId()), Kind::node);
            records.last().startTime = ProcFs::readStat(records.last().pid)->startTime;
        }
        const auto ended = [](qint32 pid) {
            const auto stat = ProcFs::readStat(pid);
            return !stat || stat->state == 'Z';
        };

        Feed feed;
        ProcessStore store(feed.function());
        QVERIFY(publish(store, feed, records));
        QFuture<KillOutcome> done = store.kill({records[0].pid, records[1].pid}, false);
        QCOMPARE(store.statusText(), QString("Waiting for 2 processes to stop…"));
        QTRY_VERIFY_WITH_TIMEOUT(done.isFinished(), 10000);
        QCOMPARE(done.result(), (KillOutcome{{}, {records[1]}, {}}));
        QVERIFY(ended(records[0].pid) && !ended(records[1].pid));

        done = store.kill({records[1].pid}, true);
        QTRY_VERIFY_WITH_TIMEOUT(done.isFinished(), 10000);
        QCOMPARE(done.result(), KillOutcome());
        QVERIFY(ended(records[1].pid));
    }

    // Going away does not wait for a hung tool: the tool is killed and reaped.
    void destroyingTheStoreStopsAHungTool()
    {
        QTemporaryDir dir;
        const QString pidFile = dir.filePath("pid");
        auto store = std::make_unique<ProcessStore>([pidFile] {
            (void)ProcessScanner::detail::run("/bin/sh", {"-c", "echo $$ > '" + pidFile + "'; exec sleep 60"});
            return QList<NodeProcess>{};
        });
        (void)store->reload();
        QTRY_VERIFY(QFile(pidFile).size() > 0);
        QFile file(pidFile);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const pid_t tool = pid_t(file.readAll().trimmed().toInt());
        QVERIFY(tool > 1);

        QElapsedTimer timer;
        timer.start();
        store.reset();
        QVERIFY2(timer.elapsed() < 5000, "the store waited for the tool");
        QTRY_VERIFY(::kill(tool, 0) != 0 && errno == ESRCH);
    }
};

QTEST_GUILESS_MAIN(TestProcessStore)
#include "tst_processstore.moc"
