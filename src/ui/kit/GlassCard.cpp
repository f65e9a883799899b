#include "ui/kit/GlassCard.h"

#include <QVBoxLayout>

GlassCard::GlassCard(int padding, QWidget *parent)
    : GlassSurface(s_cornerRadius, parent)
    , m_padding(padding)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(padding, padding, padding, padding);
    layout->setSpacing(0);
}

void GlassCard::setContent(QWidget *content)
{
    auto *outer = static_cast<QVBoxLayout *>(layout());
    while (QLayoutItem *item = outer->takeAt(0)) {
        delete item->widget();
        delete item->layout();
        delete item;
    }
    outer->addWidget(content);
}

void GlassCard::setContentLayout(QLayout *layout)
{
    auto *holder = new QWidget;
    holder->setLayout(layout);
    layout->setContentsMargins(0, 0, 0, 0);
    setContent(holder);
}
