#include "core/ByteFormat.h"
#include "core/modules/NodeModulesScanner.h"
#include "core/modules/ScanStore.h"
#include "support/TestTrees.h"

#include <QEvent>
#include <QScopeGuard>
#include <QSemaphore>
#include <QTest>

#include <algorithm>
#include <condition_variable>
#include <mutex>

using namespace TestTrees;
namespace Scanner = NodeModulesScanner;
using Scanner::DeletionMode;
using Scanner::DeletionResult;

namespace {

QByteArray idOf(const QByteArray &parent)
{
    return parent + "/node_modules";
}

// A project whose node_modules holds `size` bytes of real data; returns the parent.
QByteArray makeProject(const QByteArray &parent, qint64 size)
{
    writeFile(idOf(parent) + "/dep/index.js", size);
    writeFile(parent + "/package.json", 10);
    return parent;
}

// Holds worker threads until the test lets them through; gives up after a minute so a
// failing test cannot leave a store's destructor waiting.
struct Gate
{
    QSemaphore passes;
    std::atomic<int> waiting = 0;
    void pass()
    {
        ++waiting;
        (void)passes.tryAcquire(1, 60000);
        --waiting;
    }
    void open() { passes.release(1 << 20); }
};

// A store over the real walk and measure, counting their calls; each call first waits
// at its gate, if any (the measure only for parents whose path contains `held`).
std::unique_ptr<ScanStore> gatedStore(std::atomic<int> &walks, std::atomic<int> &measures, Gate *walkGate = nullptr,
                                      Gate *measureGate = nullptr, const QByteArray &held = {})
{
    return std::make_unique<ScanStore>(
        [&walks, walkGate](const QByteArray &root, const CancelToken &token) {
            ++walks;
            if (walkGate)
                walkGate->pass();
            return Scanner::findParentDirs(root, token);
        },
        [&measures, measureGate, held](const QByteArray &parent, const QByteArray &root, const CancelToken &token) {
            if (measureGate && parent.contains(held))
                measureGate->pass();
            ++measures;
            return Scanner::measure(parent, root, token);
        });
}

// Everything the store announces, in order.
struct StoreLog
{
    explicit StoreLog(ScanStore &store)
    {
        const auto log = [&](auto signal, auto append) {
            QObject::connect(&store, signal, &context, [this, append] {
                append();
                ++emissions;
            });
        };
        log(&ScanStore::statusTextChanged, [this, &store] { statuses.append(store.statusText()); });
        log(&ScanStore::progressTextChanged, [this, &store] { progress.append(store.progressText()); });
        log(&ScanStore::isScanningChanged, [this, &store] { scanning.append(store.isScanning()); });
        for (auto signal : {&ScanStore::rootPathChanged, &ScanStore::selectionChanged, &ScanStore::sortOrderChanged,
                            &ScanStore::groupByFolderChanged})
            log(signal, [] {});
        using Change = ScanStore::ModulesChange;
        QObject::connect(&store, &ScanStore::modulesChanged, &context, [this, &store](Change change) {
            if (change == ScanStore::ModulesChange::appended)
                appended.append(store.modules().constLast().id);
            ++modulesChanges;
            ++emissions;
        });
    }

