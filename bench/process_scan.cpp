// Times ProcessScanner::scan() against the three tool runs it is made of, started
// directly with posix_spawn in the same run, and the time from ProcessStore::reload()
// to the published list. Prints medians; run it by hand (see bench/CMakeLists.txt).

#include "core/processes/ProcessScanner.h"
#include "core/processes/ProcessStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

constexpr int s_rounds = 25;
constexpr int s_extraNodes = 100;

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

QByteArray lsofPath()
{
    return ::access("/usr/sbin/lsof", X_OK) == 0 ? "/usr/sbin/lsof" : "/usr/bin/lsof";
}

struct Figures
{
    double scanMs = 0;
    double toolsMs = 0;
    int processes = 0;
};

Figures compare()
{
    std::vector<double> scans;
    std::vector<double> tools;
    int processes = 0;
    for (int round = 0; round < s_rounds; ++round) {
        QList<qint32> pids;
        for (const auto &entry : ProcessScanner::detail::ps())
            pids.append(entry.pid);
        QByteArray pidList;
        for (const qint32 pid : pids)
            pidList += (pidList.isEmpty() ? "" : ",") + QByteArray::number(pid);

        QElapsedTimer timer;
        timer.start();
        runDirectly("/bin/ps", {"-axww", "-o", "pid=,ppid=,etime=,rss=,command="});
        runDirectly(lsofPath(), {"-nP", "-iTCP", "-sTCP:LISTEN"});
        if (!pids.isEmpty())
            runDirectly(lsofPath(), {"-a", "-d", "cwd", "-p", pidList, "-Fpn"});
        tools.push_back(double(timer.nsecsElapsed()) / 1e6);

        timer.start();
        processes = int(ProcessScanner::scan().size());
        scans.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    return {median(scans), median(tools), processes};
}

// Median of reload() until the list is published, and of a bare scan() in the
// same rounds.
std::pair<double, double> reloadAgainstScan()
{
    ProcessStore store;
    std::vector<double> reloads;
    std::vector<double> scans;
    for (int round = 0; round < s_rounds; ++round) {
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

void print(const char *label, const Figures &figures)
{
    std::printf("%-26s %6d   %9.2f   %9.2f   %5.3f\n", label, figures.processes, figures.scanMs,
                figures.toolsMs, figures.scanMs / figures.toolsMs);
}

// The extra node processes; stopped and reaped when this goes out of scope.
struct Nodes
{
    std::vector<std::unique_ptr<QProcess>> processes;

    bool start(const QString &node, int count)
    {
        for (int i = 0; i < count; ++i) {
            auto process = std::make_unique<QProcess>();
            process->start(node, {"-e", "console.log('ready'); setInterval(() => {}, 1 << 30)"});
            processes.push_back(std::move(process));
        }
        for (auto &process : processes) {
            if (!process->waitForReadyRead(60000))
                return false;
        }
        return true;
    }

    ~Nodes()
    {
        for (auto &process : processes)
            process->terminate();
        for (auto &process : processes) {
            if (!process->waitForFinished(10000))
                process->kill();
        }
    }
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);

    // Both sides run their tools under the open-file limit scan() gives them, so
    // lsof's start-up descriptor sweep costs the same on both.
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > 1024) {
        limit.rlim_cur = 1024;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }

    std::printf("process_scan: medians of %d rounds, scan() and the direct tool runs alternating\n",
                s_rounds);
    std::printf("%-26s %6s   %9s   %9s   %5s\n", "case", "found", "scan ms", "tools ms", "ratio");
    const Figures plain = compare();
    print("as found", plain);

    const auto [reloadMs, scanMs] = reloadAgainstScan();

    const QString node = QStandardPaths::findExecutable("node");
    if (node.isEmpty()) {
        std::printf("no node on the PATH: the case with %d extra node processes is skipped\n", s_extraNodes);
    } else {
        Nodes nodes;
        if (!nodes.start(node, s_extraNodes)) {
            std::printf("could not start %d node processes\n", s_extraNodes);
            return 1;
        }
        print("with 100 extra node", compare());
    }

    std::printf("\nProcessStore::reload() to published list: %.2f ms; bare scan() in the same rounds: %.2f ms\n",
                reloadMs, scanMs);
    return 0;
}
