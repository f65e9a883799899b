#include "ui/modules/ModulesView.h"

#include "core/ByteFormat.h"
#include "core/modules/ScanStore.h"
#include "ui/kit/ContentUnavailableView.h"
#include "ui/kit/Dialogs.h"
#include "ui/kit/Divider.h"
#include "ui/kit/GlassLook.h"
#include "ui/kit/Icons.h"
#include "ui/kit/KitLabel.h"
#include "ui/kit/ProgressSpinner.h"
#include "ui/kit/Spacing.h"
#include "ui/kit/StatTile.h"
#include "ui/kit/Switch.h"
#include "ui/kit/SymbolLabel.h"
#include "ui/kit/Theme.h"
#include "ui/modules/FolderReveal.h"
#include "ui/modules/ModuleGroupList.h"
#include "ui/modules/ModuleTableView.h"
#include "ui/support/CoalescedUpdate.h"
#include "ui/support/ScreenActions.h"

#include <QAction>
#include <QFileDialog>
#include <QFuture>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QStackedWidget>
#include <QVBoxLayout>

using NodeModulesScanner::DeletionMode;
using NodeModulesScanner::DeletionResult;

namespace {

const QString s_emptyDescription = QStringLiteral(
    "Secondary tool: choose a folder and press Scan to find node_modules you can reclaim space from. Deleting "
    "moves them to the Trash.");

QPushButton *button(const QString &text, const QString &name, const QString &symbol = {})
{
    auto *made = new QPushButton(text);
    made->setObjectName(name);
    if (!symbol.isEmpty())
        made->setIcon(Icons::themed(symbol));
    return made;
}

// The folder picker of the desktop, keeping nothing: Qt's file dialog saves its history to
// QtProject.conf in the user's settings whenever it closes, with no option to turn that off,
// and this application stores nothing between runs. So Qt's user settings point, once,
// at a place where no file can be read or written.
QString pickFolder(QWidget *owner, const QString &start)
{
    static const bool s_settingsNowhere = [] {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("/dev/null"));
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("/dev/null"));
        return true;
    }();
    Q_UNUSED(s_settingsNowhere);
    return QFileDialog::getExistingDirectory(owner, QString(), start, QFileDialog::ShowDirsOnly);
}

// The ids of every record not already being deleted.
QSet<QByteArray> allIds(const ScanStore &store)
{
    QSet<QByteArray> ids;
    ids.reserve(store.modules().size());
    for (const NodeModule &module : store.modules()) {
        if (!store.deletingIds().contains(module.id))
            ids.insert(module.id);
    }
    return ids;
}

} // namespace

