#include "core/modules/ScanStore.h"

#include "core/Assign.h"
#include "core/ByteFormat.h"
#include "core/Concurrency.h"
#include "core/fs/FilePaths.h"

#include <QDir>
#include <QFile>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <numeric>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// Enough measurements to keep a large tree moving, few enough not to flood the disk.
constexpr int s_measureSlots = 8;
// Walks and deletions each get a thread: a long removal must not hold up a new scan.
constexpr int s_workerThreads = 16;
constexpr std::chrono::milliseconds s_walkProgressInterval{200};
// How long a store that goes waits for its deletions to stop between two entries; only
// a file system that no longer answers takes longer.
constexpr auto s_deletionStopWait = std::chrono::seconds(5);

// The pools outlive every store and are never destroyed: destroying a pool waits for its
// jobs, and a walk stuck on a dead network mount must not hold up the exit.
QThreadPool *neverDestroyedPool(int threads)
{
    auto *pool = new QThreadPool;
    pool->setMaxThreadCount(threads);
    return pool;
}

QThreadPool &workerPool()
{
    static QThreadPool *const pool = neverDestroyedPool(s_workerThreads);
    return *pool;
}

QThreadPool &measurePool()
{
    static QThreadPool *const pool = neverDestroyedPool(s_measureSlots);
    return *pool;
}

// Workers yield to the GUI thread: eight measurements on a two-core machine otherwise
// keep the event loop waiting tens of milliseconds for a CPU. Nice is per thread on
// Linux, and the pools' threads run only the store's jobs.
void runBelowGuiPriority()
{
    thread_local bool lowered = false;
    if (lowered)
        return;
    lowered = true;
    const auto thread = id_t(::gettid());
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, thread);
    if (errno == 0)
        ::setpriority(PRIO_PROCESS, thread, std::min(nice + 5, 19));
}

QString pluralS(qsizetype count)
{
    return count == 1 ? QString() : QStringLiteral("s");
}

} // namespace

// The store's mailbox (see Concurrency.h), which also counts the deletions still running:
// a store that goes lets them stop between two entries first.
struct ScanStore::Mailbox : ::Mailbox
{
    explicit Mailbox(ScanStore *owner)
        : ::Mailbox(owner)
        , store(owner)
    {
    }

    // The call runs only while the store exists.
    void post(std::function<void(ScanStore &)> call)
    {
        ::Mailbox::post([store = store, call = std::move(call)] { call(*store); });
    }

    void beginDeletion()
    {
        std::lock_guard lock(m_mutex);
        ++deletionsRunning;
    }

    void endDeletion()
    {
        std::lock_guard lock(m_mutex);
        --deletionsRunning;
        deletionEnded.notify_all();
    }

    void close()
    {
        ::Mailbox::close();
        std::unique_lock lock(m_mutex);
        deletionEnded.wait_for(lock, s_deletionStopWait, [this] { return deletionsRunning == 0; });
    }

    ScanStore *const store;
    std::condition_variable deletionEnded;
    int deletionsRunning = 0;
};

// One scan's measuring run, shared by its jobs. Only the token and next change after
// it is made, and both are thread-safe.
struct ScanStore::Measuring
{
    std::shared_ptr<CancelToken> token;
    QByteArray root;
    QList<QByteArray> folders;
    MeasureFunction measure;
    std::shared_ptr<Mailbox> mailbox;
    std::atomic<qsizetype> next = 0;
};

ScanStore::ScanStore(QObject *parent)
    : ScanStore(NodeModulesScanner::findParentDirs, NodeModulesScanner::measure, parent)
{
}

ScanStore::ScanStore(WalkFunction walk, MeasureFunction measure, QObject *parent)
    : QObject(parent)
    , m_walk(std::move(walk))
    , m_measure(std::move(measure))
    , m_rootPath(QDir::homePath())
    , m_rootBytes(QFile::encodeName(m_rootPath))
    , m_statusText(QStringLiteral("Choose a folder and press Scan."))
    , m_sortOrder({ModuleComparator{ModuleComparator::Key::reclaimableBytes, Qt::DescendingOrder}})
    , m_token(std::make_shared<CancelToken>())
    , m_mailbox(std::make_shared<Mailbox>(this))
    , m_stopDeletions(std::make_shared<CancelToken>())
{
    // A long walk (all of / takes seconds) shows its count moving; the timer runs only
    // while a walk does.
    m_walkProgress = new QTimer(this);
    m_walkProgress->setInterval(s_walkProgressInterval);
    connect(m_walkProgress, &QTimer::timeout, this, &ScanStore::showWalkProgress);
}

