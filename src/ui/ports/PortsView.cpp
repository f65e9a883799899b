#include "ui/ports/PortsView.h"

#include "core/processes/ProcessStore.h"
#include "ui/kit/Dialogs.h"
#include "ui/kit/Divider.h"
#include "ui/kit/GlassCard.h"
#include "ui/kit/GlassLook.h"
#include "ui/kit/GlassSurface.h"
#include "ui/kit/Icons.h"
#include "ui/kit/InlineCodeLabel.h"
#include "ui/kit/KitLabel.h"
#include "ui/kit/ProgressSpinner.h"
#include "ui/kit/Spacing.h"
#include "ui/kit/StatTile.h"
#include "ui/kit/Switch.h"
#include "ui/kit/SymbolLabel.h"
#include "ui/kit/Theme.h"
#include "ui/ports/BlockedPortCard.h"
#include "ui/ports/ProcessTableModel.h"
#include "ui/ports/ProcessTableView.h"
#include "ui/support/ScreenActions.h"

#include <QAction>
#include <QFuture>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollArea>
#include <QShowEvent>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int s_portFieldWidth = 70;
constexpr int s_tableMinimumHeight = 220;

const QString s_allClearText = QStringLiteral(
    "Nothing from the Node ecosystem is on 3000, 5173, 4200, 8080 or the other known dev ports. This app only "
    "sees Node processes — if a port is still refused, the holder is something else (Docker, Rails, Postgres, a "
    "stale JVM); check it with `lsof -i :PORT`.");

// The cards' scroll area asks for the cards' height as it is now (QScrollArea keeps the
// first one it saw), up to about two dozen lines.
class CardScrollArea : public QScrollArea
{
public:
    [[nodiscard]] QSize sizeHint() const override
    {
        const int line = fontMetrics().height();
        QSize wanted = widget() ? widget()->sizeHint() : QSize();
        // Wrapped text is as tall as the width it has now makes it.
        if (widget() && widget()->hasHeightForWidth() && viewport()->width() > 0)
            wanted.setHeight(widget()->heightForWidth(viewport()->width()));
        return wanted.boundedTo(QSize(36 * line, 24 * line));
    }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QScrollArea::resizeEvent(event);
        if (event->size().width() != event->oldSize().width())
            updateGeometry();
    }
};

KitLabel *heading(const QString &text, const QString &name)
{
    auto *label = new KitLabel(text, TextStyle::headline);
    label->setObjectName(name);
    return label;
}

} // namespace

PortsView::PortsView(ProcessStore &store, QWidget *parent)
    : QWidget(parent)
    , m_store(store)
{
    KitLabel *title = KitLabel::screenTitle(QStringLiteral("Ports"));

    // Only the cards scroll away; the process table below them takes the height the window
    // has, so it never hides below the fold behind a few held ports.
    auto *content = new QWidget;
    content->setObjectName(QStringLiteral("portsContent"));
    auto *sections = new QVBoxLayout(content);
    const int section = Spacing::of(Space::section);
    sections->setContentsMargins(section, section, section, 0);
    sections->setSpacing(0);
    sections->addWidget(blockedPortsSection());
    sections->addStretch(1);

    m_scroll = new CardScrollArea;
    m_scroll->setObjectName(QStringLiteral("portsScroll"));
    GlassLook::scrollOver(m_scroll, content);
    m_scroll->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    // Tab goes to the cards' buttons, and the area scrolls to show them.
    m_scroll->setFocusPolicy(Qt::NoFocus);

    m_processArea = new QWidget;
    auto *processLayout = new QVBoxLayout(m_processArea);
    processLayout->setContentsMargins(Spacing::margins(Space::section));
    processLayout->addWidget(processSection());
    // The cards get the height they ask for first; the table everything else, and never
    // less than its least height (kept in showRows).
    m_processArea->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(title);
    layout->addWidget(header());
    layout->addWidget(new Divider);
    layout->addWidget(m_scroll);
    layout->addWidget(m_processArea, 1);
    layout->addWidget(new Divider);
    layout->addWidget(actionBar());

    connect(&m_store, &ProcessStore::processesChanged, this, &PortsView::showProcesses);
    connect(&m_store, &ProcessStore::isLoadingChanged, this, [this] {
        if (!m_store.isLoading())
            m_loaded = true;
        showLoading();
    });
    connect(&m_store, &ProcessStore::statusTextChanged, this, [this] {
        m_status->setText(m_store.statusText());
        m_loadingText->setText(m_store.statusText());
    });
    connect(&m_store, &ProcessStore::otherHoldersChanged, this, [this] {
        showOtherHolders();
        showRows();
    });
    connect(&m_store, &ProcessStore::portFilterChanged, this, &PortsView::showFilter);
    connect(&m_store, &ProcessStore::showOnlyHangingChanged, this,
            [this] { m_onlySuspicious->setChecked(m_store.showOnlyHanging()); });
    connect(&m_store, &ProcessStore::selectionChanged, this, &PortsView::showSelection);
    connect(m_processTable->processModel(), &ProcessTableModel::refreshed, this, &PortsView::showRows);

    m_status->setText(m_store.statusText());
    m_loadingText->setText(m_store.statusText());
    m_onlySuspicious->setChecked(m_store.showOnlyHanging());
    showProcesses();
    showOtherHolders();
    showFilter();
    showSelection();
    showLoading();
    showRows();
}

