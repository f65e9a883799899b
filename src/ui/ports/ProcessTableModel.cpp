#include "ui/ports/ProcessTableModel.h"

#include "core/ByteFormat.h"
#include "core/processes/ProcessStore.h"
#include "ui/kit/Icons.h"
#include "ui/kit/Theme.h"
#include "ui/kit/Typography.h"
#include "ui/ports/KindSymbol.h"

#include <QApplication>
#include <QPalette>

ProcessTableModel::ProcessTableModel(ProcessStore &store, QObject *parent)
    : StoreSortedModel(store,
                       {{QString(), 24},
                        {QStringLiteral("Ports"), 90},
                        {QStringLiteral("Type"), 110},
                        {QStringLiteral("Uptime"), 80},
                        {QStringLiteral("PID"), 60},
                        {QStringLiteral("Memory"), 80},
                        {QStringLiteral("Command"), 0}},
                       {std::nullopt, ProcessComparator::Key::portsText, ProcessComparator::Key::kind,
                        ProcessComparator::Key::elapsedSeconds, ProcessComparator::Key::pid,
                        ProcessComparator::Key::memoryBytes, ProcessComparator::Key::command},
                       parent)
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
            return Typography::cellFont(TextStyle::body, process.ports.isEmpty() ? QFont::Normal : QFont::DemiBold,
                                        true);
        case UptimeColumn:
        case PidColumn:
        case MemoryColumn:
            return Typography::cellFont(TextStyle::body, QFont::Normal, true);
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

QIcon ProcessTableModel::kindIcon(NodeProcess::Kind kind) const
{
    auto found = m_kindIcons.find(int(kind));
    if (found == m_kindIcons.end())
        found = m_kindIcons.insert(int(kind), Icons::icon(kindSymbol(kind), Tint::Style::primary));
    return *found;
}
