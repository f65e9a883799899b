#pragma once

#include "core/processes/BlockedPort.h"
#include "core/processes/ProcessStore.h"
#include "ui/ports/KillRequest.h"
#include "ui/support/DialogSlot.h"

#include <QMap>
#include <QSet>
#include <QWidget>

#include <functional>
#include <optional>

class BlockedPortCard;
class GlassCard;
class InlineCodeLabel;
class KitLabel;
class ProcessTableView;
class ProgressSpinner;
class QAction;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QToolButton;
class QVBoxLayout;
class StatTile;
class Switch;

// The Ports screen: which dev ports Node processes hold, every Node process in a sortable
// table, and stopping them with SIGTERM or SIGKILL. Everything it shows comes from the
// process store, and its controls write the store's filter, switch, selection and sort
// order. Each time it appears with an empty process list it asks the store to reload.
//
// Every kill goes through one confirmation (a window-modal box, opened without a nested
// event loop) naming exactly what will be stopped; only the pids copied into the request
// when it was made are signalled, once the user confirms. Failures are shown together in
// one alert. GUI thread.
class PortsView : public QWidget
{
    Q_OBJECT

public:
    explicit PortsView(ProcessStore &store, QWidget *parent = nullptr);

    // The request whose confirmation is showing; absent when none is.
    [[nodiscard]] const std::optional<KillRequest> &pending() const { return m_pending; }
    // The failure lines whose alert is showing; absent when none is.
    [[nodiscard]] const std::optional<QString> &errorMessage() const { return m_errorMessage; }

    // Asks to confirm stopping ids ("N processes"); does nothing for an empty set.
    void requestKill(const QSet<qint32> &ids, bool force);
    // Asks to confirm stopping every holder of port ("whatever is holding port N").
    void requestFreePort(const BlockedPort &port, bool force);
    // What the process section says when the table has no rows.
    [[nodiscard]] QString emptyProcessText() const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    [[nodiscard]] QWidget *header();
    [[nodiscard]] QWidget *blockedPortsSection();
    [[nodiscard]] QWidget *processSection();
    [[nodiscard]] QWidget *actionBar();

    void present(const KillRequest &request);
    void confirm(const KillRequest &request);
    QMessageBox *showFailures(const QStringList &lines);
    void showOutcome(const KillOutcome &outcome);
    void showInTurn(QList<std::function<QMessageBox *()>> steps);
    QMessageBox *offerForceKill(const QList<NodeProcess> &stillRunning);
    QMessageBox *offerStopParent(const KillOutcome::Respawn &respawn);

    void showProcesses();
    void showBlockedPorts(const QList<BlockedPort> &blocked);
    void showOtherHolders();
    void showFilter();
    void showSelection();
    // The pids the stop actions act on: those of the open context menu, else the selection.
    [[nodiscard]] QSet<qint32> targetIds() const;
    void showLoading();
    void showRows();
    [[nodiscard]] bool isFirstLoad() const;
    void orderTabs();
    void returnFocus();

    ProcessStore &m_store;
    std::optional<KillRequest> m_pending;
    std::optional<QString> m_errorMessage;
    DialogSlot m_confirmation;
    DialogSlot m_alert;
    DialogSlot m_stillRunning;

    StatTile *m_heldPorts = nullptr;
    StatTile *m_processCount = nullptr;
    QLineEdit *m_portField = nullptr;
    ProgressSpinner *m_spinner = nullptr;
    Switch *m_onlySuspicious = nullptr;
    QPushButton *m_refresh = nullptr;
    QAction *m_refreshAction = nullptr;
    QAction *m_stopAction = nullptr;
    QAction *m_forceKillAction = nullptr;

    KitLabel *m_blockedHeading = nullptr;
    QVBoxLayout *m_cardList = nullptr;
    QMap<int, BlockedPortCard *> m_cards;
    GlassCard *m_allClear = nullptr;
    GlassCard *m_loadingCard = nullptr;
    KitLabel *m_loadingText = nullptr;
    QScrollArea *m_scroll = nullptr;
    QWidget *m_processArea = nullptr;
    bool m_loaded = false;
    QVBoxLayout *m_otherHolderList = nullptr;

    QWidget *m_table = nullptr;
    ProcessTableView *m_processTable = nullptr;
    GlassCard *m_emptyCard = nullptr;
    KitLabel *m_emptyText = nullptr;

    QPushButton *m_stopSelected = nullptr;
    QPushButton *m_forceKill = nullptr;
    KitLabel *m_status = nullptr;
    QPushButton *m_selectSuspicious = nullptr;
};