QWidget *PortsView::header()
{
    auto *bar = new QWidget;
    bar->setObjectName(QStringLiteral("portsHeader"));
    QHBoxLayout *layout = Spacing::row(bar, Space::group, Space::inset, Space::inset);

    m_heldPorts = new StatTile(QStringLiteral("Node-held ports"), QStringLiteral("0"), Tint::Style::secondary);
    m_heldPorts->setObjectName(QStringLiteral("heldPortsTile"));
    m_processCount = new StatTile(QStringLiteral("Node processes"), QStringLiteral("0"), Theme::nodeGreen());
    m_processCount->setObjectName(QStringLiteral("processCountTile"));

    auto *lookup = new GlassSurface(10);
    lookup->setObjectName(QStringLiteral("portLookup"));
    auto *lookupRow = new QHBoxLayout(lookup);
    const int tight = Spacing::of(Space::tight);
    const int hairline = Spacing::of(Space::hairline);
    lookupRow->setContentsMargins(tight, hairline, tight, hairline);
    m_portField = new QLineEdit;
    m_portField->setObjectName(QStringLiteral("portField"));
    m_portField->setFrame(false);
    // The field lies on the lookup's surface: no fill of its own, and no style sheet.
    QPalette clear = m_portField->palette();
    clear.setColor(QPalette::Base, Qt::transparent);
    m_portField->setPalette(clear);
    m_portField
        ->addAction(Icons::themed(QStringLiteral("magnifyingglass"), Tint::Style::secondary),
                    QLineEdit::LeadingPosition)
        ->setText(QStringLiteral("Find by port"));
    // The style's own clear button, shown only while there is text; it empties the filter.
    m_portField->setClearButtonEnabled(true);
    if (auto *clear = m_portField->findChild<QAction *>(QStringLiteral("_q_qlineeditclearaction")))
        clear->setText(QStringLiteral("Clear"));
    m_portField->setPlaceholderText(QStringLiteral("Port…"));
    m_portField->setToolTip(QStringLiteral("Type a port number to see exactly what is holding it."));
    m_portField->setAccessibleName(QStringLiteral("Port lookup"));
    m_portField->setAccessibleDescription(m_portField->toolTip());
    // Room for the typed port beside the search icon and the clear button.
    m_portField->setFixedWidth(s_portFieldWidth + 2 * m_portField->sizeHint().height());
    lookupRow->addWidget(m_portField);
    lookup->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    // Changed, not edited: the clear button empties the field without an edit.
    connect(m_portField, &QLineEdit::textChanged, this, [this](const QString &text) { m_store.setPortFilter(text); });

    m_spinner = new ProgressSpinner;
    m_spinner->setObjectName(QStringLiteral("loadingSpinner"));
    m_onlySuspicious = new Switch(QStringLiteral("Only suspicious"));
    m_onlySuspicious->setObjectName(QStringLiteral("onlySuspiciousSwitch"));
    m_onlySuspicious->setAccessibleDescription(QStringLiteral("Shows only the processes that look left running."));
    connect(m_onlySuspicious, &Switch::toggled, this, [this](bool on) { m_store.setShowOnlyHanging(on); });

    m_refresh = new QPushButton(Icons::themed(QStringLiteral("arrow.clockwise")), QStringLiteral("Refresh"));
    m_refresh->setObjectName(QStringLiteral("refreshButton"));
    m_refresh->setAccessibleDescription(QStringLiteral("Lists the Node processes and their ports again."));
    glassProminentButton(m_refresh);
    m_refreshAction =
        ScreenActions::make(this, QStringLiteral("refreshAction"), QStringLiteral("Refresh"), m_refresh->icon(),
                            {QKeySequence(Qt::CTRL | Qt::Key_R), QKeySequence(Qt::Key_F5)}, {this});
    m_refreshAction->setShortcutContext(Qt::WindowShortcut);
    connect(m_refreshAction, &QAction::triggered, this, [this] { (void)m_store.reload(); });
    ScreenActions::bind(m_refresh, m_refreshAction);

    layout->addWidget(m_heldPorts, 0, Qt::AlignVCenter);
    layout->addWidget(m_processCount, 0, Qt::AlignVCenter);
    layout->addWidget(lookup, 0, Qt::AlignVCenter);
    layout->addStretch(1);
    layout->addWidget(m_spinner, 0, Qt::AlignVCenter);
    layout->addWidget(m_onlySuspicious, 0, Qt::AlignVCenter);
    layout->addWidget(m_refresh, 0, Qt::AlignVCenter);
    return bar;
}

