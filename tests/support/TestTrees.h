#pragma once

// Builds and inspects real folder trees for the node_modules tests. Paths are bytes;
// every helper fails the running test (QVERIFY) when the file system says no.

#include "core/fs/FilePaths.h"
#include "core/modules/NodeModulesScanner.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <set>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace TestTrees {

// A temporary folder removed with rm -rf, which also removes trees deeper than
// PATH_MAX (QDir::removeRecursively gives up there), whatever state a test left.
class Scratch
{
public:
    explicit Scratch(const QString &parent = QDir::tempPath())
        : m_dir(parent + QStringLiteral("/quaylight-XXXXXX"))
    {
        m_dir.setAutoRemove(false);
    }
    ~Scratch()
    {
        if (m_dir.isValid())
            QProcess::execute(QStringLiteral("/bin/rm"), {QStringLiteral("-rf"), QStringLiteral("--"), m_dir.path()});
    }
    Scratch(const Scratch &) = delete;
    Scratch &operator=(const Scratch &) = delete;

    [[nodiscard]] bool isValid() const { return m_dir.isValid(); }
    [[nodiscard]] QByteArray path() const { return QFile::encodeName(m_dir.path()); }
    [[nodiscard]] QByteArray path(const QByteArray &relative) const { return path() + '/' + relative; }

private:
    QTemporaryDir m_dir;
};

// Moves the test process into a mount namespace of its own, where nothing it mounts is
// seen outside and everything goes with the process, whatever state a test left. Call it
// while the process has one thread (the namespace is per thread group). An empty text
// when it worked, else why not.
inline QString enterPrivateMountNamespace()
{
    if (::unshare(CLONE_NEWNS) != 0)
        return QStringLiteral("no private mount namespace here: ") + QString::fromLocal8Bit(strerror(errno));
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return QStringLiteral("mounts cannot be made private here: ") + QString::fromLocal8Bit(strerror(errno));
    return {};
}

// Unmounts (lazily) what the test mounted, also when the test fails.
class MountGuard
{
public:
    // Mounts a small tmpfs at path; isMounted() tells whether the system allowed it.
    explicit MountGuard(const QByteArray &path)
        : m_path(path)
    {
        m_mounted = ::mount("quaylight-test", path.constData(), "tmpfs", 0, "size=16m") == 0;
    }
    // Bind-mounts source at path.
    MountGuard(const QByteArray &source, const QByteArray &path)
        : m_path(path)
    {
        m_mounted = ::mount(source.constData(), path.constData(), nullptr, MS_BIND, nullptr) == 0;
    }
    ~MountGuard()
    {
        if (m_mounted)
            ::umount2(m_path.constData(), MNT_DETACH);
    }
    MountGuard(const MountGuard &) = delete;
    MountGuard &operator=(const MountGuard &) = delete;
    [[nodiscard]] bool isMounted() const { return m_mounted; }

private:
    QByteArray m_path;
    bool m_mounted = false;
};

// A small btrfs file system in a sparse image, loop-mounted at path (an empty folder)
// until the object goes. Call in a private mount namespace; problem() says why there is
// none (no btrfs-progs, no loop device).
class BtrfsMount
{
public:
    BtrfsMount(const QByteArray &image, const QByteArray &path)
        : m_path(path)
    {
        const QString mkfs = QStandardPaths::findExecutable(QStringLiteral("mkfs.btrfs"), {"/usr/sbin", "/sbin"});
        if (mkfs.isEmpty()) {
            m_problem = QStringLiteral("btrfs-progs is not installed");
            return;
        }
        QFile sparse(QFile::decodeName(image));
        if (!sparse.open(QIODevice::WriteOnly) || !sparse.resize(qint64(128) << 20)
            || QProcess::execute(mkfs, {"-q", "-f", QFile::decodeName(image)}) != 0) {
            m_problem = QStringLiteral("mkfs.btrfs failed");
            return;
        }
        if (QProcess::execute("/bin/mount", {"-o", "loop", QFile::decodeName(image), QFile::decodeName(path)}) != 0)
            m_problem = QStringLiteral("no loop device for a btrfs image here");
    }
    ~BtrfsMount()
    {
        if (m_problem.isEmpty())
            ::umount2(m_path.constData(), MNT_DETACH);
    }
    BtrfsMount(const BtrfsMount &) = delete;
    BtrfsMount &operator=(const BtrfsMount &) = delete;
    [[nodiscard]] QString problem() const { return m_problem; }

private:
    QByteArray m_path;
    QString m_problem;
};

