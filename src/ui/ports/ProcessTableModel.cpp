#include "ui/ports/ProcessTableModel.h"

#include "core/ByteFormat.h"
#include "core/processes/ProcessStore.h"
#include "ui/kit/Icons.h"
#include "ui/kit/Theme.h"
#include "ui/kit/Typography.h"
#include "ui/ports/KindSymbol.h"
#include "ui/support/SortOrders.h"

#include <QApplication>
#include <QPalette>

namespace {

using Key = ProcessComparator::Key;
// The key of each column, in order; the status column does not sort.
constexpr std::array<std::optional<Key>, ProcessTableModel::ColumnCount> s_sortKeys{
    std::nullopt, Key::portsText, Key::kind, Key::elapsedSeconds, Key::pid, Key::memoryBytes, Key::command};

} // namespace

ProcessTableModel::ProcessTableModel(ProcessStore &store, QObject *parent)
    : KeyedListModel({{QString(), 24}, {QStringLiteral("Ports"), 90}, {QStringLiteral("Type"), 110},
                      {QStringLiteral("Uptime"), 80}, {QStringLiteral("PID"), 60}, {QStringLiteral("Memory"), 80},
                      {QStringLiteral("Command"), 0}},
                     parent)
    , m_store(store)
    , m_flaggedIcon(Icons::icon(QStringLiteral("exclamationmark.triangle.fill"), Theme::warning()))
    , m_runningIcon(Icons::icon(QStringLiteral("circle.fill"), Theme::nodeGreen()))
{
    for (const auto changed : {&ProcessStore::processesChanged, &ProcessStore::portFilterChanged,
                               &ProcessStore::showOnlyHangingChanged, &ProcessStore::sortOrderChanged})
        connect(&m_store, changed, this, [this] { sync(m_store.visible()); });
    sync(m_store.visible());
}

QVariant ProcessTableModel::cellData(const NodeProcess &process, int column, int role) const
{
    switch (role) {
    case Qt::DisplayRole:
        switch (column) {
        case StatusColumn:
            return QString();
        case PortsColumn:
            return process.portsText();
        case TypeColumn:
            return NodeProcess::rawValue(process.kind);
        case UptimeColumn:
            return process.elapsedText();
        case PidColumn:
            return QString::number(process.pid);
        case MemoryColumn:
            return ByteFormat::string(process.memoryBytes());
        case CommandColumn:
            return NodeProcess::printable(process.command);
        }
        return {};
    case SortRole:
        switch (column) {
        case PortsColumn:
            return process.portsText();
        case TypeColumn:
            return NodeProcess::rawValue(process.kind);
        case UptimeColumn:
            return process.elapsedSeconds;
        case PidColumn:
            return process.pid;
        case MemoryColumn:
            return process.memoryBytes();
        case CommandColumn:
            return process.command;
        }
        return {};
    case PidRole:
        return process.pid;
    case DirectoryRole:
        if (column == CommandColumn && process.cwd)
            return NodeProcess::printable(*process.cwd);
        return {};
    case Qt::DecorationRole:
        if (column == StatusColumn)
            return process.hangingReason() ? m_flaggedIcon : m_runningIcon;
        if (column == TypeColumn)
            return kindIcon(process.kind);
        return {};
    case Qt::ToolTipRole:
        if (column == StatusColumn) {
            if (const std::optional<QString> reason = process.hangingReason())
                return QStringLiteral("Flagged: ") + *reason;
            return QStringLiteral("Running");
        }
        // The cell elides the middle of a long command; the tip shows all of it.
        if (column == CommandColumn)
            return NodeProcess::printable(process.command);
        return {};
    case Qt::FontRole:
        switch (column) {
        case PortsColumn:
            return process.ports.isEmpty() ? fonts().digits : fonts().boldDigits;
        case UptimeColumn:
        case PidColumn:
        case MemoryColumn:
            return fonts().digits;
        }
        return {};
    case Qt::ForegroundRole:
        if (column == UptimeColumn || column == PidColumn) {
            QColor secondary = QApplication::palette().color(QPalette::Text);
            secondary.setAlphaF(0.62);
            return secondary;
        }
        return {};
    case Qt::AccessibleTextRole:
        if (column == StatusColumn)
            return process.hangingReason() ? QStringLiteral("Flagged") : QStringLiteral("Running");
        return {};
    default:
        return {};
    }
}

void ProcessTableModel::sort(int column, Qt::SortOrder order)
{
    const std::optional<ProcessComparator::Key> key = sortKey(column);
    if (!key)
        return;
    m_store.setSortOrder(SortOrders::withFirst(m_store.sortOrder(), ProcessComparator{*key, order}));
}

std::optional<ProcessComparator::Key> ProcessTableModel::sortKey(int column)
{
    return SortOrders::keyOfColumn(s_sortKeys, column);
}

int ProcessTableModel::column(ProcessComparator::Key key)
{
    return SortOrders::columnOfKey(s_sortKeys, key);
}

const ProcessTableModel::Fonts &ProcessTableModel::fonts() const
{
    // Measuring digit widths is too slow for every cell painted; redone when the
    // application font changes.
    const QFont application = QApplication::font();
    if (!m_fonts || m_fonts->application != application) {
        m_fonts = Fonts{application, Typography::monospacedDigits(Typography::font(TextStyle::body)),
                        Typography::monospacedDigits(Typography::font(TextStyle::body, QFont::DemiBold))};
    }
    return *m_fonts;
}

QIcon ProcessTableModel::kindIcon(NodeProcess::Kind kind) const
{
    auto found = m_kindIcons.find(int(kind));
    if (found == m_kindIcons.end())
        found = m_kindIcons.insert(int(kind), Icons::icon(kindSymbol(kind), Tint::Style::primary));
    return *found;
}
