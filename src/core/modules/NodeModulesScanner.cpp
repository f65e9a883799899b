#include "core/modules/NodeModulesScanner.h"

#include "core/Concurrency.h"
#include "core/DateFormat.h"
#include "core/fs/DirectoryReader.h"
#include "core/fs/DirectoryStack.h"
#include "core/fs/FileSystemTraits.h"
#include "core/fs/FilePaths.h"

#include <QTimeZone>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <system_error>
#include <thread>
#include <tuple>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <vector>

namespace NodeModulesScanner {

namespace {

// Reading folders must not move their access dates: they are what the scan reports.
constexpr int s_walkFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOATIME;
const QByteArray s_nodeModules = QByteArrayLiteral("node_modules");

FileDescriptor openFolder(const QByteArray &path)
{
    FileDescriptor fd = FilePaths::openLongPath(path, s_walkFlags);
    if (!fd.isValid() && errno == EPERM)
        fd = FilePaths::openLongPath(path, s_walkFlags & ~O_NOATIME);
    return fd;
}

FileDescriptor openFolderAt(int dirFd, const char *name)
{
    FileDescriptor fd(::openat(dirFd, name, s_walkFlags | O_NOFOLLOW));
    if (!fd.isValid() && errno == EPERM)
        fd.reset(::openat(dirFd, name, (s_walkFlags & ~O_NOATIME) | O_NOFOLLOW));
    return fd;
}

struct WalkFolder
{
    QByteArray path;
    std::vector<std::string> subfolders; // listing order; visited from the back
};

// Lists one folder for the walk: whether it holds node_modules, and the subfolders
// to visit. False when the listing fails.
bool listForWalk(DirectoryReader &reader, int fd, WalkFolder &folder, bool &holdsModules)
{
    holdsModules = false;
    reader.start(fd);
    DirectoryReader::Entry entry;
    while (reader.next(entry)) {
        const std::string_view name(entry.name, entry.length);
        if (name == "node_modules") {
            holdsModules = true;
            continue;
        }
        if (name.front() == '.' || name == "__pycache__")
            continue;
        bool descend = entry.type == DT_DIR;
        if (entry.type == DT_UNKNOWN) {
            // A folder when followed, and not a link itself; unreadable own attributes
            // do not stop it.
            struct stat st;
            descend = ::fstatat(fd, entry.name, &st, 0) == 0 && S_ISDIR(st.st_mode)
                && !(::fstatat(fd, entry.name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode));
        }
        if (descend)
            folder.subfolders.emplace_back(name);
    }
    return reader.error() == 0;
}

// Bytes on disk of one tree as du -s counts them: every inode once, folders and links
// included. An inode with more links than the walk meets inside the tree is shared:
// its bytes stay on disk when the tree goes.
class TreeTally
{
public:
    struct Result
    {
        qint64 sizeBytes = 0;
        qint64 sharedBytes = 0;
        std::vector<SharedInode> sharedInodes;
    };

    void add(const struct statx &stx)
    {
        const qint64 bytes = (stx.stx_mask & STATX_BLOCKS)         ? qint64(stx.stx_blocks) * 512
            : (stx.stx_mask & STATX_SIZE) && S_ISREG(stx.stx_mode) ? qint64(stx.stx_size)
                                                                   : 0;
        // Folders cannot be hard-linked; their link count counts subfolders.
        if (S_ISDIR(stx.stx_mode) || !(stx.stx_mask & STATX_NLINK) || stx.stx_nlink <= 1) {
            m_size += bytes;
            return;
        }
        m_links.push_back({makedev(stx.stx_dev_major, stx.stx_dev_minor), stx.stx_ino, bytes, stx.stx_nlink, 1});
    }

    // Bytes of a file counted by add() whose blocks copies elsewhere use too (reflinks).
    void addSharedExtents(qint64 bytes) { m_sharedExtents += bytes; }

