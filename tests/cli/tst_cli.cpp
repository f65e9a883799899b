#include "core/processes/ProcessScanner.h"
#include "support/NodeServer.h"

#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

struct Run
{
    int status = -1;
    QString out;
    QString err;
};

// stdin is a pipe closed at once: the binary never sees a terminal.
Run run(const QStringList &arguments, const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(QUAYLIGHT_CLI), arguments);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QJsonObject json(const Run &result)
{
    return QJsonDocument::fromJson(result.out.toUtf8()).object();
}

void write(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

void makeOld(const QString &path, int days)
{
    const timeval when{time(nullptr) - days * 86400L, 0};
    const timeval times[2] = {when, when};
    QVERIFY(::lutimes(QFile::encodeName(path).constData(), times) == 0);
}

// Every entry under root with its kind, size, inode and modification time.
QStringList snapshot(const QString &root)
{
    QStringList lines;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        struct stat status = {};
        const QString path = it.next();
        ::lstat(QFile::encodeName(path).constData(), &status);
        lines.append(u"%1 %2 %3 %4 %5"_s.arg(path)
                         .arg(status.st_mode)
                         .arg(status.st_size)
                         .arg(status.st_ino)
                         .arg(status.st_mtim.tv_sec));
    }
    lines.sort();
    return lines;
}

// app and tool hold node_modules sharing a hard-linked file; linked's node_modules is a link
// to app's; old was last touched 100 days ago.
void buildTree(const QString &root)
{
    write(root + "/app/package.json", "{}");
    write(root + "/app/node_modules/react/index.js", QByteArray(64 * 1024, 'r'));
    write(root + "/tool/node_modules/left-pad/index.js", QByteArray(16 * 1024, 'l'));
    QVERIFY(::link(QFile::encodeName(root + "/app/node_modules/react/index.js").constData(),
                   QFile::encodeName(root + "/tool/node_modules/shared.js").constData())
            == 0);
    QVERIFY(QDir().mkpath(root + "/linked"));
    QVERIFY(QFile::link(root + "/app/node_modules", root + "/linked/node_modules"));
    write(root + "/old/package.json", "{}");
    write(root + "/old/node_modules/lodash/index.js", QByteArray(8 * 1024, 'o'));
    makeOld(root + "/old/package.json", 100);
    makeOld(root + "/old", 100);
}

// The trashed items, each with its complete .trashinfo; -1 when an item or a .trashinfo
// lacks its other half or a .trashinfo is incomplete.
int completeTrashEntries(const QString &trash)
{
    const QStringList files = QDir(trash + "/files").entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
    const QStringList infos = QDir(trash + "/info").entryList(QDir::Files);
    if (files.size() != infos.size())
        return -1;
    for (const QString &name : files) {
        QFile info(trash + "/info/" + name + ".trashinfo");
        if (!info.open(QIODevice::ReadOnly))
            return -1;
        const QByteArray text = info.readAll();
        if (!text.startsWith("[Trash Info]\nPath=") || !text.contains("\nDeletionDate=") || !text.endsWith('\n'))
            return -1;
    }
    return int(files.size());
}

// Polls every millisecond until pid has a handler for SIGINT.
bool catchesInterrupts(qint64 pid)
{
    for (int tries = 0; tries < 20000; ++tries) {
        QFile status(u"/proc/%1/status"_s.arg(pid));
        if (!status.open(QIODevice::ReadOnly))
            return false;
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("SigCgt:") && (line.mid(7).trimmed().toULongLong(nullptr, 16) & (1u << (SIGINT - 1))))
                return true;
        }
        ::usleep(1000);
    }
    return false;
}

