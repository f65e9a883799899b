#include "core/fs/Mount.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

std::optional<Mount> mountOf(int fd)
{
    struct statx stx;
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_MNT_ID, &stx) != 0)
        return std::nullopt;
    return Mount{makedev(stx.stx_dev_major, stx.stx_dev_minor), (stx.stx_mask & STATX_MNT_ID) ? stx.stx_mnt_id : 0};
}
