#include "core/processes/ProcFs.h"
#include "core/processes/ProcessScanner.h"
#include "core/processes/SocketDiag.h"
#include "support/NodeServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <climits>
#include <functional>

#include <grp.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <pwd.h>
#include <sched.h>
#include <stddef.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

using ProcessScanner::detail::PSEntry;
using PortMap = QHash<qint32, QSet<int>>;
using DirectoryMap = QHash<qint32, QString>;
using Listeners = QHash<quint64, int>;

namespace ProcessScanner::detail {
char *toString(const PSEntry &entry)
{
    return QTest::toString(QStringLiteral("{%1, %2, %3s, %4 KiB, \"%5\"}")
                               .arg(entry.pid)
                               .arg(entry.ppid)
                               .arg(entry.elapsedSeconds)
                               .arg(entry.rssKB)
                               .arg(entry.command));
}
} // namespace ProcessScanner::detail

namespace {

// A `node -e script` child that prints one line once it is ready; killed and reaped with the object.
struct NodeScript
{
    QProcess process;
    QString line;

    bool start(const QString &script)
    {
        const QString node = QStandardPaths::findExecutable("node");
        if (node.isEmpty())
            return false;
        process.start(node, {"-e", script});
        while (!line.contains('\n') && process.waitForReadyRead(20000))
            line += QString::fromUtf8(process.readAllStandardOutput());
        line = line.trimmed();
        return !line.isEmpty();
    }
    [[nodiscard]] qint32 pid() const { return qint32(process.processId()); }
    ~NodeScript()
    {
        process.kill();
        process.waitForFinished(10000);
    }
};

} // namespace

