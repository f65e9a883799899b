#pragma once

#include <QList>
#include <QString>

#include <optional>

// One running Node-ecosystem process as the process scanner assembled it.
// A plain value: safe to hand between threads. Its identity (id) is the pid.
struct NodeProcess
{
    enum class Kind { next, nest, vite, react, nodemon, packageManager, node };

    // The display name of a kind ("Next.js", "NestJS", "Vite", "React", "nodemon",
    // "npm/yarn", "Node").
    [[nodiscard]] static QString rawValue(Kind kind);
    // text with every control character (C0, DEL, C1, line and paragraph separators) and
    // every bidirectional formatting character (U+202E and its kin) written as \uXXXX,
    // so that a command line or folder cannot be made to read like another. What the
    // screens show of a command or a directory goes through it.
    [[nodiscard]] static QString printable(const QString &text);

    qint32 id = 0;
    qint32 pid = 0;
    qint32 ppid = 0;
    Kind kind = Kind::node;
    QString command;
    std::optional<QString> cwd;
    QList<int> ports; // ascending, no duplicates
    qint64 elapsedSeconds = 0;
    qint64 rssKB = 0;
    // Field 22 of /proc/<pid>/stat when listed (not shown). With the pid it names the
    // process, so a kill can tell it from a later one that reuses the pid; absent for a
    // record that was not read from the kernel.
    std::optional<quint64> startTime;

    [[nodiscard]] qint64 memoryBytes() const;
    // "—" without ports, else "3000, 5173".
    [[nodiscard]] QString portsText() const;
    // "42s", "5m 3s", "2h 5m", "3d 4h".
    [[nodiscard]] QString elapsedText() const;
    // "Vite · pid 4711 · up 5m 3s", then " · port 5173" when it listens: the process as a
    // confirmation lists it.
    [[nodiscard]] QString summaryText() const;
    // Why the process looks left running; absent for an ordinary process. The command
    // in it is printable().
    [[nodiscard]] std::optional<QString> hangingReason() const;

    friend bool operator==(const NodeProcess &, const NodeProcess &) = default;
};

// Combines all fields, so equal records hash alike.
size_t qHash(const NodeProcess &process, size_t seed = 0);
