#include "ui/kit/GlassSurface.h"

#include "ui/kit/GlassLook.h"

#include <QPainter>

GlassSurface::GlassSurface(qreal cornerRadius, QWidget *parent)
    : QWidget(parent)
    , m_cornerRadius(cornerRadius)
{
}

void GlassSurface::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    GlassLook::paintSurface(painter, rect(), m_cornerRadius, palette());
}