    QObject context;
    QStringList statuses, progress;
    QList<bool> scanning;
    QList<QByteArray> appended;
    int modulesChanges = 0, emissions = 0;
};

// Counts the calls posted to the store from its workers, seen before they run.
struct PostedCalls : QObject
{
    explicit PostedCalls(QObject &target) { target.installEventFilter(this); }
    bool eventFilter(QObject *, QEvent *event) override
    {
        count += event->type() == QEvent::MetaCall;
        return false;
    }
    int count = 0;
};

// Lets held work through with `release` and waits for the one call it posts; true when
// the store dropped it, announcing and changing nothing.
bool dropsLateResult(ScanStore &store, const std::function<void()> &release)
{
    StoreLog log(store);
    const PostedCalls posted(store);
    const QList<NodeModule> modules = store.modules();
    const QString status = store.statusText();
    release();
    [&] {
        QTRY_COMPARE(posted.count, 1);
        QCOMPARE(log.emissions, 0);
        QCOMPARE(store.modules(), modules);
        QCOMPARE(store.statusText(), status);
    }();
    return !QTest::currentTestFailed();
}

QList<QByteArray> idList(const QList<NodeModule> &modules)
{
    QList<QByteArray> ids;
    for (const NodeModule &module : modules)
        ids.append(module.id);
    return ids;
}

QSet<QByteArray> idsOf(const QList<NodeModule> &modules)
{
    const QList<QByteArray> ids = idList(modules);
    return {ids.cbegin(), ids.cend()};
}

// Four real folders and two links (one to a node_modules folder, one to nothing), scanned
// by a store over the real scanner.
struct SixRecords
{
    Scratch tree;
    QByteArray root = tree.path("code");
    QByteArray a = makeProject(root + "/a", 40000), b = makeProject(root + "/b", 24000);
    QByteArray c = makeProject(root + "/a/packages/c", 8000), d = makeProject(root + "/d", 16000);
    QByteArray linked = idOf(root + "/linked"), broken = idOf(root + "/broken");
    qint64 aBytes = allocatedBelow(idOf(a)), bBytes = allocatedBelow(idOf(b));
    qint64 cBytes = allocatedBelow(idOf(c)), dBytes = allocatedBelow(idOf(d));
    std::unique_ptr<ScanStore> store = std::make_unique<ScanStore>();

    SixRecords()
    {
        writeFile(tree.path("shared/nm/dep/index.js"), 50000);
        makeLink(tree.path("shared/nm"), linked);
        makeLink(root + "/nowhere", broken);
        store->setRootPath(QFile::decodeName(root));
        store->startScan();
        QTRY_COMPARE(store->statusText(), QStringLiteral("Found 6 node_modules folders."));
    }
};

} // namespace

