#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>

// Which mount and device a file lies on. Two files share a mount when both agree; the
// device tells a nested btrfs subvolume apart from its parent's mount.
struct Mount
{
    dev_t device = 0;
    std::uint64_t id = 0; // 0 when the kernel does not report mount ids

    friend bool operator==(const Mount &, const Mount &) = default;
};

// The mount of the file open at fd, never following it; nothing when statx fails.
[[nodiscard]] std::optional<Mount> mountOf(int fd);

// Whether both are known and the same: an unknown mount is never ours to enter.
[[nodiscard]] inline bool sameMount(const std::optional<Mount> &a, const std::optional<Mount> &b)
{
    return a && b && *a == *b;
}
