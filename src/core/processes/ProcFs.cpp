#include "core/processes/ProcFs.h"

#include <QFile>

#include <cerrno>
#include <charconv>
#include <ctime>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace ProcFs {
namespace {

std::optional<QByteArray> readFile(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    QByteArray bytes;
    constexpr qsizetype chunk = 16 * 1024;
    for (;;) {
        const qsizetype used = bytes.size();
        bytes.resize(used + chunk);
        const ssize_t n = ::read(fd, bytes.data() + used, size_t(chunk));
        bytes.resize(used + std::max<ssize_t>(n, 0));
        if (n > 0)
            continue;
        if (n < 0 && errno == EINTR)
            continue;
        break;
    }
    ::close(fd);
    return bytes;
}

std::optional<QByteArray> readLink(int directory, const char *name)
{
    char buffer[4096];
    const ssize_t n = ::readlinkat(directory, name, buffer, sizeof buffer);
    if (n < 0 || size_t(n) >= sizeof buffer)
        return std::nullopt;
    return QByteArray(buffer, n);
}

template <typename Int>
std::optional<Int> parseNumber(QByteArrayView text, int base = 10)
{
    Int value{};
    const char *end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, value, base);
    if (text.isEmpty() || error != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}

// Splits at runs of spaces, as the kernel pads its tables.
QList<QByteArrayView> fields(QByteArrayView line)
{
    QList<QByteArrayView> result;
    qsizetype i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == ' ')
            ++i;
        const qsizetype begin = i;
        while (i < line.size() && line[i] != ' ')
            ++i;
        if (i > begin)
            result.append(line.sliced(begin, i - begin));
    }
    return result;
}

QByteArray procPath(qint32 pid, const char *entry)
{
    return QByteArrayLiteral("/proc/") + QByteArray::number(pid) + '/' + entry;
}

// Calls onSocket with the inode of each socket the pid holds, until it returns false.
template <typename OnSocket>
void forEachSocket(qint32 pid, OnSocket onSocket)
{
    const int fd = ::open(procPath(pid, "fd").constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    DIR *directory = ::fdopendir(fd);
    if (!directory) {
        ::close(fd);
        return;
    }
    constexpr QByteArrayView prefix("socket:[");
    while (const dirent *entry = ::readdir(directory)) {
        if (entry->d_name[0] == '.')
            continue;
        const std::optional<QByteArray> target = readLink(fd, entry->d_name);
        if (!target || !target->startsWith(prefix) || !target->endsWith(']'))
            continue;
        const QByteArrayView number = QByteArrayView(*target).sliced(prefix.size(), target->size() - prefix.size() - 1);
        const std::optional<quint64> inode = parseNumber<quint64>(number);
        if (inode && !onSocket(*inode))
            break;
    }
    ::closedir(directory);
}

} // namespace

std::optional<Stat> parseStat(QByteArrayView line)
{
    const qsizetype close = line.lastIndexOf(')');
    if (close < 0)
        return std::nullopt;
    // After ")": field 3 (state) is the first, field 9 (flags) the seventh, field 22
    // (starttime) the twentieth.
    const QList<QByteArrayView> rest = fields(line.sliced(close + 1).trimmed());
    if (rest.size() < 20 || rest[0].size() != 1)
        return std::nullopt;
    const std::optional<quint64> flags = parseNumber<quint64>(rest[6]);
    const std::optional<quint64> startTime = parseNumber<quint64>(rest[19]);
    if (!flags || !startTime)
        return std::nullopt;
    constexpr quint64 kernelThreadFlag = 0x00200000; // PF_KTHREAD
    return Stat{rest[0][0], (*flags & kernelThreadFlag) != 0, *startTime};
}

std::optional<Stat> readStat(qint32 pid)
{
    const std::optional<QByteArray> line = readFile(procPath(pid, "stat"));
    if (!line)
        return std::nullopt;
    return parseStat(*line);
}

