// Times the Ports screen with 1,000 Node processes, offscreen: a reload's publication
// (from the scan's result to the repainted window: store, table model, cards, status), a
// header sort, "Select Suspicious" and a port typed into the lookup field, each followed by
// a full repaint. Beside each, the same repaint alone, so the screen's own share shows.
// Prints medians of 25 rounds; run it by hand (see bench/CMakeLists.txt).

#include "core/processes/ProcessStore.h"
#include "ui/ports/PortsView.h"
#include "ui/ports/ProcessTableModel.h"
#include "ui/ports/ProcessTableView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFuture>
#include <QMutex>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr int s_processes = 1000;
constexpr int s_rounds = 25;

using Clock = std::chrono::steady_clock;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

NodeProcess process(qint32 pid, QRandomGenerator &random)
{
    static const QList<int> ports = {3000, 3001, 4200, 5173, 8080, 9229, 9999, 4000, 6006};
    NodeProcess record;
    record.id = record.pid = pid;
    record.ppid = 1;
    record.kind = NodeProcess::Kind(random.bounded(int(NodeProcess::Kind::node) + 1));
    record.command = QStringLiteral("node /home/dev/code/project-%1/node_modules/.bin/server --port %2")
                         .arg(pid)
                         .arg(random.bounded(10000));
    record.cwd = QStringLiteral("/home/dev/code/project-%1").arg(pid);
    if (random.bounded(10) == 0)
        record.ports = {ports.at(random.bounded(ports.size()))};
    record.elapsedSeconds = random.bounded(200000);
    record.rssKB = 20000 + random.bounded(500000);
    return record;
}

struct Feed
{
    QMutex mutex;
    QList<NodeProcess> records;
    std::atomic<Clock::rep> scanned{0};
};

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QRandomGenerator random(7);

    Feed feed;
    for (qint32 pid = 1000; pid < 1000 + s_processes; ++pid)
        feed.records << process(pid, random);
    ProcessStore store([&feed] {
        QMutexLocker lock(&feed.mutex);
        const QList<NodeProcess> copy = feed.records;
        feed.scanned = Clock::now().time_since_epoch().count();
        return copy;
    });
    PortsView view(store);
    view.resize(1100, 900);
    view.show();
    if (!QTest::qWaitForWindowExposed(&view) || !QTest::qWaitFor([&store] { return !store.isLoading(); }))
        return 1;
    const auto *table = view.findChild<ProcessTableView *>();
    auto *selectSuspicious = view.findChild<QPushButton *>(QStringLiteral("selectSuspiciousButton"));
    std::printf("%lld processes, %d rows in the table, %lld blocked ports\n", qlonglong(store.processes().size()),
                table->processModel()->rowCount(), qlonglong(store.blockedPorts().size()));

    std::vector<double> reload, sort, select, filter, repaint;
    qint32 nextPid = 1000 + s_processes;
    for (int round = 0; round < s_rounds; ++round) {
        // A realistic rescan: every age moves on, some memory changes, a few come and go.
        {
            QMutexLocker lock(&feed.mutex);
            for (NodeProcess &record : feed.records) {
                record.elapsedSeconds += 3;
                if (random.bounded(10) == 0)
                    record.rssKB += random.bounded(2000);
            }
            for (int i = 0; i < 5; ++i) {
                feed.records.removeAt(random.bounded(feed.records.size()));
                feed.records << process(nextPid++, random);
            }
        }
        const QFuture<void> done = store.reload();
        while (!done.isFinished())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        view.repaint();
        reload.push_back(msSince(Clock::time_point(Clock::duration(feed.scanned.load()))));

        auto start = Clock::now();
        view.repaint();
        repaint.push_back(msSince(start));

        const auto column = round % 2 ? ProcessTableModel::CommandColumn : ProcessTableModel::MemoryColumn;
        start = Clock::now();
        table->processModel()->sort(column, round % 4 < 2 ? Qt::AscendingOrder : Qt::DescendingOrder);
        view.repaint();
        sort.push_back(msSince(start));

        store.setSelection({});
        start = Clock::now();
        selectSuspicious->click();
        view.repaint();
        select.push_back(msSince(start));

        start = Clock::now();
        store.setPortFilter(round % 2 ? QStringLiteral("30") : QString());
        view.repaint();
        filter.push_back(msSince(start));
    }
    std::printf("selected by Select Suspicious: %lld\n", qlonglong(store.selection().size()));
    std::printf("median of %d rounds, each including one full repaint of the screen:\n", s_rounds);
    std::printf("  repaint alone                     %7.2f ms\n", median(repaint));
    std::printf("  reload published (scan result on) %7.2f ms\n", median(reload));
    std::printf("  header sort                       %7.2f ms\n", median(sort));
    std::printf("  Select Suspicious                 %7.2f ms\n", median(select));
    std::printf("  port typed / cleared              %7.2f ms\n", median(filter));
    return 0;
}