ScanStore::~ScanStore()
{
    m_token->cancel();
    m_stopDeletions->cancel();
    m_mailbox->close();
}

void ScanStore::setRootPath(const QString &rootPath)
{
    const bool changed = assignIfChanged(m_rootBytes, QFile::encodeName(rootPath));
    if (assignIfChanged(m_rootPath, rootPath) || changed)
        emit rootPathChanged();
}

void ScanStore::setRootBytes(const QByteArray &rootBytes)
{
    const bool changed = assignIfChanged(m_rootBytes, rootBytes);
    if (assignIfChanged(m_rootPath, QFile::decodeName(rootBytes)) || changed)
        emit rootPathChanged();
}

void ScanStore::setIsScanning(bool isScanning)
{
    if (assignIfChanged(m_isScanning, isScanning))
        emit isScanningChanged();
}

void ScanStore::setModules(const QList<NodeModule> &modules)
{
    if (assignIfChanged(m_modules, modules))
        emit modulesChanged(ModulesChange::other);
}

void ScanStore::setStatusText(const QString &statusText)
{
    if (assignIfChanged(m_statusText, statusText))
        emit statusTextChanged();
}

void ScanStore::setProgressText(const QString &progressText)
{
    if (assignIfChanged(m_progressText, progressText))
        emit progressTextChanged();
}

void ScanStore::setGroupByFolder(bool groupByFolder)
{
    if (assignIfChanged(m_groupByFolder, groupByFolder))
        emit groupByFolderChanged();
}

void ScanStore::setSortOrder(const ModuleSortOrder &sortOrder)
{
    if (assignIfChanged(m_sortOrder, sortOrder))
        emit sortOrderChanged();
}

QList<NodeModule> ScanStore::visible() const
{
    // Positions are sorted rather than records, which are costly to move.
    QList<qsizetype> order(m_modules.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [this](qsizetype a, qsizetype b) {
        return sortsBefore(m_sortOrder, m_modules.at(a), m_modules.at(b));
    });
    QList<NodeModule> rows;
    rows.reserve(m_modules.size());
    for (const qsizetype position : order)
        rows.append(m_modules.at(position));
    return rows;
}

void ScanStore::setSelection(const QSet<QByteArray> &selection)
{
    QSet<QByteArray> choosable = selection;
    if (!m_deletingIds.isEmpty())
        choosable.subtract(m_deletingIds);
    if (assignIfChanged(m_selection, choosable))
        emit selectionChanged();
}

void ScanStore::setDeletingIds(const QSet<QByteArray> &ids)
{
    if (assignIfChanged(m_deletingIds, ids))
        emit deletingIdsChanged();
}

qint64 ScanStore::reclaimableBytes(const QSet<QByteArray> &ids) const
{
    qint64 total = 0;
    QHash<InodeKey, quint32> linksInSelection;
    for (const NodeModule &module : m_modules) {
        if (!ids.contains(module.id))
            continue;
        total += module.reclaimableBytes();
        for (const SharedInode &shared : module.sharedInodes.list())
            linksInSelection[InodeKey{shared.device, shared.inode}] += shared.linksHere;
    }
    for (auto links = linksInSelection.cbegin(); links != linksInSelection.cend(); ++links) {
        const auto tally = m_sharedInodes.constFind(links.key());
        if (tally != m_sharedInodes.cend() && links.value() >= tally->links)
            total += tally->bytes;
    }
    return total;
}

int ScanStore::symlinkCount(const QSet<QByteArray> &ids) const
{
    return int(std::count_if(m_modules.cbegin(), m_modules.cend(),
                             [&ids](const NodeModule &module) { return module.isSymlink && ids.contains(module.id); }));
}

QList<ModuleGroup> ScanStore::groups() const
{
    return m_groups.sorted();
}

// An inode counts in the totals once every one of its links lies in the records here,
// and in its group's total when those records are all of one group.
void ScanStore::addShared(const InodeTally &tally, qint64 sign)
{
    if (tally.linksInRecords < tally.links)
        return;
    m_totalBytes += sign * tally.bytes;
    if (tally.group >= 0)
        m_groups.addShared(tally.group, sign * tally.bytes);
}

void ScanStore::account(const NodeModule &module)
{
    m_totalBytes += module.reclaimableBytes();
    if (module.isSymlink)
        ++m_symlinkCount;
    const qint32 group = m_groups.add(module);
    for (const SharedInode &shared : module.sharedInodes.list()) {
        auto tally = m_sharedInodes.find(InodeKey{shared.device, shared.inode});
        if (tally == m_sharedInodes.end()) {
            tally = m_sharedInodes.insert(InodeKey{shared.device, shared.inode},
                                          InodeTally(shared.bytes, shared.links, group));
        } else {
            addShared(*tally, -1);
            if (tally->group != group)
                tally->setGroup(-1);
        }
        tally->linksInRecords += shared.linksHere;
        addShared(*tally, 1);
    }
}