QWidget *PortsView::blockedPortsSection()
{
    auto *section = new QWidget;
    section->setObjectName(QStringLiteral("blockedPortsSection"));
    QVBoxLayout *layout = Spacing::stack(section, Space::group);
    m_blockedHeading = heading(QStringLiteral("Dev ports"), QStringLiteral("blockedPortsHeading"));
    layout->addWidget(m_blockedHeading);

    auto *cards = new QWidget;
    m_cardList = Spacing::stack(cards, Space::group);
    layout->addWidget(cards);

    m_allClear = new GlassCard(Spacing::of(Space::card));
    m_allClear->setObjectName(QStringLiteral("allClearCard"));
    auto *clearRow = new QHBoxLayout;
    clearRow->setSpacing(Spacing::of(Space::inset));
    clearRow->addWidget(new SymbolLabel(QStringLiteral("checkmark.circle.fill"), Theme::nodeGreen(), TextStyle::title),
                        0, Qt::AlignVCenter);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(Spacing::of(Space::tight));
    auto *title = new KitLabel(QStringLiteral("No Node process is holding a dev port"), TextStyle::title3);
    title->setObjectName(QStringLiteral("allClearTitle"));
    title->setTextStyle(TextStyle::title3, QFont::DemiBold);
    auto *body = new InlineCodeLabel(s_allClearText);
    body->setObjectName(QStringLiteral("allClearText"));
    body->setTint(Tint::Style::secondary);
    texts->addWidget(title);
    texts->addWidget(body);
    clearRow->addLayout(texts, 1);
    m_allClear->setContentLayout(clearRow);
    layout->addWidget(m_allClear);

    // Until the first scan has answered, nothing is known: no all-clear, no empty list.
    m_loadingCard = new GlassCard(Spacing::of(Space::card));
    m_loadingCard->setObjectName(QStringLiteral("loadingCard"));
    auto *loadingRow = new QHBoxLayout;
    loadingRow->setSpacing(Spacing::of(Space::standard));
    auto *loadingSpinner = new ProgressSpinner;
    loadingSpinner->setObjectName(QStringLiteral("firstLoadSpinner"));
    loadingRow->addWidget(loadingSpinner, 0, Qt::AlignVCenter);
    m_loadingText = new KitLabel({}, TextStyle::callout);
    m_loadingText->setObjectName(QStringLiteral("loadingText"));
    m_loadingText->setTint(Tint::Style::secondary);
    loadingRow->addWidget(m_loadingText, 1, Qt::AlignVCenter);
    m_loadingCard->setContentLayout(loadingRow);
    layout->addWidget(m_loadingCard);

    // Dev ports held by something else: named, never offered for a kill.
    auto *others = new QWidget;
    others->setObjectName(QStringLiteral("otherHolders"));
    m_otherHolderList = Spacing::stack(others, Space::tight);
    layout->addWidget(others);
    return section;
}

