// Times ProcessScanner::scan() (ps, then /proc) against two other ways to the same facts,
// in the same rounds: ps + `ss -ltnp` (the two tool runs alone, without parsing) and the
// earlier ps + lsof path (ps, lsof for the listening sockets, lsof for the folders), with 0,
// 100 and 500 extra idle node processes that it starts and stops itself. Then the time from
// a Stop (ProcessStore::kill) to the updated list, and from ProcessStore::reload() to the
// published list. Prints medians; run it by hand (see
// bench/CMakeLists.txt): build/release/bench/process_scan [rounds]
#include "core/processes/ProcessScanner.h"
#include "core/processes/ProcessStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The bare cost of one tool run: spawn, read stdout to the end, wait.
size_t runDirectly(const QByteArray &path, const QList<QByteArray> &arguments)
{
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return 0;
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    ::posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<QByteArray> storage{path};
    storage.insert(storage.end(), arguments.cbegin(), arguments.cend());
    std::vector<char *> argv;
    for (QByteArray &argument : storage)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, path.constData(), &actions, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    size_t total = 0;
    char buffer[65536];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;)
        total += size_t(n);
    ::close(out[0]);
    if (spawned == 0)
        ::waitpid(pid, nullptr, 0);
    return total;
}

struct Figures
{
    int extra = 0;
    int found = 0;
    double scanMs = 0;
    double psSsMs = 0;
    double lsofMs = 0;
};

// What a scan cost before the kernel's tables: ps, then lsof twice.
void scanWithLsof()
{
    const QList<ProcessScanner::detail::PSEntry> entries = ProcessScanner::detail::ps();
    if (entries.isEmpty())
        return;
    QList<qint32> pids;
    for (const auto &entry : entries)
        pids.append(entry.pid);
    (void)ProcessScanner::detail::listeningPorts();
    (void)ProcessScanner::detail::workingDirectories(pids);
}

double since(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

Figures compare(int extra, int rounds, const QByteArray &ss)
{
    std::vector<double> scans;
    std::vector<double> psSs;
    std::vector<double> lsof;
    Figures figures;
    figures.extra = extra;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        figures.found = int(ProcessScanner::scan().processes.size());
        scans.push_back(since(timer));

        if (!ss.isEmpty()) {
            timer.start();
            runDirectly("/bin/ps", {"-axww", "-o", "pid=,ppid=,etime=,rss=,command="});
            runDirectly(ss, {"-ltnp"});
            psSs.push_back(since(timer));
        }

        timer.start();
        scanWithLsof();
        lsof.push_back(since(timer));
    }
    figures.scanMs = median(scans);
    figures.psSsMs = psSs.empty() ? 0 : median(psSs);
    figures.lsofMs = median(lsof);
    return figures;
}

// Median of reload() until the list is published, and of a bare scan() in the
// same rounds.
std::pair<double, double> reloadAgainstScan(int rounds)
{
    ProcessStore store;
    std::vector<double> reloads;
    std::vector<double> scans;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        QFuture<void> published = store.reload();
        while (!published.isFinished())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        reloads.push_back(double(timer.nsecsElapsed()) / 1e6);

        timer.start();
        (void)ProcessScanner::scan();
        scans.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    return {median(reloads), median(scans)};
}

void print(const Figures &figures)
{
    std::printf("%11d %6d   %8.2f   %10.2f   %10.2f   %9.3f\n", figures.extra, figures.found, figures.scanMs,
                figures.psSsMs, figures.lsofMs, figures.scanMs / figures.lsofMs);
}

// The extra node processes; stopped and reaped when this goes out of scope. They share one
// pipe to say they are ready, so 500 of them cost no descriptors of ours.
struct Nodes
{
    std::vector<pid_t> pids;
    int ready[2] = {-1, -1};

    Nodes()
    {
        if (::pipe2(ready, O_CLOEXEC) != 0)
            ready[0] = ready[1] = -1;
    }

    // Starts node processes until there are count of them, and waits until each has said so.
    bool growTo(const QByteArray &node, int count)
    {
        const size_t first = pids.size();
        posix_spawn_file_actions_t actions;
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawn_file_actions_adddup2(&actions, ready[1], STDOUT_FILENO);
        ::posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        QByteArray e = "-e";
        QByteArray script = "process.stdout.write('r'); setInterval(() => {}, 1 << 30)";
        QByteArray path = node;
        char *argv[] = {path.data(), e.data(), script.data(), nullptr};
        while (int(pids.size()) < count) {
            pid_t pid = -1;
            if (::posix_spawn(&pid, path.constData(), &actions, nullptr, argv, environ) != 0)
                break;
            pids.push_back(pid);
        }
        ::posix_spawn_file_actions_destroy(&actions);
        size_t said = 0;
        char buffer[512];
        while (said < pids.size() - first) {
            const ssize_t n = ::read(ready[0], buffer, std::min(sizeof buffer, pids.size() - first - said));
            if (n <= 0)
                return false;
            said += size_t(n);
        }
        return int(pids.size()) == count;
    }

    void stop()
    {
        for (const pid_t pid : pids)
            ::kill(pid, SIGTERM);
        for (const pid_t pid : pids)
            ::waitpid(pid, nullptr, 0);
        pids.clear();
    }

    ~Nodes()
    {
        stop();
        ::close(ready[0]);
        ::close(ready[1]);
    }
};

// Median time from ProcessStore::kill() (SIGTERM) of a listed idle node process, which exits
// at once, to the published list without it.
double stopToList(const QByteArray &node, int rounds)
{
    ProcessStore store;
    std::vector<double> times;
    for (int round = 0; round < rounds; ++round) {
        Nodes one;
        if (!one.growTo(node, 1))
            return 0;
        QFuture<void> listed = store.reload();
        while (!listed.isFinished())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QElapsedTimer timer;
        timer.start();
        QFuture<KillOutcome> done = store.kill({qint32(one.pids.front())}, false);
        while (!done.isFinished())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        times.push_back(since(timer));
    }
    return median(times);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;

    // Every tool runs under the open-file limit scan() gives lsof, so lsof's start-up
    // descriptor sweep costs the same on every side.
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > 1024) {
        limit.rlim_cur = 1024;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
    const QByteArray ss = QFile::encodeName(QStandardPaths::findExecutable("ss"));
    const QByteArray node = QFile::encodeName(QStandardPaths::findExecutable("node"));

    std::printf("process_scan: medians of %d rounds; the three ways alternate in each round\n", rounds);
    if (ss.isEmpty())
        std::printf("no ss on the PATH: its column reads 0\n");
    std::printf("%11s %6s   %8s   %10s   %10s   %9s\n", "extra nodes", "found", "scan ms", "ps + ss ms", "ps + lsof ms",
                "scan/lsof");
    Nodes nodes;
    for (const int extra : {0, 100, 500}) {
        if (extra > 0 && node.isEmpty()) {
            std::printf("no node on the PATH: the cases with extra node processes are skipped\n");
            break;
        }
        if (!nodes.growTo(node, extra)) {
            std::printf("could not start %d node processes\n", extra);
            return 1;
        }
        print(compare(extra, rounds, ss));
    }
    nodes.stop();

    if (!node.isEmpty())
        std::printf("\nProcessStore::kill() of a node process that exits at once to the updated list: %.2f ms\n",
                    stopToList(node, rounds));

    const auto [reloadMs, scanMs] = reloadAgainstScan(rounds);
    std::printf("\nProcessStore::reload() to published list: %.2f ms; bare scan() in the same rounds: %.2f ms\n",
                reloadMs, scanMs);
    return 0;
}
