#pragma once

#include "core/fs/FileDescriptor.h"

#include <QByteArray>
#include <QString>

#include <optional>

// Path text and path opening for the node_modules code. Paths are the file system's
// bytes; nothing here decodes them. Everything is reentrant; the open functions block.
namespace FilePaths {

// path made absolute against the current folder, without trailing "/" (except "/").
// Nothing else changes: "." and ".." stay.
[[nodiscard]] QByteArray absolute(const QByteArray &path);

// Absolute and lexically normal: "." and ".." segments, doubled and trailing "/"
// removed, links not resolved. ".." above "/" stays at "/".
[[nodiscard]] QByteArray standardise(const QByteArray &path);

// dir + "/" + name with one "/" between them ("/" + "a" gives "/a").
[[nodiscard]] QByteArray join(const QByteArray &dir, const QByteArray &name);

// The last component of path ignoring trailing "/"; "/" for the root itself.
[[nodiscard]] QByteArray lastComponent(const QByteArray &path);

// open(2) that also works for paths of PATH_MAX bytes and more: a long path is opened
// one stretch at a time, each below the limit. Links are followed as open(2) follows
// them (flags may add O_NOFOLLOW for the last component). O_CLOEXEC is always added.
// Invalid with errno set on failure.
[[nodiscard]] FileDescriptor openLongPath(const QByteArray &path, int flags);

enum class Resolution {
    // openat2 with RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS when the kernel has it,
    // else one component at a time.
    automatic,
    // Always one component at a time with O_NOFOLLOW (what older kernels get).
    componentWise,
};

// Opens the folder at relative (no "." or ".." components; empty means dirFd itself)
// below dirFd as an O_PATH descriptor, refusing every symbolic link on the way,
// including the last component (errno ELOOP), and anything that would leave dirFd's
// tree. Invalid with errno set on failure.
[[nodiscard]] FileDescriptor openBeneath(int dirFd, const QByteArray &relative,
                                         Resolution resolution = Resolution::automatic);

// Where the folder open at fd lies, as the kernel names it: absolute, without links or
// "..". Nothing (errno set) when the path is too long to be named, or lies outside this
// process's root.
[[nodiscard]] std::optional<QByteArray> physicalPath(int fd);

// The system's own wording for an errno value ("Permission denied"). Thread-safe.
[[nodiscard]] QString errorText(int error);

} // namespace FilePaths

// A file-system path decoded for display (invalid UTF-8 shown as U+FFFD).
[[nodiscard]] QString pathText(const QByteArray &path);
