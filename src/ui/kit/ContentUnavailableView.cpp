#include "ui/kit/ContentUnavailableView.h"

#include "ui/kit/Icons.h"
#include "ui/kit/KitLabel.h"
#include "ui/kit/Spacing.h"

#include <QEvent>
#include <QVBoxLayout>

namespace {
constexpr int s_iconSize = 44;
constexpr int s_textWidth = 380;
} // namespace

ContentUnavailableView::ContentUnavailableView(const QString &title, const QString &symbol, const QString &description,
                                               QWidget *parent)
    : QWidget(parent)
    , m_symbol(symbol)
    , m_icon(new QLabel)
    , m_title(new KitLabel(title, TextStyle::title2))
    , m_description(new KitLabel(description, TextStyle::callout))
{
    m_icon->setAlignment(Qt::AlignCenter);
    m_title->setObjectName(QStringLiteral("contentUnavailableTitle"));
    m_title->setTextStyle(TextStyle::title2, QFont::DemiBold);
    m_title->setAlignment(Qt::AlignCenter);
    m_description->setObjectName(QStringLiteral("contentUnavailableDescription"));
    m_description->setTint(Tint::Style::secondary);
    m_description->setAlignment(Qt::AlignCenter);
    m_description->setWordWrap(true);
    m_description->setFixedWidth(s_textWidth);
    updateIcon();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(Spacing::margins(Space::page));
    layout->setSpacing(0);
    layout->addStretch(1);
    layout->addWidget(m_icon, 0, Qt::AlignHCenter);
    layout->addSpacing(Spacing::of(Space::inset));
    layout->addWidget(m_title, 0, Qt::AlignHCenter);
    layout->addSpacing(Spacing::of(Space::related));
    // Centred through stretches, not an alignment flag: a wrapped label only gets the height
    // its lines need when its layout item carries no alignment.
    auto *descriptionRow = new QHBoxLayout;
    descriptionRow->addStretch(1);
    descriptionRow->addWidget(m_description);
    descriptionRow->addStretch(1);
    layout->addLayout(descriptionRow);
    layout->addStretch(1);
}

QString ContentUnavailableView::title() const
{
    return m_title->text();
}

QString ContentUnavailableView::description() const
{
    return m_description->text();
}

void ContentUnavailableView::setDescription(const QString &description)
{
    m_description->setText(description);
}

bool ContentUnavailableView::event(QEvent *event)
{
    if (event->type() == QEvent::ApplicationPaletteChange || event->type() == QEvent::PaletteChange)
        updateIcon();
    return QWidget::event(event);
}

void ContentUnavailableView::updateIcon()
{
    const QColor color = Tint(Tint::Style::tertiary).resolve(palette());
    m_icon->setPixmap(Icons::pixmap(m_symbol, s_iconSize, color, devicePixelRatioF()));
}
