#include "core/fs/FilePaths.h"

#include <QList>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace FilePaths {

namespace {

QByteArray currentFolder()
{
    // getcwd(nullptr, 0) allocates as much as the path needs, PATH_MAX or not.
    char *cwd = ::getcwd(nullptr, 0);
    if (!cwd)
        return QByteArrayLiteral("/");
    QByteArray result(cwd);
    std::free(cwd);
    return result;
}

// Opens one component below dirFd without following a link; reports a link as
// ELOOP whatever the open flags make of it.
int openComponent(int dirFd, const QByteArray &name)
{
    const int fd = ::openat(dirFd, name.constData(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 && errno == ENOTDIR) {
        struct stat st;
        if (::fstatat(dirFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
            errno = ELOOP;
        else
            errno = ENOTDIR;
    }
    return fd;
}

FileDescriptor openBeneathComponentWise(int dirFd, const QByteArray &relative)
{
    FileDescriptor current(::fcntl(dirFd, F_DUPFD_CLOEXEC, 0));
    if (!current.isValid())
        return current;
    for (const QByteArray &name : relative.split('/')) {
        if (name.isEmpty())
            continue;
        if (name == "." || name == "..") {
            errno = EXDEV;
            return {};
        }
        FileDescriptor next(openComponent(current.get(), name));
        if (!next.isValid())
            return {};
        current = std::move(next);
    }
    return current;
}

} // namespace

QByteArray absolute(const QByteArray &path)
{
    QByteArray result = path.startsWith('/') ? path : join(currentFolder(), path);
    while (result.size() > 1 && result.endsWith('/'))
        result.chop(1);
    return result;
}

QByteArray standardise(const QByteArray &path)
{
    const QByteArray full = path.startsWith('/') ? path : currentFolder() + '/' + path;
    QList<QByteArray> kept;
    for (const QByteArray &piece : full.split('/')) {
        if (piece.isEmpty() || piece == ".")
            continue;
        if (piece == "..") {
            if (!kept.isEmpty())
                kept.removeLast();
            continue;
        }
        kept.append(piece);
    }
    QByteArray result;
    for (const QByteArray &piece : kept)
        result += '/' + piece;
    return result.isEmpty() ? QByteArrayLiteral("/") : result;
}

QByteArray join(const QByteArray &dir, const QByteArray &name)
{
    if (dir.endsWith('/'))
        return dir + name;
    return dir + '/' + name;
}

QByteArray lastComponent(const QByteArray &path)
{
    qsizetype end = path.size();
    while (end > 1 && path.at(end - 1) == '/')
        --end;
    if (end == 1 && path.startsWith('/'))
        return QByteArrayLiteral("/");
    const qsizetype slash = path.lastIndexOf('/', end - 1);
    return path.mid(slash + 1, end - slash - 1);
}

FileDescriptor openLongPath(const QByteArray &path, int flags)
{
    flags |= O_CLOEXEC;
    if (path.size() < PATH_MAX)
        return FileDescriptor(::open(path.constData(), flags, 0));

    FileDescriptor current;
    int dirFd = AT_FDCWD;
    qsizetype start = 0;
    while (path.size() - start >= PATH_MAX) {
        // Cut at the last "/" that keeps the stretch below the limit; the leading "/"
        // of an absolute path belongs to the first stretch.
        const qsizetype cut = path.lastIndexOf('/', start + PATH_MAX - 2);
        if (cut < start || (cut == start && start != 0)) {
            errno = ENAMETOOLONG;
            return {};
        }
        const QByteArray stretch = cut == 0 ? QByteArrayLiteral("/") : path.mid(start, cut - start);
        FileDescriptor next(::openat(dirFd, stretch.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!next.isValid())
            return {};
        current = std::move(next);
        dirFd = current.get();
        start = cut + 1;
        while (start < path.size() && path.at(start) == '/')
            ++start;
    }
    const QByteArray rest = start < path.size() ? path.mid(start) : QByteArrayLiteral(".");
    return FileDescriptor(::openat(dirFd, rest.constData(), flags, 0));
}

FileDescriptor openBeneath(int dirFd, const QByteArray &relative, Resolution resolution)
{
    if (resolution == Resolution::automatic && !relative.isEmpty() && relative.size() < PATH_MAX) {
        open_how how{};
        how.flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
        how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
        for (int attempt = 0; attempt < 3; ++attempt) {
            const long fd = ::syscall(SYS_openat2, dirFd, relative.constData(), &how, sizeof how);
            if (fd >= 0)
                return FileDescriptor(static_cast<int>(fd));
            // EAGAIN: a rename raced the lookup. ENOSYS, EPERM (a seccomp filter) and
            // E2BIG: no openat2 here; the component-wise walk gives the same guarantee.
            if (errno == EAGAIN)
                continue;
            if (errno == ENOSYS || errno == EPERM || errno == E2BIG)
                break;
            return {};
        }
    }
    return openBeneathComponentWise(dirFd, relative);
}

std::optional<QByteArray> physicalPath(int fd)
{
    const QByteArray link = "/proc/self/fd/" + QByteArray::number(fd);
    QByteArray buffer(PATH_MAX, Qt::Uninitialized);
    const ssize_t length = ::readlink(link.constData(), buffer.data(), buffer.size());
    if (length < 0)
        return std::nullopt;
    if (length >= buffer.size() || length == 0 || buffer[0] != '/') {
        errno = length >= buffer.size() ? ENAMETOOLONG : ENOENT;
        return std::nullopt;
    }
    buffer.truncate(length);
    return buffer;
}

QString errorText(int error)
{
    char buffer[256];
    // The GNU strerror_r, which returns the text (maybe not in buffer).
    const char *text = ::strerror_r(error, buffer, sizeof buffer);
    return QString::fromLocal8Bit(text);
}

} // namespace FilePaths

QString pathText(const QByteArray &path)
{
    return QString::fromUtf8(path);
}
