#include "core/modules/TreeRemover.h"

#include "core/modules/DirectoryReader.h"
#include "core/modules/DirectoryStack.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int s_folderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
// A writer that keeps adding names to a folder wins after this many listings.
constexpr int s_listingRounds = 3;

struct Mount
{
    bool known = false;
    std::uint64_t id = 0;
    dev_t device = 0;
};

Mount mountOf(int fd)
{
    struct statx stx;
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_MNT_ID, &stx) != 0)
        return {};
    Mount mount;
    mount.known = true;
    mount.device = makedev(stx.stx_dev_major, stx.stx_dev_minor);
    mount.id = (stx.stx_mask & STATX_MNT_ID) ? stx.stx_mnt_id : 0;
    return mount;
}

bool sameMount(const Mount &a, const Mount &b)
{
    return a.known && b.known && a.device == b.device && a.id == b.id;
}

struct Folder
{
    std::vector<std::string> subfolders;
    int rounds = 1;
};

class Removal
{
public:
    Removal(const TreeRemover::BeforeOpen &beforeOpen)
        : m_beforeOpen(beforeOpen)
    {
    }

    int run(int parentFd, const char *topName)
    {
        FileDescriptor top(::openat(parentFd, topName, s_folderFlags));
        if (!top.isValid()) {
            // A link (ELOOP) or anything else that is not a folder goes as a name.
            if (errno == ELOOP || errno == ENOTDIR)
                return ::unlinkat(parentFd, topName, 0) == 0 ? 0 : errno;
            return errno;
        }
        m_topMount = mountOf(top.get());
        DirectoryStack stack(std::move(top), s_folderFlags);
        std::vector<Folder> folders(1);
        empty(stack.fd(0), folders.back());

        while (!folders.empty()) {
            Folder &folder = folders.back();
            if (!folder.subfolders.empty()) {
                const std::string name = std::move(folder.subfolders.back());
                folder.subfolders.pop_back();
                descend(stack, folders, name);
                continue;
            }
            // Everything below is handled: remove the folder itself, from its parent.
            const bool isTop = stack.depth() == 1;
            const int parent = isTop ? parentFd : stack.fd(stack.depth() - 2);
            const char *name = isTop ? topName : stack.name(stack.depth() - 1).c_str();
            if (parent < 0) {
                note(errno);
            } else if (::unlinkat(parent, name, AT_REMOVEDIR) != 0) {
                const int error = errno;
                // Names added while the folder was emptied: list it again, unless
                // something below already failed and explains why it is not empty.
                if (error == ENOTEMPTY && m_firstError == 0 && folder.rounds < s_listingRounds) {
                    const int fd = stack.deepestFd();
                    if (fd >= 0 && ::lseek(fd, 0, SEEK_SET) == 0) {
                        ++folder.rounds;
                        empty(fd, folder);
                        continue;
                    }
                }
                if (error != ENOENT)
                    note(error);
            }
            folders.pop_back();
            if (!isTop)
                stack.pop();
        }
        return m_firstError;
    }

private:
    void note(int error)
    {
        if (m_firstError == 0)
            m_firstError = error;
    }

    void descend(DirectoryStack &stack, std::vector<Folder> &folders, const std::string &name)
    {
        const int parent = stack.deepestFd();
        if (parent < 0) {
            note(errno);
            return;
        }
        if (m_beforeOpen)
            m_beforeOpen(parent, name.c_str());
        if (!stack.push(name.c_str())) {
            if (errno == ELOOP || errno == ENOTDIR) {
                // Swapped for a link or a file since the listing: remove that name only.
                if (::unlinkat(parent, name.c_str(), 0) != 0 && errno != ENOENT)
                    note(errno);
            } else if (errno != ENOENT) {
                note(errno);
            }
            return;
        }
        const int fd = stack.deepestFd();
        if (!sameMount(mountOf(fd), m_topMount)) {
            // Another file system (or a bind mount) inside the tree is not ours to empty.
            note(EBUSY);
            stack.pop();
            return;
        }
        folders.emplace_back();
        empty(fd, folders.back());
    }

    // Unlinks every non-folder of fd and notes its subfolders.
    void empty(int fd, Folder &folder)
    {
        m_reader.start(fd);
        DirectoryReader::Entry entry;
        while (m_reader.next(entry)) {
            unsigned char type = entry.type;
            if (type == DT_UNKNOWN) {
                struct stat st;
                if (::fstatat(fd, entry.name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                    if (errno != ENOENT)
                        note(errno);
                    continue;
                }
                type = S_ISDIR(st.st_mode) ? DT_DIR : DT_REG;
            }
            if (type == DT_DIR) {
                folder.subfolders.emplace_back(entry.name, entry.length);
                continue;
            }
            if (::unlinkat(fd, entry.name, 0) != 0) {
                if (errno == EISDIR)
                    folder.subfolders.emplace_back(entry.name, entry.length);
                else if (errno != ENOENT)
                    note(errno);
            }
        }
        if (m_reader.error() != 0)
            note(m_reader.error());
    }

    const TreeRemover::BeforeOpen &m_beforeOpen;
    DirectoryReader m_reader;
    Mount m_topMount;
    int m_firstError = 0;
};

} // namespace

int TreeRemover::remove(int parentFd, const char *name)
{
    return Removal(m_beforeOpen).run(parentFd, name);
}
