#include "core/ByteFormat.h"
#include "core/fs/FilePaths.h"
#include "core/fs/TreeRemover.h"
#include "core/modules/ModuleSizeText.h"
#include "core/modules/NodeModulesScanner.h"
#include "support/TestTrees.h"

#include <QScopeGuard>
#include <QTest>

#include <climits>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/statvfs.h>

using namespace TestTrees;
namespace Scanner = NodeModulesScanner;
using Scanner::DeletionMode;
using Scanner::DeletionResult;

namespace {

// Sets or clears the immutable flag; false when the file system does not allow it.
bool setImmutable(const QByteArray &path, bool on)
{
    const FileDescriptor fd(::open(path.constData(), O_RDONLY | O_CLOEXEC));
    int flags = 0;
    if (!fd.isValid() || ::ioctl(fd.get(), FS_IOC_GETFLAGS, &flags) != 0)
        return false;
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    return ::ioctl(fd.get(), FS_IOC_SETFLAGS, &flags) == 0;
}

// A node_modules full of what real ones hold, plus links that lead out of it.
void populate(const QByteArray &modules, const QByteArray &outside)
{
    writeFile(modules + "/react/index.js", 3000);
    writeFile(modules + "/react/node_modules/scheduler/index.js", 2000);
    writeFile(modules + "/.bin/.hidden", 10);
    writeFile(modules + "/-dash/ sp ace\n/\xff\xfe", 100);
    makeLink(outside, modules + "/abs-link-to-folder");
    makeLink("../../../outside/keep.txt", modules + "/react/rel-link-to-file");
    makeLink(modules + "/nowhere", modules + "/broken");
    QVERIFY(::link((outside + "/keep.txt").constData(), (modules + "/hard-link").constData()) == 0);
    QVERIFY(::mkfifo((modules + "/fifo").constData(), 0644) == 0);
}

} // namespace

