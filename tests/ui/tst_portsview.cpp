#include "core/processes/ProcessScanner.h"
#include "support/MessageBoxButtons.h"
#include "support/NodeServer.h"
#include "support/ProcessFeed.h"
#include "ui/BlockedBadge.h"
#include "ui/MainWindow.h"
#include "ui/QuaylightApp.h"
#include "ui/RootView.h"
#include "ui/kit/Dialogs.h"
#include "ui/kit/InlineCodeLabel.h"
#include "ui/kit/KitLabel.h"
#include "ui/kit/ProgressSpinner.h"
#include "ui/kit/StatTile.h"
#include "ui/kit/Switch.h"
#include "ui/kit/Theme.h"
#include "ui/ports/BlockedPortCard.h"
#include "ui/ports/KillRequest.h"
#include "ui/ports/PortsView.h"
#include "ui/ports/ProcessTableModel.h"
#include "ui/ports/ProcessTableView.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <array>

#include <signal.h>
#include <unistd.h>

using Kind = NodeProcess::Kind;
using Key = ProcessComparator::Key;
using Pids = QList<qint32>;
using PidSet = QSet<qint32>;

namespace {

Pids pids(const QList<NodeProcess> &processes)
{
    Pids result;
    for (const NodeProcess &process : processes)
        result.append(process.pid);
    return result;
}

QList<QMessageBox *> boxes(const QWidget *window)
{
    return Dialogs::openMessageBoxes(window);
}

// A store fed with records and the screen over it, shown and loaded.
struct Screen
{
    explicit Screen(QList<NodeProcess> records)
    {
        feed.set(std::move(records));
        view.resize(1000, 800);
        view.show();
        loaded = QTest::qWaitForWindowExposed(&view) && QTest::qWaitFor([this] { return !store.isLoading(); });
    }

    template <typename T>
    [[nodiscard]] T *find(const QString &name) const
    {
        return view.findChild<T *>(name);
    }
    [[nodiscard]] ProcessTableView *table() const { return find<ProcessTableView>(QStringLiteral("processTable")); }
    [[nodiscard]] QString emptyText() const { return find<KitLabel>(QStringLiteral("emptyProcessText"))->text(); }
    [[nodiscard]] bool shows(const QString &name) const
    {
        const QWidget *widget = find<QWidget>(name);
        return widget && widget->isVisibleTo(&view);
    }
    // The blocked-port cards from top to bottom.
    [[nodiscard]] QList<BlockedPortCard *> cards() const
    {
        QList<BlockedPortCard *> shown = view.findChildren<BlockedPortCard *>();
        shown.removeIf([this](const QWidget *card) { return !card->isVisibleTo(&view); });
        std::sort(shown.begin(), shown.end(), [this](const QWidget *a, const QWidget *b) {
            return a->mapTo(&view, QPoint()).y() < b->mapTo(&view, QPoint()).y();
        });
        return shown;
    }
    void click(const QString &buttonName) const
    {
        auto *button = find<QAbstractButton>(buttonName);
        QVERIFY2(button, qPrintable(buttonName));
        QTest::mouseClick(button, Qt::LeftButton);
    }
    [[nodiscard]] QMessageBox *dialog() const { return boxes(&view).value(0); }
    // Cancels the one open box; true once it has gone and nothing is pending.
    [[nodiscard]] bool cancel() const
    {
        QAbstractButton *button = boxes(&view).size() == 1 ? buttonLabelled(dialog(), QStringLiteral("Cancel")) : nullptr;
        if (button)
            button->click();
        return button && !view.pending() && QTest::qWaitFor([this] { return boxes(&view).isEmpty(); });
    }

    Feed feed;
    ProcessStore store{feed.function()};
    PortsView view{store};
    bool loaded = false;
};

// Opens the table's context menu over row (below the rows when -1), as a right click does.
QMenu *openContextMenu(ProcessTableView *table, int row)
{
    QPoint where(table->viewport()->width() / 2, table->viewport()->height() - 2);
    if (row >= 0)
        where = table->visualRect(table->model()->index(row, ProcessTableModel::CommandColumn)).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, where, table->viewport()->mapToGlobal(where));
    QApplication::sendEvent(table->viewport(), &event);
    for (QMenu *menu : table->findChildren<QMenu *>()) {
        if (menu->isVisible())
            return menu;
    }
    return nullptr;
}

void clickHeader(ProcessTableView *table, int column)
{
    QHeaderView *header = table->horizontalHeader();
    const QPoint where(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, where);
}

void clickRow(ProcessTableView *table, int row, Qt::KeyboardModifiers modifiers = {})
{
    const QRect cell = table->visualRect(table->model()->index(row, ProcessTableModel::CommandColumn));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, modifiers, cell.center());
}

PidSet selectedPids(const ProcessTableView *table)
{
    PidSet selected;
    for (const QModelIndex &index : table->selectionModel()->selectedRows())
        selected.insert(index.data(ProcessTableModel::PidRole).toInt());
    return selected;
}

} // namespace

