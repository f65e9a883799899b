// Times the Disk cleanup screen while a scan streams 10,000 records into it, offscreen: the
// records come through a real scan store (walk and measure handing out made-up records at
// once), so every one is published on its own, as a scan of thousands of folders does.
// For the flat table and for the grouped list, it prints the scan's wall time, the GUI
// thread's CPU time and the longest wait of the event loop, beside the same with no screen
// (the store alone), and then the median of 25 header sorts of the full table with a
// repaint. Run it by hand (see bench/CMakeLists.txt).

#include "StoreScanTiming.h"
#include "core/modules/ScanStore.h"
#include "ui/modules/ModuleTableModel.h"
#include "ui/modules/ModuleTableView.h"
#include "ui/modules/ModulesView.h"

#include <QApplication>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

constexpr int s_records = 10'000;
constexpr int s_rounds = 25;

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double threadCpuMs()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

NodeModule record(const QByteArray &parent)
{
    const int n = parent.mid(parent.lastIndexOf('p') + 1).toInt();
    NodeModule module;
    module.parentPath = parent;
    module.modulePath = parent + "/node_modules";
    module.id = module.modulePath;
    module.projectName = QStringLiteral("project-%1").arg(n);
    module.groupKey = QStringLiteral("group-%1").arg(n % 37);
    module.sizeBytes = qint64((n * 7919) % 100'000) * 4096;
    module.lastAccessed = QDateTime::fromSecsSinceEpoch(1'700'000'000 + n * 60);
    module.isSymlink = n % 50 == 0;
    return module;
}

ScanStore::WalkFunction walk()
{
    return [](const QByteArray &root, const CancelToken &) {
        QList<QByteArray> parents;
        for (int n = 0; n < s_records; ++n)
            parents << root + "/g" + QByteArray::number(n % 37) + "/p" + QByteArray::number(n);
        return parents;
    };
}

ScanStore::MeasureFunction measure()
{
    return [](const QByteArray &parent, const QByteArray &, const CancelToken &) {
        return std::optional<NodeModule>(record(parent));
    };
}

struct Figures
{
    double wallMs = 0;
    double cpuMs = 0;
    double longestStallMs = 0;
};

// One scan to its end, with the event loop's longest wait measured by a 1 ms timer; the
// updates the screen still has queued at the end belong to the scan.
Figures scan(ScanStore &store)
{
    store.setRootPath(QStringLiteral("/"));
    const double cpu = threadCpuMs();
    const auto start = Clock::now();
    const StoreScanTiming timing = timeStoreScan(store, std::chrono::milliseconds(1));
    QCoreApplication::processEvents();
    return {msSince(start), threadCpuMs() - cpu, timing.longestGapMs};
}

void print(const char *what, const Figures &figures)
{
    std::printf("%-34s wall %8.1f ms   GUI CPU %8.1f ms   longest event-loop wait %6.1f ms\n", what, figures.wallMs,
                figures.cpuMs, figures.longestStallMs);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    std::printf("%d records streamed one by one through the scan store\n", s_records);

    {
        ScanStore store(walk(), measure());
        print("store alone", scan(store));
    }
    {
        ScanStore store(walk(), measure());
        ModulesView view(store);
        view.resize(1100, 800);
        view.show();
        if (!QTest::qWaitForWindowExposed(&view))
            return 1;
        print("flat table shown", scan(store));

        auto *table = qobject_cast<ModuleTableModel *>(view.findChild<ModuleTableView *>()->model());
        std::printf("%d rows in the table\n", table->rowCount());
        std::vector<double> sorts;
        for (int round = 0; round < s_rounds; ++round) {
            const int column = round % 4;
            const auto start = Clock::now();
            table->sort(column, round % 8 < 4 ? Qt::AscendingOrder : Qt::DescendingOrder);
            view.repaint();
            sorts.push_back(msSince(start));
        }
        std::printf("%-34s median %6.1f ms over %d sorts\n", "header sort of 10,000 rows + repaint", median(sorts),
                    s_rounds);

        store.setGroupByFolder(true);
        QCoreApplication::processEvents();
        print("grouped list shown", scan(store));
    }
    return 0;
}
