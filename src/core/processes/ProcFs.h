#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <optional>

// What the kernel says about a process and the listening sockets, read from /proc.
// Blocking file reads only (no child processes); any thread. A file that cannot be read
// gives nothing, never an error text.
namespace ProcFs {

struct Stat
{
    char state = '?';          // field 3: 'R', 'S', 'Z', ...
    bool kernelThread = false; // field 9 (flags) has PF_KTHREAD
    quint64 startTime = 0;     // field 22: clock ticks after boot; with the pid, the process's identity
};

// Fields 3, 9 and 22 of a /proc/<pid>/stat line. The command name in field 2 may hold
// spaces and parentheses ("next-server (v1"), so fields are counted from its last ')'.
[[nodiscard]] std::optional<Stat> parseStat(QByteArrayView line);
// nullopt when the pid has no process (or its stat cannot be read).
[[nodiscard]] std::optional<Stat> readStat(qint32 pid);

// Seconds a process of this start time has been running, by the boot clock.
[[nodiscard]] qint64 secondsSinceStart(quint64 startTime);

// Socket inode -> local port of the sockets in state LISTEN ("0A") of one
// /proc/net/tcp or tcp6 table (header line first; lines that do not fit are skipped).
[[nodiscard]] QHash<quint64, int> parseTcpListeners(QByteArrayView table);
// The listeners of tcp and tcp6 in netDirectory ("/proc/net" or "/proc/<pid>/net");
// nullopt when its tcp table cannot be opened. A missing tcp6 (IPv6 disabled) adds nothing.
[[nodiscard]] std::optional<QHash<quint64, int>> listeners(const QString &netDirectory);

// The inodes of the pid's open sockets, from the socket:[inode] links under
// /proc/<pid>/fd; empty when that folder cannot be read (another user's process).
[[nodiscard]] QList<quint64> socketInodes(qint32 pid);
// The pid that holds each of these socket inodes, found by walking the descriptors of
// every process we may inspect (stops once all are found); an inode whose owner cannot
// be read is missing.
[[nodiscard]] QHash<quint64, qint32> socketOwners(const QSet<quint64> &inodes);
// /proc/<pid>/comm and /proc/<pid>/cmdline (arguments joined by spaces), non-UTF-8 bytes
// repaired; nullopt when they cannot be read.
[[nodiscard]] std::optional<QString> commandName(qint32 pid);
[[nodiscard]] std::optional<QString> commandLine(qint32 pid);
// readlink of /proc/<pid>/cwd, non-UTF-8 bytes repaired; nullopt when it cannot be read.
[[nodiscard]] std::optional<QString> workingDirectory(qint32 pid);
// The pid's network namespace ("net:[4026531840]"), or our own for pid 0; nullopt when
// it cannot be read.
[[nodiscard]] std::optional<QByteArray> netNamespace(qint32 pid);

} // namespace ProcFs
