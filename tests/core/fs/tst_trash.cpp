#include "core/fs/Trash.h"
#include "core/modules/NodeModulesScanner.h"
#include "support/TestTrees.h"

#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>

using namespace TestTrees;
using namespace Qt::StringLiterals;
namespace Scanner = NodeModulesScanner;
using Scanner::DeletionMode;
using Scanner::DeletionResult;

namespace {

QByteArray readAll(const QByteArray &path)
{
    QFile file(QFile::decodeName(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

mode_t modeOf(const QByteArray &path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

// The .trashinfo beside a trashed item: [Trash Info], Path= and a local
// DeletionDate within a minute of now.
void verifyInfo(const QByteArray &trashedPath, const QByteArray &expectedPath)
{
    const qsizetype cut = trashedPath.lastIndexOf("/files/");
    QVERIFY(cut > 0);
    const QByteArray info = trashedPath.left(cut) + "/info/" + trashedPath.mid(cut + 7) + ".trashinfo";
    const QList<QByteArray> lines = readAll(info).split('\n');
    QCOMPARE(lines, (QList<QByteArray>{"[Trash Info]", "Path=" + expectedPath, lines.value(2), ""}));
    const QString date = QString::fromLatin1(lines.value(2));
    static const QRegularExpression dateLine(
        QStringLiteral("^DeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d$"));
    QVERIFY2(dateLine.match(date).hasMatch(), qPrintable(date));
    QVERIFY(qAbs(QDateTime::fromString(date.mid(13), Qt::ISODate).secsTo(QDateTime::currentDateTime())) < 60);
}

} // namespace

class TestTrash : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { m_noMounts = enterPrivateMountNamespace(); }

    void init()
    {
        m_home = std::make_unique<Scratch>();
        QVERIFY(m_home->isValid());
        qputenv("HOME", m_home->path());
        qputenv("XDG_DATA_HOME", m_home->path("data"));
    }

    void cleanup() { m_home.reset(); }

    void homeTrashIsCreatedAndFilled()
    {
        const QByteArray root = m_home->path("code");
        writeFile(root + "/app/node_modules/react/index.js", 3000);
        const QList<QByteArray> before = fingerprint(root + "/app/node_modules");
        const NodeModule module = recordFor(root + "/app", root);
        DeletionResult result = Scanner::deleteModules({module}, DeletionMode::trash, root);
        const QByteArray trash = m_home->path("data/Trash");
        QCOMPARE(Trash::homeTrashPath(), trash);
        DeletionResult expected;
        expected.removedIDs = {module.id};
        expected.trashedURLs = {trash + "/files/node_modules"};
        QCOMPARE(result, expected);
        QVERIFY(!exists(module.modulePath));
        QCOMPARE(fingerprint(trash + "/files/node_modules"), before);
        for (const QByteArray &folder : {trash, trash + "/files", trash + "/info"})
            QCOMPARE(modeOf(folder), mode_t(0700));
        verifyInfo(result.trashedURLs.first(), module.modulePath);

        for (const QByteArray &value : {QByteArray(), QByteArray("relative/data")}) {
            if (value.isEmpty())
                qunsetenv("XDG_DATA_HOME");
            else
                qputenv("XDG_DATA_HOME", value);
            QCOMPARE(Trash::homeTrashPath(), m_home->path(".local/share/Trash"));
        }
        makeDirs(root + "/app/node_modules");
        result = Scanner::deleteModules({recordFor(root + "/app", root)}, DeletionMode::trash, root);
        QCOMPARE(result.trashedURLs, QList<QByteArray>{m_home->path(".local/share/Trash/files/node_modules")});
    }

    void sameNamesAndOddNamesStayApart()
    {
        const QByteArray root = m_home->path("code");
        const QByteArray odd = root + "/a b%#?\n-\xff";
        const QList<QByteArray> parents{root + "/one", root + "/two", odd, root + "/four"};
        QList<NodeModule> modules;
        for (const QByteArray &parent : parents) {
            writeFile(parent + "/node_modules/marker", parent.size());
            modules.append(recordFor(parent, root));
        }
        // A link is trashed as a link.
        writeFile(m_home->path("shared/nm/pkg.js"), 100);
        makeLink(m_home->path("shared/nm"), root + "/linked/node_modules");
        modules.append(recordFor(root + "/linked", root));
        // A leftover in files/ without its .trashinfo is never replaced.
        const QByteArray files = m_home->path("data/Trash/files");
        writeFile(files + "/node_modules.3/leftover", 1);

        const DeletionResult result = Scanner::deleteModules(modules, DeletionMode::trash, root);
        QCOMPARE(result.errors, QStringList());
        QCOMPARE(result.removedIDs.size(), 5);
        QCOMPARE(result.trashedURLs,
                 (QList<QByteArray>{files + "/node_modules", files + "/node_modules.2", files + "/node_modules.4",
                                    files + "/node_modules.5", files + "/node_modules.6"}));
        QVERIFY(isLink(files + "/node_modules.6"));
        QVERIFY(exists(m_home->path("shared/nm/pkg.js")));
        for (qsizetype i = 0; i < parents.size(); ++i)
            QCOMPARE(readAll(result.trashedURLs[i] + "/marker").size(), parents[i].size());
        QVERIFY(exists(files + "/node_modules.3/leftover"));
        verifyInfo(result.trashedURLs[0], root + "/one/node_modules");
        verifyInfo(result.trashedURLs[2], root + "/a%20b%25%23%3F%0A-%FF/node_modules");
    }

    void unusableTrashIsAnError()
    {
        const QByteArray root = m_home->path("code");
        writeFile(root + "/app/node_modules/pkg.js", 100);
        const NodeModule module = recordFor(root + "/app", root);

        // The data folder is a file: no Trash can be made there.
        writeFile(m_home->path("blocker"), 1);
        qputenv("XDG_DATA_HOME", m_home->path("blocker/data"));
        DeletionResult result = Scanner::deleteModules({module}, DeletionMode::trash, root);
        DeletionResult expected;
        expected.errors = QStringList{QStringLiteral("app: could not move to the Trash: Not a directory")};
        QCOMPARE(result, expected);
        QVERIFY(exists(root + "/app/node_modules/pkg.js"));

        // files/ is a link to elsewhere: refused, nothing moves there.
        qputenv("XDG_DATA_HOME", m_home->path("data"));
        makeDirs(m_home->path("data/Trash/info"));
        makeDirs(m_home->path("elsewhere"));
        makeLink(m_home->path("elsewhere"), m_home->path("data/Trash/files"));
        result = Scanner::deleteModules({module}, DeletionMode::trash, root);
        QCOMPARE(result.errors.size(), 1);
        QVERIFY(result.errors.first().startsWith(QStringLiteral("app: ")) && result.removedIDs.isEmpty());
        QVERIFY(exists(root + "/app/node_modules/pkg.js"));
        QCOMPARE(fingerprint(m_home->path("elsewhere")) + fingerprint(m_home->path("data/Trash/info")),
                 QList<QByteArray>());

        // A Trash folder owned by someone else is not used either.
        QVERIFY(::unlink(m_home->path("data/Trash/files").constData()) == 0);
        QVERIFY(::chown(m_home->path("data/Trash").constData(), 4242, 4242) == 0 || ::getuid() != 0);
        if (::getuid() == 0) {
            result = Scanner::deleteModules({module}, DeletionMode::trash, root);
            const QByteArray trash = m_home->path("data/Trash");
            QCOMPARE(result.errors,
                     QStringList{pathText("app: could not move to the Trash: " + trash + " belongs to another user")});
            QVERIFY(exists(root + "/app/node_modules/pkg.js"));
        }
    }

    void otherFileSystemUsesItsTopDirectory()
    {
        // /dev/shm is a tmpfs of its own on most systems; the test removes only what it made.
        struct stat shm;
        struct stat home;
        if (::stat("/dev/shm", &shm) != 0 || ::stat(m_home->path().constData(), &home) != 0
            || shm.st_dev == home.st_dev)
            QSKIP("no second file system at /dev/shm");
        Scratch scratch(QStringLiteral("/dev/shm"));
        QVERIFY(scratch.isValid());
        const QByteArray uid = QByteArray::number(::getuid());
        struct stat st;
        const bool sharedTrash = ::lstat("/dev/shm/.Trash", &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX);
        const QByteArray trash = sharedTrash ? "/dev/shm/.Trash/" + uid : "/dev/shm/.Trash-" + uid;
        const bool trashExisted = exists(trash);

        const QByteArray root = scratch.path("code");
        writeFile(root + "/app/node_modules/pkg.js", 100);
        const NodeModule module = recordFor(root + "/app", root);
        const DeletionResult result = Scanner::deleteModules({module}, DeletionMode::trash, root);
        QByteArray trashed = result.trashedURLs.value(0);
        const auto removeOurs = qScopeGuard([&] {
            const QByteArray info = trash + "/info/" + trashed.mid(trashed.lastIndexOf('/') + 1) + ".trashinfo";
            if (!trashExisted || !trashed.isEmpty())
                QProcess::execute("/bin/rm",
                                  {"-rf", "--", QFile::decodeName(trashExisted ? trashed : trash),
                                   QFile::decodeName(trashExisted ? info : trash)});
        });
        QCOMPARE(result.errors, QStringList());
        QVERIFY(trashed.startsWith(trash + "/files/node_modules") && exists(trashed + "/pkg.js"));
        QVERIFY(!exists(module.modulePath) && !exists(m_home->path("data/Trash")));
        // Below a top directory the original path is relative to it.
        verifyInfo(trashed, module.modulePath.mid(qstrlen("/dev/shm/")));
    }

    // A nested btrfs subvolume is a device of its own below its mount's top; the item goes to
    // the subvolume's top directory, since a rename can never cross devices.
    void nestedSubvolumeUsesItsOwnTop()
    {
        if (!m_noMounts.isEmpty())
            QSKIP(qPrintable(m_noMounts));
        const QString btrfs = QStandardPaths::findExecutable(u"btrfs"_s, {u"/usr/bin"_s, u"/bin"_s});
        const QByteArray top = m_home->path("mnt");
        QCOMPARE(::mkdir(top.constData(), 0755), 0);
        const BtrfsMount mount(m_home->path("btrfs.img"), top);
        if (!mount.problem().isEmpty() || btrfs.isEmpty())
            QSKIP(qPrintable(btrfs.isEmpty() ? u"btrfs-progs is not installed"_s : mount.problem()));
        const QByteArray subvolume = top + "/sub";
        QCOMPARE(QProcess::execute(btrfs, {u"-q"_s, u"subvolume"_s, u"create"_s, QFile::decodeName(subvolume)}), 0);

        const QByteArray root = subvolume + "/code";
        writeFile(root + "/app/node_modules/pkg.js", 100);
        const NodeModule module = recordFor(root + "/app", root);
        const DeletionResult result = Scanner::deleteModules({module}, DeletionMode::trash, root);
        const QByteArray trash = subvolume + "/.Trash-" + QByteArray::number(::getuid());
        QCOMPARE(result.errors, QStringList());
        QCOMPARE(result.trashedURLs, QList<QByteArray>{trash + "/files/node_modules"});
        QVERIFY(exists(trash + "/files/node_modules/pkg.js") && !exists(top + "/.Trash-0"));
        verifyInfo(result.trashedURLs.value(0), "code/app/node_modules");
    }

    void topDirectoryRules_data()
    {
        QTest::addColumn<QByteArray>("setup");
        QTest::addColumn<QByteArray>("expectedTrash");
        QTest::addColumn<QByteArray>("problem"); // what the error names, below the top directory
        const QByteArray uid = QByteArray::number(::getuid());
        const QByteArray own = ".Trash-" + uid;
        QTest::newRow("no .Trash") << QByteArray("none") << own << QByteArray();
        QTest::newRow("sticky .Trash") << QByteArray("sticky") << ".Trash/" + uid << QByteArray();
        QTest::newRow(".Trash without the sticky bit") << QByteArray("plain") << own << QByteArray();
        QTest::newRow(".Trash is a link") << QByteArray("link") << own << QByteArray();
        QTest::newRow(".Trash/$uid of another user") << QByteArray("foreign") << own << QByteArray();
        QTest::newRow(".Trash-$uid is a link") << QByteArray("own-link") << QByteArray() << own + " is a symbolic link";
        QTest::newRow(".Trash-$uid of another user")
            << QByteArray("own-foreign") << QByteArray() << own + " belongs to another user";
        QTest::newRow(".Trash-$uid writable by others")
            << QByteArray("own-open") << QByteArray() << own + " can be written by other users";
        QTest::newRow("files/ of another user")
            << QByteArray("files-foreign") << QByteArray() << own + "/files belongs to another user";
    }

    void topDirectoryRules()
    {
        QFETCH(QByteArray, setup);
        QFETCH(QByteArray, expectedTrash);
        QFETCH(QByteArray, problem);
        Scratch scratch;
        const QByteArray top = scratch.path("mnt");
        makeDirs(top);
        if (!m_noMounts.isEmpty())
            QSKIP(qPrintable(m_noMounts));
        const MountGuard mount(top);
        QVERIFY(mount.isMounted());
        const QByteArray uid = QByteArray::number(::getuid());
        const QByteArray own = top + "/.Trash-" + uid;
        if (setup.startsWith("own-") || setup == "files-foreign") {
            QVERIFY(::mkdir(own.constData(), 0700) == 0 && ::mkdir((own + "/files").constData(), 0700) == 0);
            QVERIFY(::chmod(own.constData(), setup == "own-open" ? 0777 : 0700) == 0);
            const QByteArray given = setup == "own-foreign" ? own : own + "/files";
            if ((setup == "own-foreign" || setup == "files-foreign") && ::chown(given.constData(), 4242, 4242) != 0)
                QSKIP("cannot give a folder to another user here");
        }
        if (setup == "own-link")
            QVERIFY(::rmdir((own + "/files").constData()) == 0 && ::rmdir(own.constData()) == 0);
        if (setup == "sticky" || setup == "plain" || setup == "foreign") {
            QVERIFY(::mkdir((top + "/.Trash").constData(), 0777) == 0);
            QVERIFY(::chmod((top + "/.Trash").constData(), setup == "plain" ? 0777 : 01777) == 0);
        }
        if (setup == "foreign") {
            QVERIFY(::mkdir((top + "/.Trash/" + uid).constData(), 0700) == 0);
            if (::chown((top + "/.Trash/" + uid).constData(), 4242, 4242) != 0)
                QSKIP("cannot give a folder to another user here");
        }
        if (setup == "link" || setup == "own-link") {
            makeDirs(top + "/elsewhere");
            QVERIFY(::chmod((top + "/elsewhere").constData(), 01777) == 0);
            makeLink(top + "/elsewhere", top + (setup == "link" ? "/.Trash" : "/.Trash-" + uid));
        }
        const QByteArray root = top + "/code";
        writeFile(root + "/app/node_modules/pkg.js", 100);
        const NodeModule module = recordFor(root + "/app", root);
        const DeletionResult result = Scanner::deleteModules({module}, DeletionMode::trash, root);
        QCOMPARE(fingerprint(top + "/elsewhere"), QList<QByteArray>());
        if (expectedTrash.isEmpty()) {
            QCOMPARE(std::pair(result.errors, result.trashedURLs),
                     std::pair(QStringList{"app: could not move to the Trash: " + pathText(top + '/' + problem)},
                               QList<QByteArray>()));
            QVERIFY(exists(module.modulePath + "/pkg.js"));
            return;
        }
        QCOMPARE(std::pair(result.errors, result.trashedURLs),
                 std::pair(QStringList(), QList<QByteArray>{top + '/' + expectedTrash + "/files/node_modules"}));
        QVERIFY(exists(result.trashedURLs.first() + "/pkg.js"));
        QCOMPARE(modeOf(top + '/' + expectedTrash), mode_t(0700));
        verifyInfo(result.trashedURLs.first(), "code/app/node_modules");
    }

private:
    std::unique_ptr<Scratch> m_home;
    QString m_noMounts; // why this test cannot mount, or empty
};

QTEST_GUILESS_MAIN(TestTrash)
#include "tst_trash.moc"