    // Room for the notes of all the walkers at once, so merging grows the list only once.
    void reserveFor(const std::vector<TreeTally> &others)
    {
        size_t notes = m_links.size();
        for (const TreeTally &other : others)
            notes += other.m_links.size();
        m_links.reserve(notes);
    }

    // Each walker's notes go as soon as they are merged: a tree of links keeps only one copy.
    void merge(TreeTally &&other)
    {
        m_size += other.m_size;
        m_sharedExtents += other.m_sharedExtents;
        m_links.insert(m_links.end(), other.m_links.begin(), other.m_links.end());
        std::vector<SharedInode>().swap(other.m_links);
    }

    // Every link met is noted as it comes, and the notes of one inode gathered at the
    // end: a sorted list takes less than half the memory of a hash table, and pnpm's trees
    // are nothing but links.
    [[nodiscard]] Result result()
    {
        const auto byInode = [](const SharedInode &a, const SharedInode &b) {
            return std::tie(a.device, a.inode) < std::tie(b.device, b.inode);
        };
        std::sort(m_links.begin(), m_links.end(), byInode);
        Result result;
        result.sizeBytes = m_size;
        result.sharedBytes = m_sharedExtents;
        size_t shared = 0;
        for (size_t first = 0, last = 0; first < m_links.size(); first = last) {
            for (last = first + 1; last < m_links.size() && !byInode(m_links[first], m_links[last]); ++last) { }
            SharedInode &inode = m_links[first];
            inode.linksHere = quint32(last - first);
            result.sizeBytes += inode.bytes;
            if (inode.linksHere < inode.links) {
                result.sharedBytes += inode.bytes;
                m_links[shared++] = inode;
            }
        }
        // Kept where they are when the list is nearly full (a tree of links): a copy
        // would hold them twice for a moment.
        m_links.resize(shared);
        if (m_links.capacity() - shared > shared / 8)
            m_links.shrink_to_fit();
        result.sharedInodes = std::move(m_links);
        return result;
    }

private:
    qint64 m_size = 0;                // of the inodes with one link
    qint64 m_sharedExtents = 0;       // part of m_size that copies elsewhere use too
    std::vector<SharedInode> m_links; // one note per link of an inode with several
};

constexpr unsigned s_tallyMask = STATX_TYPE | STATX_BLOCKS | STATX_SIZE | STATX_NLINK | STATX_INO;

// What the walkers of one tree share: where it lies, and what its file system allows.
class TreeSite
{
public:
    explicit TreeSite(int top)
        : m_traits(FileSystemTraits::of(top))
    {
        struct statx stx;
        if (::statx(top, "", AT_EMPTY_PATH, STATX_TYPE, &stx) == 0)
            m_device = makedev(stx.stx_dev_major, stx.stx_dev_minor);
    }

