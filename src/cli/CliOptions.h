#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <variant>

// One command line of quaylight-cli, checked: each command takes only its own options,
// numbers are numbers in range. Pure; any thread.
struct CliOptions
{
    enum class Command { help, version, ports, free, scan, clean };

    Command command = Command::help;
    bool all = false;
    bool json = false;
    bool force = false;
    bool yes = false;
    bool permanent = false;
    bool dryRun = false;
    QList<int> ports;                           // free: as given, duplicates dropped
    QByteArray folder = QByteArrayLiteral("."); // scan and clean: as given, not UTF-8 perhaps
    std::optional<int> olderThanDays;
    std::optional<qint64> minSizeBytes;

    // The options of arguments (without the program name, as the system passed them),
    // or the usage error to print.
    [[nodiscard]] static std::variant<CliOptions, QString> parse(const QList<QByteArray> &arguments);
    // "500M", "1.5G", "20KB", "4096": base 1024, B/K/M/G/T with an optional B; nothing
    // for anything else or a negative size.
    [[nodiscard]] static std::optional<qint64> parseSize(const QString &text);
    [[nodiscard]] static QString usage();
};