qint64 secondsSinceStart(quint64 startTime)
{
    static const long ticksPerSecond = ::sysconf(_SC_CLK_TCK);
    timespec now{};
    // The kernel counts start times on the boot clock, suspended time included.
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    return qint64(now.tv_sec) - qint64(startTime / quint64(ticksPerSecond > 0 ? ticksPerSecond : 100));
}

QHash<quint64, int> parseTcpListeners(QByteArrayView table)
{
    QHash<quint64, int> listeners;
    // The first line is the header.
    qsizetype begin = table.indexOf('\n') + 1;
    while (begin > 0 && begin < table.size()) {
        qsizetype end = table.indexOf('\n', begin);
        if (end < 0)
            end = table.size();
        const QByteArrayView line = table.sliced(begin, end - begin);
        begin = end + 1;
        // "sl local_address rem_address st tx:rx tr:when retrnsmt uid timeout inode ..."
        const QList<QByteArrayView> columns = fields(line);
        if (columns.size() < 10 || columns[3] != "0A")
            continue;
        const qsizetype colon = columns[1].lastIndexOf(':');
        if (colon < 0)
            continue;
        const std::optional<int> port = parseNumber<int>(columns[1].sliced(colon + 1), 16);
        const std::optional<quint64> inode = parseNumber<quint64>(columns[9]);
        if (port && inode && *inode != 0)
            listeners.insert(*inode, *port);
    }
    return listeners;
}

std::optional<QHash<quint64, int>> listeners(const QString &netDirectory)
{
    const QByteArray directory = QFile::encodeName(netDirectory);
    const std::optional<QByteArray> tcp = readFile(directory + "/tcp");
    if (!tcp)
        return std::nullopt;
    QHash<quint64, int> result = parseTcpListeners(*tcp);
    if (const std::optional<QByteArray> tcp6 = readFile(directory + "/tcp6"))
        result.insert(parseTcpListeners(*tcp6));
    return result;
}

QList<quint64> socketInodes(qint32 pid)
{
    QList<quint64> inodes;
    forEachSocket(pid, [&inodes](quint64 inode) {
        inodes.append(inode);
        return true;
    });
    return inodes;
}

QHash<quint64, qint32> socketOwners(const QSet<quint64> &inodes)
{
    QHash<quint64, qint32> owners;
    if (inodes.isEmpty())
        return owners;
    DIR *proc = ::opendir("/proc");
    if (!proc)
        return owners;
    while (const dirent *entry = ::readdir(proc)) {
        const std::optional<qint32> pid = parseNumber<qint32>(QByteArrayView(entry->d_name));
        if (!pid)
            continue;
        forEachSocket(*pid, [&](quint64 inode) {
            if (inodes.contains(inode))
                owners.insert(inode, *pid);
            return owners.size() < inodes.size();
        });
        if (owners.size() == inodes.size())
            break;
    }
    ::closedir(proc);
    return owners;
}

std::optional<QString> commandName(qint32 pid)
{
    const std::optional<QByteArray> name = readFile(procPath(pid, "comm"));
    if (!name)
        return std::nullopt;
    return QString::fromUtf8(name->endsWith('\n') ? name->chopped(1) : *name);
}

std::optional<QString> commandLine(qint32 pid)
{
    std::optional<QByteArray> line = readFile(procPath(pid, "cmdline"));
    if (!line)
        return std::nullopt;
    while (line->endsWith('\0'))
        line->chop(1);
    line->replace('\0', ' ');
    return QString::fromUtf8(*line);
}

std::optional<QString> workingDirectory(qint32 pid)
{
    const std::optional<QByteArray> target = readLink(AT_FDCWD, procPath(pid, "cwd").constData());
    if (!target)
        return std::nullopt;
    return QString::fromUtf8(*target);
}

std::optional<QByteArray> netNamespace(qint32 pid)
{
    const QByteArray path = pid == 0 ? QByteArrayLiteral("/proc/self/ns/net") : procPath(pid, "ns/net");
    return readLink(AT_FDCWD, path.constData());
}

} // namespace ProcFs
