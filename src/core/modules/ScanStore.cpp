#include "core/modules/ScanStore.h"

#include "core/Concurrency.h"
#include "core/modules/CancelToken.h"

#include <QDir>

// Placeholder until the scan store lands: properties only.

ScanStore::ScanStore(QObject *parent)
    : QObject(parent)
    , m_rootPath(QDir::homePath())
    , m_statusText(QStringLiteral("Choose a folder and press Scan."))
    , m_sortOrder({ModuleComparator{ModuleComparator::Key::reclaimableBytes, Qt::DescendingOrder}})
    , m_token(std::make_shared<CancelToken>())
{
    m_measurePool.setMaxThreadCount(8);
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
    return 0;
}

qint64 ScanStore::reclaimableBytes(const QSet<QByteArray> &) const
{
    return 0;
}

int ScanStore::symlinkCount(const QSet<QByteArray> &) const
{
    return 0;
}

QList<ModuleGroup> ScanStore::groups() const
{
    return buildGroups(m_modules);
}

void ScanStore::startScan()
{
}

void ScanStore::cancel()
{
}

QFuture<NodeModulesScanner::DeletionResult> ScanStore::deleteModules(const QSet<QByteArray> &,
                                                                     NodeModulesScanner::DeletionMode)
{
    return finishedFuture(NodeModulesScanner::DeletionResult{});
}
