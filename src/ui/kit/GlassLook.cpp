#include "ui/kit/GlassLook.h"

#include "ui/kit/GlassButtonStyle.h"
#include "ui/kit/Theme.h"

#include <QAbstractButton>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>

namespace GlassLook {

void paintSurface(QPainter &painter, const QRectF &rect, qreal cornerRadius, const QPalette &palette)
{
    const bool dark = Theme::isDark(palette);
    const QRectF shape = rect.adjusted(0.5, 0.5, -0.5, -1.5);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);

    // A soft lift under the surface, one pixel down, so cards read as layers on light windows.
    if (!dark) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 0, 10));
        painter.drawRoundedRect(shape.translated(0, 1), cornerRadius, cornerRadius);
    }

    QColor fill = dark ? QColor(255, 255, 255, 18) : palette.color(QPalette::Base);
    if (!dark)
        fill.setAlpha(190);
    painter.setBrush(fill);
    painter.setPen(QPen(Theme::separator(palette), 1.0));
    painter.drawRoundedRect(shape, cornerRadius, cornerRadius);
    painter.restore();
}

void scrollOver(QScrollArea *area, QWidget *content)
{
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setWidget(content);
    area->viewport()->setAutoFillBackground(false);
    content->setAutoFillBackground(false);
}

} // namespace GlassLook

namespace {

void applyTreatment(QAbstractButton *button, GlassButtonStyle::Treatment treatment, std::optional<QColor> tint)
{
    if (auto *style = qobject_cast<GlassButtonStyle *>(button->style()); style && style->parent() == button) {
        style->setTreatment(treatment, tint);
    } else {
        auto *own = new GlassButtonStyle(treatment, tint);
        own->setParent(button);
        button->setStyle(own);
    }
    if (auto *push = qobject_cast<QPushButton *>(button))
        push->setFlat(false);
    if (auto *tool = qobject_cast<QToolButton *>(button))
        tool->setAutoRaise(false);
    button->setAttribute(Qt::WA_Hover);
    button->updateGeometry();
    button->update();
}

} // namespace

void glassButton(QAbstractButton *button, std::optional<QColor> labelTint)
{
    applyTreatment(button, GlassButtonStyle::Treatment::secondary, labelTint);
}

void glassProminentButton(QAbstractButton *button, std::optional<QColor> tint)
{
    applyTreatment(button, GlassButtonStyle::Treatment::prominent, tint);
}
