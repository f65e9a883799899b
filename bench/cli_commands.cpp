// Times quaylight-cli as a user runs it, in one run, warm, medians of five wall times:
// `scan --json` of 20 generated projects (about 200,000 files in their node_modules)
// against `du -s` over the same node_modules folders and `find -name node_modules -prune`,
// `ports --json` against `ss -ltnp`, and start-up (`--version`).
//
//   cli_commands [--files N] [folder]
//
// The tree goes into a new folder below `folder` (default: the temporary folder) and is
// removed at the end.

#include "ModuleTreeGenerator.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr int s_rounds = 5;

// Median wall time in milliseconds of running program with arguments, output discarded.
double medianMs(const QString &program, const QStringList &arguments)
{
    QList<double> times;
    for (int round = 0; round <= s_rounds; ++round) {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        QElapsedTimer timer;
        timer.start();
        process.start(program, arguments);
        if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit) {
            std::fprintf(stderr, "%s failed\n", qPrintable(program));
            std::exit(2);
        }
        if (round > 0) // the first run warms the caches
            times.append(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void row(const char *name, double ms, double reference = 0)
{
    if (reference > 0)
        std::printf("  %-40s %8.1f ms  (%.2f×)\n", name, ms, ms / reference);
    else
        std::printf("  %-40s %8.1f ms\n", name, ms);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    qint64 files = 200000;
    if (arguments.size() >= 2 && arguments.first() == QLatin1String("--files")) {
        files = arguments.at(1).toLongLong();
        arguments = arguments.mid(2);
    }
    const QString base = arguments.isEmpty() ? QDir::tempPath() : arguments.first();
    const QString cli = QStringLiteral(QUAYLIGHT_CLI);

    QTemporaryDir dir(base + QStringLiteral("/quaylight-cli-bench-XXXXXX"));
    if (!dir.isValid())
        return 2;
    const QByteArray root = QFile::encodeName(dir.path());
    const ModuleTreeGenerator::Tree tree = ModuleTreeGenerator::generateProjects(root, 20, files);
    ::sync();
    QStringList modules;
    for (const QByteArray &project : tree.projects)
        modules.append(QFile::decodeName(project + "/node_modules"));
    std::printf("%lld projects, %lld files in %lld folders of node_modules; %d rounds, warm\n",
                qlonglong(tree.projects.size()), qlonglong(tree.moduleFiles), qlonglong(tree.moduleFolders), s_rounds);

    std::printf("scan\n");
    const double du = medianMs(QStringLiteral("du"), QStringList{QStringLiteral("-s")} + modules);
    row("du -s (each node_modules)", du);
    row("find -name node_modules -prune",
        medianMs(QStringLiteral("find"),
                 {dir.path(), QStringLiteral("-name"), QStringLiteral("node_modules"), QStringLiteral("-prune")}),
        du);
    row("quaylight-cli scan --json", medianMs(cli, {QStringLiteral("scan"), dir.path(), QStringLiteral("--json")}), du);

    std::printf("ports\n");
    const QString ss = QStandardPaths::findExecutable(QStringLiteral("ss"));
    const double ssMs = ss.isEmpty() ? 0 : medianMs(ss, {QStringLiteral("-ltnp")});
    if (ssMs > 0)
        row("ss -ltnp", ssMs);
    row("quaylight-cli ports --json", medianMs(cli, {QStringLiteral("ports"), QStringLiteral("--json")}), ssMs);

    std::printf("start-up\n");
    row("quaylight-cli --version", medianMs(cli, {QStringLiteral("--version")}));
    return 0;
}
