#pragma once

#include "core/modules/CancelToken.h"
#include "core/modules/ModuleSortOrder.h"
#include "core/modules/NodeModule.h"
#include "core/modules/NodeModulesScanner.h"

#include <QFuture>
#include <QHash>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>

// The observable state of the node_modules cleanup, shared by the Disk cleanup and
// Breakdown screens. Lives on the GUI thread and is touched only there; each
// xChanged() signal fires only when x takes a different value. The totals are kept up
// to date as records come and go, in time proportional to the record's shared inodes,
// and so are the groups. The walks and deletions run on a worker pool,
// the measurements on a pool of their own, at most eight at once, all below the GUI
// thread's priority; measured records are appended one by one as they finish. The pools
// belong to the process, not to a store, so that a store can go at once while a walk is
// stuck on a dead mount: the abandoned work finishes on its own and reports to nobody.
class ScanStore : public QObject
{
    Q_OBJECT

public:
    // Both run on worker threads and must honour the token; tests and the screenshot
    // tool pass their own to shape or feed a scan.
    using WalkFunction = std::function<QList<QByteArray>(const QByteArray &root, const CancelToken &token)>;
    using MeasureFunction = std::function<std::optional<NodeModule>(const QByteArray &parentPath,
                                                                    const QByteArray &root, const CancelToken &token)>;

    // What one change of modules was: a scan's record added at the end, or anything else
    // (a new scan begun, records deleted).
    enum class ModulesChange { appended, other };
    Q_ENUM(ModulesChange)

    // The real scanner: NodeModulesScanner::findParentDirs and measure.
    explicit ScanStore(QObject *parent = nullptr);
    ScanStore(WalkFunction walk, MeasureFunction measure, QObject *parent = nullptr);
    // Cancels the scan without waiting for its walk or measurements, and stops the running
    // deletions between two entries, waiting a few seconds at most for them to stop.
    ~ScanStore() override;

    // The folder to scan, as typed, and the bytes the core gets: the text's encoding, or
    // the exact bytes given to setRootBytes (a name that is not UTF-8 has no exact text).
    [[nodiscard]] QString rootPath() const { return m_rootPath; }
    [[nodiscard]] QByteArray rootBytes() const { return m_rootBytes; }
    void setRootPath(const QString &rootPath);
    void setRootBytes(const QByteArray &rootBytes);
    [[nodiscard]] bool isScanning() const { return m_isScanning; }
    // Records of the current or last scan, in arrival order.
    [[nodiscard]] const QList<NodeModule> &modules() const { return m_modules; }
    [[nodiscard]] QString statusText() const { return m_statusText; }
    // "{k}/{n} measured · {size}" while measuring, else empty.
    [[nodiscard]] QString progressText() const { return m_progressText; }
    [[nodiscard]] bool groupByFolder() const { return m_groupByFolder; }
    void setGroupByFolder(bool groupByFolder);
    [[nodiscard]] ModuleSortOrder sortOrder() const { return m_sortOrder; }
    void setSortOrder(const ModuleSortOrder &sortOrder);
    // The records in sortOrder; records it finds equal keep their arrival order, so a
    // record appended goes after every record it ties with.
    [[nodiscard]] QList<NodeModule> visible() const;
    [[nodiscard]] QSet<QByteArray> selection() const { return m_selection; }
    // Ids being deleted are left out: a record can only be chosen once.
    void setSelection(const QSet<QByteArray> &selection);
    // Ids of the records that running deletions are handling.
    [[nodiscard]] const QSet<QByteArray> &deletingIds() const { return m_deletingIds; }
    [[nodiscard]] bool isDeleting() const { return !m_deletingIds.isEmpty(); }

    // What deleting every record frees: their reclaimableBytes (links add 0), and each
    // inode linked from several records and nowhere else, once.
    [[nodiscard]] qint64 totalBytes() const { return m_totalBytes; }
    [[nodiscard]] int symlinkCount() const { return m_symlinkCount; }
    // The same over the records whose id is in ids; ids that match no record add nothing.
    [[nodiscard]] qint64 reclaimableBytes(const QSet<QByteArray> &ids) const;
    [[nodiscard]] int symlinkCount(const QSet<QByteArray> &ids) const;
    [[nodiscard]] QList<ModuleGroup> groups() const;

