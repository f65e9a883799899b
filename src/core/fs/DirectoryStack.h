#pragma once

#include "core/fs/FileDescriptor.h"

#include <cstddef>
#include <string>
#include <sys/types.h>
#include <vector>

// The chain of folders of a depth-first walk, from the walk's top folder down to the
// folder being visited, each opened relative to its parent. Children are opened with
// O_NOFOLLOW | O_DIRECTORY, so the walk never passes through a symbolic link, even one
// that replaced a folder a moment ago.
//
// Depth is unlimited: only the deepest `budget` folders keep a descriptor open. A
// folder whose descriptor was closed is reopened from its nearest open ancestor, one
// name at a time, links refused, and must still be the same folder (device and
// inode); otherwise fd() fails with ESTALE. Not thread-safe.
class DirectoryStack
{
public:
    static constexpr int s_defaultBudget = 48;

    // top: the walk's top folder, opened by the caller. openFlags: the flags for
    // every child (O_NOFOLLOW, O_DIRECTORY and O_CLOEXEC are always added; O_NOATIME
    // is dropped for folders the caller does not own).
    DirectoryStack(FileDescriptor top, int openFlags, int budget = s_defaultBudget);

    // Folders in the chain, the top one included.
    [[nodiscard]] std::size_t depth() const { return m_frames.size(); }
    // Name of the folder at level (0 is the top, which has none) in its parent.
    [[nodiscard]] const std::string &name(std::size_t level) const { return m_frames[level].name; }

    // Opens child `name` of the deepest folder and makes it the deepest. False with
    // errno set when it cannot be opened: ELOOP for a link, ENOTDIR for a file, ...
    [[nodiscard]] bool push(const char *name);
    // Closes the deepest folder. The top folder stays.
    void pop();
    // Descriptor of the folder at level, reopened when it was closed; -1 with errno
    // when it cannot be reopened or is no longer the same folder.
    [[nodiscard]] int fd(std::size_t level);
    [[nodiscard]] int deepestFd() { return fd(m_frames.size() - 1); }

private:
    struct Frame
    {
        FileDescriptor fd;
        std::string name;
        dev_t device = 0;
        ino_t inode = 0;
        bool identified = false;
    };

    int openChild(int parentFd, const std::string &name) const;
    void respectBudget(std::size_t keep);

    std::vector<Frame> m_frames;
    int m_openFlags;
    int m_budget;
    int m_open = 0;
    std::size_t m_shallowestOpen = 1; // no frame in [1, m_shallowestOpen) is open
};
