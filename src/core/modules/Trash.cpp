#include "core/modules/Trash.h"

#include "core/modules/FilePaths.h"

#include <QFile>
#include <QList>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <optional>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

constexpr int s_pathFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;

struct Mount
{
    dev_t device = 0;
    std::uint64_t id = 0; // 0 when the kernel does not report mount ids
};

bool operator==(const Mount &a, const Mount &b)
{
    return a.device == b.device && a.id == b.id;
}

std::optional<Mount> mountOf(int fd)
{
    struct statx stx;
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_MNT_ID, &stx) != 0)
        return std::nullopt;
    return Mount {makedev(stx.stx_dev_major, stx.stx_dev_minor),
                  (stx.stx_mask & STATX_MNT_ID) ? stx.stx_mnt_id : 0};
}

struct Place
{
    FileDescriptor files;
    FileDescriptor info;
    QByteArray filesPath;
    // The folder the original path is written relative to; empty for an absolute one.
    QByteArray base;
};

// Opens folder `name` below dirFd, creating it (0700) when missing. A link is refused.
FileDescriptor openOrCreate(int dirFd, const QByteArray &name)
{
    FileDescriptor fd(::openat(dirFd, name.constData(), s_pathFlags | O_NOFOLLOW));
    if (!fd.isValid() && errno == ENOENT) {
        if (::mkdirat(dirFd, name.constData(), 0700) != 0 && errno != EEXIST)
            return {};
        fd.reset(::openat(dirFd, name.constData(), s_pathFlags | O_NOFOLLOW));
    }
    return fd;
}

// A trash folder of the user's own (not a link, not someone else's) with its
// files/ and info/, created as needed.
std::optional<Place> openTrashFolder(FileDescriptor folder, const QByteArray &path,
                                     const QByteArray &base, int &error)
{
    struct stat st;
    if (::fstat(folder.get(), &st) != 0) {
        error = errno;
        return std::nullopt;
    }
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) {
        error = EACCES;
        return std::nullopt;
    }
    Place place;
    place.files = openOrCreate(folder.get(), "files");
    if (place.files.isValid())
        place.info = openOrCreate(folder.get(), "info");
    if (!place.files.isValid() || !place.info.isValid()) {
        error = errno;
        return std::nullopt;
    }
    place.filesPath = FilePaths::join(path, "files");
    place.base = base;
    return place;
}

QByteArray homeFolder()
{
    QByteArray home = qgetenv("HOME");
    if (home.isEmpty()) {
        char buffer[4096];
        struct passwd entry;
        struct passwd *found = nullptr;
        if (::getpwuid_r(::getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found)
            home = found->pw_dir;
    }
    return home;
}

enum class HomeTrash { usable, otherMount, failed };

// The home trash, when the item's mount is the one the home trash lies on (or would
// lie on: the deepest existing folder of its path decides before anything is made).
HomeTrash openHomeTrash(const Mount &itemMount, std::optional<Place> &place, int &error)
{
    const QByteArray home = Trash::homeTrashPath();
    if (home.isEmpty()) {
        error = ENOENT;
        return HomeTrash::failed;
    }
    const QByteArray path = FilePaths::standardise(home);
    QList<QByteArray> names = path.split('/');
    names.removeAll(QByteArray());
    FileDescriptor current(::open("/", s_pathFlags));
    if (!current.isValid()) {
        error = errno;
        return HomeTrash::failed;
    }
    qsizetype reached = 0;
    int stop = 0;
    for (; reached < names.size(); ++reached) {
        // The user's own folders up to the trash may be links (a moved ~/.local).
        FileDescriptor next(::openat(current.get(), names[reached].constData(), s_pathFlags));
        if (!next.isValid()) {
            stop = errno;
            break;
        }
        current = std::move(next);
    }
    const std::optional<Mount> mount = mountOf(current.get());
    if (!mount) {
        error = errno;
        return HomeTrash::failed;
    }
    if (!(*mount == itemMount))
        return HomeTrash::otherMount;
    if (stop != 0 && stop != ENOENT) {
        error = stop;
        return HomeTrash::failed;
    }
    for (; reached < names.size(); ++reached) {
        FileDescriptor next = openOrCreate(current.get(), names[reached]);
        if (!next.isValid()) {
            error = errno;
            return HomeTrash::failed;
        }
        current = std::move(next);
    }
    place = openTrashFolder(std::move(current), path, {}, error);
    return place ? HomeTrash::usable : HomeTrash::failed;
}

QByteArray unescapeMountField(const QByteArray &field)
{
    QByteArray result;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int code = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                result += char(code);
                i += 3;
                continue;
            }
        }
        result += field[i];
    }
    return result;
}