class TestPortsView : public QObject
{
    Q_OBJECT

private slots:
    void headerAndSections_data()
    {
        QTest::addColumn<QList<NodeProcess>>("records");
        QTest::addColumn<QList<int>>("blocked");
        QTest::newRow("none") << QList<NodeProcess>{} << QList<int>{};
        QTest::newRow("some, none on a dev port")
            << QList<NodeProcess>{record(101, Kind::node, {9999}), record(102, Kind::packageManager)} << QList<int>{};
        QTest::newRow("blocked") << QList<NodeProcess>{record(201, Kind::vite, {5173}), record(203, Kind::node, {3000}),
                                                       record(202, Kind::next, {3000, 9999}), record(204, Kind::node)}
                                 << QList<int>{3000, 5173};
    }

    void headerAndSections()
    {
        QFETCH(QList<NodeProcess>, records);
        QFETCH(QList<int>, blocked);
        Screen screen(records);
        QVERIFY(screen.loaded);
        auto *heldTile = screen.find<StatTile>(QStringLiteral("heldPortsTile"));
        auto *processTile = screen.find<StatTile>(QStringLiteral("processCountTile"));
        QCOMPARE(heldTile->title(), QStringLiteral("Node-held ports"));
        QCOMPARE(heldTile->value(), QString::number(blocked.size()));
        QCOMPARE(heldTile->tint(), blocked.isEmpty() ? Tint(Tint::Style::secondary) : Tint(Theme::warning()));
        QCOMPARE(processTile->title(), QStringLiteral("Node processes"));
        QCOMPARE(processTile->value(), QString::number(records.size()));
        QCOMPARE(processTile->tint(), Tint(Theme::nodeGreen()));

        QCOMPARE(screen.find<KitLabel>(QStringLiteral("blockedPortsHeading"))->text(),
                 blocked.isEmpty() ? QStringLiteral("Dev ports") : QStringLiteral("Dev ports held by Node"));
        QList<int> shownPorts;
        for (const BlockedPortCard *card : screen.cards())
            shownPorts << card->blockedPort().port;
        QCOMPARE(shownPorts, blocked);
        QCOMPARE(screen.shows(QStringLiteral("allClearCard")), blocked.isEmpty());
        if (blocked.isEmpty()) {
            QCOMPARE(screen.find<InlineCodeLabel>(QStringLiteral("allClearText"))->source(),
                     QStringLiteral("Nothing from the Node ecosystem is on 3000, 5173, 4200, 8080 or the other known "
                                    "dev ports. This app only sees Node processes — if a port is still refused, the "
                                    "holder is something else (Docker, Rails, Postgres, a stale JVM); check it with "
                                    "`lsof -i :PORT`."));
        }

        QCOMPARE(screen.table()->model()->rowCount(), int(records.size()));
        QCOMPARE(screen.shows(QStringLiteral("processTableSurface")), !records.isEmpty());
        QCOMPARE(screen.shows(QStringLiteral("emptyProcessCard")), records.isEmpty());
        if (records.isEmpty())
            QCOMPARE(screen.emptyText(), QStringLiteral("No Node processes are running."));
        QCOMPARE(screen.find<KitLabel>(QStringLiteral("portsStatusText"))->text(), screen.store.statusText());
    }

