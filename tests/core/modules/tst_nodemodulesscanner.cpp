#include "core/DateFormat.h"
#include "core/fs/FileDescriptor.h"
#include "core/modules/NodeModulesScanner.h"
#include "support/TestTrees.h"

#include <QDir>
#include <QTest>
#include <QTimeZone>

#include <climits>
#include <functional>
#include <sys/time.h>

using namespace TestTrees;
namespace Scanner = NodeModulesScanner;

namespace {

void setAccessTime(const QByteArray &path, qint64 secondsSinceEpoch)
{
    const struct timespec times[2] = {{secondsSinceEpoch, 0}, {0, UTIME_OMIT}};
    QVERIFY(::utimensat(AT_FDCWD, path.constData(), times, AT_SYMLINK_NOFOLLOW) == 0);
}

qint64 accessTime(const QByteArray &path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0 ? qint64(st.st_atim.tv_sec) : -1;
}

} // namespace

class TestNodeModulesScanner : public QObject
{
    Q_OBJECT

private slots:
    void standardise_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray cwd = QFile::encodeName(QDir::currentPath());
        QTest::newRow("dot-dot") << QByteArray("/Users/a/code/app/node_modules/../node_modules")
                                 << QByteArray("/Users/a/code/app/node_modules");
        QTest::newRow("trailing slash") << QByteArray("/a/b/") << QByteArray("/a/b");
        QTest::newRow("dots and doubled slashes") << QByteArray("/a/./b//c/.") << QByteArray("/a/b/c");
        QTest::newRow("above the root") << QByteArray("/../../x") << QByteArray("/x");
        QTest::newRow("root") << QByteArray("/") << QByteArray("/");
        QTest::newRow("root via dot-dot") << QByteArray("/a/..") << QByteArray("/");
        QTest::newRow("relative") << QByteArray("rel/./x/../y") << QByteArray(cwd + "/rel/y");
        QTest::newRow("invalid UTF-8 kept") << QByteArray("/a/\xff\xfe/") << QByteArray("/a/\xff\xfe");
    }

    void standardise()
    {
        QFETCH(QByteArray, path);
        QFETCH(QByteArray, expected);
        QCOMPARE(Scanner::standardise(path), expected);
    }

    void groupKey_data()
    {
        QTest::addColumn<QByteArray>("parent");
        QTest::addColumn<QByteArray>("root");
        QTest::addColumn<QString>("expected");
        QTest::newRow("root itself") << QByteArray("/Users/a/code") << QByteArray("/Users/a/code") << "(root)";
        QTest::newRow("root with slash") << QByteArray("/Users/a/code/") << QByteArray("/Users/a/code") << "(root)";
        QTest::newRow("deeper") << QByteArray("/Users/a/code/shop/packages/ui") << QByteArray("/Users/a/code/")
                                << "shop";
        QTest::newRow("file-system root") << QByteArray("/Users/a") << QByteArray("/") << "Users";
        QTest::newRow("outside") << QByteArray("/elsewhere/x/") << QByteArray("/Users/a/code") << "/elsewhere/x";
        QTest::newRow("name prefix is a plain prefix") << QByteArray("/work/app2/x") << QByteArray("/work/app") << "2";
        QTest::newRow("dot-dot leaves the root")
            << QByteArray("/Users/a/code/../other") << QByteArray("/Users/a/code") << "/Users/a/other";
        QTest::newRow("invalid UTF-8 shown replaced")
            << QByteArray("/r/caf\xe9/x") << QByteArray("/r") << QStringLiteral("caf\uFFFD");
    }

    void groupKey()
    {
        QFETCH(QByteArray, parent);
        QFETCH(QByteArray, root);
        QFETCH(QString, expected);
        QCOMPARE(Scanner::groupKey(parent, root), expected);
    }

    void walkFindsProjects()
    {
        Scratch scratch;
        const QByteArray root = scratch.path("root");
        const QByteArray outside = scratch.path("outside");
        for (const char *folder : {"/node_modules/pkg", "/a/node_modules/dep/node_modules", "/b/node_modules",
                                   "/c/x/node_modules", "/c/y/z/node_modules", "/c/x/sub/node_modules",
                                   "/.git/p/node_modules", "/__pycache__/p/node_modules", "/d/.cache/p/node_modules"})
            makeDirs(root + folder);
        writeFile(root + "/plain/node_modules", 10);
        makeDirs(outside + "/p/node_modules");
        makeLink(outside, root + "/linked");
        makeLink("../outside/p", root + "/relative-linked");
        makeLink(root + "/missing", root + "/broken");
        makeLink(outside + "/p/node_modules", root + "/e/node_modules");
        const QByteArray odd = root + "/sp ace/new\nline/-dash/\xff\xfe";
        makeDirs(odd + "/node_modules");

        const QList<QByteArray> found = Scanner::findParentDirs(root, CancelToken());
        QCOMPARE(std::pair(QSet<QByteArray>(found.cbegin(), found.cend()), found.size()),
                 std::pair(QSet<QByteArray>{root, root + "/a", root + "/b", root + "/c/x", root + "/c/x/sub",
                                            root + "/c/y/z", root + "/plain", root + "/e", odd},
                           qsizetype(9)));
        // Depth first from the root: a folder comes before the folders below it.
        QCOMPARE(found.first(), root);
        QVERIFY(found.indexOf(root + "/c/x") < found.indexOf(root + "/c/x/sub"));

        QVERIFY(Scanner::findParentDirs(scratch.path("missing"), CancelToken()).isEmpty());
        QVERIFY(Scanner::findParentDirs(root + "/plain/node_modules", CancelToken()).isEmpty());
        // The chosen root may itself be a link, and a trailing slash is kept as given.
        QCOMPARE(Scanner::findParentDirs(root + "/linked", CancelToken()), QList<QByteArray>{root + "/linked/p"});
        QCOMPARE(Scanner::findParentDirs(outside + '/', CancelToken()), QList<QByteArray>{outside + "/p"});
    }

    void directorySizeCountsAllocatedBytesOnceAsDu()
    {
        Scratch scratch;
        const QByteArray modules = scratch.path("p/node_modules");
        const QByteArray outside = scratch.path("outside");
        writeFile(outside + "/big", 3 * 1024 * 1024);
        writeFile(outside + "/folder/inner", 200000);
        const std::pair<const char *, qint64> files[] = {{"/empty", 0},
                                                         {"/one", 1},
                                                         {"/page", 4096},
                                                         {"/.hidden", 5000},
                                                         {"/pkg/lib/index.js", 12345},
                                                         {"/pkg/node_modules/nested/x.js", 777},
                                                         {"/.bin/tool", 300},
                                                         {"/caf\xe9 \n-odd", 9000},
                                                         {"/sparse", 0}};
        for (const auto &[name, size] : files)
            writeFile(modules + name, size);
        makeLink(outside + "/big", modules + "/link-to-file");
        makeLink(outside + "/folder", modules + "/link-to-folder");
        makeLink("../../outside/folder", modules + "/pkg/relative-link");
        makeLink(scratch.path("nowhere"), modules + "/broken");
        QVERIFY(::link((modules + "/page").constData(), (modules + "/pkg/hard").constData()) == 0);
        QVERIFY(::mkfifo((modules + "/fifo").constData(), 0644) == 0);
        // A sparse file: a gigabyte long, nothing allocated.
        QVERIFY(::truncate((modules + "/sparse").constData(), qint64(1) << 30) == 0);

        const qint64 expected = allocatedBelow(modules);
        QVERIFY(expected > 0);
        QCOMPARE(Scanner::directorySize(modules, CancelToken()), expected);
        QVERIFY(expected < 3 * 1024 * 1024); // neither the link targets nor the sparse length
        QCOMPARE(Scanner::directorySize(scratch.path("missing"), CancelToken()), 0);
        QCOMPARE(Scanner::directorySize(modules + "/one", CancelToken()), 0);
    }

    // A folder is listed in reads of 64 KiB; one that ends just short of a full read, or
    // needs several, still counts every entry.
    void everyEntryOfAWideFolderCounts()
    {
        Scratch scratch;
        const QByteArray modules = scratch.path("p/node_modules");
        // Names of 255 bytes make records of 280: one read holds "." and ".." and 233 of them.
        const QByteArray stem(246, 'n');
        for (const int count : {1, 231, 232, 233, 234, 700}) {
            const QByteArray folder = modules + "/w" + QByteArray::number(count);
            for (int i = 0; i < count; ++i)
                writeFile(folder + '/' + stem + QByteArray::number(100000000 + i), 1);
        }
        QCOMPARE(Scanner::directorySize(modules, CancelToken()), allocatedBelow(modules));
        QVERIFY(Scanner::directorySize(modules + "/w700", CancelToken()) >= 700 * 512);
    }

    // Links within the folder count once and come back with it; a link from outside the
    // scanned root keeps its file on disk.
    void hardLinksCountOnceAndShareWhatOthersLink()
    {
        Scratch scratch;
        const QByteArray root = scratch.path("code");
        const QByteArray modules = root + "/app/node_modules";
        writeFile(modules + "/twice/a.js", 20000);
        makeHardLink(modules + "/twice/a.js", modules + "/other/a.js");
        writeFile(scratch.path("store/b.js"), 30000);
        makeHardLink(scratch.path("store/b.js"), modules + "/b.js");
        writeFile(modules + "/own.js", 5000);
        // Wide enough to be walked by several threads, which meet the same inode.
        writeFile(modules + "/wide/shared.js", 10000);
        for (int i = 0; i < 100; ++i)
            makeHardLink(modules + "/wide/shared.js", modules + "/wide/p" + QByteArray::number(i) + "/shared.js");

        const std::optional<NodeModule> module = Scanner::measure(root + "/app", root, CancelToken());
        QVERIFY(module);
        const qint64 du = duBytes(modules);
        const qint64 outside = allocated(modules + "/b.js");
        QVERIFY(du > 0 && outside > 0);
        QCOMPARE(std::tuple(module->sizeBytes, module->sharedBytes, module->reclaimableBytes()),
                 std::tuple(du, outside, du - outside));
        struct stat st;
        QVERIFY(::stat((modules + "/b.js").constData(), &st) == 0);
        const SharedInode expected{quint64(st.st_dev), quint64(st.st_ino), outside, 2, 1};
        QCOMPARE(module->sharedInodes.list(), std::vector<SharedInode>{expected});
    }

    // A real pnpm install: every package file is a hard link into pnpm's store, so only
    // the folders and pnpm's own notes are freed with node_modules.
    void pnpmInstallSharesItsPackageFiles()
    {
        Scratch scratch;
        // npm's and pnpm's caches and state stay in the scratch folder too.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const QString name : {"npm_config_cache", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"})
            environment.insert(name, QFile::decodeName(scratch.path("cache/") + name.toUtf8()));
        const auto run = [&environment](const QString &program, const QStringList &arguments,
                                        const QByteArray &folder) {
            QProcess process;
            process.setProcessEnvironment(environment);
            process.setWorkingDirectory(QFile::decodeName(folder));
            process.start(program, arguments);
            return process.waitForFinished(180000) && process.exitStatus() == QProcess::NormalExit
                && process.exitCode() == 0;
        };
        makeDirs(scratch.path("tool"));
        const QStringList npmInstall{"install", "--prefix", ".", "--no-audit", "--no-fund", "pnpm@9"};
        if (!run(QStringLiteral("npm"), npmInstall, scratch.path("tool")))
            QSKIP("pnpm could not be installed with npm (no npm or no registry here)");
        const QString pnpm = QFile::decodeName(scratch.path("tool/node_modules/.bin/pnpm"));
        const QByteArray root = scratch.path("code");
        for (const QByteArray project : {"a", "b"}) {
            writeFile(root + '/' + project + "/package.json", 0);
            QFile manifest(QFile::decodeName(root + '/' + project + "/package.json"));
            QVERIFY(manifest.open(QIODevice::WriteOnly));
            manifest.write("{\"name\": \"" + project
                           + "\", \"version\": \"1.0.0\", \"dependencies\": {\"is-number\": \"7.0.0\"}}");
            manifest.close();
            const QStringList pnpmInstall{"install", "--store-dir", QFile::decodeName(scratch.path("store")),
                                          "--package-import-method", "hardlink"};
            if (!run(pnpm, pnpmInstall, root + '/' + project))
                QSKIP("pnpm install failed (no registry here)");
        }

        for (const QByteArray project : {"a", "b"}) {
            const QByteArray modules = root + '/' + project + "/node_modules";
            QProcess find;
            find.start(QStringLiteral("find"),
                       {QFile::decodeName(modules), "-type", "f", "-links", "+1", "-printf", "%b\n"});
            QVERIFY(find.waitForFinished(60000));
            qint64 linkedFiles = 0;
            for (const QByteArray &blocks : find.readAllStandardOutput().split('\n'))
                linkedFiles += blocks.toLongLong() * 512;
            const std::optional<NodeModule> module = Scanner::measure(root + '/' + project, root, CancelToken());
            QVERIFY(module && linkedFiles > 0);
            QCOMPARE(std::pair(module->sizeBytes, module->sharedBytes), std::pair(duBytes(modules), linkedFiles));
            // pnpm's store and the other project hold the other two links of each file.
            for (const SharedInode &shared : module->sharedInodes.list())
                QCOMPARE(std::pair(shared.links, shared.linksHere), std::pair(3u, 1u));
        }
    }

    void measureRecords()
    {
        Scratch scratch;
        const QByteArray root = scratch.path("code");
        writeFile(root + "/shop/node_modules/react/index.js", 50000);
        writeFile(root + "/shared/node_modules/lodash/lodash.js", 70000);
        makeLink("../shared/node_modules", root + "/app/node_modules");
        makeLink(root + "/shared/./node_modules/", root + "/abs/node_modules");
        // Links that end anywhere but at a node_modules folder are not walked at all.
        makeLink("..", root + "/up/node_modules");
        makeLink(root + "/shared", root + "/disguise/node_modules");
        makeLink("../disguise/node_modules", root + "/disguised/node_modules");
        makeLink("../missing/nm", root + "/broken/node_modules");
        makeLink("../app/node_modules", root + "/chain/node_modules");
        writeFile(root + "/filed/node_modules", 4096);
        makeDirs(root + "/empty");
        // Neither walking nor measuring moves an access date, long past as they are.
        const QList<QByteArray> touched{root + "/shop", root + "/shop/node_modules", root + "/shop/node_modules/react"};
        for (const QByteArray &path : touched)
            setAccessTime(path, 1700000000);

        const CancelToken token;
        QVERIFY(Scanner::findParentDirs(root, token).contains(root + "/shop"));
        const std::optional<NodeModule> shop = Scanner::measure(root + "/shop/", root, token);
        for (const QByteArray &path : touched) // before allocatedBelow() below reads them
            QVERIFY2(accessTime(path) == 1700000000, path.constData());
        NodeModule expected;
        expected.id = expected.modulePath = root + "/shop/node_modules";
        expected.parentPath = root + "/shop/";
        expected.projectName = expected.groupKey = QStringLiteral("shop");
        expected.sizeBytes = allocatedBelow(root + "/shop/node_modules");
        expected.lastAccessed = QDateTime::fromSecsSinceEpoch(1700000000, QTimeZone::utc());
        QCOMPARE(shop, std::optional(expected));

        // Relative, absolute oddly spelt, and a link to a link: the destination text is
        // resolved once, then followed.
        const qint64 sharedSize = allocatedBelow(root + "/shared/node_modules");
        for (const QByteArray link : {"/app", "/abs", "/chain"}) {
            const std::optional<NodeModule> module = Scanner::measure(root + link, root, token);
            QVERIFY(module && module->isSymlink);
            const QByteArray target = root + (link == "/chain" ? "/app/node_modules" : "/shared/node_modules");
            QCOMPARE(module->symlinkTarget, std::optional<QByteArray>(target));
            QCOMPARE(module->sizeBytes, sharedSize);
            QCOMPARE(module->reclaimableBytes(), 0);
        }
        for (const QByteArray link : {"/up", "/disguised"}) {
            const std::optional<NodeModule> module = Scanner::measure(root + link, root, token);
            QVERIFY(module && module->symlinkTarget);
            QCOMPARE(std::pair(module->sizeBytes, module->isSizeMeasured()),
                     std::pair(NodeModule::s_sizeNotMeasured, false));
        }

        const std::optional<NodeModule> broken = Scanner::measure(root + "/broken", root, token);
        QVERIFY(broken);
        QCOMPARE(std::tuple(broken->isSymlink, broken->symlinkTarget, broken->sizeBytes),
                 std::tuple(true, std::nullopt, 0));
        const std::optional<NodeModule> filed = Scanner::measure(root + "/filed", root, token);
        QVERIFY(filed);
        QCOMPARE(std::pair(filed->isSymlink, filed->sizeBytes), std::pair(false, qint64(0)));

        QVERIFY(!Scanner::measure(root + "/empty", root, token));
        QVERIFY(!Scanner::measure(root + "/missing", root, token));

        const QByteArray project = root + "/-x \n\xff";
        writeFile(project + "/node_modules/a", 100);
        const std::optional<NodeModule> odd = Scanner::measure(project, root, token);
        QVERIFY(odd);
        QCOMPARE(std::tuple(odd->modulePath, odd->projectName, odd->sizeBytes),
                 std::tuple(project + "/node_modules", QStringLiteral("-x \n\uFFFD"),
                            allocatedBelow(project + "/node_modules")));
        writeFile(root + "/node_modules/b", 100);
        const std::optional<NodeModule> atRoot = Scanner::measure(root, root, token);
        QVERIFY(atRoot);
        QCOMPARE(std::pair(atRoot->groupKey, atRoot->projectName),
                 std::pair(QStringLiteral("(root)"), QStringLiteral("code")));
    }

    void cancellationStopsEarly()
    {
        Scratch scratch;
        const QByteArray root = scratch.path("root");
        makeDirs(root + "/node_modules");
        for (const char *name : {"a", "b", "c", "d"})
            makeDirs(root + '/' + name + "/node_modules");
        const QList<QByteArray> all = Scanner::findParentDirs(root, CancelToken());
        QCOMPARE(all.size(), 5);

        CancelToken cancelled;
        cancelled.cancel();
        QVERIFY(Scanner::findParentDirs(root, cancelled).isEmpty());

        // One check per folder: the root, then two subfolders; the third check stops.
        CancelToken partWay;
        partWay.cancelAtCheck(3);
        QCOMPARE(Scanner::findParentDirs(root, partWay), all.mid(0, 2));

        const QByteArray modules = root + "/a/node_modules";
        for (int i = 0; i < 10; ++i)
            writeFile(modules + "/f" + QByteArray::number(i), 4096);
        struct stat st;
        QVERIFY(::stat(modules.constData(), &st) == 0);
        const qint64 folder = qint64(st.st_blocks) * 512;
        const qint64 perFile = (allocatedBelow(modules) - folder) / 10;
        QCOMPARE(Scanner::directorySize(modules, cancelled), folder);
        // One check per entry: four files are counted, the fifth check stops.
        CancelToken sizing;
        sizing.cancelAtCheck(5);
        QCOMPARE(Scanner::directorySize(modules, sizing), folder + 4 * perFile);
        CancelToken measuring;
        measuring.cancelAtCheck(3);
        const std::optional<NodeModule> partial = Scanner::measure(root + "/a", root, measuring);
        QVERIFY(partial);
        QCOMPARE(partial->sizeBytes, folder + 2 * perFile);
    }

    void treesDeeperThanPathMax()
    {
        Scratch scratch;
        const QByteArray root = scratch.path("root");
        // 2,100 levels of "/d" pass PATH_MAX and the walkers' descriptor budget.
        const QByteArray deepProject = makeChain(root + "/deep", 2100, "d");
        QVERIFY(deepProject.size() > PATH_MAX);
        const QByteArray modules = deepProject + "/node_modules";
        makeChain(modules, 2100, "m", 50, 3000);
        // A wide tree of long names beside it, deeper than PATH_MAX as well.
        const QByteArray longName(200, 'L');
        const QByteArray longProject = makeChain(root + "/long", 25, longName);
        QVERIFY(longProject.size() > PATH_MAX);
        const FileDescriptor longFd(openDeep(longProject));
        QVERIFY(longFd.isValid() && ::mkdirat(longFd.get(), "node_modules", 0755) == 0);

        const QList<QByteArray> found = Scanner::findParentDirs(root, CancelToken());
        QVERIFY(found == (QList<QByteArray>{deepProject, longProject})
                || found == (QList<QByteArray>{longProject, deepProject}));

        const FileDescriptor modulesFd(openDeep(modules));
        QVERIFY(modulesFd.isValid());
        const qint64 allocated = allocatedBelow(modulesFd.get());
        QVERIFY(allocated >= 42 * 3000);
        QCOMPARE(Scanner::directorySize(modules, CancelToken()), allocated);
        const std::optional<NodeModule> module = Scanner::measure(deepProject, root, CancelToken());
        QVERIFY(module);
        QCOMPARE(std::tuple(module->sizeBytes, module->groupKey, module->projectName),
                 std::tuple(allocated, QStringLiteral("deep"), QStringLiteral("d")));
    }
};

QTEST_GUILESS_MAIN(TestNodeModulesScanner)
#include "tst_nodemodulesscanner.moc"