QWidget *PortsView::processSection()
{
    auto *section = new QWidget;
    section->setObjectName(QStringLiteral("processSection"));
    QVBoxLayout *layout = Spacing::stack(section, Space::group);
    layout->addWidget(heading(QStringLiteral("Node processes"), QStringLiteral("processesHeading")));

    // The table sits on the kit's surface like the cards around it.
    auto *surface = new GlassSurface(10);
    surface->setObjectName(QStringLiteral("processTableSurface"));
    surface->setMinimumHeight(s_tableMinimumHeight);
    auto *surfaceLayout = new QVBoxLayout(surface);
    const int tight = Spacing::of(Space::tight);
    surfaceLayout->setContentsMargins(tight, Spacing::of(Space::hairline), tight, tight);
    m_processTable = new ProcessTableView(m_store);
    m_processTable->setAccessibleName(QStringLiteral("Node processes"));
    m_processTable->setAccessibleDescription(
        QStringLiteral("Every Node process with its ports; select the ones to stop."));
    surfaceLayout->addWidget(m_processTable);
    m_table = surface;
    // The desktop's keys on the table: Delete asks to stop the selection, Shift+Delete to kill it.
    m_stopAction = ScreenActions::make(this, QStringLiteral("stopAction"), QStringLiteral("Stop (SIGTERM)"),
                                       Icons::themed(QStringLiteral("stop.circle")),
                                       {QKeySequence(QKeySequence::Delete)}, {m_processTable});
    m_forceKillAction =
        ScreenActions::make(this, QStringLiteral("forceKillAction"), QStringLiteral("Force Kill (SIGKILL)"),
                            Icons::icon(QStringLiteral("xmark.octagon"), Theme::danger()),
                            {QKeySequence(Qt::SHIFT | Qt::Key_Delete)}, {m_processTable});
    connect(m_stopAction, &QAction::triggered, this, [this] { requestKill(targetIds(), false); });
    connect(m_forceKillAction, &QAction::triggered, this, [this] { requestKill(targetIds(), true); });
    m_processTable->setMenuActions({m_stopAction, m_forceKillAction});
    connect(m_processTable, &ProcessTableView::menuTargetChanged, this, &PortsView::showSelection);
    layout->addWidget(m_table, 1);

    m_emptyCard = new GlassCard(Spacing::of(Space::card));
    m_emptyCard->setObjectName(QStringLiteral("emptyProcessCard"));
    m_emptyText = new KitLabel;
    m_emptyText->setObjectName(QStringLiteral("emptyProcessText"));
    m_emptyText->setTint(Tint::Style::secondary);
    m_emptyText->setWordWrap(true);
    auto *emptyRow = new QHBoxLayout;
    emptyRow->addWidget(m_emptyText, 1);
    m_emptyCard->setContentLayout(emptyRow);
    layout->addWidget(m_emptyCard);
    // When the table gives way to the card, the section keeps its place at the top.
    layout->addStretch(0);
    return section;
}

QWidget *PortsView::actionBar()
{
    auto *bar = new QWidget;
    bar->setObjectName(QStringLiteral("portsActionBar"));
    QHBoxLayout *layout = Spacing::row(bar, Space::group, Space::inset, Space::inset);

    m_stopSelected = new QPushButton(Icons::themed(QStringLiteral("stop.circle")), QStringLiteral("Stop Selected"));
    m_stopSelected->setObjectName(QStringLiteral("stopSelectedButton"));
    m_stopSelected->setAccessibleDescription(QStringLiteral("Asks to stop the selected processes with SIGTERM."));
    glassButton(m_stopSelected, Theme::danger());
    ScreenActions::bind(m_stopSelected, m_stopAction);

    m_forceKill = new QPushButton(Icons::icon(QStringLiteral("xmark.octagon")), QStringLiteral("Force Kill"));
    m_forceKill->setObjectName(QStringLiteral("forceKillButton"));
    m_forceKill->setAccessibleDescription(QStringLiteral("Asks to kill the selected processes with SIGKILL."));
    glassButton(m_forceKill, Theme::danger());
    ScreenActions::bind(m_forceKill, m_forceKillAction);

    m_status = new KitLabel({}, TextStyle::callout);
    m_status->setObjectName(QStringLiteral("portsStatusText"));
    m_status->setTint(Tint::Style::secondary);
    m_status->setElideMode(Qt::ElideRight);
    m_status->setAlignment(Qt::AlignCenter);

    m_selectSuspicious = new QPushButton(QStringLiteral("Select Suspicious"));
    m_selectSuspicious->setObjectName(QStringLiteral("selectSuspiciousButton"));
    m_selectSuspicious->setAccessibleDescription(QStringLiteral("Selects every process that looks left running."));
    glassButton(m_selectSuspicious);
    connect(m_selectSuspicious, &QPushButton::clicked, this, [this] {
        QSet<qint32> suspicious;
        for (const NodeProcess &process : m_store.processes()) {
            if (process.hangingReason())
                suspicious.insert(process.id);
        }
        m_store.setSelection(suspicious);
    });

    layout->addWidget(m_stopSelected);
    layout->addWidget(m_forceKill);
    layout->addStretch(1);
    layout->addWidget(m_status);
    layout->addStretch(1);
    layout->addWidget(m_selectSuspicious);
    return bar;
}