    void blockedPortCardsFreeEveryHolder()
    {
        Screen screen({record(302, Kind::node, {3000}, 1000, 60, QStringLiteral("/srv/b")),
                       record(301, Kind::next, {3000}, 1000, 3720, std::nullopt, QStringLiteral("next dev")),
                       record(303, Kind::node, {8080}, 1000, 5, QStringLiteral("/srv/c"))});
        QVERIFY(screen.loaded);
        const QList<BlockedPortCard *> cards = screen.cards();
        QCOMPARE(cards.size(), 2);
        const auto text = [](const QWidget *card, const char *name) {
            return card->findChild<KitLabel *>(QLatin1String(name))->text();
        };
        // Held by two: the lowest pid speaks for the port; no directory, so its command.
        BlockedPortCard *both = cards.at(0);
        QCOMPARE(text(both, "blockedPortNumber"), QStringLiteral("3000"));
        QCOMPARE(text(both, "blockedPortSummary"), QStringLiteral("Next.js · 1h 2m (+1 more)"));
        QCOMPARE(text(both, "blockedPortPid"), QStringLiteral("· pid 301"));
        QCOMPARE(text(both, "blockedPortLocation"), QStringLiteral("next dev"));
        QCOMPARE(text(both, "blockedPortReason"), QStringLiteral("Next.js dev server"));
        auto *free = both->findChild<QPushButton *>(QStringLiteral("freePortButton"));
        auto *forceFree = both->findChild<QToolButton *>(QStringLiteral("forceFreePortButton"));
        QCOMPARE(free->text(), QStringLiteral("Free port 3000"));
        QCOMPARE(forceFree->toolTip(), QStringLiteral("Force kill (SIGKILL) whatever is holding port 3000"));
        QCOMPARE(text(cards.at(1), "blockedPortLocation"), QStringLiteral("/srv/c"));
        QCOMPARE(text(cards.at(1), "blockedPortReason"), QStringLiteral("listening on port 8080"));

        // Freeing the port stops every holder, listed by ascending pid.
        QTest::mouseClick(free, Qt::LeftButton);
        QMessageBox *box = screen.dialog();
        QVERIFY(box);
        QCOMPARE(box->text(), QStringLiteral("Stop whatever is holding port 3000?"));
        QCOMPARE(box->informativeText(),
                 QStringLiteral("• Next.js · pid 301 · up 1h 2m · port 3000\n   flagged: Next.js dev server\n"
                                "• Node · pid 302 · up 1m 0s · port 3000\n   /srv/b\n   flagged: listening on port 3000\n"
                                "Unsaved work in these dev servers will be lost."));
        QCOMPARE(buttonTextsInOrder(box), (QStringList{QStringLiteral("Stop (SIGTERM)"), QStringLiteral("Cancel")}));
        QCOMPARE(screen.view.pending()->ids, (PidSet{301, 302}));
        QVERIFY(screen.cancel());
        QTest::mouseClick(forceFree, Qt::LeftButton);
        QVERIFY(screen.dialog() && buttonLabelled(screen.dialog(), QStringLiteral("Force Kill (SIGKILL)")));
        QVERIFY(screen.view.pending()->force);
        QVERIFY(screen.cancel());

        // A reload that frees 3000 takes its card away and keeps the other one.
        QVERIFY(publish(screen.store, screen.feed, {record(303, Kind::node, {8080})}));
        QCOMPARE(screen.cards(), QList<BlockedPortCard *>{cards.at(1)});
    }

    void lookupFieldAndEmptyTexts()
    {
        Screen screen({record(101, Kind::node, {9999}), record(102, Kind::packageManager)});
        QVERIFY(screen.loaded);
        auto *field = screen.find<QLineEdit>(QStringLiteral("portField"));
        QCOMPARE(field->placeholderText(), QStringLiteral("Port…"));
        QCOMPARE(field->toolTip(), QStringLiteral("Type a port number to see exactly what is holding it."));
        QVERIFY(!screen.shows(QStringLiteral("clearPortButton")));

        // Nothing suspicious and the switch on; blanks alone in the field filter nothing.
        auto *onlySuspicious = screen.find<Switch>(QStringLiteral("onlySuspiciousSwitch"));
        QCOMPARE(onlySuspicious->text(), QStringLiteral("Only suspicious"));
        QTest::mouseClick(onlySuspicious, Qt::LeftButton);
        QVERIFY(screen.store.showOnlyHanging());
        screen.store.setPortFilter(QStringLiteral("  "));
        QVERIFY(screen.shows(QStringLiteral("emptyProcessCard")));
        QCOMPARE(screen.emptyText(), QStringLiteral("No suspicious processes. Turn off “Only suspicious” to see "
                                                    "everything Node is running."));
        screen.store.setPortFilter(QString());
        screen.store.setShowOnlyHanging(false);
        QVERIFY(!onlySuspicious->isChecked());
        QVERIFY(screen.shows(QStringLiteral("processTableSurface")));

        // A port nothing listens on, with blanks around it: the text names the port the rows are
        // filtered by; the tiles and the blocked section are not filtered.
        screen.store.setPortFilter(QStringLiteral(" 80\t"));
        QCOMPARE(field->text(), QStringLiteral(" 80\t"));
        QVERIFY(!screen.shows(QStringLiteral("processTableSurface")));
        QCOMPARE(screen.emptyText(),
                 QStringLiteral("No Node process is listening on a port starting with 80. If the port is still "
                                "refused, the holder is not a Node process and this app cannot see it — `lsof -i :80` "
                                "will name it."));
        QCOMPARE(screen.find<StatTile>(QStringLiteral("processCountTile"))->value(), QStringLiteral("2"));
        QVERIFY(screen.shows(QStringLiteral("allClearCard")));
        QVERIFY(screen.shows(QStringLiteral("clearPortButton")));
        screen.click(QStringLiteral("clearPortButton"));
        QCOMPARE(field->text(), QString());
        QCOMPARE(screen.store.portFilter(), QString());
        QVERIFY(!screen.shows(QStringLiteral("clearPortButton")));

        // A typed prefix that matches shows just its holders.
        QTest::keyClicks(field, QStringLiteral("99"));
        QCOMPARE(screen.store.portFilter(), QStringLiteral("99"));
        QCOMPARE(pids(screen.table()->processModel()->rows()), Pids{101});
    }

