#include "core/processes/ProcessStore.h"

#include "core/Concurrency.h"

// Placeholder until the process store lands: properties only.

ProcessStore::ProcessStore(ScanFunction scan, QObject *parent)
    : QObject(parent)
    , m_scan(std::move(scan))
    , m_statusText(QStringLiteral("Scanning for whatever is holding your dev ports…"))
    , m_sortOrder({ProcessComparator{ProcessComparator::Key::memoryBytes, Qt::DescendingOrder}})
{
}

ProcessStore::~ProcessStore() = default;

void ProcessStore::setPortFilter(const QString &portFilter)
{
    if (m_portFilter == portFilter)
        return;
    m_portFilter = portFilter;
    emit portFilterChanged();
}

void ProcessStore::setSelection(const QSet<qint32> &selection)
{
    if (m_selection == selection)
        return;
    m_selection = selection;
    emit selectionChanged();
}

void ProcessStore::setShowOnlyHanging(bool showOnlyHanging)
{
    if (m_showOnlyHanging == showOnlyHanging)
        return;
    m_showOnlyHanging = showOnlyHanging;
    emit showOnlyHangingChanged();
}

void ProcessStore::setSortOrder(const ProcessSortOrder &sortOrder)
{
    if (m_sortOrder == sortOrder)
        return;
    m_sortOrder = sortOrder;
    emit sortOrderChanged();
}

void ProcessStore::setProcesses(const QList<NodeProcess> &processes)
{
    if (m_processes == processes)
        return;
    m_processes = processes;
    emit processesChanged();
}

void ProcessStore::setIsLoading(bool isLoading)
{
    if (m_isLoading == isLoading)
        return;
    m_isLoading = isLoading;
    emit isLoadingChanged();
}

void ProcessStore::setStatusText(const QString &statusText)
{
    if (m_statusText == statusText)
        return;
    m_statusText = statusText;
    emit statusTextChanged();
}

QList<BlockedPort> ProcessStore::blockedPorts() const
{
    return {};
}

QList<NodeProcess> ProcessStore::visible() const
{
    return m_processes;
}

int ProcessStore::hangingCount() const
{
    return 0;
}

QFuture<void> ProcessStore::reload()
{
    return finishedFuture();
}

QFuture<QStringList> ProcessStore::kill(const QSet<qint32> &, bool)
{
    return finishedFuture(QStringList());
}
