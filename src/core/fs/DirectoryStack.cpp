#include "core/fs/DirectoryStack.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

DirectoryStack::DirectoryStack(FileDescriptor top, int openFlags, int budget)
    : m_openFlags(openFlags | O_NOFOLLOW | O_DIRECTORY | O_CLOEXEC)
    , m_budget(std::max(budget, 2))
{
    m_frames.push_back(Frame{std::move(top), {}});
}

int DirectoryStack::openChild(int parentFd, const std::string &name) const
{
    int fd = ::openat(parentFd, name.c_str(), m_openFlags);
    // O_NOATIME is only granted on one's own files; elsewhere atime just moves.
    if (fd < 0 && errno == EPERM && (m_openFlags & O_NOATIME))
        fd = ::openat(parentFd, name.c_str(), m_openFlags & ~O_NOATIME);
    return fd;
}

bool DirectoryStack::push(const char *name)
{
    const int parent = deepestFd();
    if (parent < 0)
        return false;
    Frame frame;
    frame.name = name;
    const int fd = openChild(parent, frame.name);
    if (fd < 0)
        return false;
    frame.fd.reset(fd);
    m_frames.push_back(std::move(frame));
    ++m_open;
    respectBudget(m_frames.size() - 1);
    return true;
}

void DirectoryStack::pop()
{
    if (m_frames.size() <= 1)
        return;
    if (m_frames.back().fd.isValid())
        --m_open;
    m_frames.pop_back();
    m_shallowestOpen = std::min(m_shallowestOpen, m_frames.size());
}

void DirectoryStack::respectBudget(std::size_t keep)
{
    while (m_open > m_budget && m_shallowestOpen < keep) {
        Frame &frame = m_frames[m_shallowestOpen];
        if (frame.fd.isValid()) {
            struct stat st;
            frame.identified = ::fstat(frame.fd.get(), &st) == 0;
            frame.device = st.st_dev;
            frame.inode = st.st_ino;
            frame.fd.reset();
            --m_open;
        }
        ++m_shallowestOpen;
    }
}

int DirectoryStack::fd(std::size_t level)
{
    if (m_frames[level].fd.isValid())
        return m_frames[level].fd.get();
    std::size_t ancestor = level;
    while (!m_frames[ancestor].fd.isValid())
        --ancestor; // the top frame is never closed
    for (std::size_t next = ancestor + 1; next <= level; ++next) {
        Frame &frame = m_frames[next];
        FileDescriptor fd(openChild(m_frames[next - 1].fd.get(), frame.name));
        if (!fd.isValid())
            return -1;
        struct stat st;
        if (!frame.identified || ::fstat(fd.get(), &st) != 0 || st.st_dev != frame.device || st.st_ino != frame.inode) {
            errno = ESTALE;
            return -1;
        }
        frame.fd = std::move(fd);
        ++m_open;
        m_shallowestOpen = std::min(m_shallowestOpen, next);
        // Close from the shallow end but keep the freshly opened chain, so the walk
        // back up finds its parents open and reopening stays linear in depth.
        respectBudget(next);
    }
    return m_frames[level].fd.get();
}