void PortsView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // A window coming back from being minimised is not the screen appearing.
    if (event->spontaneous())
        return;
    if (m_store.processes().isEmpty())
        (void)m_store.reload();
}

bool PortsView::isFirstLoad() const
{
    return !m_loaded && m_store.isLoading() && m_store.processes().isEmpty();
}

void PortsView::showProcesses()
{
    const QList<BlockedPort> blocked = m_store.blockedPorts();
    // Before the first answer the counts are unknown, not zero.
    const bool unknown = isFirstLoad();
    m_heldPorts->setValue(unknown ? QStringLiteral("—") : QString::number(blocked.size()));
    m_heldPorts->setTint(blocked.isEmpty() ? Tint(Tint::Style::secondary) : Tint(Theme::warning()));
    m_processCount->setValue(unknown ? QStringLiteral("—") : QString::number(m_store.processes().size()));
    m_selectSuspicious->setEnabled(m_store.hangingCount() > 0);
    showBlockedPorts(blocked);
}

void PortsView::showBlockedPorts(const QList<BlockedPort> &blocked)
{
    m_blockedHeading->setText(blocked.isEmpty() ? QStringLiteral("Dev ports")
                                                : QStringLiteral("Dev ports held by Node"));

    QSet<int> ports;
    for (const BlockedPort &port : blocked)
        ports.insert(port.port);
    for (auto it = m_cards.begin(); it != m_cards.end();) {
        if (ports.contains(it.key())) {
            ++it;
            continue;
        }
        delete it.value();
        it = m_cards.erase(it);
    }
    for (int index = 0; index < blocked.size(); ++index) {
        const BlockedPort &port = blocked.at(index);
        BlockedPortCard *card = m_cards.value(port.port);
        if (!card) {
            card = new BlockedPortCard(port);
            connect(card, &BlockedPortCard::freeRequested, this,
                    [this, card](bool force) { requestFreePort(card->blockedPort(), force); });
            m_cards.insert(port.port, card);
        } else {
            card->setBlockedPort(port);
        }
        // Ascending port order, whatever order the cards were made in.
        if (m_cardList->indexOf(card) != index) {
            m_cardList->removeWidget(card);
            m_cardList->insertWidget(index, card);
        }
    }
    m_cardList->parentWidget()->setVisible(!blocked.isEmpty());
    const bool unknown = isFirstLoad();
    m_allClear->setVisible(blocked.isEmpty() && !unknown);
    m_loadingCard->setVisible(unknown);
    // The scroll area asks for the cards' height (up to its own cap) once they have changed.
    m_scroll->updateGeometry();
    orderTabs();
}

void PortsView::orderTabs()
{
    // Cards come and go after the screen is built; Tab still walks the screen top to bottom.
    QList<QWidget *> chain{m_portField, m_onlySuspicious, m_refresh};
    for (int index = 0; index < m_cardList->count(); ++index) {
        if (QWidget *card = m_cardList->itemAt(index)->widget())
            chain << card->findChild<QPushButton *>(QStringLiteral("freePortButton"))
                  << card->findChild<QToolButton *>(QStringLiteral("forceFreePortButton"));
    }
    chain << m_processTable << m_stopSelected << m_forceKill << m_selectSuspicious;
    for (int index = 1; index < chain.size(); ++index)
        setTabOrder(chain.at(index - 1), chain.at(index));
}

