#include "ui/shell/StatusBar.h"

#include "core/processes/ProcessStore.h"
#include "ui/kit/Icons.h"
#include "ui/kit/KitLabel.h"
#include "ui/kit/Spacing.h"
#include "ui/kit/Theme.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QPainter>

namespace {

KitLabel *captionLabel(const QString &text, const Tint &tint, const QString &name)
{
    auto *label = new KitLabel(text, TextStyle::caption);
    label->setTint(tint);
    label->setObjectName(name);
    return label;
}

} // namespace

StatusBar::StatusBar(ProcessStore &processes, const QUrl &productPage, QWidget *parent)
    : QWidget(parent)
    , m_processes(processes)
    , m_productPage(productPage)
    , m_reading(captionLabel({}, Tint::Style::secondary, QStringLiteral("statusReading")))
{
    setObjectName(QStringLiteral("statusBar"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    auto *identity = new QHBoxLayout;
    identity->setSpacing(Spacing::of(Space::related));
    auto *icon = new QLabel;
    const int iconSide = QFontMetrics(m_reading->font()).height() - 2;
    icon->setPixmap(Icons::pixmap(QStringLiteral("powerplug.fill"), iconSide, Theme::nodeGreen(), devicePixelRatioF()));
    identity->addWidget(icon);
    auto *name = captionLabel(QStringLiteral("Quaylight"), Tint::Style::primary, QStringLiteral("statusName"));
    name->setTextStyle(TextStyle::caption, QFont::DemiBold);
    identity->addWidget(name);
    if (const std::optional<QString> version = bundleVersion()) {
        auto *label = captionLabel(*version, Tint::Style::secondary, QStringLiteral("statusVersion"));
        label->setMonospacedDigits(true);
        identity->addWidget(label);
    }
    identity->addWidget(captionLabel(QStringLiteral("·"), Tint::Style::tertiary, QStringLiteral("statusDot")));
    m_reading->setMonospacedDigits(true);
    identity->addWidget(m_reading);

    auto *row = new QHBoxLayout(this);
    const int inset = Spacing::of(Space::inset);
    const int related = Spacing::of(Space::related);
    row->setContentsMargins(inset, related, inset, related);
    row->setSpacing(Spacing::of(Space::standard));
    row->addLayout(identity);
    row->addSpacerItem(new QSpacerItem(inset, 0, QSizePolicy::MinimumExpanding, QSizePolicy::Minimum));
    row->addWidget(captionLabel(QStringLiteral("|"), Tint::Style::tertiary, QStringLiteral("statusSeparator")));
    row->addWidget(captionLabel(QStringLiteral("Made by the Quaylight authors"), Tint::Style::secondary,
                                QStringLiteral("statusCredit")));
    if (!m_productPage.isEmpty()) {
        // The separator goes with the link it separates: none dangles at the end.
        row->addWidget(captionLabel(QStringLiteral("|"), Tint::Style::tertiary, QStringLiteral("statusSeparator")));
        auto *home = captionLabel({}, Tint::Style::primary, QStringLiteral("homeLink"));
        home->setTextFormat(Qt::RichText);
        home->setText(QStringLiteral("<a href=\"home\" style=\"text-decoration: none\">Quaylight Home</a>"));
        home->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
        home->setToolTip(m_productPage.toDisplayString());
        // The configured address is opened, never the text of the link.
        connect(home, &QLabel::linkActivated, this, [this] { QDesktopServices::openUrl(m_productPage); });
        row->addWidget(home);
    }

    connect(&m_processes, &ProcessStore::isLoadingChanged, this, &StatusBar::refresh);
    connect(&m_processes, &ProcessStore::processesChanged, this, &StatusBar::refresh);
    refresh();
}

std::optional<QString> StatusBar::bundleVersion()
{
    const QString version = QCoreApplication::applicationVersion();
    if (version.isEmpty())
        return std::nullopt;
    return QStringLiteral("v") + version;
}

QString StatusBar::reading() const
{
    if (m_processes.isLoading())
        return QStringLiteral("scanning…");
    const qsizetype n = m_processes.processes().size();
    if (n == 0)
        return QStringLiteral("no Node processes");
    return QStringLiteral("%1 Node process%2 · dev ports checked")
        .arg(n)
        .arg(n == 1 ? QString() : QStringLiteral("es"));
}

void StatusBar::refresh()
{
    m_reading->setText(reading());
}

void StatusBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.fillRect(QRect(0, 0, width(), 1), Theme::separator(palette()));
}