    void selectSuspiciousReachesHiddenRows()
    {
        Screen screen({record(301, Kind::vite, {5173}), record(302, Kind::node, {9999}), record(303, Kind::nodemon),
                       record(304, Kind::node)});
        QVERIFY(screen.loaded);
        auto *selectSuspicious = screen.find<QPushButton>(QStringLiteral("selectSuspiciousButton"));
        auto *stop = screen.find<QPushButton>(QStringLiteral("stopSelectedButton"));
        auto *force = screen.find<QPushButton>(QStringLiteral("forceKillButton"));
        QVERIFY(selectSuspicious->isEnabled());
        QVERIFY(!stop->isEnabled() && !force->isEnabled());

        screen.store.setPortFilter(QStringLiteral("99"));
        screen.store.setSelection({302});
        QTest::mouseClick(selectSuspicious, Qt::LeftButton);
        QCOMPARE(screen.store.selection(), (PidSet{301, 303}));
        QCOMPARE(selectedPids(screen.table()), PidSet{});
        QVERIFY(stop->isEnabled() && force->isEnabled());

        // The action bar acts on all of them, shown or not.
        QTest::mouseClick(stop, Qt::LeftButton);
        QVERIFY(screen.view.pending());
        QCOMPARE(screen.view.pending()->ids, (PidSet{301, 303}));
        QVERIFY(screen.cancel());

        QVERIFY(publish(screen.store, screen.feed, {record(302, Kind::node, {9999})}));
        QVERIFY(!selectSuspicious->isEnabled() && !stop->isEnabled());
    }

