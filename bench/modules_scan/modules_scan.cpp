// Times the node_modules scan, permanent deletion and trashing against the tools a user
// would otherwise run (du -s, rm -rf), warm, in one run; prints medians of five. The
// store part runs the scan through ScanStore on this thread's event loop, as the window
// does, and also reports the longest stall of that loop and the peak resident memory.
//
//   modules_scan [--files N] [--delete-files N] [--rounds N] [--settle S]
//                [--only scan,store,links,clones,delete,trash] [--warm] [--keep] [folder]
//
// The tree goes into a new folder below `folder` (default: the temporary folder) and is
// removed at the end unless --keep is given.

#include "ModuleTreeGenerator.h"
#include "StoreScanTiming.h"

#include "core/ByteFormat.h"
#include "core/modules/NodeModulesScanner.h"
#include "core/modules/ScanStore.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QThreadPool>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

namespace Scanner = NodeModulesScanner;

namespace {

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// "812 790 1015 ..." in milliseconds, to show how much the rounds spread.
QByteArray roundsText(const QList<double> &values)
{
    QByteArray text;
    for (const double value : values)
        text += QByteArray::number(value * 1e3, 'f', 0) + ' ';
    return text.trimmed();
}

double secondsOf(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e9;
}

// CPU seconds (user + system) this process, or its finished children, used so far:
// what the work costs whatever else the machine is running.
double cpuSeconds(int who)
{
    struct rusage usage;
    ::getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void runTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForFinished(-1) || process.exitCode() != 0) {
        std::fprintf(stderr, "%s failed\n", qPrintable(program));
        std::exit(2);
    }
}

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readLine()) : QStringLiteral("?\n");
}

QString text(const QByteArray &path)
{
    return QFile::decodeName(path);
}

// findParentDirs, then every result measured with eight measurements in flight, as
// the scan store runs them.
qint64 scan(const QByteArray &root)
{
    const CancelToken token;
    const QList<QByteArray> parents = Scanner::findParentDirs(root, token);
    QList<qint64> sizes(parents.size());
    QThreadPool pool;
    pool.setMaxThreadCount(8);
    for (qsizetype i = 0; i < parents.size(); ++i) {
        pool.start([&, i] {
            const std::optional<NodeModule> module = Scanner::measure(parents[i], root, token);
            sizes[i] = module ? module->sizeBytes : 0;
        });
    }
    pool.waitForDone();
    qint64 total = 0;
    for (const qint64 size : sizes)
        total += size;
    return total;
}

struct StoreScan
{
    double seconds = 0;    // startScan() to the found status
    double longestGap = 0; // longest time between two runs of a 5 ms timer, in seconds
    double cpuSeconds = 0; // user and system time of all the process's threads
    qsizetype records = 0;
};

StoreScan scanThroughStore(ScanStore &store)
{
    const double cpuBefore = cpuSeconds(RUSAGE_SELF);
    const StoreScanTiming timing = timeStoreScan(store);
    return {timing.milliseconds / 1e3, timing.longestGapMs / 1e3, cpuSeconds(RUSAGE_SELF) - cpuBefore,
            store.modules().size()};
}

// The kernel's peak resident set (VmHWM) in KiB, since the start or the last reset.
qint64 peakResidentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stoll(line.substr(6));
    }
    return -1;
}

// Starts a new peak at the current resident set; false when the kernel refuses.
bool resetPeakResident()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return bool(clear);
}

