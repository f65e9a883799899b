#include "cli/CliOptions.h"
#include "cli/InterruptWatcher.h"
#include "cli/ModulesCommand.h"
#include "cli/PortsCommand.h"
#include "cli/Terminal.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quaylight-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUAYLIGHT_VERSION));

    // The bytes themselves: QCoreApplication::arguments() would mangle a folder's name
    // that is not UTF-8.
    QList<QByteArray> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QByteArray(argv[i]));
    const auto parsed = CliOptions::parse(arguments);
    if (const QString *error = std::get_if<QString>(&parsed)) {
        Terminal::error(*error);
        Terminal::err(QStringLiteral("Try “quaylight-cli --help”.\n"));
        return 2;
    }
    const CliOptions &options = std::get<CliOptions>(parsed);
    InterruptWatcher interrupts;
    switch (options.command) {
    case CliOptions::Command::help:
        Terminal::out(CliOptions::usage());
        return 0;
    case CliOptions::Command::version:
        Terminal::out(QStringLiteral("quaylight-cli %1\n").arg(QCoreApplication::applicationVersion()));
        return 0;
    case CliOptions::Command::ports:
        return PortsCommand(options, interrupts).runPorts();
    case CliOptions::Command::free:
        return PortsCommand(options, interrupts).runFree();
    case CliOptions::Command::scan:
        return ModulesCommand(options, interrupts).runScan();
    case CliOptions::Command::clean:
        return ModulesCommand(options, interrupts).runClean();
    }
    return 2;
}