    // Starts a scan of rootPath and returns at once; nothing is published before it
    // returns. Does nothing while scanning; when nothing exists at rootPath, or it is not
    // an absolute path, only sets the status "Path is not a valid directory.".
    void startScan();
    // Stops the running scan (always acts, scanning or not); that scan's workers never
    // write to the store again, and a new scan may start at once.
    void cancel();
    // Deletes the records with these ids on a worker thread, judged against the
    // rootPath of the moment and reached through the root as the scan resolved it, then
    // removes what went from modules and selection and sets the status. While it runs,
    // its ids are in deletingIds (records already being deleted are left out of a new
    // deletion), out of the selection (those that stay come back to it at the end) and
    // the status reads "Deleting {k} of {n}…". The future finishes after the store is
    // updated, never before this returns; with no matching record it is finished at once
    // with the empty result and nothing changes. Several deletions may run at once. A
    // deletion cut short by the store's end never finishes its future (it is cancelled).
    QFuture<NodeModulesScanner::DeletionResult> deleteModules(const QSet<QByteArray> &ids,
                                                              NodeModulesScanner::DeletionMode mode);

signals:
    void rootPathChanged();
    void isScanningChanged();
    // Fires once for every change of modules; for a record appended, views can insert
    // its row instead of going through the whole list again.
    void modulesChanged(ScanStore::ModulesChange change);
    void statusTextChanged();
    void progressTextChanged();
    void groupByFolderChanged();
    void sortOrderChanged();
    void selectionChanged();
    void deletingIdsChanged();

private:
    struct Measuring;
    struct Mailbox;
    struct Deletion
    {
        qsizetype position = 0;
        qsizetype count = 0;
    };
    struct InodeKey
    {
        quint64 device = 0;
        quint64 inode = 0;
        friend bool operator==(const InodeKey &, const InodeKey &) = default;
        friend size_t qHash(const InodeKey &key, size_t seed = 0) { return qHashMulti(seed, key.device, key.inode); }
    };
    // An inode linked from more than one place, at least one of them a record here. Kept
    // to 16 bytes, for pnpm's trees are nothing but such inodes: a file over 8 TiB counts
    // as 8 TiB, and an inode of a group past the 500,000th as one of several groups.
    struct InodeTally
    {
        static constexpr qint64 s_maxBytes = (qint64(1) << 43) - 1;
        static constexpr qint32 s_maxGroup = (1 << 19) - 1;

        InodeTally()
            : bytes(0)
            , group(0)
        {
        }
        InodeTally(qint64 bytes, quint32 links, qint32 group)
            : bytes(std::min(bytes, s_maxBytes))
            , group(group < s_maxGroup ? group : -1)
            , links(links)
        {
        }
        void setGroup(qint32 index) { group = index < s_maxGroup ? index : -1; }

        qint64 bytes : 44;
        qint64 group : 20; // index in m_groups of the records' one group, -1 for several
        quint32 links = 0; // st_nlink, less the links permanent deletions removed
        quint32 linksInRecords = 0;
    };
    static_assert(sizeof(InodeTally) == 16);
    enum class Departure { trashed, removed };

    // Adds or takes away one record's part of the totals; departure tells what became of
    // a record that leaves (its links moved elsewhere, or gone). Inodes whose remaining
    // links all lie in records here again go to regathered.
    void account(const NodeModule &module);
    void retract(const NodeModule &module, Departure departure, QSet<InodeKey> &regathered);
    void regather(QList<NodeModule> &remaining, const QSet<InodeKey> &regathered);
    void addShared(const InodeTally &tally, qint64 sign);
    void resetTotals();

    void setIsScanning(bool isScanning);
    void setModules(const QList<NodeModule> &modules);
    void setStatusText(const QString &statusText);
    void setProgressText(const QString &progressText);

    void walked(const std::shared_ptr<CancelToken> &token, const QByteArray &root,
                const std::optional<NodeModulesScanner::ScanRoot> &scanRoot, const QList<QByteArray> &folders);
    static void enqueueMeasurement(const std::shared_ptr<Measuring> &measuring);
    void measured(const std::shared_ptr<CancelToken> &token, const std::optional<NodeModule> &module);
    void finishScan();
    void showWalkProgress();
    void setDeletingIds(const QSet<QByteArray> &ids);
    void deletionProgress(int serial, qsizetype position);
    // "Deleting {k} of {n}…" over every running deletion.
    [[nodiscard]] QString deletingText() const;
    NodeModulesScanner::DeletionResult applyDeletion(int serial, const QSet<QByteArray> &ids,
                                                     const QSet<QByteArray> &wasSelected,
                                                     const NodeModulesScanner::DeletionResult &result,
                                                     NodeModulesScanner::DeletionMode mode);

    WalkFunction m_walk;
    MeasureFunction m_measure;
    QString m_rootPath;
    QByteArray m_rootBytes;
    bool m_isScanning = false;
    QList<NodeModule> m_modules;
    QString m_statusText;
    QString m_progressText;
    bool m_groupByFolder = false;
    ModuleSortOrder m_sortOrder;
    QSet<QByteArray> m_selection;
    QSet<QByteArray> m_deletingIds;
    // The running deletions by serial, for the progress line.
    QMap<int, Deletion> m_deletions;
    int m_nextDeletion = 0;
    qint64 m_totalBytes = 0;
    int m_symlinkCount = 0;
    // Only inodes with links outside a single record are remembered.
    QHash<InodeKey, InodeTally> m_sharedInodes;
    ModuleGroups m_groups;
    // The token of the current or last scan, that scan's root as it resolved it (set once
    // the walk began), and its counts.
    std::shared_ptr<CancelToken> m_token;
    bool m_walking = false;
    QTimer *m_walkProgress = nullptr;
    std::optional<NodeModulesScanner::ScanRoot> m_scanRoot;
    qsizetype m_folderCount = 0;
    qsizetype m_measuredCount = 0;
    qsizetype m_receivedCount = 0;
    // How workers reach the store: through here, and never once the store is gone.
    std::shared_ptr<Mailbox> m_mailbox;
    // Set when the store goes: running deletions stop between entries.
    std::shared_ptr<CancelToken> m_stopDeletions;
};
