#pragma once

#include <QtGlobal>

#include <functional>

// Removes one entry and, when it is a folder, everything below it, working relative to
// folder descriptors so that no symbolic link is ever followed: a link anywhere in the
// tree is removed as a link and its target keeps every byte, also when a folder is
// swapped for a link while the removal runs (each folder is opened with O_NOFOLLOW |
// O_DIRECTORY, and what fails to open as a folder is unlinked as a name). Paths of any
// length, names of any bytes. The removal does not descend into another mount that
// lies inside the tree; that folder stays and the removal fails with EBUSY. When the
// entry itself is a mount point (a bind mount or a tmpfs mounted right on it), nothing
// at all is removed and the removal fails with EBUSY.
//
// Blocking; one remover per thread.
class TreeRemover
{
public:
    // Asked between entries; once it answers true the removal stops where it is and
    // fails with ECANCELED, leaving the rest of the tree in place.
    using StopRequested = std::function<bool()>;
    void setStopRequested(StopRequested stop) { m_stop = std::move(stop); }

    // Test seam: runs just before each folder of the tree (the top one included) is
    // opened, with its parent's descriptor and its name, so a test can swap the folder
    // for a link at that very moment.
    using BeforeOpen = std::function<void(int parentFd, const char *name)>;
    void setBeforeOpen(BeforeOpen hook) { m_beforeOpen = std::move(hook); }

    // Removes entry `name` of the folder parentFd. Returns 0 when the entry is gone,
    // else the errno of the first failure; the removal goes on past failures, so a
    // failed removal can leave part of the tree behind.
    [[nodiscard]] int remove(int parentFd, const char *name);
    // Bytes on disk the last remove() gave back: the files, links and folders it unlinked
    // whose last link that was (a file with links elsewhere frees nothing).
    [[nodiscard]] qint64 freedBytes() const { return m_freedBytes; }

private:
    BeforeOpen m_beforeOpen;
    StopRequested m_stop;
    qint64 m_freedBytes = 0;
};
