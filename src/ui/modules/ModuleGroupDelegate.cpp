#include "ui/modules/ModuleGroupDelegate.h"

#include "core/ByteFormat.h"
#include "core/DateFormat.h"
#include "ui/kit/GroupColor.h"
#include "ui/kit/Theme.h"
#include "ui/kit/Typography.h"
#include "ui/modules/ModuleGroupModel.h"
#include "core/modules/ModuleSizeText.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

namespace {
constexpr int s_dot = 9;
constexpr int s_gap = 8;
constexpr int s_lineGap = 2;
constexpr int s_stackGap = 16;
} // namespace

ModuleGroupDelegate::ModuleGroupDelegate(const ModuleGroupModel *model, QObject *parent)
    : KitItemDelegate(parent)
    , m_model(model)
{
}

int ModuleGroupDelegate::headerHeight()
{
    return QFontMetrics(Typography::font(TextStyle::body, QFont::DemiBold)).height() + 18;
}

int ModuleGroupDelegate::rowHeight()
{
    return QFontMetrics(Typography::font(TextStyle::body)).height() + s_lineGap
        + QFontMetrics(Typography::font(TextStyle::caption)).height() + 12;
}

const ModuleGroupDelegate::Fonts &ModuleGroupDelegate::fonts() const
{
    const QFont application = QApplication::font();
    if (!m_fonts || m_fonts->application != application) {
        const QFont caption = Typography::font(TextStyle::caption);
        m_fonts = Fonts{application,
                        Typography::font(TextStyle::body, QFont::DemiBold),
                        Typography::font(TextStyle::body, QFont::Medium),
                        caption,
                        Typography::monospacedDigits(Typography::font(TextStyle::body)),
                        Typography::monospacedDigits(caption),
                        Typography::monospacedDigits(Typography::font(TextStyle::body))};
    }
    return *m_fonts;
}

QSize ModuleGroupDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    Q_UNUSED(option);
    const bool header = index.data(ModuleGroupModel::HeaderRole).toBool();
    return {1, header ? headerHeight() : rowHeight()};
}

void ModuleGroupDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const Cell cell = beginCell(painter, option, index);
    painter->save();
    painter->setClipRect(cell.option.rect);
    if (m_model->isHeader(index.row()))
        paintHeader(painter, cell, index.row());
    else
        paintRecord(painter, cell, index.row());
    painter->restore();
}

void ModuleGroupDelegate::paintHeader(QPainter *painter, const Cell &cell, int row) const
{
    const ModuleGroupRow &group = m_model->record(row);
    const Fonts &f = fonts();
    // Headers sit at the bottom of their row, close to the records they head.
    const QRect line = cell.area.adjusted(0, 8, 0, -2);

    const QString total = ByteFormat::string(group.totalBytes);
    const int totalWidth = QFontMetrics(f.digits).horizontalAdvance(total);
    drawLine(painter, line, f.digits, cell.secondary, total, Qt::ElideNone, Qt::AlignRight);

    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(groupColor(group.groupKey));
    painter->drawEllipse(QRectF(line.left(), line.center().y() - s_dot / 2.0 + 1, s_dot, s_dot));

    const QString count = QStringLiteral("· ") + QString::number(group.count);
    const int countWidth = QFontMetrics(f.application).horizontalAdvance(count);
    const int keyLeft = line.left() + s_dot + s_gap;
    const int keyRoom = std::max(0, line.right() - totalWidth - s_stackGap - countWidth - s_gap / 2 - keyLeft);
    const QFontMetrics keyMetrics(f.key);
    const QString key = keyMetrics.elidedText(group.groupKey, Qt::ElideMiddle, keyRoom);
    drawLine(painter, QRect(keyLeft, line.top(), keyRoom, line.height()), f.key, cell.primary, key, Qt::ElideNone);
    const int countLeft = keyLeft + keyMetrics.horizontalAdvance(key) + s_gap / 2 + 2;
    drawLine(painter, QRect(countLeft, line.top(), countWidth + 2, line.height()), f.application, cell.secondary, count,
             Qt::ElideNone);
}

QRect ModuleGroupDelegate::sizeRect(const QRect &rowRect, int row) const
{
    const Fonts &f = fonts();
    const QRect area = rowRect.adjusted(s_padding, 0, -s_padding, 0);
    const int top = QFontMetrics(f.name).height();
    const int bottom = QFontMetrics(f.caption).height();
    const int y = area.top() + (area.height() - top - s_lineGap - bottom) / 2;
    const int width = QFontMetrics(f.size).horizontalAdvance(sizeText(m_model->module(row)));
    return QRect(area.right() - width + 1, y, width, top);
}

void ModuleGroupDelegate::paintRecord(QPainter *painter, const Cell &cell, int row) const
{
    const NodeModule &module = m_model->module(row);
    const Fonts &f = fonts();
    const QRect &area = cell.area;
    const int top = QFontMetrics(f.name).height();
    const int bottom = QFontMetrics(f.caption).height();
    const int y = area.top() + (area.height() - top - s_lineGap - bottom) / 2;

    const QString size = sizeText(module);
    const QString date = DateFormat::string(module.lastAccessed);
    const int rightWidth =
        std::max(QFontMetrics(f.size).horizontalAdvance(size), QFontMetrics(f.captionDigits).horizontalAdvance(date));
    const QRect right(area.right() - rightWidth + 1, y, rightWidth, top + s_lineGap + bottom);
    const QColor sizeColour = module.isSymlink && !cell.selected ? Theme::warning() : cell.primary;
    drawLine(painter, QRect(right.left(), y, rightWidth, top), f.size, sizeColour, size, Qt::ElideNone, Qt::AlignRight);
    drawLine(painter, QRect(right.left(), y + top + s_lineGap, rightWidth, bottom), f.captionDigits, cell.secondary,
             date, Qt::ElideNone, Qt::AlignRight);

    const QRect left(area.left(), y, std::max(0, right.left() - s_stackGap - area.left()), top + s_lineGap + bottom);
    drawLine(painter, QRect(left.left(), y, left.width(), top), f.name, cell.primary, module.projectName,
             Qt::ElideRight);
    drawLine(painter, QRect(left.left(), y + top + s_lineGap, left.width(), bottom), f.caption, cell.secondary,
             pathText(module.parentPath), Qt::ElideMiddle);
}

bool ModuleGroupDelegate::helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                                    const QModelIndex &index)
{
    if (event->type() != QEvent::ToolTip || !index.isValid() || m_model->isHeader(index.row()))
        return KitItemDelegate::helpEvent(event, view, option, index);
    // The explanation belongs to the size text alone.
    const QRect size = sizeRect(option.rect, index.row());
    const QString explanation = index.data(Qt::ToolTipRole).toString();
    if (!explanation.isEmpty() && size.contains(event->pos())) {
        QToolTip::showText(event->globalPos(), explanation, view->viewport(), size);
        return true;
    }
    QToolTip::hideText();
    event->ignore();
    return false;
}
