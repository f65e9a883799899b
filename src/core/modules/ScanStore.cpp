#include "core/modules/ScanStore.h"

#include "core/ByteFormat.h"
#include "core/Concurrency.h"
#include "core/modules/FilePaths.h"

#include <QDir>
#include <QFile>
#include <QPromise>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// Enough measurements to keep a large tree moving, few enough not to flood the disk.
constexpr int s_measureSlots = 8;
// Walks and deletions each get a thread: a long removal must not hold up a new scan.
constexpr int s_workerThreads = 16;
constexpr std::chrono::milliseconds s_walkProgressInterval{200};

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

// One scan's measuring run, shared by its jobs. Only the token and next change after
// it is made, and both are thread-safe.
struct ScanStore::Measuring
{
    std::shared_ptr<CancelToken> token;
    QByteArray root;
    QList<QByteArray> folders;
    MeasureFunction measure;
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
    , m_statusText(QStringLiteral("Choose a folder and press Scan."))
    , m_sortOrder({ModuleComparator{ModuleComparator::Key::reclaimableBytes, Qt::DescendingOrder}})
    , m_token(std::make_shared<CancelToken>())
{
    m_measurePool.setMaxThreadCount(s_measureSlots);
    m_workerPool.setMaxThreadCount(s_workerThreads);
    // A long walk (all of / takes seconds) shows its count moving; the timer runs only
    // while a walk does.
    m_walkProgress = new QTimer(this);
    m_walkProgress->setInterval(s_walkProgressInterval);
    connect(m_walkProgress, &QTimer::timeout, this, &ScanStore::showWalkProgress);
}

ScanStore::~ScanStore()
{
    m_token->cancel();
}

void ScanStore::setRootPath(const QString &rootPath)
{
    if (m_rootPath == rootPath)
        return;
    m_rootPath = rootPath;
    emit rootPathChanged();
}

void ScanStore::setIsScanning(bool isScanning)
{
    if (m_isScanning == isScanning)
        return;
    m_isScanning = isScanning;
    emit isScanningChanged();
}

void ScanStore::setModules(const QList<NodeModule> &modules)
{
    if (m_modules == modules)
        return;
    m_modules = modules;
    emit modulesChanged();
}

void ScanStore::setStatusText(const QString &statusText)
{
    if (m_statusText == statusText)
        return;
    m_statusText = statusText;
    emit statusTextChanged();
}

void ScanStore::setProgressText(const QString &progressText)
{
    if (m_progressText == progressText)
        return;
    m_progressText = progressText;
    emit progressTextChanged();
}

void ScanStore::setGroupByFolder(bool groupByFolder)
{
    if (m_groupByFolder == groupByFolder)
        return;
    m_groupByFolder = groupByFolder;
    emit groupByFolderChanged();
}

void ScanStore::setSortOrder(const ModuleSortOrder &sortOrder)
{
    if (m_sortOrder == sortOrder)
        return;
    m_sortOrder = sortOrder;
    emit sortOrderChanged();
}

void ScanStore::setSelection(const QSet<QByteArray> &selection)
{
    if (m_selection == selection)
        return;
    m_selection = selection;
    emit selectionChanged();
}

qint64 ScanStore::totalBytes() const
{
    qint64 total = 0;
    for (const NodeModule &module : m_modules)
        total += module.reclaimableBytes();
    return total;
}

int ScanStore::symlinkCount() const
{
    return int(std::count_if(m_modules.cbegin(), m_modules.cend(),
                             [](const NodeModule &module) { return module.isSymlink; }));
}

qint64 ScanStore::reclaimableBytes(const QSet<QByteArray> &ids) const
{
    qint64 total = 0;
    for (const NodeModule &module : m_modules) {
        if (ids.contains(module.id))
            total += module.reclaimableBytes();
    }
    return total;
}

int ScanStore::symlinkCount(const QSet<QByteArray> &ids) const
{
    return int(std::count_if(m_modules.cbegin(), m_modules.cend(), [&ids](const NodeModule &module) {
        return module.isSymlink && ids.contains(module.id);
    }));
}

QList<ModuleGroup> ScanStore::groups() const
{
    return buildGroups(m_modules);
}

void ScanStore::startScan()
{
    const QByteArray root = QFile::encodeName(m_rootPath);
    // A plain existence test that follows links, as the folder field means it; a file
    // passes and simply holds nothing.
    const bool exists = !root.isEmpty() && FilePaths::openLongPath(root, O_PATH).isValid();
    if (!exists)
        setStatusText(QStringLiteral("Path is not a valid directory."));
    if (m_isScanning || !exists)
        return;

    m_token->cancel();
    const auto token = std::make_shared<CancelToken>();
    m_token = token;
    m_folderCount = 0;
    m_measuredCount = 0;
    m_receivedCount = 0;

    setIsScanning(true);
    setModules({});
    setSelection({});
    setStatusText(QStringLiteral("Scanning for node_modules…"));
    setProgressText(QString());
    m_walking = true;
    m_walkProgress->start();

    // The result comes back as a posted call, so nothing is published before this returns.
    m_workerPool.start([this, token, root, walk = m_walk] {
        runBelowGuiPriority();
        QList<QByteArray> folders = walk(root, *token);
        QMetaObject::invokeMethod(
            this, [this, token, root, folders = std::move(folders)] { walked(token, root, folders); },
            Qt::QueuedConnection);
    });
}

void ScanStore::walked(const std::shared_ptr<CancelToken> &token, const QByteArray &root,
                       const QList<QByteArray> &folders)
{
    if (token != m_token || token->isCancelled())
        return;
    m_walking = false;
    m_walkProgress->stop();
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
    m_measurePool.start([this, measuring, index] {
        runBelowGuiPriority();
        std::optional<NodeModule> module
            = measuring->measure(measuring->folders.at(index), measuring->root, *measuring->token);
        // Only the GUI thread can tell whether the scan still counts when this arrives.
        QMetaObject::invokeMethod(
            this, [this, token = measuring->token, module = std::move(module)] { measured(token, module); },
            Qt::QueuedConnection);
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
        m_modules.append(*module);
        emit moduleAppended(m_modules.constLast());
        emit modulesChanged();
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
    setStatusText(QStringLiteral("Found %1 node_modules folder%2.").arg(m_modules.size()).arg(pluralS(m_modules.size())));
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
    for (const NodeModule &module : m_modules) {
        if (ids.contains(module.id))
            records.append(module);
    }
    if (records.isEmpty())
        return finishedFuture(DeletionResult{});

    // Judged against the folder in the field now, not necessarily the one scanned.
    const QByteArray root = QFile::encodeName(m_rootPath);
    auto promise = std::make_shared<QPromise<DeletionResult>>();
    QFuture<DeletionResult> future = promise->future();
    promise->start();
    m_workerPool.start([this, promise, records, mode, root] {
        runBelowGuiPriority();
        const DeletionResult result = NodeModulesScanner::deleteModules(records, mode, root);
        QMetaObject::invokeMethod(
            this,
            [this, promise, result, mode] {
                promise->addResult(applyDeletion(result, mode));
                promise->finish();
            },
            Qt::QueuedConnection);
    });
    return future;
}

NodeModulesScanner::DeletionResult ScanStore::applyDeletion(const NodeModulesScanner::DeletionResult &result,
                                                            NodeModulesScanner::DeletionMode mode)
{
    qint64 freed = 0;
    QList<NodeModule> remaining;
    remaining.reserve(m_modules.size());
    for (const NodeModule &module : m_modules) {
        if (result.removedIDs.contains(module.id))
            freed += module.reclaimableBytes();
        else
            remaining.append(module);
    }
    setModules(remaining);
    QSet<QByteArray> selection = m_selection;
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
    setStatusText(modeSentence + QStringLiteral(" ") + QString::number(m_modules.size())
                  + QStringLiteral(" folder") + pluralS(m_modules.size()) + QStringLiteral(" remaining."));
    return result;
}
