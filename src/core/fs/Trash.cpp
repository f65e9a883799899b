#include "core/fs/Trash.h"

#include "core/fs/FilePaths.h"
#include "core/fs/Mount.h"

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
#include <unistd.h>

namespace {

constexpr int s_pathFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;

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

// Why a trash folder (or its files/ or info/) must not be used, or empty when it may:
// someone else's folder, or one others can write to, could hand the user's files to
// them or swap names under the move.
QString unsafeReason(int fd, const QByteArray &path, bool checkWritable, int &error)
{
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        error = errno;
        return {};
    }
    error = EACCES;
    if (!S_ISDIR(st.st_mode))
        return pathText(path) + QStringLiteral(" is not a folder");
    if (st.st_uid != ::getuid())
        return pathText(path) + QStringLiteral(" belongs to another user");
    if (checkWritable && (st.st_mode & (S_IWGRP | S_IWOTH)))
        return pathText(path) + QStringLiteral(" can be written by other users");
    error = 0;
    return {};
}

// A trash folder of the user's own (not a link, not someone else's; on a top directory,
// where others can reach it, not writable by them either) with its files/ and info/ of
// the user's own, created as needed. On failure, error is set and problem names the
// folder when its checks failed.
std::optional<Place> openTrashFolder(FileDescriptor folder, const QByteArray &path, const QByteArray &base, int &error,
                                     QString &problem)
{
    problem = unsafeReason(folder.get(), path, !base.isEmpty(), error);
    if (error != 0)
        return std::nullopt;
    Place place;
    place.files = openOrCreate(folder.get(), "files");
    if (place.files.isValid())
        place.info = openOrCreate(folder.get(), "info");
    if (!place.files.isValid() || !place.info.isValid()) {
        error = errno;
        return std::nullopt;
    }
    place.filesPath = FilePaths::join(path, "files");
    for (const auto &[fd, name] : {std::pair(place.files.get(), "files"), std::pair(place.info.get(), "info")}) {
        problem = unsafeReason(fd, FilePaths::join(path, name), false, error);
        if (error != 0)
            return std::nullopt;
    }
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
HomeTrash openHomeTrash(const Mount &itemMount, std::optional<Place> &place, int &error, QString &problem)
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
    place = openTrashFolder(std::move(current), path, {}, error, problem);
    return place ? HomeTrash::usable : HomeTrash::failed;
}

// The top directory of the item's own file system: the highest folder above parentFd
// on the same mount and the same device. Going by the device as well finds the top of
// a nested btrfs subvolume, which has a device of its own inside its parent's mount:
// a rename from there into the mount's top trash would cross devices.
std::optional<QByteArray> topDirectory(int parentFd, const Mount &mount, FileDescriptor &top)
{
    const std::optional<QByteArray> physical = FilePaths::physicalPath(parentFd);
    if (!physical)
        return std::nullopt;
    QByteArray topPath = *physical;
    top.reset(::fcntl(parentFd, F_DUPFD_CLOEXEC, 0));
    if (!top.isValid())
        return std::nullopt;
    while (topPath != "/") {
        const qsizetype slash = topPath.lastIndexOf('/');
        const QByteArray above = slash == 0 ? QByteArrayLiteral("/") : topPath.left(slash);
        FileDescriptor aboveFd = FilePaths::openLongPath(above, s_pathFlags);
        const std::optional<Mount> aboveMount = aboveFd.isValid() ? mountOf(aboveFd.get()) : std::nullopt;
        if (!aboveMount || !(*aboveMount == mount))
            break;
        top = std::move(aboveFd);
        topPath = above;
    }
    return topPath;
}

// The top-directory trash of the file system that holds parentFd.
std::optional<Place> openTopTrash(int parentFd, const Mount &mount, int &error, QString &problem)
{
    FileDescriptor top;
    const std::optional<QByteArray> topdir = topDirectory(parentFd, mount, top);
    if (!topdir) {
        error = errno;
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
            QString ignoredProblem;
            if (std::optional<Place> place = openTrashFolder(std::move(own), path, *topdir, ignored, ignoredProblem))
                return place;
        }
    }
    // Otherwise $topdir/.Trash-$uid.
    const QByteArray path = FilePaths::join(*topdir, ".Trash-" + uid);
    FileDescriptor own = openOrCreate(top.get(), ".Trash-" + uid);
    if (!own.isValid()) {
        error = errno;
        struct stat link;
        if (::fstatat(top.get(), (".Trash-" + uid).constData(), &link, AT_SYMLINK_NOFOLLOW) == 0
            && S_ISLNK(link.st_mode))
            problem = pathText(path) + QStringLiteral(" is a symbolic link");
        return std::nullopt;
    }
    return openTrashFolder(std::move(own), path, *topdir, error, problem);
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

Trash::Outcome placeInTrash(Place &place, int parentFd, const QByteArray &name, const QByteArray &originalPath)
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
            return {errno, {}, {}};
        }
        const auto dropInfo = [&] {
            const int saved = errno;
            ::unlinkat(place.info.get(), infoName.constData(), 0);
            errno = saved;
        };
        if (!writeAll(info.get(), text) || ::close(info.get()) != 0) {
            info.reset();
            dropInfo();
            return {errno, {}, {}};
        }
        std::ignore = info.release();

        int moved = ::renameat2(parentFd, name.constData(), place.files.get(), candidate.constData(), RENAME_NOREPLACE);
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
            return {errno, {}, {}};
        }
        struct stat st;
        if (::fstatat(place.files.get(), candidate.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0
            || ::fstatat(place.info.get(), infoName.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            return {errno, {}, {}};
        return {0, FilePaths::join(place.filesPath, candidate), {}};
    }
    return {EEXIST, {}, {}};
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
        return {errno, {}, {}};
    const std::optional<Mount> mount = mountOf(parentFd);
    if (!mount)
        return {errno, {}, {}};

    int error = 0;
    QString problem;
    std::optional<Place> place;
    switch (openHomeTrash(*mount, place, error, problem)) {
    case HomeTrash::usable:
        return placeInTrash(*place, parentFd, name, itemPath);
    case HomeTrash::failed:
        return {error, {}, problem};
    case HomeTrash::otherMount:
        break;
    }
    place = openTopTrash(parentFd, *mount, error, problem);
    if (!place)
        return {error, {}, problem};
    // Below a top directory the original path is written relative to it.
    const std::optional<QByteArray> physical = FilePaths::physicalPath(parentFd);
    if (!physical)
        return {errno, {}, {}};
    const QByteArray full = FilePaths::join(*physical, name);
    const QByteArray prefix = place->base == "/" ? place->base : place->base + '/';
    if (!full.startsWith(prefix))
        return {EXDEV, {}, {}};
    return placeInTrash(*place, parentFd, name, full.mid(prefix.size()));
}