QList<int> devPortCandidates()
{
    QList<int> candidates = ProcessScanner::devPorts().values();
    std::sort(candidates.begin(), candidates.end());
    return candidates;
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    // Needs a real node; signals only the server this test started.
    void portsJsonNamesARealServer()
    {
        NodeServer server;
        QVERIFY2(server.start(devPortCandidates()), qPrintable(server.error()));

        const Run result = run({u"ports"_s, u"--json"_s});
        QCOMPARE(result.status, 0);
        const QJsonObject document = json(result);
        bool listed = false;
        for (const QJsonValue port : document.value("blockedPorts").toArray()) {
            if (port["port"].toInt() == server.port())
                listed = port["pids"].toArray().contains(server.pid());
        }
        QVERIFY2(listed, qPrintable(result.out));
        bool described = false;
        for (const QJsonValue process : document.value("processes").toArray()) {
            if (process["pid"].toInt() == server.pid())
                described = process["cwd"].toString() == server.directory() && process["kind"].toString() == "Node";
        }
        QVERIFY(described);
        QVERIFY(document.value("status").toString().contains(QString::number(server.port())));
    }

    void freeRefusesWithoutYesWhenStdinIsNoTerminal()
    {
        NodeServer server;
        QVERIFY2(server.start(devPortCandidates()), qPrintable(server.error()));

        const Run result = run({u"free"_s, QString::number(server.port())});
        QCOMPARE(result.status, 2);
        QVERIFY(result.err.contains("without --yes"));
        QVERIFY(!server.process().waitForFinished(300));
    }

    void freeWithYesEndsTheServer()
    {
        NodeServer server;
        QVERIFY2(server.start(devPortCandidates()), qPrintable(server.error()));

        const Run result = run({u"free"_s, QString::number(server.port()), u"--yes"_s});
        QCOMPARE(result.status, 0);
        QVERIFY(result.out.contains(u"Port %1 is free."_s.arg(server.port())));
        QVERIFY(server.process().waitForFinished(5000));
    }

    void freeAsksOnATerminal()
    {
        NodeServer server;
        QVERIFY2(server.start(devPortCandidates()), qPrintable(server.error()));
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
        const auto closeMaster = qScopeGuard([master] { ::close(master); });

        for (const QByteArray answer : {"n\n", "y\n"}) {
            QVERIFY(::write(master, answer.constData(), size_t(answer.size())) == answer.size());
            QProcess cli;
            cli.setStandardInputFile(QString::fromLocal8Bit(::ptsname(master)));
            cli.start(QStringLiteral(QUAYLIGHT_CLI), {u"free"_s, QString::number(server.port())});
            QVERIFY(cli.waitForFinished(30000));
            QVERIFY(cli.readAllStandardError().contains("Proceed? [y/N] "));
            QCOMPARE(cli.exitCode(), answer == "y\n" ? 0 : 1);
            QCOMPARE(server.process().waitForFinished(answer == "y\n" ? 5000 : 300), answer == "y\n");
        }
    }

    void freeOfAnIdlePortMatchesNothing()
    {
        // A port that only a test could have opened: any listener on it is the node server.
        NodeServer server;
        QVERIFY2(server.start(devPortCandidates()), qPrintable(server.error()));
        server.process().kill();
        QVERIFY(server.process().waitForFinished(5000));

        const Run result = run({u"free"_s, QString::number(server.port()), u"--yes"_s});
        QCOMPARE(result.status, 1);
        QVERIFY(result.err.contains(u"no Node process is listening on port %1"_s.arg(server.port())));
    }

    void scanJsonAndDryRunChangeNothing()
    {
        QTemporaryDir dir;
        buildTree(dir.path());
        const QStringList before = snapshot(dir.path());

        const Run scan = run({u"scan"_s, dir.path(), u"--json"_s});
        QCOMPARE(scan.status, 0);
        const QJsonArray modules = json(scan).value("modules").toArray();
        QCOMPARE(modules.size(), 4);
        QHash<QString, QJsonObject> byProject;
        for (const QJsonValue module : modules)
            byProject.insert(module["project"].toString(), module.toObject());
        QVERIFY(byProject["linked"]["isSymlink"].toBool());
        QCOMPARE(byProject["linked"]["reclaimableBytes"].toInteger(), 0);
        QCOMPARE(byProject["linked"]["symlinkTarget"].toString(), dir.path() + "/app/node_modules");
        // The hard-linked file is shared by app and tool, and counted once in the total.
        const qint64 shared = byProject["app"]["sharedBytes"].toInteger();
        QVERIFY(shared >= 64 * 1024);
        QCOMPARE(byProject["tool"]["sharedBytes"].toInteger(), shared);
        qint64 reclaimable = 0;
        for (const QJsonObject &module : std::as_const(byProject))
            reclaimable += module["reclaimableBytes"].toInteger();
        QCOMPARE(json(scan).value("totalBytes").toInteger(), reclaimable + shared);
        QCOMPARE(QDateTime::fromString(byProject["old"]["lastActivity"].toString(), Qt::ISODate)
                     .daysTo(QDateTime::currentDateTimeUtc()),
                 100);

        const Run dryRun = run({u"clean"_s, dir.path(), u"--dry-run"_s});
        QCOMPARE(dryRun.status, 0);
        QVERIFY2(dryRun.out.contains("Would move 4 node_modules folders to the Trash"), qPrintable(dryRun.out));
        QCOMPARE(snapshot(dir.path()), before);
    }

    void pathsThatAreNotUtf8AreByteArrays()
    {
        QTemporaryDir dir;
        const QByteArray project = QFile::encodeName(dir.path()) + "/caf\xe9";
        QVERIFY(::mkdir(project.constData(), 0755) == 0);
        QVERIFY(::mkdir((project + "/node_modules").constData(), 0755) == 0);

        const Run result = run({u"scan"_s, dir.path(), u"--json"_s});
        QCOMPARE(result.status, 0);
        const QJsonArray path = json(result).value("modules").toArray().first()["path"].toArray();
        QByteArray bytes;
        for (const QJsonValue byte : path)
            bytes.append(char(byte.toInt()));
        QCOMPARE(bytes, project + "/node_modules");
    }

    void aFolderNotNamedInUtf8CanBeScanned()
    {
        QTemporaryDir dir;
        const QByteArray folder = QFile::encodeName(dir.path()) + "/caf\xe9";
        QVERIFY(::mkdir(folder.constData(), 0755) == 0);
        QVERIFY(::mkdir((folder + "/p").constData(), 0755) == 0);
        QVERIFY(::mkdir((folder + "/p/node_modules").constData(), 0755) == 0);

        // QProcess would pass the name as UTF-8; the shell passes its very bytes.
        QProcess process;
        process.start(u"/bin/sh"_s,
                      {u"-c"_s, uR"sh(exec "$0" scan "$(printf '%s/caf\351' "$1")" --json)sh"_s,
                       QStringLiteral(QUAYLIGHT_CLI), dir.path()});
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 0);
        const QJsonObject document = QJsonDocument::fromJson(process.readAllStandardOutput()).object();
        QByteArray root;
        for (const QJsonValue byte : document.value("root").toArray())
            root.append(char(byte.toInt()));
        QCOMPARE(root, folder);
        QCOMPARE(document.value("modules").toArray().size(), 1);
    }

    void olderThanJudgesByLastActivity()
    {
        QTemporaryDir dir;
        buildTree(dir.path());

        const Run result = run({u"clean"_s, dir.path(), u"--older-than"_s, u"30"_s, u"--dry-run"_s, u"--json"_s});
        QCOMPARE(result.status, 0);
        const QJsonArray chosen = json(result).value("chosen").toArray();
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(chosen.first()["path"].toString(), dir.path() + "/old/node_modules");
    }

    void cleanWithYesMovesToTheTrash()
    {
        QTemporaryDir dir;
        QTemporaryDir home;
        buildTree(dir.path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", home.path());
        environment.insert("XDG_DATA_HOME", home.path() + "/data");

        const Run result = run({u"clean"_s, dir.path(), u"--min-size"_s, u"1K"_s, u"--yes"_s}, environment);
        QCOMPARE(result.status, 0);
        QVERIFY2(result.out.contains("Moved 3 folders to the Trash"), qPrintable(result.out + result.err));
        for (const char *project : {"app", "tool", "old"})
            QVERIFY(!QFileInfo::exists(dir.path() + "/" + project + "/node_modules"));
        QCOMPARE(completeTrashEntries(home.path() + "/data/Trash"), 3);
        // The link weighs nothing, so --min-size left it; its dangling self stays.
        QVERIFY(QFileInfo(dir.path() + "/linked/node_modules").isSymLink());
        QVERIFY(QFileInfo::exists(dir.path() + "/app/package.json"));
    }

    void interruptStopsACleanBetweenTwoFolders()
    {
        QTemporaryDir dir;
        QTemporaryDir home;
        constexpr int count = 2000;
        for (int i = 0; i < count; ++i)
            QVERIFY(QDir().mkpath(dir.path() + u"/p%1/node_modules/m"_s.arg(i)));
        QProcess cli;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", home.path());
        environment.insert("XDG_DATA_HOME", home.path() + "/data");
        cli.setProcessEnvironment(environment);
        cli.start(QStringLiteral(QUAYLIGHT_CLI), {u"clean"_s, dir.path(), u"--yes"_s});
        cli.closeWriteChannel();
        const QString files = home.path() + "/data/Trash/files";
        QTRY_VERIFY_WITH_TIMEOUT(QDir(files).count() > 2, 30000);
        ::kill(qint32(cli.processId()), SIGINT);

        QVERIFY(cli.waitForFinished(30000));
        QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
        QCOMPARE(cli.exitCode(), 130);
        QVERIFY(cli.readAllStandardError().contains("Interrupted"));
        const int trashed = completeTrashEntries(home.path() + "/data/Trash");
        QVERIFY2(trashed > 0 && trashed < count, qPrintable(QString::number(trashed)));
        int left = 0;
        for (int i = 0; i < count; ++i)
            left += QFileInfo::exists(dir.path() + u"/p%1/node_modules"_s.arg(i)) ? 1 : 0;
        QCOMPARE(left + trashed, count);
    }

    void interruptStopsAScan()
    {
        QTemporaryDir dir;
        for (int project = 0; project < 20; ++project) {
            for (int file = 0; file < 100; ++file)
                write(dir.path() + u"/p%1/node_modules/m%2/f%3.js"_s.arg(project).arg(file % 10).arg(file), "x");
        }
        QProcess cli;
        cli.start(QStringLiteral(QUAYLIGHT_CLI), {u"scan"_s, dir.path(), u"--json"_s});
        cli.closeWriteChannel();
        QVERIFY(cli.waitForStarted());
        // Held still from the moment it catches SIGINT, so the signal lands before the scan ends.
        QVERIFY(catchesInterrupts(cli.processId()));
        ::kill(qint32(cli.processId()), SIGSTOP);
        ::kill(qint32(cli.processId()), SIGINT);
        ::kill(qint32(cli.processId()), SIGCONT);

        QVERIFY(cli.waitForFinished(30000));
        QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
        QCOMPARE(cli.exitCode(), 130);
        QCOMPARE(cli.readAllStandardOutput(), QByteArray());
        QVERIFY(!cli.readAllStandardError().isEmpty());
    }

    void badInputIsAUsageError_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing folder") << QStringList{u"clean"_s, u"%1/missing"_s, u"--yes"_s} << u"no such folder"_s;
        QTest::newRow("port not a number") << QStringList{u"free"_s, u"30OO"_s, u"--yes"_s} << u"is not a port"_s;
        QTest::newRow("negative days") << QStringList{u"clean"_s, u"%1"_s, u"--older-than"_s, u"-1"_s, u"--yes"_s}
                                       << u"--older-than needs a whole number of days"_s;
        QTest::newRow("unknown option") << QStringList{u"scan"_s, u"%1"_s, u"--yes"_s} << u"scan does not take --yes"_s;
    }

    void badInputIsAUsageError()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        QTemporaryDir dir;
        buildTree(dir.path());
        const QStringList before = snapshot(dir.path());
        for (QString &argument : arguments)
            argument.replace("%1", dir.path());

        const Run result = run(arguments);
        QCOMPARE(result.status, 2);
        QVERIFY2(result.err.startsWith("quaylight-cli: ") && result.err.contains(message), qPrintable(result.err));
        QVERIFY(result.out.isEmpty());
        QCOMPARE(snapshot(dir.path()), before);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
