#include "KitGallery.h"

#include "ui/kit/Divider.h"
#include "ui/kit/GlassCard.h"
#include "ui/kit/GlassLook.h"
#include "ui/kit/GlassSurface.h"
#include "ui/kit/GroupColor.h"
#include "ui/kit/Icons.h"
#include "ui/kit/InlineCodeLabel.h"
#include "ui/kit/KitLabel.h"
#include "ui/kit/ProgressSpinner.h"
#include "ui/kit/StatTile.h"
#include "ui/kit/Switch.h"
#include "ui/kit/Theme.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

KitLabel *heading(const QString &text)
{
    return new KitLabel(text, TextStyle::headline);
}

QPushButton *button(const QString &text, const QString &symbol)
{
    auto *made = new QPushButton(symbol.isEmpty() ? QIcon() : Icons::icon(symbol), text);
    return made;
}

QWidget *tiles()
{
    auto *row = new QWidget;
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    layout->addWidget(new StatTile(QStringLiteral("Node-held ports"), QStringLiteral("2"), Theme::warning()));
    layout->addWidget(new StatTile(QStringLiteral("Node processes"), QStringLiteral("5"), Theme::nodeGreen()));
    layout->addWidget(new StatTile(QStringLiteral("Reclaimable"), QStringLiteral("3.4 GB"), Theme::nodeGreen()));
    layout->addWidget(new StatTile(QStringLiteral("Groups"), QStringLiteral("0"), Tint::Style::secondary));

    auto *lookup = new GlassSurface(10);
    auto *lookupRow = new QHBoxLayout(lookup);
    lookupRow->setContentsMargins(10, 8, 10, 8);
    lookupRow->setSpacing(6);
    auto *glass = new QLabel;
    glass->setPixmap(
        Icons::pixmap(QStringLiteral("magnifyingglass"), 14, Tint(Tint::Style::secondary).resolve(glass->palette())));
    lookupRow->addWidget(glass);
    auto *field = new QLineEdit;
    field->setFrame(false);
    field->setPlaceholderText(QStringLiteral("Port…"));
    field->setFixedWidth(70);
    field->setStyleSheet(QStringLiteral("background: transparent"));
    lookupRow->addWidget(field);
    layout->addWidget(lookup);
    layout->addStretch(1);
    return row;
}

QWidget *buttons()
{
    auto *row = new QWidget;
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);

    auto *refresh = button(QStringLiteral("Refresh"), QStringLiteral("arrow.clockwise"));
    glassProminentButton(refresh);
    layout->addWidget(refresh);
    auto *free = button(QStringLiteral("Free port 3000"), QStringLiteral("lock.open.fill"));
    glassProminentButton(free, Theme::danger());
    layout->addWidget(free);
    auto *force = new QToolButton;
    force->setIcon(Icons::icon(QStringLiteral("xmark.octagon")));
    glassButton(force);
    layout->addWidget(force);
    auto *stop = button(QStringLiteral("Stop Selected"), QStringLiteral("stop.circle"));
    glassButton(stop);
    layout->addWidget(stop);
    auto *disabled = button(QStringLiteral("Force Kill"), QStringLiteral("xmark.octagon"));
    glassButton(disabled);
    disabled->setEnabled(false);
    layout->addWidget(disabled);
    auto *scanDisabled = button(QStringLiteral("Scan"), {});
    glassProminentButton(scanDisabled);
    scanDisabled->setEnabled(false);
    layout->addWidget(scanDisabled);
    auto *destructive = button(QStringLiteral("Stop Selected"), QStringLiteral("stop.circle"));
    glassButton(destructive, Theme::danger());
    layout->addWidget(destructive);
    auto *plain = button(QStringLiteral("Select Suspicious"), {});
    glassButton(plain);
    layout->addWidget(plain);
    layout->addStretch(1);
    return row;
}

QWidget *controls()
{
    auto *row = new QWidget;
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(16);
    layout->addWidget(new Switch(QStringLiteral("Off")));
    auto *on = new Switch(QStringLiteral("On"));
    on->setChecked(true);
    layout->addWidget(on);
    auto *disabled = new Switch(QStringLiteral("Disabled"));
    disabled->setEnabled(false);
    layout->addWidget(disabled);
    layout->addWidget(new ProgressSpinner);
    auto *code =
        new InlineCodeLabel(QStringLiteral("Inline code such as `lsof -i :PORT` keeps to one line."), TextStyle::body);
    code->setTint(Tint::Style::secondary);
    layout->addWidget(code, 1);
    return row;
}

