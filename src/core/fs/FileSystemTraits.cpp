#include "core/fs/FileSystemTraits.h"

#include "core/fs/FileDescriptor.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <linux/magic.h>
#include <sys/ioctl.h>
#include <sys/vfs.h>

FileSystemTraits FileSystemTraits::of(int fd)
{
    struct statfs fs;
    if (::fstatfs(fd, &fs) != 0)
        return {};
    switch (fs.f_type) {
    case EXT4_SUPER_MAGIC: // also ext2 and ext3
    case TMPFS_MAGIC:
        return {true, false};
    case XFS_SUPER_MAGIC:
        return {true, true};
    case BTRFS_SUPER_MAGIC:
        return {true, true, 2049};
    default:
        return {};
    }
}

namespace {

// Bytes of the regular file name in dirFd whose blocks other files use too, by FIEMAP;
// 0 when it cannot be opened (no link is followed) or asked.
qint64 sharedExtentBytes(int dirFd, const char *name)
{
    constexpr int flags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    FileDescriptor file(::openat(dirFd, name, flags | O_NOATIME));
    if (!file.isValid() && errno == EPERM)
        file.reset(::openat(dirFd, name, flags));
    if (!file.isValid())
        return 0;
    constexpr unsigned batch = 64;
    alignas(struct fiemap) char buffer[sizeof(struct fiemap) + batch * sizeof(struct fiemap_extent)];
    auto *map = reinterpret_cast<struct fiemap *>(buffer);
    qint64 shared = 0;
    for (quint64 start = 0;;) {
        *map = {};
        map->fm_start = start;
        map->fm_length = FIEMAP_MAX_OFFSET - start;
        map->fm_extent_count = batch;
        if (::ioctl(file.get(), FS_IOC_FIEMAP, map) != 0 || map->fm_mapped_extents == 0)
            return shared;
        for (unsigned i = 0; i < map->fm_mapped_extents; ++i) {
            const struct fiemap_extent &extent = map->fm_extents[i];
            if (extent.fe_flags & FIEMAP_EXTENT_SHARED)
                shared += qint64(extent.fe_length);
            if (extent.fe_flags & FIEMAP_EXTENT_LAST)
                return shared;
        }
        const struct fiemap_extent &last = map->fm_extents[map->fm_mapped_extents - 1];
        start = last.fe_logical + last.fe_length;
    }
}

} // namespace

qint64 FileSystemTraits::sharedBytes(int dirFd, const char *name, const struct statx &stx) const
{
    const qint64 allocated = qint64(stx.stx_blocks) * 512;
    if (!sharesExtents || !S_ISREG(stx.stx_mode) || stx.stx_nlink > 1 || allocated == 0
        || qint64(stx.stx_size) < smallestShared)
        return 0;
    return std::min(sharedExtentBytes(dirFd, name), allocated);
}