inline bool exists(const QByteArray &path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0;
}

inline bool isLink(const QByteArray &path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

// Opens path of any length one component at a time (test side, links followed),
// making the missing folders on the way when `make` is set.
inline int openDeep(const QByteArray &path, int flags = O_RDONLY | O_DIRECTORY, bool make = false)
{
    int fd = ::open(path.startsWith('/') ? "/" : ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const QList<QByteArray> pieces = path.split('/');
    for (qsizetype i = 0; i < pieces.size() && fd >= 0; ++i) {
        if (pieces[i].isEmpty())
            continue;
        if (make && ::mkdirat(fd, pieces[i].constData(), 0755) != 0 && errno != EEXIST)
            qWarning("%s: %s", path.left(300).constData(), strerror(errno));
        const bool last = i == pieces.size() - 1;
        const int next = ::openat(fd, pieces[i].constData(), (last ? flags : O_RDONLY | O_DIRECTORY) | O_CLOEXEC);
        ::close(fd);
        fd = next;
    }
    return fd;
}

// mkdir -p for any length.
inline void makeDirs(const QByteArray &path)
{
    const int fd = openDeep(path, O_RDONLY | O_DIRECTORY, true);
    QVERIFY2(fd >= 0, (path.left(300) + ": " + strerror(errno)).constData());
    ::close(fd);
}

// A file of `size` bytes of real data (so it occupies blocks), folders made as needed.
inline void writeFile(const QByteArray &path, qint64 size)
{
    makeDirs(path.left(path.lastIndexOf('/')));
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    QVERIFY2(fd >= 0, (path + ": " + strerror(errno)).constData());
    const std::string chunk(64 * 1024, 'q');
    qint64 left = size;
    while (left > 0) {
        const ssize_t written = ::write(fd, chunk.data(), std::min<qint64>(left, qint64(chunk.size())));
        QVERIFY(written > 0);
        left -= written;
    }
    ::close(fd);
}

inline void makeLink(const QByteArray &target, const QByteArray &link)
{
    makeDirs(link.left(link.lastIndexOf('/')));
    QVERIFY2(::symlink(target.constData(), link.constData()) == 0, (link + ": " + strerror(errno)).constData());
}

// A second name for existing's inode, folders made as needed.
inline void makeHardLink(const QByteArray &existing, const QByteArray &link)
{
    makeDirs(link.left(link.lastIndexOf('/')));
    QVERIFY2(::link(existing.constData(), link.constData()) == 0, (link + ": " + strerror(errno)).constData());
}

// What `du -s -B1` prints for path, or -1 when it fails.
inline qint64 duBytes(const QByteArray &path)
{
    QProcess du;
    du.start(QStringLiteral("/usr/bin/du"), {"-s", "-B1", "--", QFile::decodeName(path)});
    if (!du.waitForFinished(60000) || du.exitCode() != 0)
        return -1;
    bool ok = false;
    const qint64 bytes = du.readAllStandardOutput().split('\t').value(0).toLongLong(&ok);
    return ok ? bytes : -1;
}

inline qint64 allocated(const QByteArray &path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0 ? qint64(st.st_blocks) * 512 : -1;
}

// Bytes on disk of the tree at dirFd as du -s counts them: the folder itself and every
// entry below, each inode once, never following links. Recursion with readdir,
// independent of the code under test; works at any depth.
inline qint64 allocatedBelow(int dirFd, std::set<std::pair<dev_t, ino_t>> &seen)
{
    std::vector<std::string> names;
    const int listFd = ::dup(dirFd);
    ::lseek(listFd, 0, SEEK_SET);
    DIR *dir = ::fdopendir(listFd);
    if (!dir)
        return 0;
    while (const dirent *entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(dir);
    qint64 total = 0;
    for (const std::string &name : names) {
        struct stat st;
        if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !seen.emplace(st.st_dev, st.st_ino).second)
            continue;
        total += qint64(st.st_blocks) * 512;
        if (S_ISDIR(st.st_mode)) {
            const int child = ::openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child >= 0) {
                total += allocatedBelow(child, seen);
                ::close(child);
            }
        }
    }
    return total;
}

inline qint64 allocatedBelow(int dirFd)
{
    struct stat st;
    if (::fstat(dirFd, &st) != 0)
        return 0;
    std::set<std::pair<dev_t, ino_t>> seen;
    return qint64(st.st_blocks) * 512 + allocatedBelow(dirFd, seen);
}

inline qint64 allocatedBelow(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    const qint64 total = allocatedBelow(fd);
    ::close(fd);
    return total;
}

// Names and sizes of everything below path (links as "-> target"), sorted: a
// fingerprint to prove a tree kept every byte.
inline QList<QByteArray> fingerprint(const QByteArray &path)
{
    QList<QByteArray> lines;
    DIR *dir = ::opendir(path.constData());
    if (!dir)
        return lines;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        const QByteArray child = path + '/' + name;
        struct stat st;
        if (::lstat(child.constData(), &st) != 0)
            continue;
        if (S_ISLNK(st.st_mode)) {
            char target[4096];
            const ssize_t length = ::readlink(child.constData(), target, sizeof target);
            lines.append(name + " -> " + QByteArray(target, qMax<ssize_t>(length, 0)));
        } else if (S_ISDIR(st.st_mode)) {
            lines.append(name + '/');
            for (const QByteArray &line : fingerprint(child))
                lines.append(name + '/' + line);
        } else {
            lines.append(name + ' ' + QByteArray::number(qint64(st.st_size)));
        }
    }
    ::closedir(dir);
    std::sort(lines.begin(), lines.end());
    return lines;
}