    // Tallies a folder just opened for listing (its own blocks: a folder is stated
    // through its descriptor rather than by name, which saves a lookup), starts reader
    // on it, and tells what its file system allows.
    FileSystemTraits start(DirectoryReader &reader, int fd, TreeTally &tally) const
    {
        struct statx stx;
        FileSystemTraits traits;
        if (::statx(fd, "", AT_EMPTY_PATH, s_tallyMask, &stx) == 0) {
            tally.add(stx);
            // A file system mounted inside the tree is asked for itself.
            traits = makedev(stx.stx_dev_major, stx.stx_dev_minor) == m_device ? m_traits : FileSystemTraits::of(fd);
        }
        reader.start(fd, traits.fillsEveryRead);
        return traits;
    }

private:
    FileSystemTraits m_traits;
    dev_t m_device = 0;
};

// A folder that could not be opened still has its own blocks, as du counts them.
void tallyUnopened(int dirFd, const char *name, TreeTally &tally)
{
    struct statx stx;
    if (::statx(dirFd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, s_tallyMask, &stx) == 0)
        tally.add(stx);
}

// Tallies the entries of the folder reader was started on and notes its subfolders,
// which are tallied when opened. False when cancelled.
bool listForSize(DirectoryReader &reader, int fd, const FileSystemTraits &traits, std::vector<std::string> &subfolders,
                 TreeTally &tally, const CancelToken &token)
{
    DirectoryReader::Entry entry;
    while (reader.next(entry)) {
        if (token.isCancelled())
            return false;
        if (entry.type == DT_DIR) {
            subfolders.emplace_back(entry.name, entry.length);
            continue;
        }
        struct statx stx;
        if (::statx(fd, entry.name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, s_tallyMask, &stx) != 0)
            continue;
        if (S_ISDIR(stx.stx_mode)) {
            subfolders.emplace_back(entry.name, entry.length);
            continue;
        }
        tally.add(stx);
        // A file of its own may still share its blocks with a clone (pnpm's store on
        // Btrfs or XFS).
        tally.addSharedExtents(traits.sharedBytes(fd, entry.name, stx));
    }
    return true;
}

// Tallies folder, opened at the bottom of a walk, and everything below it, depth first.
// False when cancelled.
bool tallyBelow(const TreeSite &site, FileDescriptor folder, DirectoryReader &reader, TreeTally &tally,
                const CancelToken &token, int descriptors)
{
    DirectoryStack stack(std::move(folder), s_walkFlags, descriptors);
    std::vector<std::vector<std::string>> pending(1);
    const FileSystemTraits traits = site.start(reader, stack.fd(0), tally);
    if (!listForSize(reader, stack.fd(0), traits, pending.back(), tally, token))
        return false;
    while (!pending.empty()) {
        std::vector<std::string> &subfolders = pending.back();
        if (subfolders.empty()) {
            pending.pop_back();
            stack.pop();
            continue;
        }
        const std::string name = std::move(subfolders.back());
        subfolders.pop_back();
        const int parent = stack.deepestFd();
        if (!stack.push(name.c_str())) {
            // Gone, unreadable, or swapped for a link.
            if (parent >= 0)
                tallyUnopened(parent, name.c_str(), tally);
            continue;
        }
        const int fd = stack.deepestFd();
        pending.emplace_back();
        if (fd < 0)
            continue;
        const FileSystemTraits traits = site.start(reader, fd, tally);
        if (!listForSize(reader, fd, traits, pending.back(), tally, token))
            return false;
    }
    return true;
}

// The folder at relative (names joined by "/") below top, no link followed on the way.
FileDescriptor openBelow(int top, const std::string &relative)
{
    FileDescriptor fd(::fcntl(top, F_DUPFD_CLOEXEC, 0));
    size_t start = 0;
    while (fd.isValid() && start < relative.size()) {
        const size_t end = std::min(relative.find('/', start), relative.size());
        fd = openFolderAt(fd.get(), relative.substr(start, end - start).c_str());
        start = end + 1;
    }
    return fd;
}

// A tree with this many folders in its first levels is walked by several threads: one
// large node_modules (a monorepo's hoisted one, pnpm's .pnpm) would otherwise keep a
// single thread busy while the others have finished.
constexpr size_t s_foldersToShare = 64;
constexpr int s_levelsBeforeSharing = 3;
constexpr int s_walkersPerTree = 8;
// Eight trees measured at once, eight walkers each, must stay well inside the usual
// limit of 1,024 open files; deeper folders are reopened from their ancestors.
constexpr int s_descriptorsPerWalker = 8;

TreeTally::Result tallyTree(FileDescriptor top, const CancelToken &token)
{
    TreeTally tally;
    const TreeSite site(top.get());
    DirectoryReader reader;
    // The first levels breadth first, until there are folders enough to share.
    std::vector<std::string> frontier;
    const FileSystemTraits topTraits = site.start(reader, top.get(), tally);
    if (!listForSize(reader, top.get(), topTraits, frontier, tally, token))
        return tally.result();
    for (int level = 1; level < s_levelsBeforeSharing && frontier.size() < s_foldersToShare; ++level) {
        std::vector<std::string> next;
        for (const std::string &relative : frontier) {
            const FileDescriptor fd = openBelow(top.get(), relative);
            if (!fd.isValid()) {
                tallyUnopened(top.get(), relative.c_str(), tally);
                continue;
            }
            std::vector<std::string> names;
            const FileSystemTraits traits = site.start(reader, fd.get(), tally);
            if (!listForSize(reader, fd.get(), traits, names, tally, token))
                return tally.result();
            for (std::string &name : names)
                next.push_back(relative + '/' + name);
        }
        frontier = std::move(next);
    }

    // Each walker takes whole subtrees of the frontier in turn and keeps a tally of its
    // own; merging them counts an inode met by two walkers once.
    std::atomic<size_t> nextFolder = 0;
    const size_t helpers = frontier.size() >= s_foldersToShare ? s_walkersPerTree - 1 : 0;
    const int descriptors = helpers > 0 ? s_descriptorsPerWalker : DirectoryStack::s_defaultBudget;
    const auto walk = [&](TreeTally &own) {
        DirectoryReader ownReader;
        for (size_t index = nextFolder++; index < frontier.size(); index = nextFolder++) {
            FileDescriptor fd = openBelow(top.get(), frontier[index]);
            if (!fd.isValid()) {
                tallyUnopened(top.get(), frontier[index].c_str(), own);
                continue;
            }
            if (!tallyBelow(site, std::move(fd), ownReader, own, token, descriptors))
                return;
        }
    };
    std::vector<TreeTally> tallies(helpers);
    std::vector<std::thread> threads;
    for (TreeTally &own : tallies) {
        try {
            threads.emplace_back(walk, std::ref(own));
        } catch (const std::system_error &) {
            break; // no thread to be had: fewer walkers take the same folders
        }
    }
    walk(tally);
    for (std::thread &thread : threads)
        thread.join();
    tally.reserveFor(tallies);
    for (TreeTally &own : tallies)
        tally.merge(std::move(own));
    return tally.result();
}

QDateTime fromTimestamp(const struct statx_timestamp &time)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(time.tv_sec) * 1000 + time.tv_nsec / 1000000, QTimeZone::utc());
}