class TestDeletion : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Nothing here may reach the real Trash, even by mistake.
        QVERIFY(m_home.isValid());
        qputenv("HOME", m_home.path());
        qputenv("XDG_DATA_HOME", m_home.path("data"));
        m_noMounts = enterPrivateMountNamespace();
    }
    void init() { m_scratch.emplace(); }
    void cleanup() { m_scratch.reset(); }

    void deletionRefusal_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<std::optional<QByteArray>>("root");
        QTest::addColumn<QString>("expected");
        using Root = std::optional<QByteArray>;
        const Root none;
        const Root app = QByteArray("/work/app");
        const QString notModules = QStringLiteral("not a node_modules directory");
        const QString topLevel = QStringLiteral("refusing to delete a top-level path");
        const QString outside = QStringLiteral("outside the scanned folder");
        QTest::newRow("allowed without root") << QByteArray("/x/node_modules") << none << QString();
        QTest::newRow("trailing slash") << QByteArray("/work/app/p/node_modules/") << app << QString();
        QTest::newRow("node_modules2") << QByteArray("/work/app/node_modules2") << app << notModules;
        QTest::newRow("the root") << QByteArray("/work/app") << app << notModules;
        QTest::newRow("top-level") << QByteArray("/node_modules") << none << topLevel;
        QTest::newRow("top-level via dot-dot") << QByteArray("/a/../node_modules") << none << topLevel;
        QTest::newRow("root's own") << QByteArray("/work/app/node_modules") << app << QString();
        QTest::newRow("name prefix") << QByteArray("/work/apps/x/node_modules") << app << outside;
        QTest::newRow("dot-dot out of the root") << QByteArray("/work/app/../other/node_modules") << app << outside;
        QTest::newRow("root with slash") << QByteArray("/work/app/x/node_modules") << Root("/work/app/") << QString();
        QTest::newRow("file-system root") << QByteArray("/x/node_modules") << Root("/") << QString();
        // Judged against the working folder, these would let through what lies below it.
        const QByteArray here = QFile::encodeName(QDir::currentPath());
        QTest::newRow("empty root") << here + "/p/node_modules" << Root("") << outside;
        QTest::newRow("relative root") << here + "/p/x/node_modules" << Root("p") << outside;
        QTest::newRow("dot root") << here + "/p/node_modules" << Root(".") << outside;
    }

    void deletionRefusal()
    {
        QFETCH(QByteArray, path);
        QFETCH(std::optional<QByteArray>, root);
        QFETCH(QString, expected);
        const std::optional<QString> reason = Scanner::deletionRefusal(path, root);
        QCOMPARE(reason.value_or(QString()), expected);
    }

    void permanentDeletionRemovesLinksNotTargets()
    {
        const QByteArray root = path("root");
        const QByteArray outside = path("outside");
        writeFile(outside + "/keep.txt", 5000);
        writeFile(outside + "/sub/deep.txt", 7000);
        const QByteArray odd = root + "/-odd \n\xff";
        populate(root + "/app/node_modules", outside);
        populate(odd + "/node_modules", outside);
        makeLink(outside, root + "/linked/node_modules");
        writeFile(root + "/filed/node_modules", 100);
        writeFile(root + "/app/package.json", 100);
        const QList<QByteArray> outsideBefore = fingerprint(outside);

        const QList<NodeModule> modules{recordFor(root + "/app", root), recordFor(odd, root),
                                        recordFor(root + "/linked", root), recordFor(root + "/filed", root)};
        const DeletionResult result = Scanner::deleteModules(modules, DeletionMode::permanent, root);
        DeletionResult expected;
        for (const NodeModule &module : modules) {
            expected.removedIDs.insert(module.id);
            QVERIFY(!exists(module.modulePath));
        }
        expected.freedBytes = result.freedBytes; // weighed against the file system in freedBytesAreWhatTheDiskGetsBack
        QCOMPARE(result, expected);
        QVERIFY(exists(root + "/app/package.json") && exists(odd));
        QCOMPARE(fingerprint(outside), outsideBefore);
        struct stat st;
        QVERIFY(::stat((outside + "/keep.txt").constData(), &st) == 0);
        QCOMPARE(st.st_nlink, nlink_t(1));
    }

    void refusalsAndErrorsInInputOrder()
    {
        const QByteArray root = path("work/app");
        for (const QByteArray &folder : {root + "/one/node_modules", root + "/two/node_modules",
                                         path("work/apps/x/node_modules"), root + "/three/node_modules2"})
            makeDirs(folder);
        NodeModule notModules = recordFor(root + "/three", root);
        notModules.modulePath = root + "/three/node_modules2";
        notModules.id = notModules.modulePath;

        const QList<NodeModule> modules{recordFor(root + "/one", root), recordFor(root + "/gone", root),
                                        recordFor(path("work/apps/x"), root), notModules,
                                        recordFor(root + "/two", root)};
        const DeletionResult result = Scanner::deleteModules(modules, DeletionMode::permanent, root);
        DeletionResult expected;
        expected.removedIDs = {root + "/one/node_modules", root + "/two/node_modules"};
        expected.errors = QStringList{QStringLiteral("gone: could not open its folder: No such file or directory")};
        expected.refusals = QStringList{pathText(path("work/apps/x/node_modules")) + ": outside the scanned folder",
                                        pathText(root + "/three/node_modules2") + ": not a node_modules directory"};
        expected.freedBytes = result.freedBytes;
        QCOMPARE(result, expected);
        QVERIFY(exists(path("work/apps/x/node_modules")) && exists(root + "/three/node_modules2"));
        QCOMPARE(Scanner::deleteModules({}, DeletionMode::permanent, root), DeletionResult());
    }

    // "Freed" is what the disk gets back: statvfs on a quiet tmpfs, which this test mounts
    // in a private mount namespace (it runs itself again under unshare -m for that).
    void freedBytesAreWhatTheDiskGetsBack()
    {
        if (qEnvironmentVariableIsEmpty("QUAYLIGHT_PRIVATE_MOUNTS")) {
            const QStringList unshare{"-m", "--propagation", "private"};
            if (QProcess::execute(QStringLiteral("unshare"), unshare + QStringList{"/bin/true"}) != 0)
                QSKIP("private mount namespaces are not permitted here (unshare -m)");
            QProcess self;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("QUAYLIGHT_PRIVATE_MOUNTS"), QStringLiteral("1"));
            self.setProcessEnvironment(environment);
            self.setProcessChannelMode(QProcess::ForwardedChannels);
            self.start(QStringLiteral("unshare"),
                       unshare + QStringList{QCoreApplication::applicationFilePath(), QTest::currentTestFunction()});
            QVERIFY(self.waitForFinished(120000));
            QCOMPARE(std::pair(self.exitStatus(), self.exitCode()), std::pair(QProcess::NormalExit, 0));
            return;
        }
        const QByteArray top = path("mnt");
        makeDirs(top);
        const MountGuard mount(top);
        if (!mount.isMounted())
            QSKIP("mounting a tmpfs is not allowed here");
        const QByteArray root = top + "/code";
        const QByteArray modules = root + "/app/node_modules";
        writeFile(modules + "/a/big.js", 3 * 1024 * 1024);
        makeHardLink(modules + "/a/big.js", modules + "/b/big.js");
        for (int i = 0; i < 40; ++i)
            writeFile(modules + "/c/" + QByteArray::number(i) + "/f.js", 1000 * i);
        writeFile(top + "/store/kept.js", 2 * 1024 * 1024);
        makeHardLink(top + "/store/kept.js", modules + "/kept.js");
        makeLink(top + "/store", modules + "/link");
        const NodeModule record = recordFor(root + "/app", root);

        struct statvfs before, after;
        QVERIFY(::statvfs(top.constData(), &before) == 0);
        const DeletionResult result = Scanner::deleteModules({record}, DeletionMode::permanent, root);
        QVERIFY(::statvfs(top.constData(), &after) == 0);
        QCOMPARE(result.removedIDs, QSet<QByteArray>{record.id});
        const qint64 given = qint64(after.f_bfree - before.f_bfree) * qint64(after.f_frsize);
        QVERIFY2(qAbs(result.freedBytes - given) <= 2 * 4096,
                 qPrintable(QStringLiteral("freed %1, statvfs %2").arg(result.freedBytes).arg(given)));
        // The file linked from outside stays; the one linked twice inside goes.
        QCOMPARE(result.freedBytes, record.reclaimableBytes());
        QCOMPARE(std::pair(given >= 3 * 1024 * 1024, record.sharedBytes),
                 std::pair(true, allocated(top + "/store/kept.js")));
    }

    // A file cloned from one outside the folder (pnpm's store on Btrfs) shares its blocks:
    // the scan counts them as shared and a permanent deletion as not given back.
    void clonesFreeOnlyTheBlocksTheyDoNotShare()
    {
        if (!m_noMounts.isEmpty())
            QSKIP(qPrintable(m_noMounts));
        const QByteArray top = path("mnt");
        makeDirs(top);
        const BtrfsMount mount(path("btrfs.img"), top);
        if (!mount.problem().isEmpty())
            QSKIP(qPrintable(mount.problem()));
        const QByteArray root = top + "/code";
        const QByteArray modules = root + "/app/node_modules";
        writeFile(top + "/store/big.js", 1024 * 1024);
        writeFile(modules + "/own.js", 300 * 1000);
        const FileDescriptor source(::open((top + "/store/big.js").constData(), O_RDONLY | O_CLOEXEC));
        const FileDescriptor copy(::open((modules + "/big.js").constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
        QCOMPARE(::ioctl(copy.get(), FICLONE, source.get()), 0);

        const NodeModule record = recordFor(root + "/app", root);
        QCOMPARE(record.sizeBytes, allocatedBelow(modules));
        QCOMPARE(record.sharedBytes, allocated(modules + "/big.js"));
        QCOMPARE(sizeExplanation(record),
                 "Files here share their data with copies elsewhere (for example pnpm's store); deleting this folder "
                 "frees only "
                     + ByteFormat::string(record.reclaimableBytes()) + ".");
        const DeletionResult result = Scanner::deleteModules({record}, DeletionMode::permanent, root);
        QCOMPARE(result.removedIDs, QSet<QByteArray>{record.id});
        QCOMPARE(result.freedBytes, record.reclaimableBytes());
        QVERIFY(exists(top + "/store/big.js"));
    }

    void swappedAncestorIsNotFollowed()
    {
        const QByteArray root = path("root");
        const QByteArray elsewhere = path("elsewhere");
        writeFile(root + "/group/app/node_modules/pkg/index.js", 100);
        writeFile(elsewhere + "/app/node_modules/pkg/index.js", 100);
        const NodeModule module = recordFor(root + "/group/app", root);
        const QList<QByteArray> elsewhereBefore = fingerprint(elsewhere);

        // After the scan, a folder on the way is replaced by a link to another tree.
        QVERIFY(::rename((root + "/group").constData(), path("group-moved").constData()) == 0);
        makeLink(elsewhere, root + "/group");
        for (const DeletionMode mode : {DeletionMode::permanent, DeletionMode::trash}) {
            const DeletionResult result = Scanner::deleteModules({module}, mode, root);
            QCOMPARE(result.errors, QStringList{"app: could not open its folder: Too many levels of symbolic links"});
            QVERIFY(result.removedIDs.isEmpty());
        }
        QCOMPARE(fingerprint(elsewhere), elsewhereBefore);

        // Both ways of opening refuse the link, and both reach a real folder.
        const FileDescriptor rootFd(::open(root.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        for (const auto resolution : {FilePaths::Resolution::automatic, FilePaths::Resolution::componentWise}) {
            for (const char *path : {"group/app", "group"}) {
                errno = 0;
                QVERIFY(!FilePaths::openBeneath(rootFd.get(), path, resolution).isValid());
                QCOMPARE(errno, ELOOP);
            }
            QVERIFY(FilePaths::openBeneath(rootFd.get(), "", resolution).isValid());
        }
        QVERIFY(::unlink((root + "/group").constData()) == 0);
        QVERIFY(::rename(path("group-moved").constData(), (root + "/group").constData()) == 0);
        for (const auto resolution : {FilePaths::Resolution::automatic, FilePaths::Resolution::componentWise})
            QVERIFY(FilePaths::openBeneath(rootFd.get(), "group/app", resolution).isValid());
    }

    void folderSwappedForLinkDuringRemoval()
    {
        const QByteArray parent = path("app");
        const QByteArray outside = path("outside");
        writeFile(outside + "/precious/data.txt", 4000);
        writeFile(parent + "/node_modules/a/victim/file.js", 100);
        writeFile(parent + "/node_modules/a/other.js", 100);
        const QList<QByteArray> outsideBefore = fingerprint(outside);

        TreeRemover remover;
        int swaps = 0;
        remover.setBeforeOpen([&](int parentFd, const char *name) {
            if (qstrcmp(name, "victim") != 0)
                return;
            // The folder the remover just listed is moved away and a link takes its name.
            ++swaps;
            QVERIFY(::renameat(parentFd, name, AT_FDCWD, path("victim-moved").constData()) == 0);
            QVERIFY(::symlinkat((outside + "/precious").constData(), parentFd, name) == 0);
        });
        const FileDescriptor parentFd(::open(parent.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        QCOMPARE(remover.remove(parentFd.get(), "node_modules"), 0);
        QCOMPARE(swaps, 1);
        QVERIFY(!exists(parent + "/node_modules"));
        QCOMPARE(fingerprint(outside), outsideBefore);
        QVERIFY(exists(path("victim-moved/file.js")));
    }

    void partialRemovalIsAnError()
    {
        const QByteArray root = path("root");
        writeFile(root + "/app/node_modules/a/stuck.js", 100);
        writeFile(root + "/app/node_modules/b/free.js", 100);
        if (!setImmutable(root + "/app/node_modules/a/stuck.js", true))
            QSKIP("this file system cannot mark a file immutable");
        const auto unstick = qScopeGuard([&] { setImmutable(root + "/app/node_modules/a/stuck.js", false); });
        const DeletionResult result =
            Scanner::deleteModules({recordFor(root + "/app", root)}, DeletionMode::permanent, root);
        QCOMPARE(std::pair(result.errors, result.removedIDs.isEmpty()),
                 std::pair(QStringList{"app: could not delete permanently: Operation not permitted"}, true));
        QVERIFY(exists(root + "/app/node_modules/a/stuck.js") && !exists(root + "/app/node_modules/b"));
    }

    void mountInsideIsNotEntered()
    {
        const QByteArray root = path("root");
        const QByteArray outside = path("outside");
        writeFile(outside + "/data.txt", 4000);
        makeDirs(root + "/app/node_modules/mnt");
        writeFile(root + "/app/node_modules/x.js", 100);
        if (!m_noMounts.isEmpty())
            QSKIP(qPrintable(m_noMounts));
        const MountGuard bind(outside, root + "/app/node_modules/mnt");
        QVERIFY(bind.isMounted());
        const DeletionResult result =
            Scanner::deleteModules({recordFor(root + "/app", root)}, DeletionMode::permanent, root);
        QCOMPARE(std::pair(result.errors, result.removedIDs.isEmpty()),
                 std::pair(QStringList{"app: could not delete permanently: Device or resource busy"}, true));
        QVERIFY(exists(outside + "/data.txt") && !exists(root + "/app/node_modules/x.js"));
    }

    void mountOnNodeModulesIsLeftWhole_data()
    {
        QTest::addColumn<bool>("bind");
        QTest::newRow("bind mount of a folder outside") << true;
        QTest::newRow("tmpfs") << false;
    }

    void mountOnNodeModulesIsLeftWhole()
    {
        QFETCH(bool, bind);
        if (!m_noMounts.isEmpty())
            QSKIP(qPrintable(m_noMounts));
        const QByteArray root = path("root");
        const QByteArray outside = path("outside");
        writeFile(outside + "/data.txt", 4000);
        const QByteArray modules = root + "/app/node_modules";
        makeDirs(modules);
        const MountGuard mount = bind ? MountGuard(outside, modules) : MountGuard(modules);
        QVERIFY(mount.isMounted());
        writeFile(modules + "/pkg/index.js", 100);
        const QList<QByteArray> before = fingerprint(modules);

        for (const DeletionMode mode : {DeletionMode::permanent, DeletionMode::trash}) {
            const DeletionResult result = Scanner::deleteModules({recordFor(root + "/app", root)}, mode, root);
            const QString what =
                mode == DeletionMode::trash ? "could not move to the Trash" : "could not delete permanently";
            QCOMPARE(std::pair(result.errors, result.removedIDs),
                     std::pair(QStringList{"app: " + what + ": Device or resource busy"}, QSet<QByteArray>()));
        }
        QCOMPARE(fingerprint(modules), before);
        QCOMPARE(fingerprint(m_home.path("data/Trash/files")), QList<QByteArray>());
    }

    // Root b/link/../work with link -> b/home/x: the walk goes to b/home/work, and so does the deletion.
    void dotDotAfterLinkDeletesTheScannedFolder()
    {
        writeFile(path("b/home/work/app/node_modules/pkg/index.js"), 100);
        writeFile(path("b/work/app/node_modules/pkg/index.js"), 100);
        makeDirs(path("b/home/x"));
        makeLink(path("b/home/x"), path("b/link"));
        const QByteArray root = path("b/link/../work");
        const QList<QByteArray> parents = Scanner::findParentDirs(root, CancelToken());
        QCOMPARE(parents, QList<QByteArray>{root + "/app"});

        const DeletionResult result =
            Scanner::deleteModules({recordFor(parents.first(), root)}, DeletionMode::permanent, root);
        QCOMPARE(result.removedIDs, QSet<QByteArray>{root + "/app/node_modules"});
        QVERIFY(!exists(path("b/home/work/app/node_modules")));
        QVERIFY(exists(path("b/work/app/node_modules/pkg/index.js")));
    }

    void stopRequestedEndsBetweenEntries()
    {
        const QByteArray root = path("root");
        for (const QByteArray name : {"one", "two", "three"})
            writeFile(root + '/' + name + "/node_modules/pkg/index.js", 100);
        Scanner::DeletionControl control;
        bool stop = false;
        QList<qsizetype> positions;
        control.progress = [&](qsizetype position) {
            positions.append(position);
            stop = position == 2;
        };
        control.stopRequested = [&] { return stop; };
        const QList<NodeModule> modules{recordFor(root + "/one", root), recordFor(root + "/two", root),
                                        recordFor(root + "/three", root)};
        const DeletionResult result = Scanner::deleteModules(modules, DeletionMode::permanent, root, control);
        QCOMPARE(positions, (QList<qsizetype>{1, 2}));
        QCOMPARE(result.removedIDs, QSet<QByteArray>{root + "/one/node_modules"});
        QCOMPARE(result.errors, QStringList{QStringLiteral("two: could not delete permanently: Operation canceled")});
        QVERIFY(exists(root + "/two/node_modules/pkg/index.js") && exists(root + "/three/node_modules/pkg/index.js"));
    }

    void treesDeeperThanPathMaxAreRemoved()
    {
        const QByteArray root = path("root");
        makeChain(root + "/app/node_modules", 2100, "m", 100, 1000);
        const QByteArray deepProject = makeChain(root + "/deep", 2100, "d");
        QVERIFY(deepProject.size() > PATH_MAX);
        const FileDescriptor deepFd(openDeep(deepProject));
        QVERIFY(deepFd.isValid() && ::mkdirat(deepFd.get(), "node_modules", 0755) == 0);
        makeChain(root + "/outside-chain", 10, "o", 1, 10);
        QVERIFY(::symlinkat(path("root/outside-chain").constData(), deepFd.get(), "node_modules/link") == 0);

        const QList<NodeModule> modules{recordFor(root + "/app", root), recordFor(deepProject, root)};
        QCOMPARE(modules[1].modulePath, deepProject + "/node_modules");
        const DeletionResult result = Scanner::deleteModules(modules, DeletionMode::permanent, root);
        QCOMPARE(std::pair(result.errors, result.removedIDs.size()), std::pair(QStringList(), qsizetype(2)));
        QVERIFY(!exists(root + "/app/node_modules"));
        struct stat st;
        QVERIFY(::fstatat(deepFd.get(), "node_modules", &st, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT);
        QCOMPARE(fingerprint(root + "/outside-chain").size(), 20);
    }

private:
    // In the test function's own scratch folder.
    [[nodiscard]] QByteArray path(const QByteArray &relative) const { return m_scratch->path(relative); }

    std::optional<Scratch> m_scratch;
    Scratch m_home;
    QString m_noMounts; // why this test cannot mount, or empty
};

QTEST_GUILESS_MAIN(TestDeletion)
#include "tst_deletion.moc"
