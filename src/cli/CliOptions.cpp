#include "cli/CliOptions.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <cmath>

namespace {

using Command = CliOptions::Command;

const QHash<QString, Command> &commands()
{
    static const QHash<QString, Command> names = {
        {QStringLiteral("ports"), Command::ports},
        {QStringLiteral("free"), Command::free},
        {QStringLiteral("scan"), Command::scan},
        {QStringLiteral("clean"), Command::clean},
    };
    return names;
}

QSet<QString> allowedOptions(Command command)
{
    switch (command) {
    case Command::ports:
        return {QStringLiteral("--all"), QStringLiteral("--json")};
    case Command::free:
        return {QStringLiteral("--force"), QStringLiteral("--yes")};
    case Command::scan:
        return {QStringLiteral("--json")};
    case Command::clean:
        return {QStringLiteral("--older-than"), QStringLiteral("--min-size"), QStringLiteral("--permanent"),
                QStringLiteral("--dry-run"),    QStringLiteral("--yes"),      QStringLiteral("--json")};
    default:
        return {};
    }
}

bool takesValue(const QString &option)
{
    return option == QLatin1String("--older-than") || option == QLatin1String("--min-size");
}

} // namespace

std::optional<qint64> CliOptions::parseSize(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d+(?:\\.\\d+)?)\\s*([KMGT]?)B?$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    const double number = match.captured(1).toDouble();
    const QString unit = match.captured(2).toUpper();
    const int power = unit.isEmpty() ? 0 : int(QStringLiteral("KMGT").indexOf(unit)) + 1;
    const double bytes = number * std::pow(1024.0, power);
    if (!std::isfinite(bytes) || bytes > 9.0e18)
        return std::nullopt;
    return qint64(std::llround(bytes));
}

std::variant<CliOptions, QString> CliOptions::parse(const QList<QByteArray> &rawArguments)
{
    QStringList arguments;
    for (const QByteArray &raw : rawArguments)
        arguments.append(QFile::decodeName(raw));
    CliOptions options;
    if (arguments.isEmpty())
        return QStringLiteral("a command is needed: ports, free, scan or clean");
    const QString &first = arguments.first();
    if (first == QLatin1String("--help") || first == QLatin1String("-h") || first == QLatin1String("help")) {
        options.command = Command::help;
        return options;
    }
    if (first == QLatin1String("--version")) {
        options.command = Command::version;
        return options;
    }
    if (!commands().contains(first))
        return QStringLiteral("unknown command “%1” (try ports, free, scan or clean)").arg(first);
    options.command = commands().value(first);

    const QSet<QString> allowed = allowedOptions(options.command);
    QStringList positional;
    QByteArray firstPositional; // a folder's name may have no exact text
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        QString argument = arguments.at(i);
        if (optionsEnded || !argument.startsWith(QLatin1String("--"))) {
            if (positional.isEmpty())
                firstPositional = rawArguments.at(i);
            positional.append(argument);
            continue;
        }
        if (argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (argument == QLatin1String("--help")) {
            options.command = Command::help;
            return options;
        }
        QString value;
        bool hasValue = false;
        if (const qsizetype equals = argument.indexOf(QLatin1Char('=')); equals > 0) {
            value = argument.mid(equals + 1);
            argument.truncate(equals);
            hasValue = true;
        }
        if (!allowed.contains(argument))
            return QStringLiteral("%1 does not take %2").arg(first, argument);
        if (takesValue(argument)) {
            if (!hasValue) {
                if (i + 1 >= arguments.size())
                    return QStringLiteral("%1 needs a value").arg(argument);
                value = arguments.at(++i);
            }
        } else if (hasValue) {
            return QStringLiteral("%1 takes no value").arg(argument);
        }

        if (argument == QLatin1String("--all"))
            options.all = true;
        else if (argument == QLatin1String("--json"))
            options.json = true;
        else if (argument == QLatin1String("--force"))
            options.force = true;
        else if (argument == QLatin1String("--yes"))
            options.yes = true;
        else if (argument == QLatin1String("--permanent"))
            options.permanent = true;
        else if (argument == QLatin1String("--dry-run"))
            options.dryRun = true;
        else if (argument == QLatin1String("--older-than")) {
            bool ok = false;
            const int days = value.toInt(&ok);
            if (!ok || days < 0)
                return QStringLiteral("--older-than needs a whole number of days, 0 or more, not “%1”").arg(value);
            options.olderThanDays = days;
        } else if (argument == QLatin1String("--min-size")) {
            options.minSizeBytes = parseSize(value);
            if (!options.minSizeBytes)
                return QStringLiteral("--min-size needs a size such as 500M or 2G, not “%1”").arg(value);
        }
    }

    if (options.command == Command::free) {
        if (positional.isEmpty())
            return QStringLiteral("free needs at least one port");
        for (const QString &text : positional) {
            bool ok = false;
            const int port = text.toInt(&ok);
            if (!ok || port < 1 || port > 65535)
                return QStringLiteral("“%1” is not a port (a number from 1 to 65535)").arg(text);
            if (!options.ports.contains(port))
                options.ports.append(port);
        }
    } else if (options.command == Command::scan || options.command == Command::clean) {
        if (positional.size() > 1)
            return QStringLiteral("%1 takes one folder, not %2").arg(first).arg(positional.size());
        if (!positional.isEmpty())
            options.folder = firstPositional;
        if (options.folder.isEmpty())
            return QStringLiteral("the folder is empty");
    } else if (!positional.isEmpty()) {
        return QStringLiteral("%1 takes no argument “%2”").arg(first, positional.first());
    }
    return options;
}

QString CliOptions::usage()
{
    return QStringLiteral("Usage:\n"
                          "  quaylight-cli ports [--all] [--json]\n"
                          "      Node processes and the dev ports they hold\n"
                          "  quaylight-cli free PORT... [--force] [--yes]\n"
                          "      stop what holds each PORT (SIGTERM; --force: SIGKILL what is still running)\n"
                          "  quaylight-cli scan [DIR] [--json]\n"
                          "      node_modules under DIR (default: the current folder) with their sizes\n"
                          "  quaylight-cli clean [DIR] [--older-than DAYS] [--min-size SIZE] [--permanent]\n"
                          "                      [--dry-run] [--yes] [--json]\n"
                          "      move the chosen node_modules to the Trash (default) or delete them\n"
                          "  quaylight-cli --help | --version\n"
                          "\n"
                          "Exit status: 0 success, 1 nothing matched or something failed, 2 usage error,\n"
                          "130 interrupted.\n");
}
