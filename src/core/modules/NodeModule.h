#pragma once

#include "core/fs/FilePaths.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

// An inode of a measured tree that also has links outside it (pnpm's store, cp -al, a
// second project). Only inodes with more than one link can be one.
struct SharedInode
{
    quint64 device = 0;
    quint64 inode = 0;
    qint64 bytes = 0;      // allocated
    quint32 links = 0;     // st_nlink when measured
    quint32 linksHere = 0; // links the walk met inside the tree, fewer than links

    friend bool operator==(const SharedInode &, const SharedInode &) = default;
};

// A record's shared inodes, fixed once measured and shared by every copy of the record;
// compared by content.
struct SharedInodes
{
    std::shared_ptr<const std::vector<SharedInode>> items;

    [[nodiscard]] const std::vector<SharedInode> &list() const;

    friend bool operator==(const SharedInodes &a, const SharedInodes &b)
    {
        return a.items == b.items || a.list() == b.list();
    }
};

// One node_modules entry found by a scan. A plain value, safe between threads.
// Paths are kept as the file system's bytes (names need not be valid UTF-8) and
// decoded only for display with pathText(). Identity (id) is the module path.
struct NodeModule
{
    QByteArray id;         // equal to modulePath
    QString projectName;   // last component of the parent folder, decoded
    QByteArray parentPath; // as the walk produced it
    QByteArray modulePath; // parentPath + "/node_modules", absolute, no trailing slash
    // A link's target is measured only when it is itself a node_modules folder.
    static constexpr qint64 s_sizeNotMeasured = -1;

    qint64 sizeBytes = 0; // bytes on disk of the tree, each inode once (du -s), the link target's, or s_sizeNotMeasured
    QDateTime lastAccessed; // DateFormat::distantPast() when unknown
    QString groupKey;
    bool isSymlink = false;
    std::optional<QByteArray> symlinkTarget; // absolute, standardised; only for live links
    // Part of sizeBytes held by inodes that also have links outside the folder: deleting
    // the folder alone does not give it back. 0 for a link.
    qint64 sharedBytes = 0;
    // Those inodes, for the store to tell which are freed by deleting several folders.
    SharedInodes sharedInodes;

    // What deleting this folder alone gives back: sizeBytes less sharedBytes, 0 for a
    // link (deleting a link frees nothing).
    [[nodiscard]] qint64 reclaimableBytes() const;
    [[nodiscard]] bool isSizeMeasured() const { return sizeBytes != s_sizeNotMeasured; }
    // Absent for a real folder; the sentence that tells what deleting a link does.
    [[nodiscard]] std::optional<QString> symlinkExplanation() const;

    friend bool operator==(const NodeModule &, const NodeModule &) = default;
};

// Combines the fields == compares (the shared inodes only through sharedBytes).
size_t qHash(const NodeModule &module, size_t seed = 0);

// Records sharing a group key, largest first; totalBytes is what deleting them all
// frees: their reclaimableBytes and the inodes shared only among them.
struct ModuleGroup
{
    QString key;
    QList<NodeModule> modules;
    qint64 totalBytes = 0;

    [[nodiscard]] const QString &id() const { return key; }

    friend bool operator==(const ModuleGroup &, const ModuleGroup &) = default;
};

// The records grouped by groupKey, kept up to date as records come and go: adding a
// record costs a lookup and an append; a group is sorted again only when read after it
// changed. Groups keep their index for as long as this lives, also once empty.
class ModuleGroups
{
public:
    // The index of the record's group, made when new.
    qint32 add(const NodeModule &module);
    // Takes out the record with this id; its figures must be the ones it was added with.
    void remove(const NodeModule &module);
    // Bytes of inodes linked only from this group's records and from more than one of them.
    void addShared(qint32 group, qint64 bytes) { m_shared[group] += bytes; }
    void clear();
    // -1 when no record of that key came.
    [[nodiscard]] qint32 indexOf(const QString &key) const { return m_index.value(key, -1); }

    // The groups that hold records, each sorted by sizeBytes (largest first, equal sizes
    // in arrival order), and by totalBytes (largest first, equal totals in order of their
    // first record).
    [[nodiscard]] QList<ModuleGroup> sorted() const;

private:
    QHash<QString, qint32> m_index;
    mutable QList<ModuleGroup> m_groups; // totalBytes: the records' reclaimableBytes only
    QList<qint64> m_shared;
    mutable QList<bool> m_unsorted;
};