class TestScanStore : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Nothing here may reach the real Trash, even by mistake.
        QVERIFY(m_home.isValid());
        qputenv("HOME", m_home.path());
        qputenv("XDG_DATA_HOME", m_home.path("data"));
    }

    void scanReportsWhatItFinds_data()
    {
        QTest::addColumn<int>("projects");
        QTest::addColumn<QString>("measuring");
        QTest::addColumn<QString>("found");
        QTest::newRow("none") << 0 << "Measuring 0 folders…"
                              << "Found 0 node_modules folders.";
        QTest::newRow("one") << 1 << "Measuring 1 folder…"
                             << "Found 1 node_modules folder.";
        QTest::newRow("several") << 12 << "Measuring 12 folders…"
                                 << "Found 12 node_modules folders.";
    }

    // The texts in their order, the progress counting up with the running total, and
    // every record appended as it arrives. Then a missing root only says so, and a file
    // is a folder holding nothing.
    void scanReportsWhatItFinds()
    {
        QFETCH(int, projects);
        QFETCH(QString, measuring);
        QFETCH(QString, found);
        const Scratch tree;
        const QByteArray root = tree.path("code");
        makeDirs(root + "/empty/src");
        QSet<QByteArray> expected;
        for (int i = 0; i < projects; ++i)
            expected.insert(idOf(makeProject(root + "/app" + QByteArray::number(i) + "/web", 5000 + 40000 * i)));

        std::atomic<int> walks = 0;
        std::atomic<int> measures = 0;
        const auto store = gatedStore(walks, measures);
        store->setRootPath(QFile::decodeName(root));
        StoreLog log(*store);
        store->startScan();
        // Nothing arrives before startScan() returns, however quick the walk.
        const QString scanning = QStringLiteral("Scanning for node_modules…");
        QCOMPARE(std::pair(log.statuses, log.scanning), std::pair(QStringList{scanning}, QList<bool>{true}));
        QTRY_COMPARE(log.statuses, (QStringList{scanning, measuring, found}));
        const QList<NodeModule> modules = store->modules();
        QCOMPARE(std::tuple(log.scanning, idsOf(modules), log.appended, log.modulesChanges),
                 std::tuple(QList<bool>{true, false}, expected, idList(modules), projects));
        QStringList progress;
        qint64 total = 0;
        for (const NodeModule &module : modules) {
            QVERIFY(module.sizeBytes > 0);
            QCOMPARE(module.sizeBytes, allocatedBelow(module.modulePath));
            total += module.sizeBytes;
            progress.append(QStringLiteral("%1/%2 measured · %3")
                                .arg(progress.size() + 1)
                                .arg(projects)
                                .arg(ByteFormat::string(total)));
        }
        if (projects > 0)
            progress.append(QString());
        QCOMPARE(log.progress, progress);
        QCOMPARE(store->progressText(), QString());

        makeLink(tree.path("gone"), tree.path("dangling"));
        // Empty and relative paths name no folder the user chose.
        const QList<QByteArray> invalidRoots{tree.path("nothing-here"), tree.path("dangling"), QByteArray(), "."};
        for (const QByteArray &missing : invalidRoots) {
            store->setRootPath(QFile::decodeName(missing));
            StoreLog invalid(*store);
            store->startScan();
            QCOMPARE(store->statusText(), QStringLiteral("Path is not a valid directory."));
            QCOMPARE(std::tuple(invalid.emissions, store->modules(), store->isScanning()),
                     std::tuple(invalid.statuses.size(), modules, false));
        }
        QCOMPARE(walks.load(), 1);
        writeFile(tree.path("file.txt"), 10);
        store->setRootPath(QFile::decodeName(tree.path("file.txt")));
        store->startScan();
        QTRY_COMPARE(store->statusText(), QStringLiteral("Found 0 node_modules folders."));
    }

    // Records arrive while others are still measuring; after a cancel nothing from that
    // scan reaches the store, while a new scan runs at once.
    void cancelStopsEveryWrite()
    {
        const Scratch tree;
        const QByteArray first = tree.path("first");
        for (const char *name : {"/quick0", "/quick1", "/quick2", "/slow0", "/slow1"})
            makeProject(first + name, 3000);
        const QByteArray second = tree.path("second");
        makeProject(second + "/a", 1000);
        makeProject(second + "/b", 1000);

        Gate slow;
        std::atomic<int> walks = 0;
        std::atomic<int> measurements = 0;
        const auto opener = qScopeGuard([&] { slow.open(); });
        const auto owned = gatedStore(walks, measurements, nullptr, &slow, "/slow");
        ScanStore &store = *owned;
        store.setRootPath(QFile::decodeName(first));
        store.setSelection({"/somewhere/node_modules"});
        store.startScan();
        QVERIFY(store.selection().isEmpty());
        QTRY_COMPARE(store.modules().size(), 3);
        QCOMPARE(slow.waiting.load(), 2);
        QVERIFY(store.progressText().startsWith(QStringLiteral("3/5 measured · ")));
        QCOMPARE(store.statusText(), QStringLiteral("Measuring 5 folders…"));
        {
            // A start while scanning changes nothing at all.
            StoreLog log(store);
            store.startScan();
            QCOMPARE(std::tuple(log.emissions, store.isScanning(), walks.load()), std::tuple(0, true, 1));
        }

        store.cancel();
        QCOMPARE(std::tuple(store.statusText(), store.progressText(), store.isScanning()),
                 std::tuple(QStringLiteral("Scan cancelled. 3 folders found."), QString(), false));
        // One held measurement finishes and posts its record; the store drops it.
        QVERIFY(dropsLateResult(store, [&] { slow.passes.release(1); }));
        QCOMPARE(measurements.load(), 4);

        // A new scan while the old scan's last measurement is still held; that one
        // arrives after the new scan's end and is dropped too.
        store.setRootPath(QFile::decodeName(second));
        store.startScan();
        QTRY_COMPARE(store.statusText(), QStringLiteral("Found 2 node_modules folders."));
        QCOMPARE(slow.waiting.load(), 1);
        QCOMPARE(idsOf(store.modules()), (QSet<QByteArray>{idOf(second + "/a"), idOf(second + "/b")}));
        QVERIFY(dropsLateResult(store, [&] { slow.open(); }));
        QCOMPARE(measurements.load(), 7);

        // Cancelled while walking: the walk's answer is dropped and nothing is measured.
        Gate walkGate;
        const auto walkOpener = qScopeGuard([&] { walkGate.open(); });
        const auto walking = gatedStore(walks, measurements, &walkGate);
        walking->setRootPath(QFile::decodeName(first));
        walking->startScan();
        QTRY_COMPARE(walkGate.waiting.load(), 1);
        walking->cancel();
        QCOMPARE(walking->statusText(), QStringLiteral("Scan cancelled. 0 folders found."));
        QVERIFY(dropsLateResult(*walking, [&] { walkGate.open(); }));
        QCOMPARE(measurements.load(), 7);
    }

    // A long walk shows its count of visited folders moving; cancelled then, it counts what the walk had found.
    void walkShowsItsProgressAndACancelCountsWhatItFound()
    {
        const Scratch tree;
        const QByteArray root = tree.path("root");
        for (const char *name : {"/a", "/b", "/c/d"})
            makeProject(root + name, 100);
        Gate gate;
        const auto opener = qScopeGuard([&] { gate.open(); });
        ScanStore store(
            [&gate](const QByteArray &from, const CancelToken &token) {
                QList<QByteArray> found = Scanner::findParentDirs(from, token);
                gate.pass();
                return found;
            },
            Scanner::measure);
        store.setRootPath(QFile::decodeName(root));
        store.startScan();
        // root, a, b, c and d; node_modules folders are not entered.
        QTRY_COMPARE(store.progressText(), QStringLiteral("5 folders visited"));
        store.cancel();
        QCOMPARE(store.statusText(), QStringLiteral("Scan cancelled. 3 folders found."));
    }

    void measuresAtMostEightAtOnce()
    {
        const Scratch tree;
        const QByteArray root = tree.path("code");
        constexpr int s_projects = 30;
        for (int i = 0; i < s_projects; ++i)
            makeProject(root + "/p" + QByteArray::number(i), 2000);

        // Each measurement waits a while for a ninth to join it (until the last one has
        // started), so a pool that allowed more shows it and one that allowed fewer never
        // reaches eight.
        std::mutex mutex;
        std::condition_variable changed;
        int inFlight = 0, started = 0, peak = 0;
        ScanStore store(Scanner::findParentDirs,
                        [&](const QByteArray &parent, const QByteArray &scanRoot, const CancelToken &token) {
                            {
                                std::unique_lock lock(mutex);
                                ++started;
                                peak = std::max(peak, ++inFlight);
                                changed.notify_all();
                                changed.wait_for(lock, std::chrono::milliseconds(250),
                                                 [&] { return inFlight > 8 || started == s_projects; });
                            }
                            std::optional<NodeModule> module = Scanner::measure(parent, scanRoot, token);
                            std::lock_guard lock(mutex);
                            --inFlight;
                            return module;
                        });
        store.setRootPath(QFile::decodeName(root));
        store.startScan();
        QTRY_COMPARE_WITH_TIMEOUT(store.statusText(), QStringLiteral("Found 30 node_modules folders."), 60000);
        std::lock_guard lock(mutex);
        QCOMPARE(std::pair(peak, started), std::pair(8, s_projects));
    }

    void derivedValuesOverRealFoldersAndLinks()
    {
        const SixRecords six;
        const QSet<QByteArray> some{idOf(six.a), six.linked, six.broken, "/no/such/node_modules"};
        QCOMPARE(std::tuple(six.store->totalBytes(), six.store->symlinkCount(), six.store->reclaimableBytes(some),
                            six.store->symlinkCount(some), six.store->symlinkCount({idOf(six.b)})),
                 std::tuple(six.aBytes + six.bBytes + six.cBytes + six.dBytes, 2, six.aBytes, 2, 0));
        const QList<ModuleGroup> groups = six.store->groups();
        QCOMPARE(std::tuple(groups.size(), groups.at(0).key, groups.at(0).totalBytes),
                 std::tuple(qsizetype(5), QStringLiteral("a"), six.aBytes + six.cBytes));
    }

    void idsThatMatchNoRecordDeleteNothing()
    {
        const SixRecords six;
        ScanStore &store = *six.store;
        store.setSelection(idsOf(store.modules()));
        StoreLog log(store);
        QFuture<DeletionResult> nothing =
            store.deleteModules({"/no/such/node_modules", idOf(six.a) + "2"}, DeletionMode::permanent);
        QVERIFY(nothing.isFinished());
        QCOMPARE(nothing.result(), DeletionResult());
        QCOMPARE(store.deleteModules({}, DeletionMode::trash).result(), DeletionResult());
        QCOMPARE(log.emissions, 0);
    }

    // What goes leaves the list and the selection, the rest keeps its order, and the
    // status says what emptying the Trash frees.
    void trashedRecordsLeaveTheListAndTheSelection()
    {
        const SixRecords six;
        ScanStore &store = *six.store;
        store.setSelection(idsOf(store.modules()));
        QList<QByteArray> order = idList(store.modules());
        QFuture<DeletionResult> trashed = store.deleteModules({idOf(six.a), idOf(six.b)}, DeletionMode::trash);
        QVERIFY(!trashed.isFinished());
        QCOMPARE(store.modules().size(), 6);
        QTRY_VERIFY(trashed.isFinished());
        QCOMPARE(trashed.result().removedIDs, (QSet<QByteArray>{idOf(six.a), idOf(six.b)}));
        QCOMPARE(trashed.result().trashedURLs.size(), 2);
        for (const QByteArray &location : trashed.result().trashedURLs)
            QVERIFY(location.startsWith(m_home.path("data/Trash/files/")) && exists(location));
        QVERIFY(!exists(idOf(six.a)) && !exists(idOf(six.b)));
        QCOMPARE(store.statusText(),
                 QStringLiteral("Moved 2 to the Trash (%1 reclaimed once emptied). 4 folders remaining.")
                     .arg(ByteFormat::string(six.aBytes + six.bBytes)));
        order.removeAll(idOf(six.a));
        order.removeAll(idOf(six.b));
        QCOMPARE(std::pair(idList(store.modules()), store.selection()), std::pair(order, idsOf(store.modules())));
    }

    // The link goes, its target stays whole, and it frees nothing.
    void aDeletedLinkFreesNothingAndSparesItsTarget()
    {
        const SixRecords six;
        const QList<QByteArray> targetBefore = fingerprint(six.tree.path("shared/nm"));
        QFuture<DeletionResult> unlinked = six.store->deleteModules({six.linked}, DeletionMode::permanent);
        QTRY_VERIFY(unlinked.isFinished());
        QCOMPARE(std::pair(unlinked.result().removedIDs, unlinked.result().trashedURLs),
                 std::pair(QSet<QByteArray>{six.linked}, QList<QByteArray>()));
        QCOMPARE(six.store->statusText(), QStringLiteral("Deleted 1 permanently. Freed 0 B. 5 folders remaining."));
        QVERIFY(!exists(six.linked));
        QCOMPARE(fingerprint(six.tree.path("shared/nm")), targetBefore);
    }

    // A record outside the folder now in the field is refused, stays listed and selected.
    void aRecordOutsideTheFolderInTheFieldIsRefused()
    {
        const SixRecords six;
        ScanStore &store = *six.store;
        store.setRootPath(QFile::decodeName(six.a));
        store.setSelection({six.broken});
        QFuture<DeletionResult> refused = store.deleteModules({six.broken}, DeletionMode::trash);
        QTRY_VERIFY(refused.isFinished());
        QCOMPARE(refused.result().refusals,
                 QStringList{QFile::decodeName(six.broken) + QStringLiteral(": outside the scanned folder")});
        QVERIFY(refused.result().removedIDs.isEmpty());
        QCOMPARE(store.statusText(),
                 QStringLiteral("Moved 0 to the Trash (0 B reclaimed once emptied). 6 folders remaining."));
        QCOMPARE(std::pair(store.modules().size(), store.selection()),
                 std::pair(qsizetype(6), QSet<QByteArray>{six.broken}));
        QVERIFY(isLink(six.broken));
    }

    // Two deletions in flight at once; the status is the sentence of the last one.
    void twoDeletionsRunAtOnce()
    {
        const SixRecords six;
        ScanStore &store = *six.store;
        const QByteArray c = idOf(six.c), d = idOf(six.d);
        store.setSelection({c, d, "/elsewhere/node_modules"});
        QFuture<DeletionResult> first = store.deleteModules({c}, DeletionMode::permanent);
        QFuture<DeletionResult> second = store.deleteModules({d, "/elsewhere/node_modules"}, DeletionMode::permanent);
        QTRY_VERIFY(first.isFinished() && second.isFinished());
        QCOMPARE(std::tuple(second.result().removedIDs, store.modules().size(), store.selection()),
                 std::tuple(QSet<QByteArray>{d}, qsizetype(4), QSet<QByteArray>{"/elsewhere/node_modules"}));
        const QString last = QStringLiteral("Deleted 1 permanently. Freed %1. 4 folders remaining.");
        QVERIFY2(store.statusText() == last.arg(ByteFormat::string(six.cBytes))
                     || store.statusText() == last.arg(ByteFormat::string(six.dBytes)),
                 qPrintable(store.statusText()));
        QVERIFY(!exists(c) && !exists(d) && exists(six.c + "/package.json"));
    }

    // The store can go while a deletion and a scan run; the deletion whose result it never
    // applied ends cancelled.
    void theStoreGoesWhileADeletionAndAScanRun()
    {
        SixRecords six;
        QFuture<DeletionResult> deletion = six.store->deleteModules({six.broken}, DeletionMode::permanent);
        six.store->startScan();
        six.store.reset();
        QTRY_VERIFY(deletion.isCanceled());
    }

    // Records in the sort order, those it finds equal in their order of arrival.
    void visibleFollowsTheSortOrderAndKeepsArrivalAmongEquals()
    {
        const Scratch tree;
        ScanStore store(
            [](const QByteArray &root, const CancelToken &) {
                return QList<QByteArray>{root + "/b", root + "/a", root + "/c", root + "/d"};
            },
            [](const QByteArray &parent, const QByteArray &, const CancelToken &) {
                NodeModule module;
                module.id = module.modulePath = parent + "/node_modules";
                module.parentPath = parent;
                module.projectName = QFile::decodeName(parent.mid(parent.lastIndexOf('/') + 1));
                module.sizeBytes = parent.endsWith('c') ? 2048 : 1024;
                return std::optional<NodeModule>(module);
            });
        store.setRootPath(QFile::decodeName(tree.path()));
        store.startScan();
        QTRY_VERIFY(!store.isScanning());
        // Largest first, then the three of one size as they arrived.
        const QList<NodeModule> arrived = store.modules();
        QList<QByteArray> expected{idOf(tree.path() + "/c")};
        for (const NodeModule &module : arrived) {
            if (module.sizeBytes == 1024)
                expected << module.id;
        }
        QCOMPARE(idList(store.visible()), expected);
        store.setSortOrder({{ModuleComparator::Key::projectName, Qt::AscendingOrder}});
        const QByteArray root = tree.path();
        QCOMPARE(idList(store.visible()),
                 (QList<QByteArray>{idOf(root + "/a"), idOf(root + "/b"), idOf(root + "/c"), idOf(root + "/d")}));
        QCOMPARE(idList(store.modules()), idList(arrived));
    }

    // While a deletion runs its records are marked, out of the selection and not deletable
    // again, and the status counts through them; what stays is chosen again at the end.
    void deletionMarksItsRecordsAndCountsThrough()
    {
        const Scratch tree;
        const QByteArray root = tree.path("code");
        const QByteArray a = makeProject(root + "/a", 4000), b = makeProject(root + "/b", 4000);
        const QByteArray c = makeProject(root + "/c", 4000);
        ScanStore store;
        store.setRootPath(QFile::decodeName(root));
        store.startScan();
        QTRY_COMPARE(store.statusText(), QStringLiteral("Found 3 node_modules folders."));
        store.setSelection({idOf(a), idOf(b), idOf(c)});
        const qint64 freed = allocatedBelow(idOf(a)) + allocatedBelow(idOf(b));
        StoreLog log(store);

        QFuture<DeletionResult> deletion =
            store.deleteModules({idOf(a), idOf(b), tree.path("x/node_modules")}, DeletionMode::permanent);
        QCOMPARE(store.statusText(), QStringLiteral("Deleting 1 of 2…"));
        QCOMPARE(std::pair(store.deletingIds(), store.selection()),
                 std::pair(QSet<QByteArray>{idOf(a), idOf(b)}, QSet<QByteArray>{idOf(c)}));
        store.setSelection({idOf(a), idOf(c)});
        QCOMPARE(store.selection(), QSet<QByteArray>{idOf(c)});
        QFuture<DeletionResult> again = store.deleteModules({idOf(a), idOf(b)}, DeletionMode::trash);
        QVERIFY(again.isFinished() && again.result() == DeletionResult());

        QTRY_VERIFY(deletion.isFinished());
        QCOMPARE(log.statuses,
                 (QStringList{"Deleting 1 of 2…", "Deleting 2 of 2…",
                              QStringLiteral("Deleted 2 permanently. Freed %1. 1 folder remaining.")
                                  .arg(ByteFormat::string(freed))}));
        QCOMPARE(std::pair(store.deletingIds(), store.selection()),
                 std::pair(QSet<QByteArray>(), QSet<QByteArray>{idOf(c)}));
        QVERIFY(!exists(idOf(a)) && !exists(idOf(b)));
    }

    // Closing does not wait for a walk stuck on a dead mount; the walk ends later on its own.
    void storeGoesAtOnceWhileItsWalkIsStuck()
    {
        const Scratch tree;
        Gate stuck;
        const auto opener = qScopeGuard([&] { stuck.open(); });
        std::atomic<int> walks = 0, measures = 0;
        auto store = gatedStore(walks, measures, &stuck);
        store->setRootPath(QFile::decodeName(tree.path()));
        store->startScan();
        QTRY_COMPARE(stuck.waiting.load(), 1);
        store.reset();
        QCOMPARE(stuck.waiting.load(), 1);
        stuck.open();
        QTRY_COMPARE(stuck.waiting.load(), 0);
    }

    // Root b/link/../work: deletion reaches the folder the walk measured, also after the
    // link has been pointed elsewhere since the scan.
    void deletionGoesWhereTheWalkWent()
    {
        const Scratch tree;
        const QByteArray scanned = makeProject(tree.path("b/home/work/app"), 1000);
        const QByteArray decoy = makeProject(tree.path("b/work/app"), 1000);
        const QByteArray later = makeProject(tree.path("b/other/work/app"), 1000);
        makeDirs(tree.path("b/home/x"));
        makeDirs(tree.path("b/other/x"));
        makeLink(tree.path("b/home/x"), tree.path("b/link"));
        ScanStore store;
        store.setRootPath(QFile::decodeName(tree.path("b/link/../work")));
        store.startScan();
        QTRY_COMPARE(store.statusText(), QStringLiteral("Found 1 node_modules folder."));

        QVERIFY(::unlink(tree.path("b/link").constData()) == 0);
        makeLink(tree.path("b/other/x"), tree.path("b/link"));
        QFuture<DeletionResult> deletion = store.deleteModules({store.modules().first().id}, DeletionMode::permanent);
        QTRY_VERIFY(deletion.isFinished());
        QCOMPARE(deletion.result().removedIDs.size(), 1);
        QVERIFY(!exists(idOf(scanned)));
        QVERIFY(exists(idOf(decoy) + "/dep/index.js") && exists(idOf(later) + "/dep/index.js"));
    }

    // A file linked between two scanned folders and nowhere else is shared in each row,
    // and counted once in the totals of what deleting both frees. The totals follow
    // deletions: a removed link is gone, and what it shared is the last holder's own again
    // (its row, its group); a trashed link lives on in the Trash.
    void totalsCountFilesLinkedBetweenFoldersOnce()
    {
        const Scratch tree;
        const QByteArray root = tree.path("code");
        const QByteArray x = makeProject(root + "/x", 8000), y = makeProject(root + "/y", 8000);
        const QByteArray p1 = makeProject(root + "/g/p1", 8000), p2 = makeProject(root + "/g/p2", 8000);
        writeFile(idOf(x) + "/s.js", 30000);
        makeHardLink(idOf(x) + "/s.js", idOf(y) + "/s.js");
        writeFile(idOf(p1) + "/t.js", 40000);
        makeHardLink(idOf(p1) + "/t.js", idOf(p2) + "/t.js");
        writeFile(idOf(x) + "/v.js", 20000);
        makeHardLink(idOf(x) + "/v.js", idOf(p1) + "/v.js");
        makeHardLink(idOf(x) + "/v.js", idOf(p2) + "/v.js");
        const qint64 s = allocated(idOf(x) + "/s.js"), t = allocated(idOf(p1) + "/t.js");
        const qint64 v = allocated(idOf(x) + "/v.js");

        auto store = std::make_unique<ScanStore>();
        store->setRootPath(QFile::decodeName(root));
        store->startScan();
        QTRY_COMPARE(store->statusText(), QStringLiteral("Found 4 node_modules folders."));
        const auto record = [&store](const QByteArray &parent) {
            const auto found = std::find_if(store->modules().cbegin(), store->modules().cend(),
                                            [&parent](const NodeModule &module) { return module.id == idOf(parent); });
            return found == store->modules().cend() ? NodeModule() : *found;
        };
        QHash<QByteArray, qint64> own;
        for (const auto &[parent, shared] :
             {std::pair(x, s + v), std::pair(y, s), std::pair(p1, t + v), std::pair(p2, t + v)}) {
            QCOMPARE(record(parent).sharedBytes, shared);
            own.insert(parent, duBytes(idOf(parent)) - shared);
            QCOMPARE(record(parent).reclaimableBytes(), own.value(parent));
        }
        QCOMPARE(store->totalBytes(), own[x] + own[y] + own[p1] + own[p2] + s + t + v);
        QCOMPARE(std::pair(store->reclaimableBytes({idOf(x)}), store->reclaimableBytes({idOf(x), idOf(y)})),
                 std::pair(own[x], own[x] + own[y] + s));
        const auto groupTotals = [&store] {
            QHash<QString, qint64> totals;
            for (const ModuleGroup &group : store->groups())
                totals.insert(group.key, group.totalBytes);
            return totals;
        };
        QCOMPARE(groupTotals(), (QHash<QString, qint64>{{"x", own[x]}, {"y", own[y]}, {"g", own[p1] + own[p2] + t}}));

        QFuture<DeletionResult> removed = store->deleteModules({idOf(x)}, DeletionMode::permanent);
        QTRY_VERIFY(removed.isFinished());
        QCOMPARE(std::pair(record(y).sharedBytes, record(y).reclaimableBytes()), std::pair(qint64(0), own[y] + s));
        QCOMPARE(store->totalBytes(), own[y] + s + own[p1] + own[p2] + t + v);
        QCOMPARE(groupTotals(), (QHash<QString, qint64>{{"y", own[y] + s}, {"g", own[p1] + own[p2] + t + v}}));

        QFuture<DeletionResult> trashed = store->deleteModules({idOf(p1)}, DeletionMode::trash);
        QTRY_VERIFY(trashed.isFinished());
        QCOMPARE(store->statusText(),
                 QStringLiteral("Moved 1 to the Trash (%1 reclaimed once emptied). 2 folders remaining.")
                     .arg(ByteFormat::string(own[p1])));
        QCOMPARE(std::tuple(store->totalBytes(), store->reclaimableBytes({idOf(p2)}), record(p2).sharedBytes),
                 std::tuple(own[y] + s + own[p2], own[p2], t + v));
    }

private:
    const Scratch m_home;
};

QTEST_GUILESS_MAIN(TestScanStore)
#include "tst_scanstore.moc"