    void confirmationNamesWhatStops()
    {
        QList<NodeProcess> processes{record(4123, Kind::vite, {5173}, 10, 7500, QStringLiteral("/home/u/shop"))};
        PidSet ten;
        QStringList expected;
        for (qint32 pid = 1001; pid <= 1010; ++pid) {
            processes << record(pid, Kind::node, {}, 1000 + pid);
            ten.insert(pid);
            if (pid <= 1008)
                expected << QStringLiteral("• Node · pid %1 · up 1m 0s").arg(pid);
        }
        Screen screen(processes);
        QVERIFY(screen.loaded);

        // One process, by SIGTERM and by SIGKILL.
        screen.store.setSelection({4123});
        screen.click(QStringLiteral("stopSelectedButton"));
        QCOMPARE(boxes(&screen.view).size(), 1);
        QMessageBox *box = screen.dialog();
        QCOMPARE(box->text(), QStringLiteral("Stop 1 process?"));
        QCOMPARE(box->informativeText(), QStringLiteral("• Vite · pid 4123 · up 2h 5m · port 5173\n   /home/u/shop\n"
                                                        "   flagged: Vite dev server\n"
                                                        "Unsaved work in these dev servers will be lost."));
        QCOMPARE(buttonTextsInOrder(box), (QStringList{QStringLiteral("Stop (SIGTERM)"), QStringLiteral("Cancel")}));
        box->reject(); // Escape, or closing the window, dismisses it like Cancel
        QVERIFY(!screen.view.pending());

        screen.click(QStringLiteral("forceKillButton"));
        box = screen.dialog();
        QVERIFY(box->informativeText().endsWith(
            QStringLiteral("\nSIGKILL stops them immediately, with no chance to clean up. Unsaved work is lost.")));
        QVERIFY(buttonLabelled(box, QStringLiteral("Force Kill (SIGKILL)")));
        QVERIFY(screen.cancel());

        // Ten: eight by ascending pid, then the rest counted.
        screen.store.setSelection(ten);
        screen.click(QStringLiteral("stopSelectedButton"));
        box = screen.dialog();
        QCOMPARE(box->text(), QStringLiteral("Stop 10 processes?"));
        expected << QStringLiteral("…and 2 more not listed here.")
                 << QStringLiteral("Unsaved work in these dev servers will be lost.");
        QCOMPARE(box->informativeText(), expected.join('\n'));
        QVERIFY(screen.cancel());

        // Processes gone since the last reload leave only the closing sentence; no ids, no dialog.
        screen.view.requestKill({2'000'000'000}, false);
        QCOMPARE(screen.dialog()->informativeText(), QStringLiteral("Unsaved work in these dev servers will be lost."));
        QVERIFY(screen.cancel());
        screen.view.requestKill({}, true);
        QVERIFY(!screen.view.pending());
        QVERIFY(boxes(&screen.view).isEmpty());
    }

    void headerClicksOrderTheStore()
    {
        Screen screen({record(3, Kind::vite, {5173}, 300, 10), record(1, Kind::react, {3000}, 100, 30),
                       record(2, Kind::node, {}, 200, 20)});
        QVERIFY(screen.loaded);
        ProcessTableView *table = screen.table();
        QHeaderView *header = table->horizontalHeader();
        const auto shown = [table] { return pids(table->processModel()->rows()); };
        QCOMPARE(shown(), (Pids{3, 2, 1}));
        QCOMPARE(header->sortIndicatorSection(), int(ProcessTableModel::MemoryColumn));
        QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);

        // A new column goes first, ascending, ahead of the previous key; a second click flips it.
        clickHeader(table, ProcessTableModel::PidColumn);
        QCOMPARE(screen.store.sortOrder(), (ProcessSortOrder{{Key::pid, Qt::AscendingOrder},
                                                              {Key::memoryBytes, Qt::DescendingOrder}}));
        QCOMPARE(shown(), (Pids{1, 2, 3}));
        QCOMPARE(header->sortIndicatorSection(), int(ProcessTableModel::PidColumn));
        clickHeader(table, ProcessTableModel::PidColumn);
        QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
        clickHeader(table, ProcessTableModel::MemoryColumn);
        QCOMPARE(screen.store.sortOrder(), (ProcessSortOrder{{Key::memoryBytes, Qt::AscendingOrder},
                                                              {Key::pid, Qt::DescendingOrder}}));
        for (const auto &[column, key] : {std::pair{ProcessTableModel::TypeColumn, Key::kind},
                                          std::pair{ProcessTableModel::PortsColumn, Key::portsText},
                                          std::pair{ProcessTableModel::UptimeColumn, Key::elapsedSeconds},
                                          std::pair{ProcessTableModel::CommandColumn, Key::command}}) {
            clickHeader(table, column);
            QCOMPARE(screen.store.sortOrder().first(), (ProcessComparator{key, Qt::AscendingOrder}));
            QCOMPARE(shown(), pids(screen.store.visible()));
        }

        // The status column does not sort, and its click leaves the indicator where the order is.
        const ProcessSortOrder before = screen.store.sortOrder();
        clickHeader(table, ProcessTableModel::StatusColumn);
        QCOMPARE(screen.store.sortOrder(), before);
        QCOMPARE(header->sortIndicatorSection(), int(ProcessTableModel::CommandColumn));

        // An order set elsewhere shows in the header.
        screen.store.setSortOrder({{Key::elapsedSeconds, Qt::DescendingOrder}});
        QCOMPARE(header->sortIndicatorSection(), int(ProcessTableModel::UptimeColumn));
        QCOMPARE(shown(), (Pids{1, 2, 3}));
    }

    void contextMenuActsOnSelectionOrClickedRow()
    {
        Screen screen({record(1, Kind::node, {}, 300), record(2, Kind::node, {}, 200), record(3, Kind::node, {}, 100),
                       record(9, Kind::node, {9999}, 50)});
        QVERIFY(screen.loaded);
        ProcessTableView *table = screen.table();
        screen.store.setSelection({1, 2, 9});
        QCOMPARE(selectedPids(table), (PidSet{1, 2, 9}));

        // On a selected row: the whole selection.
        QMenu *menu = openContextMenu(table, 0);
        QVERIFY(menu);
        QStringList items;
        for (const QAction *action : menu->actions())
            items << action->text();
        QCOMPARE(items, (QStringList{QStringLiteral("Stop (SIGTERM)"), QStringLiteral("Force Kill (SIGKILL)")}));
        menu->actions().at(0)->trigger();
        menu->hide();
        QCOMPARE(screen.view.pending()->ids, (PidSet{1, 2, 9}));
        QVERIFY(!screen.view.pending()->force);
        QVERIFY(screen.cancel());

        // On a row outside it: that row alone, and the selection stays as it was.
        menu = openContextMenu(table, 2);
        QVERIFY(menu);
        menu->actions().at(1)->trigger();
        menu->hide();
        QCOMPARE(screen.view.pending()->ids, PidSet{3});
        QVERIFY(screen.view.pending()->force);
        QCOMPARE(screen.store.selection(), (PidSet{1, 2, 9}));
        QVERIFY(screen.cancel());

        // A right click on an unselected row leaves the selection alone too.
        const QRect third = table->visualRect(table->model()->index(2, ProcessTableModel::CommandColumn));
        QTest::mouseClick(table->viewport(), Qt::RightButton, {}, third.center());
        QCOMPARE(screen.store.selection(), (PidSet{1, 2, 9}));

        // Below the last row: no menu, no request.
        QVERIFY(!openContextMenu(table, -1));
        QVERIFY(!screen.view.pending());
        QCOMPARE(table->contextIds(-1), PidSet{});
    }

    void selectionIsKeptByPid()
    {
        Screen screen({record(1, Kind::node, {9001}, 100), record(2, Kind::node, {9002}, 200),
                       record(3, Kind::node, {9003}, 300)});
        QVERIFY(screen.loaded);
        ProcessTableView *table = screen.table();
        clickRow(table, 2);
        QCOMPARE(screen.store.selection(), PidSet{1});

        // pid 1 grows to the top of the list; its row moves and stays selected.
        QVERIFY(publish(screen.store, screen.feed,
                        {record(1, Kind::node, {9001}, 900), record(2, Kind::node, {9002}, 200),
                         record(3, Kind::node, {9003}, 300)}));
        QCOMPARE(selectedPids(table), PidSet{1});
        QCOMPARE(table->selectionModel()->selectedRows().value(0).row(), 0);

        // Ctrl adds; a gone process drops out of the selection.
        clickRow(table, 2, Qt::ControlModifier);
        QCOMPARE(screen.store.selection(), (PidSet{1, 2}));
        QVERIFY(publish(screen.store, screen.feed,
                        {record(1, Kind::node, {9001}, 900), record(3, Kind::node, {9003}, 300)}));
        QCOMPARE(screen.store.selection(), PidSet{1});
        QCOMPARE(selectedPids(table), PidSet{1});

        // Rows the filter hides stay selected through a Ctrl-click, and go with a plain click.
        screen.store.setSelection({1, 3});
        screen.store.setPortFilter(QStringLiteral("9001"));
        QCOMPARE(selectedPids(table), PidSet{1});
        clickRow(table, 0, Qt::ControlModifier);
        QCOMPARE(screen.store.selection(), PidSet{3});
        clickRow(table, 0);
        QCOMPARE(screen.store.selection(), PidSet{1});
    }

    void refreshAndItsShortcut()
    {
        Feed gated(true);
        gated.set({record(1, Kind::node)});
        ProcessStore store(gated.function());
        PortsView view(store);
        const auto release = qScopeGuard([&gated] { gated.open(); });
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        auto *spinner = view.findChild<ProgressSpinner *>(QStringLiteral("loadingSpinner"));
        auto *refresh = view.findChild<QPushButton *>(QStringLiteral("refreshButton"));
        QCOMPARE(refresh->text(), QStringLiteral("Refresh"));

        // Appearing with no processes started the first reload; it waits at the gate, and a click
        // meanwhile starts no second one.
        QVERIFY(store.isLoading());
        QVERIFY(spinner->isVisible() && spinner->isSpinning());
        QTest::mouseClick(refresh, Qt::LeftButton);
        QVERIFY(refresh->isEnabled());
        gated.allowOneScan();
        QTRY_VERIFY(!store.isLoading());
        QVERIFY(!spinner->isVisible());
        QCOMPARE(gated.scans(), 1);

        // Shown again with processes: no rescan. Ctrl+R: one.
        view.hide();
        view.show();
        QVERIFY(!store.isLoading());
        view.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        QTest::keyClick(&view, Qt::Key_R, Qt::ControlModifier);
        QTRY_VERIFY(store.isLoading());
        QVERIFY(spinner->isVisible());
        gated.allowOneScan();
        QTRY_VERIFY(!store.isLoading());
        QCOMPARE(gated.scans(), 2);
    }

    void aRefreshWhileTheDialogIsOpenChangesNothingSignalled()
    {
        // Sleepers stand in for dev servers; any still running is killed and reaped on the way out.
        std::array<QProcess, 3> children;
        const auto reap = qScopeGuard([&children] {
            for (QProcess &child : children) {
                if (child.state() != QProcess::NotRunning) {
                    child.kill();
                    child.waitForFinished(10000);
                }
            }
        });
        QList<NodeProcess> sleepers;
        for (QProcess &child : children) {
            child.start(QStringLiteral("/bin/sleep"), {QStringLiteral("60")});
            QVERIFY(child.waitForStarted(10000));
            sleepers << record(qint32(child.processId()), Kind::node, {}, 1000, 1, std::nullopt, QStringLiteral("sleep 60"));
        }
        QProcess &first = children[0];
        const qint32 firstPid = sleepers.at(0).pid;
        Screen screen(sleepers.mid(0, 2));
        QVERIFY(screen.loaded);
        screen.store.setSelection({firstPid});
        screen.click(QStringLiteral("stopSelectedButton"));
        QMessageBox *box = screen.dialog();
        QVERIFY(box);
        const QString message = box->informativeText();
        QVERIFY(message.contains(QStringLiteral("pid %1").arg(firstPid)));

        // While the box is open the selection changes and a reload brings other processes.
        screen.store.setSelection({sleepers.at(1).pid});
        QVERIFY(publish(screen.store, screen.feed, sleepers.mid(1)));
        QCOMPARE(boxes(&screen.view), QList<QMessageBox *>{box});
        QCOMPARE(box->informativeText(), message);
        QCOMPARE(screen.view.pending()->ids, PidSet{firstPid});

        // The box is gone before any signal goes out.
        bool boxOpenWhenKilling = false;
        connect(&screen.store, &ProcessStore::isLoadingChanged, this, [&] {
            if (screen.store.isLoading())
                boxOpenWhenKilling = !boxes(&screen.view).isEmpty();
        });
        const int scansBefore = screen.feed.scans();
        buttonLabelled(box, QStringLiteral("Stop (SIGTERM)"))->click();
        QVERIFY(!screen.view.pending());
        QTRY_COMPARE(screen.feed.scans(), scansBefore + 1);
        QTRY_COMPARE(first.state(), QProcess::NotRunning);
        QCOMPARE(first.exitStatus(), QProcess::CrashExit);
        QCOMPARE(first.exitCode(), SIGTERM);
        QVERIFY(!boxOpenWhenKilling);
        QTRY_VERIFY(!screen.store.isLoading());
        QCOMPARE(children[1].state(), QProcess::Running);
        QCOMPARE(children[2].state(), QProcess::Running);
        QVERIFY(boxes(&screen.view).isEmpty());
        QVERIFY(!screen.view.errorMessage());
    }

    void failuresShowInOneAlert()
    {
        // The store refuses to signal this test's own process, which makes a failure line
        // without sending anything anywhere.
        const qint32 own = qint32(::getpid());
        Screen screen({record(own, Kind::node)});
        QVERIFY(screen.loaded);
        screen.store.setSelection({own});
        screen.click(QStringLiteral("forceKillButton"));
        buttonLabelled(screen.dialog(), QStringLiteral("Force Kill (SIGKILL)"))->click();

        QTRY_VERIFY(screen.view.errorMessage());
        const QString line = QStringLiteral("pid %1: refusing to signal this process").arg(own);
        QCOMPARE(*screen.view.errorMessage(), line);
        QTRY_COMPARE(boxes(&screen.view).size(), 1);
        QMessageBox *alert = screen.dialog();
        QCOMPARE(alert->text(), QStringLiteral("Some processes could not be stopped"));
        QCOMPARE(alert->informativeText(), line);
        QCOMPARE(buttonTextsInOrder(alert), QStringList{QStringLiteral("OK")});
        buttonLabelled(alert, QStringLiteral("OK"))->click();
        QVERIFY(!screen.view.errorMessage());
        QTRY_VERIFY(boxes(&screen.view).isEmpty());
    }

    void tableModelFollowsTheStore()
    {
        Feed feed;
        ProcessStore store(feed.function());
        ProcessTableModel model(store);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QStringList titles;
        for (int column = 0; column < model.columnCount(); ++column)
            titles << model.headerData(column, Qt::Horizontal).toString();
        QCOMPARE(titles, (QStringList{QString(), "Ports", "Type", "Uptime", "PID", "Memory", "Command"}));

        QList<NodeProcess> records{record(1, Kind::vite, {5173}, 100, 10, QStringLiteral("/a")),
                                   record(2, Kind::node, {}, 200, 20), record(3, Kind::next, {3000, 8080}, 300, 30),
                                   record(4, Kind::node, {9999}, 400, 40)};
        QVERIFY(publish(store, feed, records));
        const auto matches = [&] { return pids(model.rows()) == pids(store.visible()); };
        QCOMPARE(pids(model.rows()), (Pids{4, 3, 2, 1}));

        const auto cell = [&](int row, int column, int role = Qt::DisplayRole) { return model.index(row, column).data(role); };
        QCOMPARE(cell(1, ProcessTableModel::PortsColumn).toString(), QStringLiteral("3000, 8080"));
        QCOMPARE(cell(1, ProcessTableModel::PortsColumn, Qt::FontRole).value<QFont>().weight(), QFont::DemiBold);
        QCOMPARE(cell(2, ProcessTableModel::PortsColumn).toString(), QStringLiteral("—"));
        QCOMPARE(cell(2, ProcessTableModel::PortsColumn, Qt::FontRole).value<QFont>().weight(), QFont::Normal);
        QCOMPARE(cell(1, ProcessTableModel::TypeColumn).toString(), QStringLiteral("Next.js"));
        QVERIFY(!cell(1, ProcessTableModel::TypeColumn, Qt::DecorationRole).value<QIcon>().isNull());
        QCOMPARE(cell(0, ProcessTableModel::MemoryColumn).toString(), QStringLiteral("400.0 KB"));
        QCOMPARE(cell(0, ProcessTableModel::MemoryColumn, ProcessTableModel::SortRole), QVariant(qint64(409600)));
        QVERIFY(!cell(0, ProcessTableModel::StatusColumn, ProcessTableModel::SortRole).isValid());
        QCOMPARE(cell(3, ProcessTableModel::CommandColumn, ProcessTableModel::DirectoryRole).toString(), QStringLiteral("/a"));
        QVERIFY(!cell(2, ProcessTableModel::CommandColumn, ProcessTableModel::DirectoryRole).isValid());
        QCOMPARE(cell(0, ProcessTableModel::StatusColumn, Qt::ToolTipRole).toString(), QStringLiteral("Running"));
        QCOMPARE(cell(1, ProcessTableModel::StatusColumn, Qt::ToolTipRole).toString(),
                 QStringLiteral("Flagged: Next.js dev server"));

        // A changed record is updated in place: no reset, no move, one dataChanged.
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        QSignalSpy layouts(&model, &QAbstractItemModel::layoutChanged);
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        const QPersistentModelIndex two = model.index(2, ProcessTableModel::PidColumn);
        records[1].elapsedSeconds = 99;
        QVERIFY(publish(store, feed, records));
        QCOMPARE(resets.size() + layouts.size() + removed.size() + inserted.size(), 0);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.first().at(0).value<QModelIndex>().row(), 2);
        QCOMPARE(cell(2, ProcessTableModel::UptimeColumn).toString(), QStringLiteral("1m 39s"));

        // A new order moves rows with their persistent indexes.
        store.setSortOrder({{Key::pid, Qt::AscendingOrder}});
        QVERIFY(matches());
        QCOMPARE(layouts.size(), 1);
        QCOMPARE(two.row(), 1);
        QCOMPARE(two.data(ProcessTableModel::PidRole).toInt(), 2);

        // Comers and goers: only they are inserted and removed.
        QVERIFY(publish(store, feed, {record(5, Kind::nodemon), records[1], records[3], record(6, Kind::node)}));
        QVERIFY(matches());
        QCOMPARE(resets.size(), 0);
        QCOMPARE(removed.size(), 2); // 1 and 3 were not next to each other
        QCOMPARE(inserted.size(), 1);
        QCOMPARE(two.row(), 0);

        store.setPortFilter(QStringLiteral("99"));
        QVERIFY(matches());
        QVERIFY(!two.isValid());
        store.setPortFilter(QString());
        store.setShowOnlyHanging(true);
        QCOMPARE(pids(model.rows()), Pids{5});

        // Many scattered goers: one reset instead of a removal each.
        QList<NodeProcess> many;
        for (qint32 pid = 1; pid <= 200; ++pid)
            many << record(pid, Kind::node, {}, pid);
        store.setShowOnlyHanging(false);
        QVERIFY(publish(store, feed, many));
        QCOMPARE(model.rowCount(), 200);
        many.removeIf([](const NodeProcess &process) { return process.pid % 2 == 0; });
        const qsizetype resetsBefore = resets.size();
        QVERIFY(publish(store, feed, many));
        QVERIFY(matches());
        QCOMPARE(resets.size(), resetsBefore + 1);

        // sort() from a generic caller writes the store's order too; the status column does not sort.
        model.sort(ProcessTableModel::CommandColumn, Qt::DescendingOrder);
        QCOMPARE(store.sortOrder().first(), (ProcessComparator{Key::command, Qt::DescendingOrder}));
        const ProcessSortOrder before = store.sortOrder();
        model.sort(ProcessTableModel::StatusColumn);
        QCOMPARE(store.sortOrder(), before);
    }