void PortsView::returnFocus()
{
    // Back to the table after an action, never to the button that asked: a Space there
    // would ask again.
    if (m_table->isVisibleTo(this))
        m_processTable->setFocus(Qt::OtherFocusReason);
    else
        m_refresh->setFocus(Qt::OtherFocusReason);
}

void PortsView::showOtherHolders()
{
    while (QLayoutItem *item = m_otherHolderList->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (const PortHolder &holder : m_store.otherHolders()) {
        auto *line = new KitLabel(holder.description(), TextStyle::callout);
        line->setObjectName(QStringLiteral("otherHolderLine"));
        line->setTint(Tint::Style::secondary);
        m_otherHolderList->addWidget(line);
    }
    m_otherHolderList->parentWidget()->setVisible(!m_store.otherHolders().isEmpty());
}

void PortsView::showFilter()
{
    const QString filter = m_store.portFilter();
    if (m_portField->text() != filter)
        m_portField->setText(filter);
}

QSet<qint32> PortsView::targetIds() const
{
    return m_processTable->menuTarget().value_or(m_store.selection());
}

void PortsView::showSelection()
{
    const bool any = !targetIds().isEmpty();
    m_stopAction->setEnabled(any);
    m_forceKillAction->setEnabled(any);
}

void PortsView::showLoading()
{
    m_spinner->setVisible(m_store.isLoading());
    showProcesses();
    showRows();
}

void PortsView::showRows()
{
    const bool empty = m_processTable->processModel()->rowCount() == 0;
    const bool tableHadFocus = m_processTable->hasFocus();
    m_table->setVisible(!empty);
    m_emptyCard->setVisible(empty && !isFirstLoad());
    if (empty)
        m_emptyText->setText(emptyProcessText());
    m_processArea->setMinimumHeight(m_processArea->minimumSizeHint().height());
    if (empty && tableHadFocus)
        m_refresh->setFocus(Qt::OtherFocusReason);
}

QString PortsView::emptyProcessText() const
{
    // The port as the store filters by it: blanks around it would make the lsof command
    // wrong, and blanks alone filter nothing, so the switch is what hid the rows.
    const QString filter = m_store.portQuery();
    if (!filter.isEmpty()) {
        // What holds the port is known when it is a dev port: name it.
        QStringList holders;
        for (const PortHolder &holder : m_store.otherHolders()) {
            if (QString::number(holder.port).startsWith(filter))
                holders.append(holder.description() + QLatin1Char('.'));
        }
        if (!holders.isEmpty())
            return QStringLiteral("No Node process is listening on a port starting with ") + filter
                + QStringLiteral(". ") + holders.join(QLatin1Char(' '));
        return QStringLiteral("No Node process is listening on a port starting with ") + filter
            + QStringLiteral(". If the port is still refused, the holder is not a Node process and this app "
                             "cannot see it — `lsof -i :")
            + filter + QStringLiteral("` will name it.");
    }
    if (!m_store.processes().isEmpty())
        return QStringLiteral("No suspicious processes. Turn off “Only suspicious” to see everything Node is running.");
    return QStringLiteral("No Node processes are running.");
}

void PortsView::requestKill(const QSet<qint32> &ids, bool force)
{
    if (ids.isEmpty())
        return;
    present(KillRequest::forProcesses(m_store.processes(), ids, force));
}

void PortsView::requestFreePort(const BlockedPort &port, bool force)
{
    if (port.processes.isEmpty())
        return;
    present(KillRequest::forPort(port, m_store.processes(), force));
}

void PortsView::present(const KillRequest &request)
{
    m_pending = request;
    QMessageBox *box = Dialogs::confirm(this, request.title(), KillRequest::killMessage(request),
                                        request.confirmLabel(), this, [this, request] { confirm(request); });
    box->setObjectName(QStringLiteral("killConfirmation"));
    m_confirmation.show(box, this, [this] { m_pending.reset(); });
}

void PortsView::confirm(const KillRequest &request)
{
    m_pending.reset();
    returnFocus();
    // The box closes as soon as this returns; the signals go out after that, to exactly the
    // pids the request was made with.
    QMetaObject::invokeMethod(
        this,
        [this, request] {
            // No context object: Qt 6.4 asserts when a continuation's context is gone by the
            // time the future ends. The store finishes the future on this thread; a cancelled
            // one runs nothing.
            m_store.kill(request.ids, request.force).then([self = QPointer(this)](const KillOutcome &outcome) {
                if (self)
                    self->showOutcome(outcome);
            });
        },
        Qt::QueuedConnection);
}

void PortsView::showOutcome(const KillOutcome &outcome)
{
    // One box at a time: each of these opens once the one before has closed.
    QList<std::function<QMessageBox *()>> steps;
    if (!outcome.failures.isEmpty())
        steps.append([this, failures = outcome.failures] { return showFailures(failures); });
    if (!outcome.stillRunning.isEmpty())
        steps.append([this, stillRunning = outcome.stillRunning] { return offerForceKill(stillRunning); });
    // One question per parent, however many of its servers came back.
    QSet<qint32> parents;
    for (const KillOutcome::Respawn &respawn : outcome.respawned) {
        if (parents.contains(respawn.parent.pid))
            continue;
        parents.insert(respawn.parent.pid);
        steps.append([this, respawn] { return offerStopParent(respawn); });
    }
    showInTurn(steps);
}

void PortsView::showInTurn(QList<std::function<QMessageBox *()>> steps)
{
    if (steps.isEmpty())
        return;
    QMessageBox *box = steps.takeFirst()();
    if (!steps.isEmpty())
        connect(box, &QDialog::finished, this, [this, steps] { showInTurn(steps); });
}

QMessageBox *PortsView::offerStopParent(const KillOutcome::Respawn &respawn)
{
    const QString kind = NodeProcess::rawValue(respawn.parent.kind);
    const QString title = QStringLiteral("Port %1 was taken again by pid %2 — its parent %3 (pid %4) restarts it.")
                              .arg(respawn.port)
                              .arg(respawn.pid)
                              .arg(kind)
                              .arg(respawn.parent.pid);
    const KillRequest request = KillRequest::forProcesses(m_store.processes(), {respawn.parent.pid}, false);
    QMessageBox *box =
        Dialogs::confirm(this, title, KillRequest::killMessage(request), QStringLiteral("Stop %1 too").arg(kind), this,
                         [this, request] { confirm(request); });
    box->escapeButton()->setText(QStringLiteral("Leave Running"));
    box->setObjectName(QStringLiteral("respawned"));
    m_stillRunning.show(box, this, [] {});
    return box;
}

QMessageBox *PortsView::offerForceKill(const QList<NodeProcess> &stillRunning)
{
    QStringList names;
    QSet<qint32> ids;
    for (const NodeProcess &process : stillRunning) {
        names.append(QStringLiteral("%1 (pid %2)").arg(NodeProcess::rawValue(process.kind)).arg(process.pid));
        ids.insert(process.pid);
    }
    const qsizetype n = stillRunning.size();
    const QString title = QStringLiteral("%1 process%2 did not stop after SIGTERM: %3")
                              .arg(n)
                              .arg(n == 1 ? QString() : QStringLiteral("es"), names.join(QLatin1String(", ")));
    // The user already confirmed stopping exactly these; SIGKILL needs no second question.
    QMessageBox *box = Dialogs::confirm(this, title, KillRequest::killMessage({ids, true, {}, {}}),
                                        QStringLiteral("Force Kill"), this, [this, ids] {
                                            confirm({ids, true, {}, {}});
                                        });
    box->escapeButton()->setText(QStringLiteral("Leave Running"));
    box->setObjectName(QStringLiteral("stillRunning"));
    m_stillRunning.show(box, this, [] {});
    return box;
}

QMessageBox *PortsView::showFailures(const QStringList &lines)
{
    m_errorMessage = lines.join(QLatin1Char('\n'));
    QMessageBox *box = Dialogs::alert(this, QStringLiteral("Some processes could not be stopped"), *m_errorMessage);
    box->setObjectName(QStringLiteral("killFailures"));
    m_alert.show(box, this, [this] { m_errorMessage.reset(); });
    return box;
}