ModulesView::ModulesView(ScanStore &store, QWidget *parent)
    : QWidget(parent)
    , m_store(store)
    , m_reveal([this](const QList<QByteArray> &paths) {
        FolderReveal::showItems(paths, this, [this](const QList<QByteArray> &folders) { showUnopened(folders); });
    })
    , m_pickFolder(&pickFolder)
    , m_summaryUpdate(new CoalescedUpdate([this] { showSummary(); }, this))
{
    KitLabel *title = KitLabel::screenTitle(QStringLiteral("Disk cleanup"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(title);
    layout->addWidget(scanControls());
    layout->addWidget(new Divider);
    layout->addWidget(summaryStrip());
    layout->addWidget(content(), 1);
    layout->addWidget(new Divider);
    layout->addWidget(actionBar());

    connect(&m_store, &ScanStore::rootPathChanged, this, &ModulesView::showRootPath);
    connect(&m_store, &ScanStore::isScanningChanged, this, [this] {
        m_scanned = m_scanned || m_store.isScanning();
        showScanning();
    });
    connect(&m_store, &ScanStore::statusTextChanged, this, &ModulesView::showStatus);
    connect(&m_store, &ScanStore::progressTextChanged, this, &ModulesView::showStatus);
    connect(&m_store, &ScanStore::groupByFolderChanged, this, &ModulesView::showContent);
    connect(&m_store, &ScanStore::groupByFolderChanged, this,
            [this] { m_groupSwitch->setChecked(m_store.groupByFolder()); });
    connect(&m_store, &ScanStore::selectionChanged, this, &ModulesView::showSelection);
    connect(&m_store, &ScanStore::modulesChanged, this, &ModulesView::modulesChanged);
    connect(&m_store, &ScanStore::deletingIdsChanged, this, &ModulesView::showContent);

    m_groupSwitch->setChecked(m_store.groupByFolder());
    showRootPath();
    showScanning();
    showSelection();
    showSummary();
}

ModulesView::~ModulesView() = default;

QWidget *ModulesView::scanControls()
{
    auto *bar = new QWidget;
    bar->setObjectName(QStringLiteral("scanControls"));
    QHBoxLayout *layout = Spacing::row(bar, Space::group, Space::inset, Space::inset);

    m_pathField = new QLineEdit;
    m_pathField->setObjectName(QStringLiteral("pathField"));
    m_pathField->setPlaceholderText(QStringLiteral("Folder to scan"));
    m_pathField->setClearButtonEnabled(false);
    m_pathField->setAccessibleName(QStringLiteral("Folder to scan"));
    m_pathField->setAccessibleDescription(QStringLiteral("The folder searched for node_modules; Return scans it."));
    connect(m_pathField, &QLineEdit::textEdited, this, [this](const QString &text) { m_store.setRootPath(text); });
    connect(m_pathField, &QLineEdit::returnPressed, this, [this] { m_store.startScan(); });

    m_browse = button(QStringLiteral("Browse…"), QStringLiteral("browseButton"));
    m_browse->setAccessibleDescription(QStringLiteral("Chooses the folder to scan."));
    glassButton(m_browse);
    connect(m_browse, &QPushButton::clicked, this, &ModulesView::browse);

    m_scan = button(QStringLiteral("Scan"), QStringLiteral("scanButton"));
    m_scan->setAccessibleDescription(QStringLiteral("Searches the folder for node_modules and measures them."));
    glassProminentButton(m_scan);
    // Offered only while no scan runs, like the button that shows it.
    m_scanAction = ScreenActions::make(this, QStringLiteral("scanAction"), QStringLiteral("Scan"), QIcon(),
                                       {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::Key_F5)}, {this});
    m_scanAction->setShortcutContext(Qt::WindowShortcut);
    connect(m_scanAction, &QAction::triggered, this, [this] { m_store.startScan(); });
    ScreenActions::bind(m_scan, m_scanAction);

    m_cancel = button(QStringLiteral("Cancel"), QStringLiteral("cancelScanButton"));
    m_cancel->setAccessibleDescription(QStringLiteral("Stops the running scan."));
    glassProminentButton(m_cancel, Theme::danger());
    connect(m_cancel, &QPushButton::clicked, this, [this] { m_store.cancel(); });

    layout->addWidget(new SymbolLabel(QStringLiteral("folder"), Tint::Style::secondary), 0, Qt::AlignVCenter);
    layout->addWidget(m_pathField, 1);
    layout->addWidget(m_browse);
    layout->addWidget(m_scan);
    layout->addWidget(m_cancel);
    return bar;
}

QWidget *ModulesView::summaryStrip()
{
    auto *strip = new QWidget;
    strip->setObjectName(QStringLiteral("summaryStrip"));
    QHBoxLayout *layout = Spacing::row(strip, Space::group, Space::inset, Space::group);

    m_folders = new StatTile(QStringLiteral("Folders"), QStringLiteral("0"), Theme::nodeGreen());
    m_folders->setObjectName(QStringLiteral("foldersTile"));
    m_reclaimable = new StatTile(QStringLiteral("Reclaimable"), ByteFormat::string(0), Theme::nodeGreen());
    m_reclaimable->setObjectName(QStringLiteral("reclaimableTile"));
    m_third = new StatTile(QStringLiteral("Groups"), QStringLiteral("0"), Tint::Style::secondary);
    m_third->setObjectName(QStringLiteral("thirdTile"));

    auto *readings = new QVBoxLayout;
    readings->setSpacing(Spacing::of(Space::tight));
    m_scanningRow = new QWidget;
    m_scanningRow->setObjectName(QStringLiteral("scanningRow"));
    auto *scanningLayout = new QHBoxLayout(m_scanningRow);
    scanningLayout->setContentsMargins(0, 0, 0, 0);
    scanningLayout->setSpacing(Spacing::of(Space::standard));
    m_spinner = new ProgressSpinner;
    m_spinner->setObjectName(QStringLiteral("scanSpinner"));
    m_progress = new KitLabel({}, TextStyle::callout);
    m_progress->setObjectName(QStringLiteral("progressText"));
    m_progress->setTint(Tint::Style::secondary);
    m_progress->setMonospacedDigits(true);
    scanningLayout->addStretch(1);
    scanningLayout->addWidget(m_spinner, 0, Qt::AlignVCenter);
    scanningLayout->addWidget(m_progress, 0, Qt::AlignVCenter);
    m_status = new KitLabel({}, TextStyle::callout);
    m_status->setObjectName(QStringLiteral("statusText"));
    m_status->setTint(Tint::Style::secondary);
    m_status->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_status->setElideMode(Qt::ElideRight);
    m_groupSwitch = new Switch(QStringLiteral("Group by folder"));
    m_groupSwitch->setObjectName(QStringLiteral("groupByFolderSwitch"));
    m_groupSwitch->setAccessibleDescription(
        QStringLiteral("Groups the folders by the first folder below the scanned one."));
    connect(m_groupSwitch, &Switch::toggled, this, [this](bool on) { m_store.setGroupByFolder(on); });
    readings->addWidget(m_scanningRow, 0, Qt::AlignRight);
    readings->addWidget(m_status);
    readings->addWidget(m_groupSwitch, 0, Qt::AlignRight);

    layout->addWidget(m_folders, 0, Qt::AlignVCenter);
    layout->addWidget(m_reclaimable, 0, Qt::AlignVCenter);
    layout->addWidget(m_third, 0, Qt::AlignVCenter);
    layout->addStretch(1);
    layout->addLayout(readings, 1);
    return strip;
}

QWidget *ModulesView::content()
{
    m_content = new QStackedWidget;
    m_content->setObjectName(QStringLiteral("moduleContent"));
    m_empty = new ContentUnavailableView(QStringLiteral("No node_modules yet"), QStringLiteral("shippingbox"),
                                         s_emptyDescription);
    m_empty->setObjectName(QStringLiteral("emptyState"));
    m_table = new ModuleTableView(m_store);
    m_groups = new ModuleGroupList(m_store);
    for (QAbstractItemView *view :
         {static_cast<QAbstractItemView *>(m_table), static_cast<QAbstractItemView *>(m_groups)}) {
        view->setAccessibleName(QStringLiteral("node_modules folders"));
        view->setAccessibleDescription(QStringLiteral("The folders found; select the ones to open or delete."));
    }
    m_content->addWidget(m_empty);
    m_content->addWidget(m_table);
    m_content->addWidget(m_groups);

    connect(m_table, &ModuleTableView::contextMenuRequested, this, &ModulesView::openContextMenu);
    connect(m_groups, &ModuleGroupList::contextMenuRequested, this, &ModulesView::openContextMenu);
    connect(m_table, &QAbstractItemView::doubleClicked, this, &ModulesView::revealSelected);
    // The desktop's keys on the lists: Delete moves the selection to the Trash, Shift+Delete
    // deletes it, both after the confirmation; Return in the table opens, as a double-click does.
    m_revealAction = ScreenActions::make(this, QStringLiteral("revealAction"), QStringLiteral("Open Containing Folder"),
                                         Icons::themed(QStringLiteral("magnifyingglass")),
                                         {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}, {m_table});
    m_trashAction = ScreenActions::make(this, QStringLiteral("moveToTrashAction"), QStringLiteral("Move to Trash"),
                                        Icons::themed(QStringLiteral("trash")), {QKeySequence(QKeySequence::Delete)},
                                        {m_table, m_groups});
    m_deleteAction =
        ScreenActions::make(this, QStringLiteral("deletePermanentlyAction"), QStringLiteral("Delete Permanently"),
                            Icons::icon(QStringLiteral("xmark.bin.fill"), Theme::danger()),
                            {QKeySequence(Qt::SHIFT | Qt::Key_Delete)}, {m_table, m_groups});
    connect(m_revealAction, &QAction::triggered, this, &ModulesView::revealSelected);
    connect(m_trashAction, &QAction::triggered, this,
            [this] { requestDeletion(m_store.selection(), DeletionMode::trash); });
    connect(m_deleteAction, &QAction::triggered, this,
            [this] { requestDeletion(m_store.selection(), DeletionMode::permanent); });
    return m_content;
}

QWidget *ModulesView::actionBar()
{
    auto *bar = new QWidget;
    bar->setObjectName(QStringLiteral("modulesActionBar"));
    QHBoxLayout *layout = Spacing::row(bar, Space::group, Space::inset, Space::inset);

    m_revealButton = button(QStringLiteral("Open Containing Folder"), QStringLiteral("revealButton"),
                            QStringLiteral("magnifyingglass"));
    m_revealButton->setAccessibleDescription(QStringLiteral("Shows the selected folders in the file manager."));
    glassButton(m_revealButton);
    ScreenActions::bind(m_revealButton, m_revealAction);

    m_trashButton =
        button(QStringLiteral("Move to Trash"), QStringLiteral("moveToTrashButton"), QStringLiteral("trash"));
    m_trashButton->setAccessibleDescription(QStringLiteral("Asks to move the selected folders to the Trash."));
    glassButton(m_trashButton);
    ScreenActions::bind(m_trashButton, m_trashAction);

    m_deleteButton = button(QStringLiteral("Delete Permanently"), QStringLiteral("deletePermanentlyButton"),
                            QStringLiteral("xmark.bin.fill"));
    m_deleteButton->setToolTip(QStringLiteral("Removes the folders from disk without going through the Trash."));
    m_deleteButton->setAccessibleDescription(m_deleteButton->toolTip());
    glassButton(m_deleteButton, Theme::danger());
    ScreenActions::bind(m_deleteButton, m_deleteAction);

    m_allToTrash =
        button(QStringLiteral("All to Trash"), QStringLiteral("allToTrashButton"), QStringLiteral("trash.circle"));
    m_allToTrash->setAccessibleDescription(QStringLiteral("Asks to move every folder found to the Trash."));
    glassButton(m_allToTrash);
    connect(m_allToTrash, &QPushButton::clicked, this,
            [this] { requestDeletion(allIds(m_store), DeletionMode::trash); });

    m_selectAll = button(QStringLiteral("Select All"), QStringLiteral("selectAllButton"));
    m_selectAll->setAccessibleDescription(QStringLiteral("Selects every folder found."));
    glassButton(m_selectAll);
    connect(m_selectAll, &QPushButton::clicked, this, [this] { m_store.setSelection(allIds(m_store)); });

    layout->addWidget(m_revealButton);
    layout->addWidget(m_trashButton);
    layout->addWidget(m_deleteButton);
    layout->addWidget(m_allToTrash);
    layout->addStretch(1);
    layout->addWidget(m_selectAll);
    return bar;
}

void ModulesView::setRevealFunction(RevealFunction reveal)
{
    m_reveal = std::move(reveal);
}

void ModulesView::setFolderPicker(FolderPicker picker)
{
    m_pickFolder = std::move(picker);
}

void ModulesView::showRootPath()
{
    if (m_pathField->text() != m_store.rootPath())
        m_pathField->setText(m_store.rootPath());
}

void ModulesView::showScanning()
{
    const bool scanning = m_store.isScanning();
    m_scanAction->setEnabled(!scanning);
    m_scan->setVisible(!scanning);
    m_cancel->setVisible(scanning);
    m_scanningRow->setVisible(scanning);
    m_status->setVisible(!scanning);
    showStatus();
    showContent();
    // The last records of a scan are counted at once, not a moment later.
    if (!scanning)
        m_summaryUpdate->flush();
}

void ModulesView::showStatus()
{
    const QString progress = m_store.progressText();
    m_progress->setText(progress.isEmpty() ? QStringLiteral("Scanning…") : progress);
    m_status->setText(m_store.statusText());
    // Once a scan has run, the empty state says how it ended, not how to start.
    m_empty->setDescription(m_scanned ? m_store.statusText() : s_emptyDescription);
}

void ModulesView::showSelection()
{
    const bool any = !m_store.selection().isEmpty();
    for (QAction *action : {m_revealAction, m_trashAction, m_deleteAction})
        action->setEnabled(any);
}

void ModulesView::showContent()
{
    const bool none = m_store.modules().isEmpty();
    QWidget *shown = none && !m_store.isScanning() ? static_cast<QWidget *>(m_empty)
        : m_store.groupByFolder()                  ? static_cast<QWidget *>(m_groups)
                                                   : static_cast<QWidget *>(m_table);
    const bool contentHadFocus = m_content->currentWidget()->hasFocus();
    m_content->setCurrentWidget(shown);
    // The keyboard stays on the screen, and on nothing that acts, when the list goes away.
    if (contentHadFocus && shown == m_empty)
        m_pathField->setFocus(Qt::OtherFocusReason);
    // Records being deleted cannot be chosen again; the count is enough to tell.
    const bool choosable = m_store.modules().size() > m_store.deletingIds().size();
    m_allToTrash->setEnabled(choosable);
    m_selectAll->setEnabled(choosable);
}

void ModulesView::modulesChanged()
{
    showContent();
    m_summaryUpdate->request(m_store.isScanning() ? s_scanningInterval : std::chrono::milliseconds(0));
}

void ModulesView::showSummary()
{
    const QList<NodeModule> &modules = m_store.modules();
    m_folders->setValue(QString::number(modules.size()));
    m_reclaimable->setValue(ByteFormat::string(m_store.totalBytes()));
    if (const int links = m_store.symlinkCount(); links >= 1) {
        m_third->setTitle(QStringLiteral("Symlinks"));
        m_third->setValue(QString::number(links));
        m_third->setTint(Theme::warning());
        return;
    }
    // As many groups as keys; the groups themselves need not be built for that.
    QSet<QString> keys;
    for (const NodeModule &module : modules)
        keys.insert(module.groupKey);
    m_third->setTitle(QStringLiteral("Groups"));
    m_third->setValue(QString::number(keys.size()));
    m_third->setTint(Tint::Style::secondary);
}

QString ModulesView::confirmTitle(const std::optional<PendingDeletion> &deletion) const
{
    return deletion ? deletion->title() : QString();
}

QString ModulesView::confirmMessage(const std::optional<PendingDeletion> &deletion) const
{
    return deletion ? deletion->message(m_store.symlinkCount(deletion->ids)) : QString();
}

QString ModulesView::confirmButtonLabel(const std::optional<PendingDeletion> &deletion) const
{
    return deletion ? deletion->buttonLabel(m_store.reclaimableBytes(deletion->ids)) : QString();
}

void ModulesView::requestDeletion(const QSet<QByteArray> &ids, DeletionMode mode)
{
    const PendingDeletion deletion{ids, mode};
    m_pending = deletion;
    QMessageBox *box =
        Dialogs::confirm(this, confirmTitle(m_pending), confirmMessage(m_pending), confirmButtonLabel(m_pending), this,
                         [this, deletion] { performDelete(deletion); });
    box->setObjectName(QStringLiteral("deletionConfirmation"));
    m_confirmation.show(box, this, [this] { m_pending.reset(); });
}

void ModulesView::returnFocus()
{
    // Back to the list after an action, never to the button that asked: a Space on
    // "All to Trash" would ask again for every folder.
    if (m_content->currentWidget() == m_empty)
        m_pathField->setFocus(Qt::OtherFocusReason);
    else
        m_content->currentWidget()->setFocus(Qt::OtherFocusReason);
}

void ModulesView::showUnopened(const QList<QByteArray> &folders)
{
    QStringList lines;
    for (const QByteArray &folder : folders)
        lines << QString::fromLocal8Bit(folder);
    lines << QString() << QStringLiteral("No file manager answered, and no program is set to open folders.");
    QMessageBox *box = Dialogs::alert(this,
                                      folders.size() == 1 ? QStringLiteral("The folder could not be opened")
                                                          : QStringLiteral("The folders could not be opened"),
                                      lines.join(QLatin1Char('\n')));
    box->setObjectName(QStringLiteral("revealProblems"));
}

void ModulesView::performDelete(const PendingDeletion &deletion)
{
    m_pending.reset();
    returnFocus();
    // The box closes as soon as this returns; the deletion starts after that, on exactly the
    // ids the request was made with.
    QMetaObject::invokeMethod(
        this,
        [this, deletion] {
            // No context object: Qt 6.4 asserts when a continuation's context is gone
            // by the time the future ends, and the window goes before the store does.
            // The store finishes the future on this thread; a cancelled one runs nothing.
            const auto show = [self = QPointer(this)](const DeletionResult &result) {
                if (self)
                    self->showProblems(result);
            };
            m_store.deleteModules(deletion.ids, deletion.mode).then(show);
        },
        Qt::QueuedConnection);
}

void ModulesView::showProblems(const DeletionResult &result)
{
    QStringList lines = result.errors;
    if (!result.refusals.isEmpty())
        lines << QStringLiteral("Refused for safety:") << result.refusals;
    if (lines.isEmpty())
        return;
    m_errorMessage = lines.join(QLatin1Char('\n'));
    QMessageBox *box = Dialogs::alert(this, QStringLiteral("Some deletions did not happen"), *m_errorMessage);
    box->setObjectName(QStringLiteral("deletionProblems"));
    m_alert.show(box, this, [this] { m_errorMessage.reset(); });
}

void ModulesView::revealSelected()
{
    const QSet<QByteArray> selection = m_store.selection();
    QList<QByteArray> paths;
    for (const NodeModule &module : m_store.modules()) {
        if (selection.contains(module.id))
            paths.append(module.modulePath);
    }
    if (!paths.isEmpty() && m_reveal)
        m_reveal(paths);
}

void ModulesView::browse()
{
    if (!m_pickFolder)
        return;
    const QString chosen = m_pickFolder(this, m_store.rootPath());
    if (!chosen.isEmpty())
        m_store.setRootPath(chosen);
}

void ModulesView::openContextMenu(const QPoint &globalPosition)
{
    auto *menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("moduleContextMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addActions({m_revealAction, m_trashAction, m_deleteAction});
    menu->popup(globalPosition);
}