// A chain of `depth` folders named `name` below base, made with descriptors so it can
// pass PATH_MAX; a file of fileSize bytes every `fileEvery` levels. Returns the path
// of the deepest folder.
inline QByteArray makeChain(const QByteArray &base, int depth, const QByteArray &name, int fileEvery = 0,
                            qint64 fileSize = 0)
{
    makeDirs(base);
    int fd = openDeep(base);
    QByteArray path = base;
    for (int level = 0; level < depth && fd >= 0; ++level) {
        if (::mkdirat(fd, name.constData(), 0755) != 0 && errno != EEXIST)
            break;
        const int next = ::openat(fd, name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = next;
        path += '/' + name;
        if (fileEvery > 0 && fd >= 0 && level % fileEvery == 0) {
            const int file = ::openat(fd, "file", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            const std::string data(size_t(fileSize), 'd');
            if (file >= 0) {
                (void)!::write(file, data.data(), data.size());
                ::close(file);
            }
        }
    }
    if (fd >= 0)
        ::close(fd);
    return path;
}

// The record a scan of root makes for parent's node_modules.
inline NodeModule recordFor(const QByteArray &parent, const QByteArray &root)
{
    const std::optional<NodeModule> module = NodeModulesScanner::measure(parent, root, CancelToken());
    if (module)
        return *module;
    // Not on disk (any more): a record as a scan would have made it.
    NodeModule missing;
    missing.parentPath = parent;
    missing.modulePath = parent + "/node_modules";
    missing.id = missing.modulePath;
    missing.projectName = pathText(parent.mid(parent.lastIndexOf('/') + 1));
    return missing;
}

} // namespace TestTrees
