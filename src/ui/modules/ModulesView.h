#pragma once

#include "core/modules/NodeModulesScanner.h"
#include "ui/modules/PendingDeletion.h"
#include "ui/support/DialogSlot.h"

#include <QWidget>

#include <functional>
#include <optional>

class CoalescedUpdate;
class ContentUnavailableView;
class KitLabel;
class QAction;
class ModuleGroupList;
class ModuleTableView;
class ProgressSpinner;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class ScanStore;
class StatTile;
class Switch;

// The Disk cleanup screen: scanning a folder for node_modules, how much space they take (one
// sortable table, or grouped by the first folder below the scanned one), and moving them to
// the Trash or deleting them permanently. Everything it shows lives in the scan store, and
// its controls write the store's folder, grouping, selection and sort order; the screen
// holds only the deletion waiting for confirmation and the problems of the last deletion.
//
// Every deletion goes through one confirmation (a window-modal box opened without a nested
// event loop) that says what will happen to the folders and to links; only the ids copied
// when it was asked for are deleted, once the user confirms. Errors and refusals are shown
// together in one alert. GUI thread.
class ModulesView : public QWidget
{
    Q_OBJECT

public:
    // Shows module paths selected in the file manager.
    using RevealFunction = std::function<void(const QList<QByteArray> &modulePaths)>;
    // Asks for a folder, starting in start; empty when the user cancels.
    using FolderPicker = std::function<QString(QWidget *parent, const QString &start)>;

    // The totals, groups and tiles follow the records at most this often while a scan runs.
    static constexpr std::chrono::milliseconds s_scanningInterval{100};

    explicit ModulesView(ScanStore &store, QWidget *parent = nullptr);
    ~ModulesView() override;

    // The file manager over D-Bus, and QFileDialog, unless replaced.
    void setRevealFunction(RevealFunction reveal);
    void setFolderPicker(FolderPicker picker);

    // The deletion whose confirmation is showing; absent when none is.
    [[nodiscard]] const std::optional<PendingDeletion> &pending() const { return m_pending; }
    // The problem lines whose alert is showing; absent when none is.
    [[nodiscard]] const std::optional<QString> &errorMessage() const { return m_errorMessage; }

    // The confirmation's texts for a deletion, from the store's records now; empty texts
    // for none.
    [[nodiscard]] QString confirmTitle(const std::optional<PendingDeletion> &deletion) const;
    [[nodiscard]] QString confirmMessage(const std::optional<PendingDeletion> &deletion) const;
    [[nodiscard]] QString confirmButtonLabel(const std::optional<PendingDeletion> &deletion) const;

    // Asks to confirm deleting ids in mode (the action bar, the context menu).
    void requestDeletion(const QSet<QByteArray> &ids, NodeModulesScanner::DeletionMode mode);
    // Shows the selected records' folders in the file manager; nothing when none is selected.
    void revealSelected();
    // Lets the user pick the folder to scan; only fills the path field.
    void browse();

private:
    [[nodiscard]] QWidget *scanControls();
    [[nodiscard]] QWidget *summaryStrip();
    [[nodiscard]] QWidget *content();
    [[nodiscard]] QWidget *actionBar();

    void performDelete(const PendingDeletion &deletion);
    void showProblems(const NodeModulesScanner::DeletionResult &result);
    void openContextMenu(const QPoint &globalPosition);
    void returnFocus();
    void showUnopened(const QList<QByteArray> &folders);

    void showRootPath();
    void showScanning();
    void showStatus();
    void showSelection();
    void showContent();
    void showSummary();
    void modulesChanged();

    ScanStore &m_store;
    RevealFunction m_reveal;
    FolderPicker m_pickFolder;
    std::optional<PendingDeletion> m_pending;
    std::optional<QString> m_errorMessage;
    bool m_scanned = false;
    DialogSlot m_confirmation;
    DialogSlot m_alert;
    CoalescedUpdate *m_summaryUpdate = nullptr;

    QLineEdit *m_pathField = nullptr;
    QPushButton *m_browse = nullptr;
    QPushButton *m_scan = nullptr;
    QPushButton *m_cancel = nullptr;

    StatTile *m_folders = nullptr;
    StatTile *m_reclaimable = nullptr;
    StatTile *m_third = nullptr;
    QWidget *m_scanningRow = nullptr;
    ProgressSpinner *m_spinner = nullptr;
    KitLabel *m_progress = nullptr;
    KitLabel *m_status = nullptr;
    Switch *m_groupSwitch = nullptr;

    QStackedWidget *m_content = nullptr;
    ContentUnavailableView *m_empty = nullptr;
    ModuleTableView *m_table = nullptr;
    ModuleGroupList *m_groups = nullptr;

    QPushButton *m_revealButton = nullptr;
    QPushButton *m_trashButton = nullptr;
    QPushButton *m_deleteButton = nullptr;
    QPushButton *m_allToTrash = nullptr;
    QPushButton *m_selectAll = nullptr;

    QAction *m_scanAction = nullptr;
    QAction *m_revealAction = nullptr;
    QAction *m_trashAction = nullptr;
    QAction *m_deleteAction = nullptr;
};