QWidget *card()
{
    auto *content = new QHBoxLayout;
    content->setSpacing(12);
    auto *check = new QLabel;
    check->setPixmap(Icons::pixmap(QStringLiteral("checkmark.circle.fill"), 26, Theme::nodeGreen()));
    content->addWidget(check, 0, Qt::AlignTop);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(3);
    auto *title = new KitLabel(QStringLiteral("No Node process is holding a dev port"), TextStyle::title3);
    title->setTextStyle(TextStyle::title3, QFont::DemiBold);
    texts->addWidget(title);
    auto *body = new KitLabel(QStringLiteral("Nothing from the Node ecosystem is on 3000, 5173, 4200, 8080 "
                                             "or the other known dev ports."),
                              TextStyle::body);
    body->setTint(Tint::Style::secondary);
    body->setWordWrap(true);
    texts->addWidget(body);
    content->addLayout(texts, 1);
    auto *made = new GlassCard(18);
    made->setContentLayout(content);
    return made;
}

QWidget *icons()
{
    auto *grid = new QWidget;
    auto *layout = new QGridLayout(grid);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setHorizontalSpacing(14);
    layout->setVerticalSpacing(8);
    const QStringList names = Icons::symbolNames();
    const QList<Tint> tints = {Tint::Style::primary, Theme::warning(), Theme::nodeGreen(), Theme::danger()};
    for (int i = 0; i < names.size(); ++i) {
        auto *cell = new QWidget;
        auto *row = new QHBoxLayout(cell);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(6);
        auto *icon = new QLabel;
        icon->setPixmap(Icons::icon(names.at(i), tints.at(i % tints.size())).pixmap(16, 16));
        row->addWidget(icon);
        auto *name = new KitLabel(names.at(i), TextStyle::caption);
        name->setTint(Tint::Style::secondary);
        row->addWidget(name);
        row->addStretch(1);
        layout->addWidget(cell, i / 4, i % 4);
    }
    return grid;
}

QWidget *typeAndColours()
{
    auto *row = new QWidget;
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(14);
    for (const auto &[style, name] : {std::pair{TextStyle::caption2, "caption 2"},
                                      {TextStyle::caption, "caption"},
                                      {TextStyle::callout, "callout"},
                                      {TextStyle::body, "body"},
                                      {TextStyle::headline, "headline"},
                                      {TextStyle::title3, "title 3"},
                                      {TextStyle::title2, "title 2"}})
        layout->addWidget(new KitLabel(QString::fromLatin1(name), style), 0, Qt::AlignBottom);
    layout->addSpacing(12);
    for (const QString &key : {QStringLiteral("code"), QStringLiteral("work"), QStringLiteral("oss"),
                               QStringLiteral("scratch"), QStringLiteral("(root)")}) {
        auto *dot = new QLabel;
        QPixmap swatch = Icons::pixmap(QStringLiteral("circle.fill"), 10, groupColor(key));
        dot->setPixmap(swatch);
        layout->addWidget(dot, 0, Qt::AlignVCenter);
        auto *label = new KitLabel(key, TextStyle::caption);
        label->setTint(Tint::Style::secondary);
        layout->addWidget(label, 0, Qt::AlignVCenter);
    }
    layout->addStretch(1);
    return row;
}

} // namespace

KitGallery::KitGallery(QWidget *parent)
    : QWidget(parent)
{
    setAutoFillBackground(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->setSpacing(10);
    layout->addWidget(heading(QStringLiteral("Tiles and the lookup field")));
    layout->addWidget(tiles());
    layout->addWidget(heading(QStringLiteral("Buttons: prominent, tinted, secondary, disabled")));
    layout->addWidget(buttons());
    layout->addWidget(heading(QStringLiteral("Switches, spinner and inline code")));
    layout->addWidget(controls());
    layout->addWidget(heading(QStringLiteral("Card")));
    layout->addWidget(card());
    layout->addWidget(new Divider);
    layout->addWidget(heading(QStringLiteral("Text styles and group colours")));
    layout->addWidget(typeAndColours());
    layout->addWidget(heading(QStringLiteral("Icons")));
    layout->addWidget(icons());
    layout->addStretch(1);
}