void ScanStore::retract(const NodeModule &module, Departure departure, QSet<InodeKey> &regathered)
{
    m_totalBytes -= module.reclaimableBytes();
    if (module.isSymlink)
        --m_symlinkCount;
    m_groups.remove(module);
    for (const SharedInode &shared : module.sharedInodes.list()) {
        const auto tally = m_sharedInodes.find(InodeKey{shared.device, shared.inode});
        if (tally == m_sharedInodes.end())
            continue;
        addShared(*tally, -1);
        const quint32 links = std::min(shared.linksHere, tally->linksInRecords);
        tally->linksInRecords -= links;
        // Trashed links live on in the Trash; removed ones are gone for good.
        if (departure == Departure::removed)
            tally->links -= std::min(links, tally->links);
        if (tally->linksInRecords == 0) {
            m_sharedInodes.erase(tally);
            continue;
        }
        addShared(*tally, 1);
        if (departure == Departure::removed && tally->linksInRecords >= tally->links)
            regathered.insert(tally.key());
    }
}

// Once a removal leaves every link of an inode in the records here, the records that hold
// it may be fewer: held by one record, the inode is that record's own again (its
// reclaimable bytes grow by it); held by records of one group, that group's total counts it.
void ScanStore::regather(QList<NodeModule> &remaining, const QSet<InodeKey> &regathered)
{
    if (regathered.isEmpty())
        return;
    struct Holders
    {
        qsizetype record = -1;
        int count = 0;
        QString group;
        bool oneGroup = true;
    };
    QHash<InodeKey, Holders> holders;
    for (qsizetype index = 0; index < remaining.size(); ++index) {
        const NodeModule &module = remaining.at(index);
        for (const SharedInode &shared : module.sharedInodes.list()) {
            const InodeKey key{shared.device, shared.inode};
            if (!regathered.contains(key))
                continue;
            Holders &held = holders[key];
            held.oneGroup = held.oneGroup && (held.count == 0 || held.group == module.groupKey);
            held.group = module.groupKey;
            held.record = index;
            ++held.count;
        }
    }
    QHash<qsizetype, QSet<InodeKey>> handedBack;
    for (auto held = holders.cbegin(); held != holders.cend(); ++held) {
        const auto tally = m_sharedInodes.find(held.key());
        if (tally == m_sharedInodes.end())
            continue;
        if (held->count == 1) {
            addShared(*tally, -1);
            m_sharedInodes.erase(tally);
            handedBack[held->record].insert(held.key());
        } else if (held->oneGroup && tally->group < 0) {
            addShared(*tally, -1);
            tally->setGroup(m_groups.indexOf(held->group));
            addShared(*tally, 1);
        }
    }
    for (auto handed = handedBack.cbegin(); handed != handedBack.cend(); ++handed) {
        NodeModule &module = remaining[handed.key()];
        m_totalBytes -= module.reclaimableBytes();
        m_groups.remove(module);
        auto kept = std::make_shared<std::vector<SharedInode>>();
        for (const SharedInode &shared : module.sharedInodes.list()) {
            if (handed->contains(InodeKey{shared.device, shared.inode}))
                module.sharedBytes -= shared.bytes;
            else
                kept->push_back(shared);
        }
        module.sharedInodes.items = kept->empty() ? nullptr : std::move(kept);
        m_totalBytes += module.reclaimableBytes();
        m_groups.add(module);
    }
}

void ScanStore::resetTotals()
{
    m_totalBytes = 0;
    m_symlinkCount = 0;
    m_sharedInodes.clear();
    m_groups.clear();
}