class TestProcessScanner : public QObject
{
    Q_OBJECT

private slots:
    void parseETime_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("seconds");
        QTest::newRow("mm:ss") << "05:03" << qint64(303);
        QTest::newRow("hh:mm:ss") << "02:05:00" << qint64(7500);
        QTest::newRow("dd-hh:mm:ss") << "3-04:00:00" << qint64(273600);
        QTest::newRow("empty") << "" << qint64(0);
        QTest::newRow("four pieces") << "1:2:3:4" << qint64(0);
        QTest::newRow("bad days") << "x-05:03" << qint64(303);
        QTest::newRow("bad piece") << "01:xx:05" << qint64(3605);
        QTest::newRow("empty pieces dropped") << "::05:03" << qint64(303);
        QTest::newRow("overflow") << "999999999999999999-00:00:00" << qint64(0);
    }

    void parseETime()
    {
        QFETCH(QString, text);
        QFETCH(qint64, seconds);
        QCOMPARE(ProcessScanner::parseETime(text), seconds);
    }

    void keywordsAndKinds_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("isNode");
        QTest::addColumn<QString>("kind");
        QTest::newRow("next-server") << "next-server (v14.2.0)" << true << "Next.js";
        QTest::newRow("nest start") << "node /app/node_modules/.bin/nest start" << true << "NestJS";
        QTest::newRow("yarn vite") << "yarn vite" << true << "Vite";
        QTest::newRow("react-scripts") << "react-scripts start" << true << "React";
        QTest::newRow("npx nodemon") << "npx nodemon" << true << "nodemon";
        QTest::newRow("pnpm dev") << "pnpm dev" << true << "npm/yarn";
        QTest::newRow("YARN upper") << "YARN install" << true << "npm/yarn";
        QTest::newRow("plain node") << "/opt/homebrew/bin/node index.js" << true << "Node";
        QTest::newRow("python") << "/usr/bin/python3 -m http.server" << false << "Node";
        QTest::newRow("code helper") << "/opt/vscode/code helper --node" << false << "Node";
        QTest::newRow("other helper renderer") << "Slack Helper (Renderer) nodejs" << false << "Node";
    }

    void keywordsAndKinds()
    {
        QFETCH(QString, command);
        QFETCH(bool, isNode);
        QFETCH(QString, kind);
        QCOMPARE(ProcessScanner::isNodeProcess(command), isNode);
        QCOMPARE(NodeProcess::rawValue(ProcessScanner::classify(command)), kind);
    }

    void parsePs_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<PSEntry>>("entries");

        QTest::newRow("padded columns") << "  4242   1  01:02:03  51200 /usr/local/bin/node   server.js\n"
                                        << QList<PSEntry>{{4242, 1, 3723, 51200, "/usr/local/bin/node server.js"}};
        QTest::newRow("single spaces kept")
            << "4242 1 05:03 100 node  a.js" << QList<PSEntry>{{4242, 1, 303, 100, "node  a.js"}};
        QTest::newRow("pid not a number") << "abc 1 05:03 100 node a.js" << QList<PSEntry>{};
        QTest::newRow("pid out of range") << "2147483648 1 05:03 100 node a.js" << QList<PSEntry>{};
        QTest::newRow("pid 0") << "0 0 05:03 100 node a.js" << QList<PSEntry>{};
        QTest::newRow("pid -1") << "-1 1 05:03 100 node a.js" << QList<PSEntry>{};
        QTest::newRow("plus sign") << "+42 -1 00:07 5 node" << QList<PSEntry>{{42, -1, 7, 5, "node"}};
        QTest::newRow("bad memory counts 0")
            << "4242 1 05:03 n/a node a.js" << QList<PSEntry>{{4242, 1, 303, 0, "node a.js"}};
        QTest::newRow("own pid") << "777 1 00:01 10 node x.js" << QList<PSEntry>{};
        QTest::newRow("not node") << "7 1 00:01 10 /usr/bin/python3 app.py" << QList<PSEntry>{};
        QTest::newRow("tab stays inside its field")
            << "8 1 00:01 10\t node a.js" << QList<PSEntry>{{8, 1, 1, 0, "node a.js"}};
        QTest::newRow("unicode blanks trimmed")
            << "\t\u00a09 1 00:01 10 node a.js\u2003" << QList<PSEntry>{{9, 1, 1, 10, "node a.js"}};
        QTest::newRow("rows, one cut off, one blank")
            << "  101     1    10:00  2000 npm run dev\n\n  102   101    09:59  80000 node "
               "/app/node_modules/.bin/vite\n  103   10"
            << QList<PSEntry>{{101, 1, 600, 2000, "npm run dev"},
                              {102, 101, 599, 80000, "node /app/node_modules/.bin/vite"}};
        QTest::newRow("command cut off still counts") << "104 1 00:05 64 /usr/local/bin/node /srv/ap"
                                                      << QList<PSEntry>{{104, 1, 5, 64, "/usr/local/bin/node /srv/ap"}};
    }

    // Rows are parsed as if this process had pid 777.
    void parsePs()
    {
        QFETCH(QString, text);
        QFETCH(QList<PSEntry>, entries);
        QCOMPARE(ProcessScanner::detail::parsePs(text, 777), entries);
    }

    void parseListening_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<PortMap>("ports");
        const QString header = "COMMAND    PID USER   FD   TYPE DEVICE SIZE/OFF NODE NAME\n";

        QTest::newRow("IPv4, IPv6 and the same port twice") << header
                + "node      501 dev   21u  IPv4 0x1      0t0  TCP *:3000 (LISTEN)\n"
                  "node      501 dev   22u  IPv6 0x2      0t0  TCP [::1]:3000 (LISTEN)\n"
                  "node      502 dev   23u  IPv4 0x3      0t0  TCP 127.0.0.1:5173 (LISTEN)\n"
                                                            << PortMap{{501, {3000}}, {502, {5173}}};
        QTest::newRow("IPv6 address, several ports") << header
                + "node 601 dev 21u IPv6 1 0t0 TCP [::1]:8080 (LISTEN)\nnode 601 dev 22u IPv6 2 0t0 TCP "
                  "[fe80::1%lo]:9229 (LISTEN)\n" << PortMap{{601, {8080, 9229}}};
        QTest::newRow("escaped command name")
            << header + "npm\\x20ru 8484 root 19u IPv6 18553 0t0 TCP *:43429 (LISTEN)" << PortMap{{8484, {43429}}};
        QTest::newRow("pid column not a number")
            << header + "node abc dev 21u IPv4 1 0t0 TCP *:3000 (LISTEN)" << PortMap{};
        QTest::newRow("no colon") << header + "node 701 dev 21u IPv4 1 0t0 TCP localhost (LISTEN)" << PortMap{};
        QTest::newRow("first line is the header")
            << "node 801 dev 21u IPv4 1 0t0 TCP *:3000 (LISTEN)\nnode 802 dev 21u IPv4 1 0t0 TCP *:3001 (LISTEN)\n"
            << PortMap{{802, {3001}}};
        QTest::newRow("cut off lines") << header
                + "node 901 dev 21u IPv4 1 0t0 TCP *:\nnode 902 de\nnode 903 dev 2u IPv4 1 0t0 TCP *:40"
                                       << PortMap{{903, {40}}};
    }

    void parseListening()
    {
        QFETCH(QString, text);
        QFETCH(PortMap, ports);
        QCOMPARE(ProcessScanner::parseListening(text), ports);
    }

    void parseWorkingDirectories_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<DirectoryMap>("directories");
        QTest::newRow("two, space in a path") << "p101\nfcwd\nn/Users/a/app\np202\nfcwd\nn/tmp/my dir\n"
                                              << DirectoryMap{{101, "/Users/a/app"}, {202, "/tmp/my dir"}};
        QTest::newRow("name before any pid") << "n/x\np5\nn/y" << DirectoryMap{{5, "/y"}};
        QTest::newRow("later name replaces") << "p5\nn/a\nn/b\n" << DirectoryMap{{5, "/b"}};
        QTest::newRow("bad pid clears the current one") << "p5\np5x\nn/a\n" << DirectoryMap{};
        QTest::newRow("empty name") << "p5\nn\n" << DirectoryMap{{5, ""}};
        QTest::newRow("cut off") << "p5\nn/home/u/pro" << DirectoryMap{{5, "/home/u/pro"}};
    }

    void parseWorkingDirectories()
    {
        QFETCH(QString, text);
        QFETCH(DirectoryMap, directories);
        QCOMPARE(ProcessScanner::detail::parseWorkingDirectories(text), directories);
    }

    // Rows as the kernel prints them, cut after the inode column, padding narrowed.
    void parseTcpListeners_data()
    {
        QTest::addColumn<QByteArray>("table");
        QTest::addColumn<Listeners>("listeners");
        const QByteArray header = "  sl local_address rem_address st tx_queue rx_queue tr tm->when retrnsmt"
                                  " uid timeout inode\n";
        const QByteArray v6Any = "00000000000000000000000000000000";
        QTest::newRow("IPv4 listener, established and time-wait skipped") << header
                + "   0: 0100007F:0BB8 00000000:0000 0A 00000000:00000000 00:00000000 00000000 1000 0 4711\n"
                  "   1: 0100007F:0BB8 0100007F:D2F0 01 00000000:00000000 00:00000000 00000000 1000 0 4712\n"
                  "   2: 0100007F:9C40 0100007F:0BB8 06 00000000:00000000 03:00001770 00000000 0 0 0\n"
                                                                          << Listeners{{4711, 3000}};
        QTest::newRow("IPv6 listeners") << header + "   0: 00000000000000000000000001000000:1435 " + v6Any
                + ":0000 0A 00000000:00000000 00:00000000 00000000 0 0 99\n"
                  "   1: "
                + v6Any + ":5E26 " + v6Any + ":0000 0A 00000000:00000000 00:00000000 00000000 0 0 98"
                                        << Listeners{{99, 5173}, {98, 24102}};
        QTest::newRow("header alone") << header << Listeners{};
        QTest::newRow("first line is the header")
            << QByteArray("   0: 0100007F:0BB8 00000000:0000 0A 0:0 0:0 0 0 0 5 1\n") << Listeners{};
        QTest::newRow("cut off, bad port, no inode") << header
                + "   0: 0100007F:0BB8 00000000:0000 0A 00000000:00000000 00:00000000 00000000  1000        0\n"
                  "   1: 0100007F:ZZZZ 00000000:0000 0A 00000000:00000000 00:00000000 00000000  1000   0 7\n"
                  "   2: 0100007F:0050 00000000:0000 0A 00000000:00000000 00:00000000 00000000  1000   0 0\n"
                                                     << Listeners{};
    }

    void parseTcpListeners()
    {
        QFETCH(QByteArray, table);
        QFETCH(Listeners, listeners);
        QCOMPARE(ProcFs::parseTcpListeners(table), listeners);
    }

    void parseStat()
    {
        const QByteArray rest = " 1 4242 4242 0 -1 4194560 1 0 0 0 3 1 0 0 20 0 11 0 123456 1000 200";
        // The name a process gives itself may hold spaces and parentheses.
        const auto parsed = ProcFs::parseStat("4243 (next-server (v1) S" + rest + "\n");
        QCOMPARE(std::pair(parsed->state, parsed->startTime), std::pair('S', quint64(123456)));
        QCOMPARE(ProcFs::parseStat("9 (a) b) Z" + rest)->state, 'Z');
        QVERIFY(!parsed->kernelThread);
        QVERIFY(
            ProcFs::parseStat("77 (kworker/1:0-xfs-inodegc/loop0) I 2 0 0 0 -1 69238880" + rest.mid(25))->kernelThread);
        QVERIFY(!ProcFs::parseStat("4243 (node) S 1 4242"));
        QVERIFY(!ProcFs::parseStat("4243 node S" + rest));
        const auto own = ProcFs::readStat(qint32(::getpid()));
        QVERIFY(own && own->state == 'R' && !own->kernelThread && ProcFs::secondsSinceStart(own->startTime) < 600);
        QFile kthreadd("/proc/2/comm");
        if (kthreadd.open(QIODevice::ReadOnly) && kthreadd.readAll() == "kthreadd\n")
            QVERIFY(ProcFs::readStat(2)->kernelThread);
        QVERIFY(!ProcFs::readStat(INT_MAX));
    }

    // Without IPv6 the kernel has no tcp6 table; without a tcp table, lsof takes over.
    void kernelTablesWithoutTcp6OrTcp()
    {
        QTemporaryDir dir;
        QFile tcp(dir.filePath("tcp"));
        QVERIFY(tcp.open(QIODevice::WriteOnly));
        tcp.write("  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode\n"
                  "   0: 00000000:1F90 00000000:0000 0A 00000000:00000000 00:00000000 00000000  1000   0 31 1 0\n");
        tcp.close();
        QCOMPARE(ProcFs::listeners(dir.path()), (Listeners{{31, 8080}}));
        QVERIFY(tcp.remove());
        QCOMPARE(ProcFs::listeners(dir.path()), std::nullopt);
        QCOMPARE(ProcessScanner::detail::kernelListeningPorts({qint32(::getpid())}, dir.path()), std::nullopt);
    }

    // One process listening on IPv4 and IPv6 (one port on both, one on IPv6 only) with a
    // connection of its own, and one process with no socket at all.
    void kernelListeningPortsOfRealProcesses()
    {
        if (!QFile::exists("/proc/net/tcp6"))
            QSKIP("IPv6 is disabled here");
        NodeScript listener;
        QVERIFY2(listener.start(R"js(
const net = require('net');
const listen = (host, port) => new Promise((ok, fail) => {
  const server = net.createServer(() => {}).once('error', fail);
  server.listen(port, host, () => ok(server.address().port));
});
(async () => {
  const both = await listen('127.0.0.1', 0);
  await listen('::1', both);
  const v6 = await listen('::1', 0);
  net.connect(both, '127.0.0.1', () => console.log(both + ' ' + v6));
})().catch(e => console.log('failed ' + e.message));
)js"),
                 "node is not installed or did not start");
        const QStringList ports = listener.line.split(' ');
        if (ports.first() == "failed")
            QSKIP(qPrintable("no IPv6 loopback here: " + listener.line));
        NodeScript idle;
        QVERIFY(idle.start("console.log('ready'); setInterval(() => {}, 1 << 30)"));

        const PortMap expected{{listener.pid(), {ports[0].toInt(), ports[1].toInt()}}};
        QCOMPARE(ProcessScanner::detail::kernelListeningPorts({listener.pid(), idle.pid()}), expected);
        const std::optional<Listeners> diag = SocketDiag::tcpListeners();
        QVERIFY2(diag, "netlink sock_diag refused");
        QCOMPARE(ProcessScanner::detail::kernelListeningPorts({listener.pid(), idle.pid()}, *diag), expected);
    }

    // A server in a network namespace of its own (a container) is found in that namespace's table.
    void kernelListeningPortsInAnotherNetworkNamespace()
    {
        const QString unshare = QStandardPaths::findExecutable("unshare");
        const QString node = QStandardPaths::findExecutable("node");
        if (::geteuid() != 0 || unshare.isEmpty() || node.isEmpty())
            QSKIP("needs root, unshare and node to start a server in a network namespace of its own");
        QProcess server; // unshare execs node: one pid, killed and reaped with the object
        server.start(unshare,
                     {"--net", node, "-e", "require('net').createServer().listen(3000, () => console.log('ready'))"});
        if (!server.waitForReadyRead(20000))
            QSKIP("no network namespace could be made here");
        const qint32 pid = qint32(server.processId());
        QVERIFY(ProcFs::netNamespace(pid) != ProcFs::netNamespace(0));
        QCOMPARE(ProcessScanner::detail::kernelListeningPorts({pid}), (QHash<qint32, QSet<int>>{{pid, {3000}}}));
        server.kill();
        server.waitForFinished();
    }

    void scanFindsARealNextServer()
    {
        NodeServer server(QDir::tempPath() + "/quaylight scan XXXXXX");
        server.setTitle("next-server (v15.0.0)");
        QVERIFY2(server.start(sortedDevPorts()), qPrintable(server.error()));
        const int port = server.port();

        const qint32 pid = server.pid();
        const QList<NodeProcess> processes = ProcessScanner::scan().processes;
        const auto found =
            std::find_if(processes.cbegin(), processes.cend(), [pid](const NodeProcess &p) { return p.pid == pid; });
        QVERIFY2(found != processes.cend(), "scan() did not list the node server");
        QCOMPARE(std::tuple(found->id, found->ppid, found->kind, found->command, found->ports, found->cwd),
                 std::tuple(pid, qint32(::getpid()), NodeProcess::Kind::next, server.command(), QList<int>{port},
                            std::optional<QString>(server.directory())));
        QCOMPARE(found->startTime, std::optional(ProcFs::readStat(pid)->startTime));
        QVERIFY(found->rssKB > 0);
        QVERIFY(found->elapsedSeconds >= 0 && found->elapsedSeconds < 600);

        for (const NodeProcess &process : processes)
            QVERIFY(process.pid > 0 && process.pid != qint32(::getpid()));
    }

    // A dead node process its parent never reaps holds nothing and cannot be signalled.
    void scanLeavesZombiesOut()
    {
        const QString node = QStandardPaths::findExecutable("node");
        if (node.isEmpty())
            QSKIP("node is not installed");
        QProcess parent; // a shell that starts node, then becomes a sleep that never reaps it
        const QString script = "\"$0\" -e \"process.title='next-server (v16.0.0)'\" & echo $!; exec sleep 60";
        parent.start("/bin/sh", {"-c", script, node});
        QVERIFY(parent.waitForReadyRead(10000));
        const qint32 zombie = parent.readAllStandardOutput().trimmed().toInt();
        QVERIFY(zombie > 1);
        QTRY_COMPARE_WITH_TIMEOUT(ProcFs::readStat(zombie).value_or(ProcFs::Stat{}).state, 'Z', 20000);
        const auto listed = ProcessScanner::detail::ps();
        const auto isZombie = [zombie](const auto &entry) { return entry.pid == zombie; };
        QVERIFY2(std::ranges::any_of(listed, isZombie), "ps does not list the zombie; this test shows nothing");
        QVERIFY(std::ranges::none_of(ProcessScanner::scan().processes, isZombie));
        parent.kill();
        parent.waitForFinished(10000);
    }

    // What a scan sees of this test's own server: as the user nobody it is another user's process,
    // listed without a folder or ports and without an error text in their place (lsof prints
    // "/proc/PID/cwd (readlink: Permission denied)" there), its port named as held by another
    // user; where netlink is refused and /proc hides the network tables, lsof gives the ports and folders.
    void scanSeesWhatItMay_data()
    {
        QTest::addColumn<bool>("hideTables");
        QTest::addColumn<bool>("asNobody");
        QTest::addColumn<QString>("report");
        QTest::newRow("as nobody") << false << true << "none|—|Node|{port} is held by another user's process";
        QTest::newRow("lsof") << true << false << "{dir}|{port}|Node";
        QTest::newRow("lsof as nobody") << true << true << "none|—|Node";
    }

    void scanSeesWhatItMay()
    {
        QFETCH(bool, hideTables);
        QFETCH(bool, asNobody);
        QFETCH(QString, report);
        const passwd *nobody = ::getpwnam("nobody");
        if (::geteuid() != 0 || (asNobody && !nobody))
            QSKIP("needs root, and the user nobody to scan as");
        NodeServer server;
        QVERIFY2(server.start(sortedDevPorts()), qPrintable(server.error()));
        const auto found = scanInChild(
            server, [=] { return (!hideTables || hideNetworkTables()) && (!asNobody || becomeUser(nobody)); });
        if (!found && hideTables)
            QSKIP("no private mount namespace here");
        report.replace("{dir}", server.directory()).replace("{port}", QString::number(server.port()));
        QCOMPARE(found.value_or("no scan"), report.toUtf8());
    }