    // Needs a real node and lsof; signals only the server this test started.
    void freeingARealPortEndToEnd()
    {
        QList<int> candidates = ProcessScanner::devPorts().values();
        std::sort(candidates.begin(), candidates.end());
        NodeServer server;
        QVERIFY2(server.start(candidates), qPrintable(server.error()));
        const int port = server.port();

        QuaylightApp app(ProcessScanner::scan, {});
        MainWindow *window = app.window();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        auto *view = qobject_cast<PortsView *>(window->rootView()->screen(RootView::Section::ports));
        QVERIFY(view);
        const auto cardFor = [view, port]() -> BlockedPortCard * {
            for (BlockedPortCard *card : view->findChildren<BlockedPortCard *>()) {
                if (card->blockedPort().port == port)
                    return card;
            }
            return nullptr;
        };
        auto *badge = window->findChild<BlockedBadge *>();
        const auto badgeNames = [badge, port] {
            return badge->isVisible()
                   && badge->text().chopped(7).split(QStringLiteral(", ")).contains(QString::number(port));
        };
        QTRY_VERIFY_WITH_TIMEOUT(cardFor(), 30000);
        QTRY_VERIFY(badgeNames());
        BlockedPortCard *card = cardFor();
        QCOMPARE(card->findChild<KitLabel *>(QStringLiteral("blockedPortPid"))->text(),
                 QStringLiteral("· pid %1").arg(server.pid()));
        QCOMPARE(card->findChild<KitLabel *>(QStringLiteral("blockedPortLocation"))->text(), server.directory());

        QTest::mouseClick(card->findChild<QPushButton *>(QStringLiteral("freePortButton")), Qt::LeftButton);
        QMessageBox *box = boxes(window).value(0);
        QVERIFY(box);
        QCOMPARE(box->text(), QStringLiteral("Stop whatever is holding port %1?").arg(port));
        // Before anything is confirmed: the request holds this test's server and nothing else.
        QCOMPARE(view->pending()->ids, PidSet{server.pid()});
        buttonLabelled(box, QStringLiteral("Stop (SIGTERM)"))->click();

        QTRY_COMPARE_WITH_TIMEOUT(server.process().state(), QProcess::NotRunning, 20000);
        QCOMPARE(server.process().exitCode(), SIGTERM);
        QTRY_VERIFY_WITH_TIMEOUT(!cardFor(), 30000);
        QTRY_VERIFY_WITH_TIMEOUT(!app.processStore().isLoading(), 30000);
        QVERIFY(!badgeNames());
        // Other Node processes on this machine may hold dev ports of their own.
        if (app.processStore().blockedPorts().isEmpty())
            QVERIFY(!badge->isVisible());
        QVERIFY(!view->errorMessage());
    }
};

QTEST_MAIN(TestPortsView)
#include "tst_portsview.moc"
