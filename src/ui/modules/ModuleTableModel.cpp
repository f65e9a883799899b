#include "ui/modules/ModuleTableModel.h"

#include "core/DateFormat.h"
#include "core/modules/ScanStore.h"
#include "ui/kit/Icons.h"
#include "ui/kit/Theme.h"
#include "ui/kit/Tint.h"
#include "ui/kit/Typography.h"
#include "core/modules/ModuleSizeText.h"

#include <QApplication>

#include <algorithm>

ModuleTableModel::ModuleTableModel(ScanStore &store, QObject *parent)
    : StoreSortedModel(store,
                       {{QStringLiteral("Project"), 0},
                        {QStringLiteral("Path"), 0},
                        {QStringLiteral("Size"), 110},
                        {QStringLiteral("Last Accessed"), 150}},
                       {ModuleComparator::Key::projectName, ModuleComparator::Key::parentPath,
                        ModuleComparator::Key::reclaimableBytes, ModuleComparator::Key::lastAccessed},
                       parent)
    , m_linkIcon(Icons::icon(QStringLiteral("link"), Theme::warning()))
{
    connect(&m_store, &ScanStore::modulesChanged, this, &ModuleTableModel::modulesChanged);
    connect(&m_store, &ScanStore::sortOrderChanged, this, [this] { sync(m_store.visible()); });
    connect(&m_store, &ScanStore::deletingIdsChanged, this, &ModuleTableModel::emitAllChanged);
    sync(m_store.visible());
}

bool ModuleTableModel::isGreyed(int row) const
{
    return m_store.deletingIds().contains(record(row).id);
}

QVariant ModuleTableModel::cellData(const NodeModule &module, int column, int role) const
{
    switch (role) {
    case Qt::DisplayRole:
        switch (column) {
        case ProjectColumn:
            return module.projectName;
        case PathColumn:
            return pathText(module.parentPath);
        case SizeColumn:
            return sizeText(module);
        case LastAccessedColumn:
            return DateFormat::string(module.lastAccessed);
        }
        return {};
    case SortRole:
        return column == ProjectColumn ? QVariant(module.projectName)
            : column == PathColumn     ? QVariant(module.parentPath)
            : column == SizeColumn     ? QVariant(module.reclaimableBytes())
                                       : QVariant(module.lastAccessed);
    case Qt::DecorationRole:
        if (column == ProjectColumn && module.isSymlink)
            return m_linkIcon;
        return {};
    case Qt::ToolTipRole:
        // The project's link symbol carries the same text; the delegate shows it over the
        // symbol only.
        if (column == SizeColumn)
            return sizeExplanation(module).value_or(QString());
        if (column == ProjectColumn)
            return module.symlinkExplanation().value_or(QString());
        return {};
    case Qt::FontRole:
        switch (column) {
        case ProjectColumn:
            return Typography::cellFont(TextStyle::body, QFont::Medium);
        case SizeColumn:
        case LastAccessedColumn:
            return Typography::cellFont(TextStyle::body, QFont::Normal, true);
        }
        return {};
    case Qt::ForegroundRole:
        if (column == SizeColumn && module.isSymlink)
            return Theme::warning();
        if (column == PathColumn || column == LastAccessedColumn)
            return Tint(Tint::Style::secondary).resolve(QApplication::palette());
        return {};
    default:
        return {};
    }
}

void ModuleTableModel::modulesChanged(ScanStore::ModulesChange change)
{
    if (change == ScanStore::ModulesChange::other) {
        sync(m_store.visible());
        return;
    }
    // The record arrived last, so visible() puts it after every record it ties with.
    const ModuleSortOrder order = m_store.sortOrder();
    insertSorted(m_store.modules().constLast(),
                 [&order](const NodeModule &a, const NodeModule &b) { return sortsBefore(order, a, b); });
}