NodeModule recordFor(const QByteArray &parent, const QByteArray &root)
{
    return Scanner::measure(parent, root, CancelToken()).value_or(NodeModule());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption filesOption(QStringLiteral("files"), QStringLiteral("Files in all node_modules."),
                                         QStringLiteral("N"), QStringLiteral("200000"));
    const QCommandLineOption deleteOption(QStringLiteral("delete-files"),
                                          QStringLiteral("Files in the node_modules deleted."), QStringLiteral("N"),
                                          QStringLiteral("100000"));
    const QCommandLineOption roundsOption(QStringLiteral("rounds"), QStringLiteral("Timed rounds."),
                                          QStringLiteral("N"), QStringLiteral("5"));
    const QCommandLineOption keepOption(QStringLiteral("keep"), QStringLiteral("Keep the generated tree."));
    const QCommandLineOption warmOption(
        QStringLiteral("warm"), QStringLiteral("Skip the cold runs (they empty the caches of the whole machine)."));
    const QCommandLineOption onlyOption(
        QStringLiteral("only"),
        QStringLiteral("Run some parts: scan, store, links, clones, delete, trash (comma-separated)."),
        QStringLiteral("part"));
    const QCommandLineOption settleOption(
        QStringLiteral("settle"),
        QStringLiteral("Seconds the disk gets to finish earlier writes before each timed deletion."),
        QStringLiteral("S"), QStringLiteral("10"));
    parser.addOptions({filesOption, deleteOption, roundsOption, keepOption, warmOption, onlyOption, settleOption});
    parser.addPositionalArgument(QStringLiteral("folder"), QStringLiteral("Where the tree goes (default /tmp)."));
    parser.process(app);
    const qint64 files = parser.value(filesOption).toLongLong();
    const qint64 deleteFiles = parser.value(deleteOption).toLongLong();
    const int rounds = std::max(1, parser.value(roundsOption).toInt());
    const int settleSeconds = std::max(0, parser.value(settleOption).toInt());
    // On a disk, a deletion right after heavy writing pays for their journal commits
    // and discards; each timed deletion starts from a quiet disk instead.
    const auto settle = [settleSeconds] {
        ::sync();
        ::sleep(unsigned(settleSeconds));
        ::sync();
    };
    const QString parent = parser.positionalArguments().value(0, QDir::tempPath());
    const QString only = parser.value(onlyOption);
    const QStringList parts = only.split(QLatin1Char(','), Qt::SkipEmptyParts);
    const auto runs = [&](const char *part) { return parts.isEmpty() || parts.contains(QLatin1String(part)); };

    QTemporaryDir scratch(parent + QStringLiteral("/modules_scan-XXXXXX"));
    scratch.setAutoRemove(false);
    if (!scratch.isValid()) {
        std::fprintf(stderr, "cannot create a folder in %s\n", qPrintable(parent));
        return 2;
    }
    const QByteArray base = QFile::encodeName(scratch.path());
    // The Trash used below lies in the scratch folder, on the same file system.
    qputenv("XDG_DATA_HOME", base + "/data");
    std::printf("tree in %s\n", base.constData());

    // The project tree for the scan and store parts, made once.
    const QByteArray root = base + "/projects";
    std::optional<ModuleTreeGenerator::Tree> projectTree;
    QStringList duArguments{QStringLiteral("-s")};
    const auto makeProjectTree = [&] {
        if (projectTree)
            return;
        QElapsedTimer generation;
        generation.start();
        projectTree = ModuleTreeGenerator::generateProjects(root, 20, files);
        ::sync();
        std::printf("generated %lld projects, %lld files in %lld folders of node_modules (%.1f s)\n",
                    qlonglong(projectTree->projects.size()), qlonglong(projectTree->moduleFiles),
                    qlonglong(projectTree->moduleFolders), generation.elapsed() / 1000.0);
        for (const QByteArray &project : projectTree->projects)
            duArguments.append(text(project + "/node_modules"));
    };

    // ---- scan: findParentDirs + measure (8 in flight) against du -s
    if (runs("scan")) {
        makeProjectTree();

        qint64 scanned = scan(root); // warm-up of both
        runTool(QStringLiteral("du"), duArguments);
        QList<double> ours;
        QList<double> du;
        QList<double> oursCpu;
        QList<double> duCpu;
        for (int round = 0; round < rounds; ++round) {
            double cpu = cpuSeconds(RUSAGE_SELF);
            ours.append(secondsOf([&] { scanned = scan(root); }));
            oursCpu.append(cpuSeconds(RUSAGE_SELF) - cpu);
            cpu = cpuSeconds(RUSAGE_CHILDREN);
            du.append(secondsOf([&] { runTool(QStringLiteral("du"), duArguments); }));
            duCpu.append(cpuSeconds(RUSAGE_CHILDREN) - cpu);
        }
        std::printf("\nscan (findParentDirs + measure, 8 in flight), median of %d:\n", rounds);
        std::printf("  quaylight  %8.1f ms wall  %8.1f ms CPU   (%lld bytes in node_modules files)\n",
                    median(ours) * 1e3, median(oursCpu) * 1e3, qlonglong(scanned));
        std::printf("  du -s      %8.1f ms wall  %8.1f ms CPU\n", median(du) * 1e3, median(duCpu) * 1e3);
        std::printf("  ratio      %8.3f wall     %8.3f CPU   (target <= 0.45 wall)\n", median(ours) / median(du),
                    median(oursCpu) / median(duCpu));
        std::printf("  rounds     quaylight %s ms; du %s ms\n", roundsText(ours).constData(),
                    roundsText(du).constData());
        std::printf("  load       %s", qPrintable(loadAverage()));
    }

    // ---- the scan through ScanStore on this event loop against du -s
    if (runs("store")) {
        makeProjectTree();
        const bool peakReset = resetPeakResident();
        const qint64 residentBefore = peakResidentKiB();
        ScanStore store;
        store.setRootPath(text(root));
        StoreScan scanned = scanThroughStore(store); // warm-up of both
        runTool(QStringLiteral("du"), duArguments);
        QList<double> ours;
        QList<double> du;
        QList<double> oursCpu;
        QList<double> duCpu;
        double longestGap = 0;
        for (int round = 0; round < rounds; ++round) {
            scanned = scanThroughStore(store);
            ours.append(scanned.seconds);
            oursCpu.append(scanned.cpuSeconds);
            longestGap = std::max(longestGap, scanned.longestGap);
            const double cpu = cpuSeconds(RUSAGE_CHILDREN);
            du.append(secondsOf([&] { runTool(QStringLiteral("du"), duArguments); }));
            duCpu.append(cpuSeconds(RUSAGE_CHILDREN) - cpu);
        }
        const qint64 peak = peakResidentKiB();
        std::printf("\nscan through ScanStore, startScan() to \"%s\", median of %d:\n", qPrintable(store.statusText()),
                    rounds);
        std::printf("  quaylight  %8.1f ms wall  %8.1f ms CPU   (%lld records, %s)\n", median(ours) * 1e3,
                    median(oursCpu) * 1e3, qlonglong(scanned.records),
                    qPrintable(ByteFormat::string(store.totalBytes())));
        std::printf("  du -s      %8.1f ms wall  %8.1f ms CPU\n", median(du) * 1e3, median(duCpu) * 1e3);
        std::printf("  ratio      %8.3f wall     %8.3f CPU   (target <= 0.5 wall)\n", median(ours) / median(du),
                    median(oursCpu) / median(duCpu));
        std::printf("  event loop: longest gap between runs of a 5 ms timer %.1f ms over %d scans (target < 30)\n",
                    longestGap * 1e3, rounds + 1);
        std::printf("  peak resident %.1f MiB during the store scans (%.1f MiB before them)%s\n", peak / 1024.0,
                    residentBefore / 1024.0, peakReset ? "" : ", peak since start: the kernel refused a reset");
        std::printf("  load       %s", qPrintable(loadAverage()));
    }

    // ---- hard links: the project tree, a cp -al copy of it and one large node_modules,
    // each scanned against du -s, warm and cold; and the memory the store's bookkeeping
    // of shared inodes takes
    if (runs("links")) {
        makeProjectTree();
        // Peak resident set of a store scan of the original before it has any hard links,
        // and of the copy after, every file of which is linked from outside the scanned
        // root and so remembered.
        const auto peakOfStoreScan = [&](const QByteArray &scanned) {
            resetPeakResident();
            const qint64 before = peakResidentKiB();
            ScanStore store;
            store.setRootPath(text(scanned));
            scanThroughStore(store);
            return std::pair(peakResidentKiB() - before, store.totalBytes());
        };
        const auto [plainPeak, plainTotal] = peakOfStoreScan(root);
        const QByteArray linked = base + "/linked";
        runTool(QStringLiteral("cp"), {QStringLiteral("-al"), text(root), text(linked)});
        const QByteArray huge = base + "/huge";
        const qint64 hugeFolders = ModuleTreeGenerator::generateNodeModules(huge + "/node_modules", deleteFiles, 11);
        ::sync();
        std::printf("\ncp -al copy of the projects made; one node_modules of %lld files in %lld folders\n",
                    qlonglong(deleteFiles), qlonglong(hugeFolders));
        const auto dropCaches = [] {
            ::sync();
            std::ofstream drop("/proc/sys/vm/drop_caches");
            drop << "3";
            drop.flush();
            return bool(drop);
        };
        const bool cold = !parser.isSet(warmOption) && dropCaches();
        struct Shape
        {
            const char *name;
            QByteArray root;
            QStringList duArguments;
        };
        QStringList linkedArguments{QStringLiteral("-s")};
        for (const QByteArray &project : projectTree->projects)
            linkedArguments.append(text(linked + project.mid(root.size()) + "/node_modules"));
        const Shape shapes[] = {{"projects", root, duArguments},
                                {"cp -al copy", linked, linkedArguments},
                                {"one node_modules", huge, {QStringLiteral("-s"), text(huge + "/node_modules")}}};
        std::printf("scan (findParentDirs + measure, 8 in flight) against du -s, median of %d%s:\n", rounds,
                    cold ? ", cold after dropping the caches" : "; cold runs skipped");
        for (const Shape &shape : shapes) {
            scan(shape.root);
            runTool(QStringLiteral("du"), shape.duArguments);
            QList<double> ours, du, oursCold, duCold;
            for (int round = 0; round < rounds; ++round) {
                ours.append(secondsOf([&] { scan(shape.root); }));
                du.append(secondsOf([&] { runTool(QStringLiteral("du"), shape.duArguments); }));
                if (!cold)
                    continue;
                dropCaches();
                oursCold.append(secondsOf([&] { scan(shape.root); }));
                dropCaches();
                duCold.append(secondsOf([&] { runTool(QStringLiteral("du"), shape.duArguments); }));
            }
            std::printf("  %-17s warm %7.1f ms, du %7.1f ms: %5.3f (target <= 0.45)", shape.name, median(ours) * 1e3,
                        median(du) * 1e3, median(ours) / median(du));
            if (cold)
                std::printf("; cold %7.1f ms, du %7.1f ms: %5.3f (target <= 0.5)", median(oursCold) * 1e3,
                            median(duCold) * 1e3, median(oursCold) / median(duCold));
            std::printf("\n");
        }

        const auto [linkedPeak, linkedTotal] = peakOfStoreScan(linked);
        const qint64 inodes = projectTree->moduleFiles;
        std::printf(
            "store scan peak resident growth: original %.1f MiB (%s reclaimable), copy %.1f MiB (%s reclaimable):\n"
            "  %.1f bytes per hard-linked inode over %lld inodes (target <= 64)\n",
            plainPeak / 1024.0, qPrintable(ByteFormat::string(plainTotal)), linkedPeak / 1024.0,
            qPrintable(ByteFormat::string(linkedTotal)), double(linkedPeak - plainPeak) * 1024 / double(inodes),
            qlonglong(inodes));
        std::printf("  load       %s", qPrintable(loadAverage()));
        runTool(QStringLiteral("rm"), {QStringLiteral("-rf"), text(linked), text(huge)});
    }

    // ---- clones: a node_modules whose files are reflinks of a store outside it (pnpm on
    // Btrfs), against du -s, warm; needs root, mkfs.btrfs and a loop device
    if (runs("clones")) {
        const QByteArray image = base + "/btrfs.img";
        const QByteArray top = base + "/btrfs";
        QDir().mkpath(text(top));
        QFile sparse(text(image));
        const bool made = sparse.open(QIODevice::WriteOnly) && sparse.resize(qint64(4) << 30);
        sparse.close();
        if (!made || QProcess::execute(QStringLiteral("mkfs.btrfs"), {QStringLiteral("-q"), text(image)}) != 0
            || QProcess::execute(QStringLiteral("mount"),
                                 {QStringLiteral("-o"), QStringLiteral("loop"), text(image), text(top)})
                != 0) {
            std::printf("\nclones: skipped (needs root, mkfs.btrfs and a loop device)\n");
        } else {
            const auto unmount = qScopeGuard([&] { ::umount2(top.constData(), MNT_DETACH); });
            const QByteArray store = top + "/store/node_modules";
            ModuleTreeGenerator::generateNodeModules(store, deleteFiles, 13);
            const QByteArray root = top + "/code";
            const QByteArray project = root + "/app";
            QDir().mkpath(text(project));
            const QStringList copy{QStringLiteral("-r"), QStringLiteral("--reflink=always"), text(store),
                                   text(project)};
            if (QProcess::execute(QStringLiteral("cp"), copy) != 0) {
                std::printf("\nclones: cp --reflink=always failed\n");
            } else {
                ::sync();
                const QStringList duArguments{QStringLiteral("-s"), text(project + "/node_modules")};
                scan(root);
                runTool(QStringLiteral("du"), duArguments);
                QList<double> ours, du;
                for (int round = 0; round < rounds; ++round) {
                    ours.append(secondsOf([&] { scan(root); }));
                    du.append(secondsOf([&] { runTool(QStringLiteral("du"), duArguments); }));
                }
                const NodeModule module = Scanner::measure(project, root, CancelToken()).value_or(NodeModule());
                std::printf("\nclones of a store of %lld files on Btrfs (cp -r --reflink=always), median of %d:\n"
                            "  quaylight %7.1f ms, du %7.1f ms: %5.3f\n"
                            "  size %s, shared %s\n",
                            qlonglong(deleteFiles), rounds, median(ours) * 1e3, median(du) * 1e3,
                            median(ours) / median(du), qPrintable(ByteFormat::string(module.sizeBytes)),
                            qPrintable(ByteFormat::string(module.sharedBytes)));
                std::printf("  load       %s", qPrintable(loadAverage()));
            }
        }
    }

    // ---- permanent deletion against rm -rf of an identical copy
    if (runs("delete")) {
        QList<double> removal;
        QList<double> rm;
        for (int round = 0; round < rounds; ++round) {
            const QByteArray mine = base + "/delete/mine";
            const QByteArray theirs = base + "/delete/theirs";
            ModuleTreeGenerator::generateNodeModules(mine + "/node_modules", deleteFiles, 7);
            ModuleTreeGenerator::generateNodeModules(theirs + "/node_modules", deleteFiles, 7);
            const NodeModule module = recordFor(mine, base);
            const auto deleteMine = [&] {
                const auto result = Scanner::deleteModules({module}, Scanner::DeletionMode::permanent, base);
                if (!result.errors.isEmpty() || result.removedIDs.size() != 1) {
                    std::fprintf(stderr, "deletion failed\n");
                    std::exit(2);
                }
            };
            const auto deleteTheirs = [&] {
                runTool(QStringLiteral("rm"), {QStringLiteral("-rf"), text(theirs + "/node_modules")});
            };
            // Alternate who goes first as well.
            if (round % 2 == 0) {
                settle();
                removal.append(secondsOf(deleteMine));
                settle();
                rm.append(secondsOf(deleteTheirs));
            } else {
                settle();
                rm.append(secondsOf(deleteTheirs));
                settle();
                removal.append(secondsOf(deleteMine));
            }
        }
        std::printf("\npermanent deletion of a node_modules of %lld files, median of %d:\n", qlonglong(deleteFiles),
                    rounds);
        std::printf("  quaylight  %8.1f ms\n", median(removal) * 1e3);
        std::printf("  rm -rf     %8.1f ms\n", median(rm) * 1e3);
        std::printf("  ratio      %8.3f   (target <= 1.1)\n", median(removal) / median(rm));
        std::printf("  rounds     quaylight %s ms; rm %s ms\n", roundsText(removal).constData(),
                    roundsText(rm).constData());
        std::printf("  load       %s", qPrintable(loadAverage()));
    }

    // ---- trash on the same file system: a rename, whatever the size
    if (runs("trash")) {
        std::printf("\ntrash on the same file system (a rename), median of %d:\n", rounds);
        for (const qint64 count : {qint64(10), deleteFiles}) {
            const QByteArray project = base + "/trash/p" + QByteArray::number(count);
            ModuleTreeGenerator::generateNodeModules(project + "/node_modules", count, 9);
            ::sync();
            QList<double> trashing;
            for (int round = 0; round < rounds; ++round) {
                const NodeModule module = recordFor(project, base);
                Scanner::DeletionResult result;
                trashing.append(
                    secondsOf([&] { result = Scanner::deleteModules({module}, Scanner::DeletionMode::trash, base); }));
                if (result.trashedURLs.size() != 1) {
                    std::fprintf(stderr, "trashing failed\n");
                    return 2;
                }
                // Put it back for the next round, and drop its .trashinfo.
                const QByteArray trashed = result.trashedURLs.first();
                const QByteArray name = trashed.mid(trashed.lastIndexOf('/') + 1);
                ::rename(trashed.constData(), (project + "/node_modules").constData());
                ::unlink((base + "/data/Trash/info/" + name + ".trashinfo").constData());
            }
            std::printf("  %7lld files  %8.3f ms\n", qlonglong(count), median(trashing) * 1e3);
        }
    }

    if (parser.isSet(keepOption)) {
        std::printf("\nkept %s\n", base.constData());
    } else {
        runTool(QStringLiteral("rm"), {QStringLiteral("-rf"), scratch.path()});
    }
    return 0;
}