private:
    static QList<int> sortedDevPorts()
    {
        QList<int> ports = ProcessScanner::devPorts().values();
        std::sort(ports.begin(), ports.end());
        return ports;
    }

    // A sandbox that refuses netlink sockets (EACCES) to this process and its children.
    static bool refuseNetlink()
    {
        sock_filter filter[] = {
            BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_socket, 0, 3),
            BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[0])),
            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AF_NETLINK, 0, 1),
            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EACCES),
            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        };
        sock_fprog program{sizeof filter / sizeof filter[0], filter};
        return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0
            && ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0 && !SocketDiag::tcpListeners();
    }

    // In a forked child: drops every privilege to user's.
    static bool becomeUser(const passwd *user)
    {
        return ::setgroups(0, nullptr) == 0 && ::setresgid(user->pw_gid, user->pw_gid, user->pw_gid) == 0
            && ::setresuid(user->pw_uid, user->pw_uid, user->pw_uid) == 0;
    }

    // In a forked child: netlink refused and an empty folder over /proc/self/net, in a mount
    // namespace of its own.
    static bool hideNetworkTables()
    {
        return refuseNetlink() && ::unshare(CLONE_NEWNS) == 0
            && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0
            && ::mount("tmpfs", "/proc/self/net", "tmpfs", 0, nullptr) == 0 && !QFile::exists("/proc/net/tcp");
    }

    // Scans in a forked child once prepare() has succeeded there, and reports what it found of
    // server: "{folder or none}|{ports}|{kind}" and "|{description}" of an other holder of its
    // port. nullopt when prepare() failed.
    static std::optional<QByteArray> scanInChild(const NodeServer &server, const std::function<bool()> &prepare)
    {
        int out[2];
        if (::pipe(out) != 0)
            return std::nullopt;
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(out[0]);
            if (!prepare())
                ::_exit(2);
            QByteArray report;
            const ProcessScan scan = ProcessScanner::scan();
            for (const NodeProcess &process : scan.processes) {
                if (process.pid == server.pid())
                    report =
                        QString("%1|%2|%3")
                            .arg(process.cwd.value_or("none"), process.portsText(), NodeProcess::rawValue(process.kind))
                            .toUtf8();
            }
            for (const PortHolder &holder : scan.otherHolders) {
                if (holder.port == server.port())
                    report += "|" + holder.description().toUtf8();
            }
            (void)!::write(out[1], report.constData(), size_t(report.size()));
            ::_exit(0);
        }
        ::close(out[1]);
        QByteArray report;
        char buffer[4096];
        for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;)
            report.append(buffer, n);
        ::close(out[0]);
        int status = 0;
        if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
            return std::nullopt;
        return report;
    }
};

QTEST_GUILESS_MAIN(TestProcessScanner)
#include "tst_processscanner.moc"
