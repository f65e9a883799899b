#include "core/fs/TreeRemover.h"

#include "core/fs/DirectoryReader.h"
#include "core/fs/DirectoryStack.h"
#include "core/fs/FileSystemTraits.h"
#include "core/fs/Mount.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int s_folderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
// A writer that keeps adding names to a folder wins after this many listings.
constexpr int s_listings = 3;

struct Folder
{
    std::vector<std::string> subfolders;
    int listings = 1;
    qint64 bytes = 0; // its own blocks, freed with it
};

// The bytes unlinking entry `name` of dirFd gives back, read just before: nothing while
// other links keep the inode, and not the blocks a clone elsewhere shares.
qint64 bytesFreedByUnlink(int dirFd, const char *name, const FileSystemTraits &traits)
{
    struct statx stx;
    constexpr unsigned mask = STATX_TYPE | STATX_NLINK | STATX_BLOCKS | STATX_SIZE;
    if (::statx(dirFd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, mask, &stx) != 0 || !(stx.stx_mask & STATX_BLOCKS)
        || stx.stx_nlink > 1)
        return 0;
    return qint64(stx.stx_blocks) * 512 - traits.sharedBytes(dirFd, name, stx);
}

class Removal
{
public:
    Removal(const TreeRemover::BeforeOpen &beforeOpen, const TreeRemover::StopRequested &stop)
        : m_beforeOpen(beforeOpen)
        , m_stop(stop)
    {
    }

    int run(int parentFd, const char *topName)
    {
        // The parent is the stack's top, so the tree's own top is handled like
        // every folder below it.
        FileDescriptor parent(::fcntl(parentFd, F_DUPFD_CLOEXEC, 0));
        if (!parent.isValid())
            return errno;
        m_parentMount = mountOf(parent.get());
        DirectoryStack stack(std::move(parent), s_folderFlags);
        std::vector<Folder> folders; // folders[i] is the folder at stack level i + 1
        if (!enter(stack, folders, topName, 1)) {
            // Not a folder (unlinked as a name), or gone: a failure for the entry
            // itself, unlike a subfolder that vanished.
            return m_firstError != 0 ? m_firstError : m_lastGone;
        }

        while (!folders.empty()) {
            if (stopped())
                return ECANCELED;
            Folder &folder = folders.back();
            if (!folder.subfolders.empty()) {
                const std::string name = std::move(folder.subfolders.back());
                folder.subfolders.pop_back();
                enter(stack, folders, name.c_str(), 1);
                continue;
            }
            // Everything below is handled. Close the folder, then remove it from its
            // parent: removing a folder that is still open makes ext4 put it on its
            // orphan list and take it off again at the close, journal work that
            // doubles the time a large tree takes.
            const std::string name = stack.name(stack.depth() - 1);
            const int listings = folder.listings;
            const qint64 folderBytes = folder.bytes;
            folders.pop_back();
            stack.pop();
            const int parentOfFolder = stack.deepestFd();
            if (parentOfFolder < 0) {
                note(errno);
                continue;
            }
            if (::unlinkat(parentOfFolder, name.c_str(), AT_REMOVEDIR) == 0) {
                m_freed += folderBytes;
            } else {
                const int error = errno;
                // Names added while the folder was emptied: list it again, unless
                // something below already failed and explains why it is not empty.
                if (error == ENOTEMPTY && m_firstError == 0 && listings < s_listings) {
                    enter(stack, folders, name.c_str(), listings + 1);
                    continue;
                }
                if (error != ENOENT)
                    note(error);
            }
        }
        return m_firstError;
    }

    [[nodiscard]] qint64 freed() const { return m_freed; }

private:
    bool stopped() const { return m_stop && m_stop(); }

    // Unlinks a non-folder, counting what that gives back.
    [[nodiscard]] bool unlinkName(int dirFd, const char *name)
    {
        const qint64 bytes = bytesFreedByUnlink(dirFd, name, m_traits);
        if (::unlinkat(dirFd, name, 0) != 0)
            return false;
        m_freed += bytes;
        return true;
    }

    void note(int error)
    {
        if (m_firstError == 0)
            m_firstError = error;
    }

    // Opens folder `name` of the deepest folder, pushes it and empties it of
    // everything but subfolders. False when it is not entered: a link or file in its
    // place is unlinked as a name, another mount is left alone.
    bool enter(DirectoryStack &stack, std::vector<Folder> &folders, const char *name, int listings)
    {
        const int parent = stack.deepestFd();
        if (parent < 0) {
            note(errno);
            return false;
        }
        if (m_beforeOpen)
            m_beforeOpen(parent, name);
        if (!stack.push(name)) {
            if (errno == ELOOP || errno == ENOTDIR) {
                // A link or a file, maybe swapped in since the listing: its name only.
                if (!unlinkName(parent, name) && errno != ENOENT)
                    note(errno);
            } else if (errno == ENOENT) {
                m_lastGone = ENOENT;
            } else {
                note(errno);
            }
            return false;
        }
        const int fd = stack.deepestFd();
        const std::optional<Mount> mount = mountOf(fd);
        if (stack.depth() == 2) {
            // A file system mounted right on the entry (a bind mount of a folder from
            // elsewhere, a tmpfs) is not part of the tree: emptying it would remove
            // files that never lay below the entry's parent.
            if (!sameMount(mount, m_parentMount)) {
                note(EBUSY);
                stack.pop();
                return false;
            }
            m_topMount = mount;
            m_traits = FileSystemTraits::of(fd);
        } else if (!sameMount(mount, m_topMount)) {
            // Another file system (or a bind mount) inside the tree is not ours to empty.
            note(EBUSY);
            stack.pop();
            return false;
        }
        struct statx stx;
        const qint64 bytes = ::statx(fd, "", AT_EMPTY_PATH, STATX_BLOCKS, &stx) == 0 && (stx.stx_mask & STATX_BLOCKS)
            ? qint64(stx.stx_blocks) * 512
            : 0;
        folders.push_back(Folder{{}, listings, bytes});
        empty(fd, folders.back());
        return true;
    }

    // Unlinks every non-folder of fd and notes its subfolders.
    void empty(int fd, Folder &folder)
    {
        m_reader.start(fd);
        DirectoryReader::Entry entry;
        while (m_reader.next(entry)) {
            if (stopped())
                return;
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
            if (!unlinkName(fd, entry.name)) {
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
    const TreeRemover::StopRequested &m_stop;
    DirectoryReader m_reader;
    std::optional<Mount> m_parentMount;
    std::optional<Mount> m_topMount;
    int m_firstError = 0;
    qint64 m_freed = 0;
    FileSystemTraits m_traits; // of the tree's file system: nothing of another is removed
    int m_lastGone = 0;        // ENOENT once a folder to enter had vanished
};

} // namespace

int TreeRemover::remove(int parentFd, const char *name)
{
    Removal removal(m_beforeOpen, m_stop);
    const int error = removal.run(parentFd, name);
    m_freedBytes = removal.freed();
    return error;
}