// The mount point of `mount`, from the kernel's table of this process's mounts.
std::optional<QByteArray> mountPoint(const Mount &mount, const QByteArray &physicalPath)
{
    QFile table(QStringLiteral("/proc/self/mountinfo"));
    if (!table.open(QIODevice::ReadOnly))
        return std::nullopt;
    std::optional<QByteArray> best;
    for (const QByteArray &line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 5)
            continue;
        const QByteArray point = unescapeMountField(fields[4]);
        if (mount.id != 0) {
            if (fields[0].toULongLong() == mount.id)
                return point;
            continue;
        }
        // No mount ids: the longest mount point of the same device above the path.
        const QList<QByteArray> numbers = fields[2].split(':');
        if (numbers.size() != 2 || makedev(numbers[0].toUInt(), numbers[1].toUInt()) != mount.device)
            continue;
        const bool above = point == "/" || physicalPath == point || physicalPath.startsWith(point + '/');
        if (above && (!best || point.size() > best->size()))
            best = point;
    }
    return best;
}

std::optional<QByteArray> physicalPathOf(int fd)
{
    const QByteArray link = "/proc/self/fd/" + QByteArray::number(fd);
    QByteArray buffer(4096, Qt::Uninitialized);
    const ssize_t length = ::readlink(link.constData(), buffer.data(), buffer.size());
    if (length <= 0 || length >= buffer.size() || buffer[0] != '/') {
        if (length > 0)
            errno = ENAMETOOLONG;
        return std::nullopt;
    }
    buffer.truncate(length);
    return buffer;
}

// The top-directory trash of the mount that holds parentFd.
std::optional<Place> openTopTrash(int parentFd, const Mount &mount, int &error)
{
    const std::optional<QByteArray> physical = physicalPathOf(parentFd);
    if (!physical) {
        error = errno;
        return std::nullopt;
    }
    const std::optional<QByteArray> topdir = mountPoint(mount, *physical);
    FileDescriptor top = topdir ? FilePaths::openLongPath(*topdir, s_pathFlags) : FileDescriptor();
    const std::optional<Mount> topMount = top.isValid() ? mountOf(top.get()) : std::nullopt;
    if (!topMount || !(*topMount == mount)) {
        // No mount point, or another mount hides it: the item's trash is out of reach.
        error = EXDEV;
        return std::nullopt;
    }
    const QByteArray uid = QByteArray::number(::getuid());

    // $topdir/.Trash/$uid, only under an administrator's sticky, real .Trash folder.
    FileDescriptor shared(::openat(top.get(), ".Trash", s_pathFlags | O_NOFOLLOW));
    struct stat st;
    if (shared.isValid() && ::fstat(shared.get(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)) {
        FileDescriptor own = openOrCreate(shared.get(), uid);
        if (own.isValid()) {
            const QByteArray path = FilePaths::join(FilePaths::join(*topdir, ".Trash"), uid);
            int ignored = 0;
            if (std::optional<Place> place = openTrashFolder(std::move(own), path, *topdir, ignored))
                return place;
        }
    }
    // Otherwise $topdir/.Trash-$uid.
    FileDescriptor own = openOrCreate(top.get(), ".Trash-" + uid);
    if (!own.isValid()) {
        error = errno;
        return std::nullopt;
    }
    return openTrashFolder(std::move(own), FilePaths::join(*topdir, ".Trash-" + uid), *topdir, error);
}

QByteArray infoText(const QByteArray &originalPath)
{
    char date[32] = {};
    const std::time_t now = std::time(nullptr);
    struct tm local;
    ::localtime_r(&now, &local);
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    // Bytes outside the URL-safe set are %-escaped, "/" kept, as URLs escape paths.
    return "[Trash Info]\nPath=" + originalPath.toPercentEncoding("/") + "\nDeletionDate=" + date + '\n';
}

QByteArray candidateName(const QByteArray &name, int attempt)
{
    if (attempt == 0)
        return name;
    if (attempt < 100)
        return name + '.' + QByteArray::number(attempt + 1);
    return name + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 16);
}