void ScanStore::startScan()
{
    const QByteArray root = m_rootBytes;
    // A plain existence test that follows links, as the folder field means it; a file
    // passes and simply holds nothing. A relative path would name a folder below the
    // application's working folder, which nobody chose, and its records could never be
    // deleted.
    const bool exists = root.startsWith('/') && FilePaths::openLongPath(root, O_PATH).isValid();
    if (!exists)
        setStatusText(QStringLiteral("Path is not a valid directory."));
    if (m_isScanning || !exists)
        return;

    m_token->cancel();
    const auto token = std::make_shared<CancelToken>();
    m_token = token;
    m_scanRoot.reset();
    m_folderCount = 0;
    m_measuredCount = 0;
    m_receivedCount = 0;

    setIsScanning(true);
    resetTotals();
    setModules({});
    setSelection({});
    setStatusText(QStringLiteral("Scanning for node_modules…"));
    setProgressText(QString());
    m_walking = true;
    m_walkProgress->start();

    // The result comes back as a posted call, so nothing is published before this returns.
    workerPool().start([mailbox = m_mailbox, token, root, walk = m_walk] {
        runBelowGuiPriority();
        // Resolved once, as the walk resolves it, for every later deletion of this scan.
        std::optional<NodeModulesScanner::ScanRoot> scanRoot = NodeModulesScanner::resolveRoot(root);
        QList<QByteArray> folders = walk(root, *token);
        mailbox->post([token, root, scanRoot = std::move(scanRoot), folders = std::move(folders)](ScanStore &store) {
            store.walked(token, root, scanRoot, folders);
        });
    });
}

void ScanStore::walked(const std::shared_ptr<CancelToken> &token, const QByteArray &root,
                       const std::optional<NodeModulesScanner::ScanRoot> &scanRoot, const QList<QByteArray> &folders)
{
    if (token != m_token || token->isCancelled())
        return;
    m_walking = false;
    m_walkProgress->stop();
    m_scanRoot = scanRoot;
    m_folderCount = folders.size();
    setStatusText(QStringLiteral("Measuring %1 folder%2…").arg(m_folderCount).arg(pluralS(m_folderCount)));
    if (folders.isEmpty()) {
        finishScan();
        return;
    }
    auto measuring = std::make_shared<Measuring>();
    measuring->token = token;
    measuring->root = root;
    measuring->folders = folders;
    measuring->measure = m_measure;
    measuring->mailbox = m_mailbox;
    // Each job starts the next when it is done, so at most this many are in flight.
    for (qsizetype slot = 0; slot < s_measureSlots && slot < folders.size(); ++slot)
        enqueueMeasurement(measuring);
}

// Called on the GUI thread and on measuring threads: touches nothing but the pool.
void ScanStore::enqueueMeasurement(const std::shared_ptr<Measuring> &measuring)
{
    const qsizetype index = measuring->next.fetch_add(1, std::memory_order_relaxed);
    if (index >= measuring->folders.size())
        return;
    measurePool().start([measuring, index] {
        runBelowGuiPriority();
        std::optional<NodeModule> module =
            measuring->measure(measuring->folders.at(index), measuring->root, *measuring->token);
        // Only the GUI thread can tell whether the scan still counts when this arrives.
        measuring->mailbox->post([token = measuring->token, module = std::move(module)](ScanStore &store) {
            store.measured(token, module);
        });
        if (!measuring->token->isCancelled())
            enqueueMeasurement(measuring);
    });
}

void ScanStore::measured(const std::shared_ptr<CancelToken> &token, const std::optional<NodeModule> &module)
{
    // A cancelled scan's records may have been cut short; it never writes again.
    if (token != m_token || token->isCancelled())
        return;
    ++m_measuredCount;
    if (module) {
        ++m_receivedCount;
        account(*module);
        m_modules.append(*module);
        emit modulesChanged(ModulesChange::appended);
        setProgressText(QStringLiteral("%1/%2 measured · %3")
                            .arg(m_receivedCount)
                            .arg(m_folderCount)
                            .arg(ByteFormat::string(totalBytes())));
    }
    if (m_measuredCount == m_folderCount)
        finishScan();
}

void ScanStore::showWalkProgress()
{
    const long long visited = m_token->visitedFolders();
    // A walk that has not started yet shows "Scanning…" still.
    if (!m_walking || visited == 0)
        return;
    setProgressText(QStringLiteral("%1 folder%2 visited").arg(visited).arg(pluralS(qsizetype(visited))));
}

void ScanStore::finishScan()
{
    setIsScanning(false);
    setProgressText(QString());
    setStatusText(
        QStringLiteral("Found %1 node_modules folder%2.").arg(m_modules.size()).arg(pluralS(m_modules.size())));
}

void ScanStore::cancel()
{
    m_token->cancel();
    // Cancelled during the walk, the folders found are the ones the walk had found;
    // afterwards, the ones measured and listed.
    const qsizetype found = m_walking ? qsizetype(m_token->foundFolders()) : m_modules.size();
    m_walking = false;
    m_walkProgress->stop();
    setIsScanning(false);
    setStatusText(QStringLiteral("Scan cancelled. %1 folder%2 found.").arg(found).arg(pluralS(found)));
    setProgressText(QString());
}

