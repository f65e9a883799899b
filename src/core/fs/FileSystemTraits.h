#pragma once

#include <QtGlobal>

#include <fcntl.h>
#include <sys/stat.h>

// What a walk may rely on about the file system a folder lies on, from its type.
struct FileSystemTraits
{
    // getdents64 hands out entries until the buffer is full or the folder ends
    // (ext2/3/4, tmpfs, XFS, Btrfs); network and FUSE file systems may not.
    bool fillsEveryRead = false;
    // Files may share data blocks with copies elsewhere (reflinks: Btrfs, XFS), as pnpm's
    // clones of its store do. Deleting such a file frees only its blocks no one else uses.
    bool sharesExtents = false;
    // Smaller files are not worth asking: Btrfs keeps files of up to 2,048 bytes (its
    // default max_inline) in its metadata, and a clone copies them.
    qint64 smallestShared = 1;

    // Nothing is relied on when fd's file system cannot be told.
    [[nodiscard]] static FileSystemTraits of(int fd);

    // The part of the blocks of entry name of dirFd, stated as stx (type, links, blocks,
    // size), that clones elsewhere use too: asked only of a regular file with one link
    // (hard links are counted by inode) on a file system that shares extents.
    [[nodiscard]] qint64 sharedBytes(int dirFd, const char *name, const struct statx &stx) const;
};