bool writeAll(int fd, const QByteArray &text)
{
    qsizetype done = 0;
    while (done < text.size()) {
        const ssize_t written = ::write(fd, text.constData() + done, text.size() - done);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += written;
    }
    return true;
}

Trash::Outcome placeInTrash(Place &place, int parentFd, const QByteArray &name,
                            const QByteArray &originalPath)
{
    const QByteArray text = infoText(originalPath);
    for (int attempt = 0; attempt < 200; ++attempt) {
        const QByteArray candidate = candidateName(name, attempt);
        const QByteArray infoName = candidate + ".trashinfo";
        FileDescriptor info(::openat(place.info.get(), infoName.constData(),
                                     O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!info.isValid()) {
            if (errno == EEXIST)
                continue;
            return {errno, {}};
        }
        const auto dropInfo = [&] {
            const int saved = errno;
            ::unlinkat(place.info.get(), infoName.constData(), 0);
            errno = saved;
        };
        if (!writeAll(info.get(), text) || ::close(info.get()) != 0) {
            info.reset();
            dropInfo();
            return {errno, {}};
        }
        std::ignore = info.release();

        int moved = ::renameat2(parentFd, name.constData(), place.files.get(), candidate.constData(),
                                RENAME_NOREPLACE);
        if (moved != 0 && errno == EINVAL) {
            // A file system without RENAME_NOREPLACE: never rename over a name in use.
            struct stat st;
            if (::fstatat(place.files.get(), candidate.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0)
                errno = EEXIST;
            else
                moved = ::renameat(parentFd, name.constData(), place.files.get(), candidate.constData());
        }
        if (moved != 0) {
            dropInfo();
            if (errno == EEXIST || errno == ENOTEMPTY)
                continue;
            return {errno, {}};
        }
        struct stat st;
        if (::fstatat(place.files.get(), candidate.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0
            || ::fstatat(place.info.get(), infoName.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            return {errno, {}};
        return {0, FilePaths::join(place.filesPath, candidate)};
    }
    return {EEXIST, {}};
}

} // namespace

QByteArray Trash::homeTrashPath()
{
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    if (dataHome.startsWith('/'))
        return FilePaths::join(dataHome, "Trash");
    const QByteArray home = homeFolder();
    return home.isEmpty() ? QByteArray() : FilePaths::join(home, ".local/share/Trash");
}

Trash::Outcome Trash::moveToTrash(int parentFd, const QByteArray &name, const QByteArray &itemPath)
{
    struct stat st;
    if (::fstatat(parentFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return {errno, {}};
    const std::optional<Mount> mount = mountOf(parentFd);
    if (!mount)
        return {errno, {}};

    int error = 0;
    std::optional<Place> place;
    switch (openHomeTrash(*mount, place, error)) {
    case HomeTrash::usable:
        return placeInTrash(*place, parentFd, name, itemPath);
    case HomeTrash::failed:
        return {error, {}};
    case HomeTrash::otherMount:
        break;
    }
    place = openTopTrash(parentFd, *mount, error);
    if (!place)
        return {error, {}};
    // Below a top directory the original path is written relative to it.
    const std::optional<QByteArray> physical = physicalPathOf(parentFd);
    if (!physical)
        return {errno, {}};
    const QByteArray full = FilePaths::join(*physical, name);
    const QByteArray prefix = place->base == "/" ? place->base : place->base + '/';
    if (!full.startsWith(prefix))
        return {EXDEV, {}};
    return placeInTrash(*place, parentFd, name, full.mid(prefix.size()));
}