QFuture<NodeModulesScanner::DeletionResult> ScanStore::deleteModules(const QSet<QByteArray> &ids,
                                                                     NodeModulesScanner::DeletionMode mode)
{
    using NodeModulesScanner::DeletionResult;
    QList<NodeModule> records;
    QSet<QByteArray> recordIds;
    for (const NodeModule &module : m_modules) {
        // A record already on its way out is not deleted twice.
        if (ids.contains(module.id) && !m_deletingIds.contains(module.id)) {
            records.append(module);
            recordIds.insert(module.id);
        }
    }
    if (records.isEmpty())
        return QtFuture::makeReadyFuture(DeletionResult{});

    // Judged against the folder in the field now, not necessarily the one scanned, and
    // reached through the scanned one as the walk resolved it.
    NodeModulesScanner::DeletionControl control;
    control.scanned = m_scanRoot;
    control.stopRequested = [stop = m_stopDeletions] { return stop->isCancelled(); };
    const int serial = m_nextDeletion++;
    control.progress = [mailbox = m_mailbox, serial](qsizetype position) {
        mailbox->post([serial, position](ScanStore &store) { store.deletionProgress(serial, position); });
    };
    const QByteArray root = m_rootBytes;
    const QSet<QByteArray> wasSelected = m_selection & recordIds;

    m_deletions.insert(serial, Deletion{0, records.size()});
    setDeletingIds(m_deletingIds | recordIds);
    setSelection(m_selection - recordIds);
    setStatusText(deletingText());
    m_mailbox->beginDeletion();
    return handBack(
        workerPool(), m_mailbox,
        [mailbox = m_mailbox, records, mode, root, control] {
            runBelowGuiPriority();
            const DeletionResult result = NodeModulesScanner::deleteModules(records, mode, root, control);
            mailbox->endDeletion();
            return result;
        },
        [this, mode, serial, recordIds, wasSelected](const DeletionResult &result) {
            return applyDeletion(serial, recordIds, wasSelected, result, mode);
        });
}

void ScanStore::deletionProgress(int serial, qsizetype position)
{
    const auto deletion = m_deletions.find(serial);
    if (deletion == m_deletions.end())
        return;
    deletion->position = position;
    setStatusText(deletingText());
}

NodeModulesScanner::DeletionResult ScanStore::applyDeletion(int serial, const QSet<QByteArray> &ids,
                                                            const QSet<QByteArray> &wasSelected,
                                                            const NodeModulesScanner::DeletionResult &result,
                                                            NodeModulesScanner::DeletionMode mode)
{
    using NodeModulesScanner::DeletionMode;
    m_deletions.remove(serial);
    setDeletingIds(m_deletingIds - ids);
    // A permanent deletion reports what the removals really gave back; the Trash gives
    // back nothing until it is emptied, so it reports what emptying it would.
    const qint64 freed = mode == DeletionMode::permanent ? result.freedBytes : reclaimableBytes(result.removedIDs);
    QList<NodeModule> remaining;
    remaining.reserve(m_modules.size());
    QSet<QByteArray> selection = m_selection;
    QSet<InodeKey> regathered;
    for (const NodeModule &module : m_modules) {
        if (result.removedIDs.contains(module.id)) {
            retract(module, mode == DeletionMode::permanent ? Departure::removed : Departure::trashed, regathered);
            continue;
        }
        remaining.append(module);
        // What was chosen and did not go is chosen again.
        if (wasSelected.contains(module.id))
            selection.insert(module.id);
    }
    regather(remaining, regathered);
    setModules(remaining);
    for (const QByteArray &id : result.removedIDs)
        selection.remove(id);
    setSelection(selection);
    const qsizetype removed = result.removedIDs.size();
    const QString freedText = ByteFormat::string(freed);
    const QString modeSentence = mode == NodeModulesScanner::DeletionMode::trash
        ? QStringLiteral("Moved ") + QString::number(removed) + QStringLiteral(" to the Trash (") + freedText
            + QStringLiteral(" reclaimed once emptied).")
        : QStringLiteral("Deleted ") + QString::number(removed) + QStringLiteral(" permanently. Freed ") + freedText
            + QStringLiteral(".");
    setStatusText(modeSentence + QStringLiteral(" ") + QString::number(m_modules.size()) + QStringLiteral(" folder")
                  + pluralS(m_modules.size()) + QStringLiteral(" remaining."));
    return result;
}

QString ScanStore::deletingText() const
{
    qsizetype position = 0;
    qsizetype count = 0;
    for (const Deletion &deletion : m_deletions) {
        position += deletion.position;
        count += deletion.count;
    }
    return QStringLiteral("Deleting %1 of %2…").arg(std::max<qsizetype>(position, 1)).arg(count);
}
