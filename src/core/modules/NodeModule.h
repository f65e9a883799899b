#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// One node_modules entry found by a scan. A plain value, safe between threads.
// Paths are kept as the file system's bytes (names need not be valid UTF-8) and
// decoded only for display with pathText(). Identity (id) is the module path.
struct NodeModule
{
    QByteArray id; // equal to modulePath
    QString projectName; // last component of the parent folder, decoded
    QByteArray parentPath; // as the walk produced it
    QByteArray modulePath; // parentPath + "/node_modules", absolute, no trailing slash
    // A link's target is measured only when it is itself a node_modules folder.
    static constexpr qint64 s_sizeNotMeasured = -1;

    qint64 sizeBytes = 0; // bytes on disk of the folder's tree, the link target's, or s_sizeNotMeasured
    QDateTime lastAccessed; // DateFormat::distantPast() when unknown
    QString groupKey;
    bool isSymlink = false;
    std::optional<QByteArray> symlinkTarget; // absolute, standardised; only for live links

    // 0 for a link: deleting a link frees nothing.
    [[nodiscard]] qint64 reclaimableBytes() const;
    [[nodiscard]] bool isSizeMeasured() const { return sizeBytes != s_sizeNotMeasured; }
    // Absent for a real folder; the sentence that tells what deleting a link does.
    [[nodiscard]] std::optional<QString> symlinkExplanation() const;

    friend bool operator==(const NodeModule &, const NodeModule &) = default;
};

// Combines all nine fields, as == compares them.
size_t qHash(const NodeModule &module, size_t seed = 0);

// Records sharing a group key, largest first; totalBytes sums reclaimableBytes.
struct ModuleGroup
{
    QString key;
    QList<NodeModule> modules;
    qint64 totalBytes = 0;

    [[nodiscard]] const QString &id() const { return key; }

    friend bool operator==(const ModuleGroup &, const ModuleGroup &) = default;
};

// Partitions by groupKey, sorts each group by sizeBytes (largest first, stable) and the
// groups by totalBytes (largest first, stable).
[[nodiscard]] QList<ModuleGroup> buildGroups(const QList<NodeModule> &modules);

// A file-system path decoded for display (invalid UTF-8 shown as U+FFFD).
[[nodiscard]] QString pathText(const QByteArray &path);