std::optional<QByteArray> readLink(int dirFd, const char *name)
{
    QByteArray buffer(256, Qt::Uninitialized);
    for (;;) {
        const ssize_t length = ::readlinkat(dirFd, name, buffer.data(), buffer.size());
        if (length < 0)
            return std::nullopt;
        if (length < buffer.size()) {
            buffer.truncate(length);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

// Whether path, links and all, ends at a folder named node_modules. A node_modules link
// to "/" or to a home folder would otherwise have its whole target walked and sized.
bool leadsToNodeModules(const QByteArray &path)
{
    const FileDescriptor fd = FilePaths::openLongPath(path, O_PATH | O_DIRECTORY);
    const std::optional<QByteArray> physical = fd.isValid() ? FilePaths::physicalPath(fd.get()) : std::nullopt;
    return physical && FilePaths::lastComponent(*physical) == s_nodeModules;
}

} // namespace

QList<QByteArray> findParentDirs(const QByteArray &root, const CancelToken &token)
{
    assertNotGuiThread(__func__);
    QList<QByteArray> results;
    if (token.isCancelled())
        return results;
    // The root itself may be a link: the user chose it.
    FileDescriptor rootFd = openFolder(root);
    if (!rootFd.isValid())
        return results;
    DirectoryReader reader;
    DirectoryStack stack(std::move(rootFd), s_walkFlags);
    std::vector<WalkFolder> folders(1);
    folders.back().path = root;
    bool holdsModules = false;
    if (!listForWalk(reader, stack.fd(0), folders.back(), holdsModules))
        return results;
    token.noteFolder(holdsModules);
    if (holdsModules)
        results.append(root);

    while (!folders.empty()) {
        WalkFolder &folder = folders.back();
        if (folder.subfolders.empty()) {
            folders.pop_back();
            stack.pop();
            continue;
        }
        const std::string name = std::move(folder.subfolders.back());
        folder.subfolders.pop_back();
        if (token.isCancelled())
            return results;
        QByteArray path = FilePaths::join(folder.path, QByteArray(name.data(), qsizetype(name.size())));
        // O_NOFOLLOW: a folder swapped for a link since the listing is not entered.
        if (!stack.push(name.c_str()))
            continue;
        const int fd = stack.deepestFd();
        WalkFolder child{std::move(path), {}};
        if (fd < 0 || !listForWalk(reader, fd, child, holdsModules)) {
            stack.pop();
            continue;
        }
        token.noteFolder(holdsModules);
        if (holdsModules)
            results.append(child.path);
        folders.push_back(std::move(child));
    }
    return results;
}

qint64 directorySize(const QByteArray &path, const CancelToken &token)
{
    assertNotGuiThread(__func__);
    FileDescriptor fd = openFolder(path);
    if (!fd.isValid())
        return 0;
    return tallyTree(std::move(fd), token).sizeBytes;
}

std::optional<NodeModule> measure(const QByteArray &parentPath, const QByteArray &root, const CancelToken &token)
{
    assertNotGuiThread(__func__);
    const QByteArray parent = FilePaths::absolute(parentPath);
    const FileDescriptor parentFd = FilePaths::openLongPath(parent, O_PATH | O_DIRECTORY);
    if (!parentFd.isValid())
        return std::nullopt;
    struct statx stx;
    if (::statx(parentFd.get(), "node_modules", AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, STATX_TYPE | STATX_ATIME, &stx)
        != 0)
        return std::nullopt;

    NodeModule module;
    module.modulePath = FilePaths::join(parent, s_nodeModules);
    module.id = module.modulePath;
    module.projectName = pathText(FilePaths::lastComponent(parent));
    module.parentPath = parentPath;
    module.groupKey = groupKey(parentPath, root);
    module.lastAccessed = (stx.stx_mask & STATX_ATIME) ? fromTimestamp(stx.stx_atime) : DateFormat::distantPast();

    if ((stx.stx_mask & STATX_TYPE) && S_ISLNK(stx.stx_mode)) {
        module.isSymlink = true;
        if (const std::optional<QByteArray> destination = readLink(parentFd.get(), "node_modules")) {
            // A relative link is relative to the folder that holds it.
            const QByteArray target = FilePaths::standardise(
                destination->startsWith('/') ? *destination : FilePaths::join(parentPath, *destination));
            if (FilePaths::openLongPath(target, O_PATH).isValid()) {
                module.symlinkTarget = target;
                // The target's size: nothing there is freed by deleting the link.
                module.sizeBytes =
                    leadsToNodeModules(target) ? directorySize(target, token) : NodeModule::s_sizeNotMeasured;
            }
        }
        return module;
    }
    // A real folder is sized; any other kind of entry holds no tree and weighs 0.
    FileDescriptor moduleFd = openFolderAt(parentFd.get(), "node_modules");
    if (moduleFd.isValid()) {
        TreeTally::Result tally = tallyTree(std::move(moduleFd), token);
        module.sizeBytes = tally.sizeBytes;
        module.sharedBytes = tally.sharedBytes;
        if (!tally.sharedInodes.empty())
            module.sharedInodes.items = std::make_shared<const std::vector<SharedInode>>(std::move(tally.sharedInodes));
    }
    return module;
}

QString groupKey(const QByteArray &parentPath, const QByteArray &root)
{
    const QByteArray r = FilePaths::standardise(root);
    const QByteArray p = FilePaths::standardise(parentPath);
    if (!p.startsWith(r))
        return pathText(p);
    QByteArray rest = p.mid(r.size());
    if (rest.startsWith('/'))
        rest.remove(0, 1);
    for (const QByteArray &piece : rest.split('/')) {
        if (!piece.isEmpty())
            return pathText(piece);
    }
    return QStringLiteral("(root)");
}

QByteArray standardise(const QByteArray &path)
{
    return FilePaths::standardise(path);
}

} // namespace NodeModulesScanner
