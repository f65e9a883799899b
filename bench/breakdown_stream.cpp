// Streams a large scan into the Breakdown screen, offscreen: 20,000 records in 200 groups
// (or the counts given as arguments), measured instantly (the whole scan lands in one
// burst) and then at 1 ms a measurement (records trickle in over seconds). Times the scan
// from startScan() to the found status, counts the screen's rebuilds and notes the
// longest time the event loop went without running a 5 ms timer, beside the same scan
// with no screen. For comparison, one burst of at most 5,000 records into a stand-in for
// a screen that regroups on every record, which is what the screen's batching saves.
// Prints medians of five; run it by hand (see bench/CMakeLists.txt).

#include "StoreScanTiming.h"
#include "core/modules/ScanStore.h"
#include "ui/breakdown/ProvenanceView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

namespace {

struct Run
{
    double milliseconds = 0;
    double longestGap = 0; // ms
    int rebuilds = 0;
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

QList<NodeModule> sampleRecords(int records, int groups)
{
    QList<NodeModule> list;
    list.reserve(records);
    for (int i = 0; i < records; ++i) {
        NodeModule module;
        const QString key = QStringLiteral("project-%1").arg(i % groups);
        module.parentPath = QFile::encodeName(QStringLiteral("/home/dev/code/%1/packages/p%2").arg(key).arg(i));
        module.modulePath = module.parentPath + "/node_modules";
        module.id = module.modulePath;
        module.projectName = QStringLiteral("p%1").arg(i);
        module.sizeBytes = qint64(1 + (i * 7919) % 5000) * 64 * 1024;
        module.groupKey = key;
        list.append(module);
    }
    return list;
}

Run scan(ScanStore &store, const ProvenanceView *view)
{
    const int before = view ? view->refreshCount() : 0;
    const StoreScanTiming timing = timeStoreScan(store);
    Run run{timing.milliseconds, timing.longestGapMs, 0};
    // The last batch lands after the found status; it belongs to this scan.
    if (view)
        QTest::qWait(2 * ProvenanceView::s_refreshInterval);
    run.rebuilds = view ? view->refreshCount() - before : 0;
    return run;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int records = argc > 1 ? std::max(1, atoi(argv[1])) : 20000;
    const int groups = argc > 2 ? std::max(1, atoi(argv[2])) : 200;
    constexpr int s_rounds = 5;

    // work: how long each measurement takes on its worker (none: the whole scan arrives
    // in one burst; some: records trickle in, eight measurements at a time).
    const auto feed = [](const QList<NodeModule> &sample, std::chrono::microseconds work) {
        auto store = std::make_unique<ScanStore>(
            [sample](const QByteArray &, const CancelToken &) {
                QList<QByteArray> parents;
                for (const NodeModule &module : sample)
                    parents.append(module.parentPath);
                return parents;
            },
            [sample, work](const QByteArray &parent, const QByteArray &,
                           const CancelToken &) -> std::optional<NodeModule> {
                if (work.count() > 0)
                    std::this_thread::sleep_for(work);
                // The record's index is the end of its folder's name.
                const qsizetype index = parent.mid(parent.lastIndexOf("/p") + 2).toLongLong();
                return sample.value(index);
            });
        store->setRootPath(QStringLiteral("/"));
        return store;
    };
    const QList<NodeModule> sample = sampleRecords(records, groups);
    std::printf("%d records in %d groups; medians of %d scans\n", records, groups, s_rounds);

    for (const auto work : {std::chrono::microseconds(0), std::chrono::microseconds(1000)}) {
        std::printf("measurements taking %lld us each:\n", qlonglong(work.count()));
        const std::unique_ptr<ScanStore> store = feed(sample, work);
        std::vector<double> alone, aloneGap;
        for (int round = 0; round < s_rounds; ++round) {
            const Run run = scan(*store, nullptr);
            alone.push_back(run.milliseconds);
            aloneGap.push_back(run.longestGap);
        }
        std::printf("  store alone                     %8.1f ms, longest loop gap %6.1f ms\n", median(alone),
                    median(aloneGap));

        auto view = std::make_unique<ProvenanceView>(*store);
        view->resize(1000, 800);
        view->show();
        if (!QTest::qWaitForWindowExposed(view.get()))
            return 1;
        std::vector<double> shown, shownGap, rebuilds;
        for (int round = 0; round < s_rounds; ++round) {
            const Run run = scan(*store, view.get());
            shown.push_back(run.milliseconds);
            shownGap.push_back(run.longestGap);
            rebuilds.push_back(run.rebuilds);
        }
        std::printf("  Breakdown screen shown          %8.1f ms, longest loop gap %6.1f ms, %.0f rebuilds\n",
                    median(shown), median(shownGap), median(rebuilds));

        QElapsedTimer paint;
        std::vector<double> repaint;
        for (int round = 0; round < s_rounds; ++round) {
            paint.start();
            view->repaint();
            repaint.push_back(double(paint.nsecsElapsed()) / 1e6);
        }
        std::printf("  one full repaint of the screen  %8.1f ms\n", median(repaint));
    }

    // Quadratic, so one burst over at most 5,000 records.
    const int few = std::min(records, 5000);
    const std::unique_ptr<ScanStore> naive = feed(sampleRecords(few, groups), std::chrono::microseconds(0));
    QObject regrouper;
    qsizetype sink = 0;
    QObject::connect(naive.get(), &ScanStore::modulesChanged, &regrouper, [&] { sink += naive->groups().size(); });
    const Run run = scan(*naive, nullptr);
    std::printf("for comparison, regrouping on every record of one burst of %d: %.1f ms, longest loop gap "
                "%.1f ms%s\n",
                few, run.milliseconds, run.longestGap, sink > 0 ? "" : "?");
    return 0;
}
