#include "core/processes/ProcFs.h"
#include "core/processes/ProcessScanner.h"
#include "support/MessageBoxButtons.h"
#include "support/NodeServer.h"
#include "support/ProcessFeed.h"
#include "ui/kit/Dialogs.h"
#include "ui/kit/InlineCodeLabel.h"
#include "ui/kit/KitLabel.h"
#include "ui/kit/ProgressSpinner.h"
#include "ui/kit/StatTile.h"
#include "ui/kit/Switch.h"
#include "ui/kit/Theme.h"
#include "ui/ports/BlockedPortCard.h"
#include "ui/ports/PortsView.h"
#include "ui/ports/ProcessTableModel.h"
#include "ui/ports/ProcessTableView.h"
#include "ui/shell/BlockedBadge.h"
#include "ui/shell/MainWindow.h"
#include "ui/shell/QuaylightApp.h"
#include "ui/shell/RootView.h"

#include <QAbstractItemModelTester>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QToolButton>

#include <array>

#include <signal.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using Kind = NodeProcess::Kind;
using Key = ProcessComparator::Key;
using Model = ProcessTableModel;
using Pids = QList<qint32>;
using PidSet = QSet<qint32>;

namespace {

Pids pids(const QList<NodeProcess> &processes)
{
    Pids result;
    for (const NodeProcess &process : processes)
        result << process.pid;
    return result;
}

constexpr auto boxes = &Dialogs::openMessageBoxes;

QStringList texts(const QMessageBox *box)
{
    return box ? QStringList{box->text(), box->informativeText()} : QStringList();
}

// A blocked-port card's port, summary, pid, location and reason.
QStringList cardTexts(const QWidget *card)
{
    QStringList texts;
    for (const char *name :
         {"blockedPortNumber", "blockedPortSummary", "blockedPortPid", "blockedPortLocation", "blockedPortReason"})
        texts << card->findChild<KitLabel *>(QLatin1String(name))->text();
    return texts;
}

// A process table model over a store fed four records, checked by QAbstractItemModelTester.
struct TableFixture
{
    Feed feed;
    ProcessStore store{feed.function()};
    Model model{store};
    QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::QtTest};
    QList<NodeProcess> records{record(1, Kind::vite, {5173}, 100, 10, u"/a"_s), record(2, Kind::node, {}, 200, 20),
                               record(3, Kind::next, {3000, 8080}, 300, 30), record(4, Kind::node, {9999}, 400, 40)};

    TableFixture() { QVERIFY(publish(records)); }
    [[nodiscard]] bool publish(const QList<NodeProcess> &processes) { return ::publish(store, feed, processes); }
    [[nodiscard]] bool matches() const { return pids(model.rows()) == pids(store.visible()); }
    [[nodiscard]] QVariant cell(int row, int column, int role = Qt::DisplayRole) const
    {
        return model.index(row, column).data(role);
    }
};

// What a model tells its views.
struct ModelSignals
{
    explicit ModelSignals(const QAbstractItemModel &model)
        : resets(&model, &QAbstractItemModel::modelReset)
        , layouts(&model, &QAbstractItemModel::layoutChanged)
        , removed(&model, &QAbstractItemModel::rowsRemoved)
        , inserted(&model, &QAbstractItemModel::rowsInserted)
        , changed(&model, &QAbstractItemModel::dataChanged)
    {
    }
    QSignalSpy resets, layouts, removed, inserted, changed;
};

// A store fed with records and the screen over it, shown and, unless gated, loaded.
struct Screen
{
    explicit Screen(QList<NodeProcess> records, bool gated = false)
        : feed(gated)
    {
        feed.set(std::move(records));
        view.resize(1000, 800);
        view.show();
        loaded =
            QTest::qWaitForWindowExposed(&view) && (gated || QTest::qWaitFor([this] { return !store.isLoading(); }));
        // The cards' layout settles over a few posted passes.
        for (int pass = 0; pass < 3; ++pass)
            QCoreApplication::processEvents();
    }
    // A scan still held at the gate is let through before the store waits for it.
    ~Screen() { feed.open(); }

    template <typename T = QWidget>
    [[nodiscard]] T *find(const QString &name) const
    {
        return view.findChild<T *>(name);
    }
    [[nodiscard]] ProcessTableView *table() const { return find<ProcessTableView>(u"processTable"_s); }
    [[nodiscard]] QString emptyText() const { return find<KitLabel>(u"emptyProcessText"_s)->text(); }
    [[nodiscard]] bool shows(const QString &name) const { return find(name) && find(name)->isVisibleTo(&view); }
    // The blocked-port cards from top to bottom.
    [[nodiscard]] QList<BlockedPortCard *> cards() const
    {
        QList<BlockedPortCard *> shown = view.findChildren<BlockedPortCard *>();
        shown.removeIf([this](const QWidget *card) { return !card->isVisibleTo(&view); });
        std::ranges::sort(shown, {}, [this](const QWidget *card) { return card->mapTo(&view, QPoint()).y(); });
        return shown;
    }
    void click(const QString &buttonName) const
    {
        QTest::mouseClick(find<QAbstractButton>(buttonName), Qt::LeftButton);
    }
    [[nodiscard]] QMessageBox *dialog() const { return boxes(&view).value(0); }
    [[nodiscard]] bool pendingIs(const PidSet &ids, bool force) const
    {
        return view.pending() && view.pending()->ids == ids && view.pending()->force == force;
    }
    // Cancels the one open box; true once it has gone and nothing is pending.
    [[nodiscard]] bool cancel() const
    {
        QAbstractButton *button = boxes(&view).size() == 1 ? buttonLabelled(dialog(), u"Cancel"_s) : nullptr;
        if (button)
            button->click();
        return button && !view.pending() && QTest::qWaitFor([this] { return boxes(&view).isEmpty(); });
    }

    Feed feed;
    ProcessStore store{feed.function()};
    PortsView view{store};
    bool loaded = false;
};

QPoint cellCentre(const ProcessTableView *table, int row)
{
    return table->visualRect(table->model()->index(row, Model::CommandColumn)).center();
}

void clickRow(ProcessTableView *table, int row, Qt::KeyboardModifiers modifiers = {})
{
    QTest::mouseClick(table->viewport(), Qt::LeftButton, modifiers, cellCentre(table, row));
}

// Opens the table's context menu over row (below the rows when -1), as a right click does.
QMenu *openContextMenu(ProcessTableView *table, int row)
{
    const QWidget *viewport = table->viewport();
    const QPoint where = row >= 0 ? cellCentre(table, row) : QPoint(viewport->width() / 2, viewport->height() - 2);
    QContextMenuEvent event(QContextMenuEvent::Mouse, where, viewport->mapToGlobal(where));
    QCoreApplication::sendEvent(table->viewport(), &event);
    const QList<QMenu *> menus = table->findChildren<QMenu *>();
    const auto open = std::ranges::find_if(menus, &QWidget::isVisible);
    return open == menus.end() ? nullptr : *open;
}

void clickHeader(ProcessTableView *table, int column)
{
    QHeaderView *header = table->horizontalHeader();
    const QPoint where(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, where);
}

PidSet selectedPids(const ProcessTableView *table)
{
    PidSet selected;
    for (const QModelIndex &index : table->selectionModel()->selectedRows())
        selected.insert(index.data(Model::IdRole).toInt());
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
        auto *held = screen.find<StatTile>(u"heldPortsTile"_s);
        auto *count = screen.find<StatTile>(u"processCountTile"_s);
        QCOMPARE((QStringList{held->title(), held->value(), count->title(), count->value(),
                              screen.find<KitLabel>(u"blockedPortsHeading"_s)->text()}),
                 (QStringList{u"Node-held ports"_s, QString::number(blocked.size()), u"Node processes"_s,
                              QString::number(records.size()),
                              blocked.isEmpty() ? u"Dev ports"_s : u"Dev ports held by Node"_s}));
        QCOMPARE(held->tint(), blocked.isEmpty() ? Tint(Tint::Style::secondary) : Tint(Theme::warning()));
        QCOMPARE(count->tint(), Tint(Theme::nodeGreen()));
        QList<int> shownPorts;
        for (const BlockedPortCard *card : screen.cards())
            shownPorts << card->blockedPort().port;
        QCOMPARE(shownPorts, blocked);
        QCOMPARE(screen.table()->model()->rowCount(), int(records.size()));
        QCOMPARE((QList<bool>{screen.shows(u"allClearCard"_s), screen.shows(u"processTableSurface"_s),
                              screen.shows(u"emptyProcessCard"_s)}),
                 (QList<bool>{blocked.isEmpty(), !records.isEmpty(), records.isEmpty()}));
        if (records.isEmpty()) {
            QCOMPARE(screen.find<InlineCodeLabel>(u"allClearText"_s)->source(),
                     u"Nothing from the Node ecosystem is on 3000, 5173, 4200, 8080 or the other known dev ports. This "
                     "app only sees Node processes — if a port is still refused, the holder is something else (Docker, "
                     "Rails, Postgres, a stale JVM); check it with `lsof -i :PORT`."_s);
            QCOMPARE(screen.emptyText(), u"No Node processes are running."_s);
        }
        QCOMPARE(screen.find<KitLabel>(u"portsStatusText"_s)->text(), screen.store.statusText());
    }

    // Only the cards scroll away: below six held ports the table is in sight, and it takes the height the window has.
    void tableTakesTheHeightTheWindowHas()
    {
        QList<NodeProcess> records;
        for (const int port : {3000, 3001, 4200, 5173, 8000, 8080})
            records << record(port, Kind::node, {port});
        Screen screen(records);
        QVERIFY(screen.loaded);
        auto *surface = screen.find(u"processTableSurface"_s);
        const auto bottom = [&] { return surface->mapTo(&screen.view, QPoint(0, surface->height())).y(); };
        QVERIFY(surface->height() >= 220);
        QVERIFY(bottom() <= screen.find(u"portsActionBar"_s)->y());
        // Once the cards have the height they ask for, every further pixel goes to the table.
        screen.view.resize(1000, 1200);
        QTRY_VERIFY(surface->height() > 400);
        const int before = surface->height();
        screen.view.resize(1000, 1600);
        QTRY_COMPARE(surface->height(), before + 400);
    }

    void blockedPortCardsFreeEveryHolder()
    {
        Screen screen({record(302, Kind::node, {3000}, 1000, 60, u"/srv/b"_s),
                       record(301, Kind::next, {3000}, 1000, 3720, std::nullopt, u"next dev"_s),
                       record(303, Kind::node, {8080}, 1000, 5, u"/srv/c"_s)});
        QVERIFY(screen.loaded);
        const QList<BlockedPortCard *> cards = screen.cards();
        QCOMPARE(cards.size(), 2);
        // Held by two: the lowest pid speaks for the port; no directory, so its command.
        QCOMPARE(cardTexts(cards.at(0)),
                 (QStringList{u"3000"_s, u"Next.js · 1h 2m (+1 more)"_s, u"· pid 301"_s, u"next dev"_s,
                              u"Next.js dev server"_s}));
        QCOMPARE(cardTexts(cards.at(1)).mid(3), (QStringList{u"/srv/c"_s, u"listening on port 8080"_s}));
        auto *free = cards.at(0)->findChild<QPushButton *>(u"freePortButton"_s);
        auto *forceFree = cards.at(0)->findChild<QToolButton *>(u"forceFreePortButton"_s);
        QCOMPARE((QStringList{free->text(), forceFree->toolTip()}),
                 (QStringList{u"Free port 3000"_s, u"Force kill (SIGKILL) whatever is holding port 3000"_s}));

        // Freeing the port stops every holder, listed by ascending pid.
        QTRY_VERIFY(!free->rect().isEmpty());
        QTest::mouseClick(free, Qt::LeftButton);
        QCOMPARE(texts(screen.dialog()),
                 (QStringList{u"Stop whatever is holding port 3000?"_s,
                              u"• Next.js · pid 301 · up 1h 2m · port 3000\n   flagged: Next.js dev server\n"
                              "• Node · pid 302 · up 1m 0s · port 3000\n   /srv/b\n   flagged: listening on port 3000\n"
                              "Unsaved work in these dev servers will be lost."_s}));
        QVERIFY(screen.pendingIs({301, 302}, false));
        QVERIFY(screen.cancel());
        QTest::mouseClick(forceFree, Qt::LeftButton);
        QVERIFY(screen.pendingIs({301, 302}, true) && buttonLabelled(screen.dialog(), u"Force Kill (SIGKILL)"_s));
        QVERIFY(screen.cancel());

        // A reload that frees 3000 takes its card away and keeps the other one.
        QVERIFY(publish(screen.store, screen.feed, {record(303, Kind::node, {8080})}));
        QCOMPARE(screen.cards(), QList<BlockedPortCard *>{cards.at(1)});
    }

    // A right-to-left override or a line feed cannot make a command or folder read like another.
    void commandsAndFoldersAreShownEscaped()
    {
        Screen screen({record(301, Kind::node, {3000}, 2000, 60, std::nullopt, u"node \u202Esj.revres"_s),
                       record(302, Kind::packageManager, {}, 1000, 2000, u"/tmp/a\nb"_s, u"npm start \u202Ex"_s)});
        QVERIFY(screen.loaded);
        const QAbstractItemModel *model = screen.table()->model();
        const auto cell = [model](int row, int role) {
            return model->index(row, Model::CommandColumn).data(role).toString();
        };
        QCOMPARE((QStringList{cell(0, Qt::DisplayRole), cell(0, Qt::ToolTipRole), cell(1, Model::DirectoryRole),
                              model->index(1, Model::StatusColumn).data(Qt::ToolTipRole).toString()}),
                 (QStringList{u"node \\u202Esj.revres"_s, u"node \\u202Esj.revres"_s, u"/tmp/a\\u000Ab"_s,
                              u"Flagged: running `npm start \\u202Ex` for 33m 20s"_s}));
        QCOMPARE(cardTexts(screen.cards().at(0)).at(3), u"node \\u202Esj.revres"_s);
        screen.view.requestKill({302}, false);
        QCOMPARE(texts(screen.dialog()).at(1),
                 u"• npm/yarn · pid 302 · up 33m 20s\n   /tmp/a\\u000Ab\n"
                 "   flagged: running `npm start \\u202Ex` for 33m 20s\n"
                 "Unsaved work in these dev servers will be lost."_s);
        QVERIFY(screen.cancel());
    }

    // What SIGTERM did not stop is named after the wait; Force Kill ends it without a second question.
    void stopOffersForceKillForWhatKeepsRunning()
    {
        QProcess stubborn; // killed and reaped on the way out if the test fails
        stubborn.start(u"/bin/sh"_s, {u"-c"_s, u"trap '' TERM; echo ready; exec sleep 60"_s});
        QVERIFY(stubborn.waitForReadyRead(10000));
        const qint32 pid = qint32(stubborn.processId());
        Screen screen({record(pid, Kind::vite, {5173})});
        QVERIFY(screen.loaded);
        screen.view.requestKill({pid}, false);
        buttonLabelled(screen.dialog(), u"Stop (SIGTERM)"_s)->click();

        QTRY_VERIFY_WITH_TIMEOUT(screen.find<QMessageBox>(u"stillRunning"_s), 10000);
        QMessageBox *box = screen.find<QMessageBox>(u"stillRunning"_s);
        QCOMPARE(box->text(), u"1 process did not stop after SIGTERM: Vite (pid %1)"_s.arg(pid));
        QVERIFY(buttonLabelled(box, u"Leave Running"_s));
        buttonLabelled(box, u"Force Kill"_s)->click();
        QTRY_COMPARE_WITH_TIMEOUT(stubborn.state(), QProcess::NotRunning, 10000);
        QCOMPARE(stubborn.exitCode(), SIGKILL);
        QTRY_VERIFY(boxes(&screen.view).isEmpty());
        QVERIFY(!screen.view.errorMessage());
    }

    // A supervisor starts its server again on the same port; the alert names it, and stopping it
    // too ends both. Real processes and the real scan.
    void aRespawnedPortNamesItsParent()
    {
        const QString node = QStandardPaths::findExecutable(u"node"_s);
        if (node.isEmpty())
            QSKIP("node is not installed");
        QProcess supervisor; // killed and reaped on the way out if the test fails; its server ends with it
        supervisor.start(node, {u"-e"_s, uR"js(
const { spawn } = require('child_process');
const probe = require('net').createServer().listen(0, '127.0.0.1', () => {
  const port = probe.address().port;
  probe.close(() => start(port));
});
let child;
function start(port) {
  const server = `process.on('disconnect', () => process.exit());
    require('http').createServer().listen(${port}, '127.0.0.1', () => console.log(process.pid + ' ' + ${port}))`;
  child = spawn(process.execPath, ['-e', server], { stdio: ['ignore', 'inherit', 'ignore', 'ipc'] });
  child.on('exit', () => setTimeout(() => start(port), 100));
}
process.on('SIGTERM', () => { child.removeAllListeners('exit'); child.kill(); process.exit(0); });
)js"_s});
        // Waits with the event loop running, so the queued kill goes out meanwhile.
        const auto nextLine = [&supervisor] {
            (void)QTest::qWaitFor([&supervisor] { return supervisor.canReadLine(); }, 20000);
            return QString::fromUtf8(supervisor.readLine()).trimmed().split(u' ');
        };
        const QStringList first = nextLine();
        QCOMPARE(first.size(), 2);
        const qint32 server = first[0].toInt();
        const int port = first[1].toInt();

        ProcessStore store;
        PortsView view(store);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTRY_VERIFY_WITH_TIMEOUT(std::ranges::count(pids(store.processes()), server) == 1, 20000);
        view.requestKill({server}, false);
        buttonLabelled(boxes(&view).value(0), u"Stop (SIGTERM)"_s)->click();

        const QStringList second = nextLine();
        QCOMPARE(second.value(1), QString::number(port));
        QTRY_VERIFY_WITH_TIMEOUT(view.findChild<QMessageBox *>(u"respawned"_s), 20000);
        QMessageBox *box = view.findChild<QMessageBox *>(u"respawned"_s);
        QCOMPARE(
            box->text(),
            u"Port %1 was taken again by pid %2 — its parent Node (pid %3) restarts it."_s.arg(port).arg(second[0]).arg(
                supervisor.processId()));
        QVERIFY(buttonLabelled(box, u"Leave Running"_s));
        buttonLabelled(box, u"Stop Node too"_s)->click();
        QTRY_COMPARE_WITH_TIMEOUT(supervisor.state(), QProcess::NotRunning, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(ProcFs::readStat(second[0].toInt()).value_or(ProcFs::Stat{'Z'}).state == 'Z', 20000);
        QTRY_VERIFY_WITH_TIMEOUT(!store.isLoading(), 20000);
        QVERIFY(!view.errorMessage());
    }

    // A dev port held by something that is not Node is a plain line, with no card and no kill control.
    void aDevPortHeldByPythonIsNamed()
    {
        const QString python = QStandardPaths::findExecutable(u"python3"_s);
        if (python.isEmpty())
            QSKIP("python3 is not installed");
        QList<int> candidates = ProcessScanner::devPorts().values();
        std::ranges::sort(candidates);
        QProcess server; // killed and reaped on the way out
        int port = 0;
        for (const int candidate : candidates) {
            server.start(python, {u"-m"_s, u"http.server"_s, QString::number(candidate), u"--bind"_s, u"127.0.0.1"_s});
            const auto listening = [&] { return ProcFs::listeners(u"/proc/net"_s)->values().contains(candidate); };
            if (QTest::qWaitFor([&] { return listening() || server.state() == QProcess::NotRunning; }, 20000)
                && server.state() == QProcess::Running) {
                port = candidate;
                break;
            }
            server.kill();
            server.waitForFinished();
        }
        QVERIFY2(port, "no free dev port for python3");

        ProcessStore store;
        PortsView view(store);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QString line = u"%1 is held by python3 (pid %2), not a Node process"_s.arg(port).arg(server.processId());
        const auto lines = [&view] {
            QStringList texts;
            for (const KitLabel *label : view.findChildren<KitLabel *>(u"otherHolderLine"_s))
                texts << label->text();
            return texts;
        };
        QTRY_VERIFY_WITH_TIMEOUT(lines().contains(line), 20000);
        QVERIFY(std::ranges::none_of(view.findChildren<BlockedPortCard *>(),
                                     [port](const BlockedPortCard *card) { return card->blockedPort().port == port; }));
        store.setPortFilter(QString::number(port));
        QCOMPARE(view.emptyProcessText(),
                 u"No Node process is listening on a port starting with %1. %2."_s.arg(port).arg(line));
        server.kill();
        server.waitForFinished();
    }

    void lookupFieldAndEmptyTexts()
    {
        Screen screen({record(101, Kind::node, {9999}), record(102, Kind::packageManager)});
        QVERIFY(screen.loaded);
        auto *field = screen.find<QLineEdit>(u"portField"_s);
        QCOMPARE((QStringList{field->placeholderText(), field->toolTip()}),
                 (QStringList{u"Port…"_s, u"Type a port number to see exactly what is holding it."_s}));
        // The field's own clear button, which the style draws and shows only over text.
        auto *clear = field->findChild<QAction *>(u"_q_qlineeditclearaction"_s);
        QVERIFY(clear);

        // Nothing suspicious and the switch on; blanks alone in the field filter nothing.
        auto *onlySuspicious = screen.find<Switch>(u"onlySuspiciousSwitch"_s);
        QCOMPARE(onlySuspicious->text(), u"Only suspicious"_s);
        QTest::mouseClick(onlySuspicious, Qt::LeftButton);
        QVERIFY(screen.store.showOnlyHanging());
        screen.store.setPortFilter(u"  "_s);
        QVERIFY(screen.shows(u"emptyProcessCard"_s));
        QCOMPARE(screen.emptyText(),
                 u"No suspicious processes. Turn off “Only suspicious” to see everything Node is running."_s);
        screen.store.setPortFilter(QString());
        screen.store.setShowOnlyHanging(false);
        QVERIFY(!onlySuspicious->isChecked() && screen.shows(u"processTableSurface"_s));

        // A port nothing listens on, with blanks around it: the text names the port the rows are
        // filtered by; the tiles and the blocked section are not filtered.
        screen.store.setPortFilter(u" 80\t"_s);
        QCOMPARE(field->text(), u" 80\t"_s);
        QCOMPARE(screen.emptyText(),
                 u"No Node process is listening on a port starting with 80. If the port is still "
                 "refused, the holder is not a Node process and this app cannot see it — `lsof -i "
                 ":80` will name it."_s);
        QCOMPARE(screen.find<StatTile>(u"processCountTile"_s)->value(), u"2"_s);
        QCOMPARE((QList<bool>{screen.shows(u"processTableSurface"_s), screen.shows(u"allClearCard"_s)}),
                 (QList<bool>{false, true}));
        const QList<QToolButton *> fieldButtons = field->findChildren<QToolButton *>();
        const auto clearButton = std::ranges::find(fieldButtons, clear, &QToolButton::defaultAction);
        QVERIFY(clearButton != fieldButtons.end());
        QTest::mouseClick(*clearButton, Qt::LeftButton);
        QCOMPARE((QStringList{field->text(), screen.store.portFilter()}), (QStringList{QString(), QString()}));

        // A typed prefix that matches shows just its holders.
        QTest::keyClicks(field, u"99"_s);
        QCOMPARE(screen.store.portFilter(), u"99"_s);
        QCOMPARE(pids(screen.table()->processModel()->rows()), Pids{101});
    }

    void selectSuspiciousReachesHiddenRows()
    {
        Screen screen({record(301, Kind::vite, {5173}), record(302, Kind::node, {9999}), record(303, Kind::nodemon),
                       record(304, Kind::node)});
        QVERIFY(screen.loaded);
        const auto enabled = [&screen] {
            return QList<bool>{screen.find(u"selectSuspiciousButton"_s)->isEnabled(),
                               screen.find(u"stopSelectedButton"_s)->isEnabled(),
                               screen.find(u"forceKillButton"_s)->isEnabled()};
        };
        QCOMPARE(enabled(), (QList<bool>{true, false, false}));

        screen.store.setPortFilter(u"99"_s);
        screen.store.setSelection({302});
        screen.click(u"selectSuspiciousButton"_s);
        QCOMPARE(screen.store.selection(), (PidSet{301, 303}));
        QCOMPARE(selectedPids(screen.table()), PidSet{});
        QCOMPARE(enabled(), (QList<bool>{true, true, true}));

        // The action bar acts on all of them, shown or not.
        screen.click(u"stopSelectedButton"_s);
        QVERIFY(screen.pendingIs({301, 303}, false));
        QVERIFY(screen.cancel());

        QVERIFY(publish(screen.store, screen.feed, {record(302, Kind::node, {9999})}));
        QCOMPARE(enabled(), (QList<bool>{false, false, false}));
    }

    void confirmationNamesWhatStops()
    {
        // Memory grows with the pid, so the table lists them the other way round.
        const qint32 own = qint32(::getpid());
        QList<NodeProcess> processes{record(4123, Kind::vite, {5173}, 10, 7500, u"/home/u/shop"_s),
                                     record(own, Kind::node)};
        PidSet ten;
        QStringList expected;
        for (qint32 pid = 1001; pid <= 1010; ++pid) {
            processes << record(pid, Kind::node, {}, 1000 + pid);
            ten.insert(pid);
            expected << u"• Node · pid %1 · up 1m 0s"_s.arg(pid);
        }
        Screen screen(processes);
        QVERIFY(screen.loaded);
        const QString closing = u"Unsaved work in these dev servers will be lost."_s;

        // One process.
        screen.store.setSelection({4123});
        screen.click(u"stopSelectedButton"_s);
        QCOMPARE(boxes(&screen.view).size(), 1);
        QMessageBox *box = screen.dialog();
        QCOMPARE(texts(box),
                 (QStringList{u"Stop 1 process?"_s,
                              u"• Vite · pid 4123 · up 2h 5m · port 5173\n   "
                              "/home/u/shop\n   flagged: Vite dev server\n"_s
                                  + closing}));
        QCOMPARE(buttonTextsInOrder(box), (QStringList{u"Stop (SIGTERM)"_s, u"Cancel"_s}));
        box->reject(); // Escape, or closing the window, dismisses it like Cancel
        QVERIFY(!screen.view.pending());

        // Ten: eight by ascending pid, then the rest counted.
        screen.store.setSelection(ten);
        screen.click(u"stopSelectedButton"_s);
        expected = expected.mid(0, 8) << u"…and 2 more not listed here."_s << closing;
        QCOMPARE(texts(screen.dialog()), (QStringList{u"Stop 10 processes?"_s, expected.join('\n')}));
        QVERIFY(screen.cancel());

        // Processes gone since the last reload leave only the closing sentence; no ids, no dialog.
        screen.view.requestKill({2'000'000'000}, false);
        QCOMPARE(screen.dialog()->informativeText(), closing);
        QVERIFY(screen.cancel());
        screen.view.requestKill({}, true);
        QVERIFY(!screen.view.pending() && boxes(&screen.view).isEmpty());

        // SIGKILL. The store refuses to signal this test's own process, which makes a failure line
        // without sending anything anywhere; failures show in one alert.
        screen.store.setSelection({own});
        screen.click(u"forceKillButton"_s);
        QVERIFY(screen.dialog()->informativeText().endsWith(
            u"\nSIGKILL stops them immediately, with no chance to clean up. Unsaved work is lost."_s));
        buttonLabelled(screen.dialog(), u"Force Kill (SIGKILL)"_s)->click();
        const QString line = u"pid %1: refusing to signal this process"_s.arg(own);
        QTRY_COMPARE(screen.view.errorMessage(), std::optional(line));
        QTRY_COMPARE(boxes(&screen.view).size(), 1);
        QCOMPARE(texts(screen.dialog()), (QStringList{u"Some processes could not be stopped"_s, line}));
        QCOMPARE(buttonTextsInOrder(screen.dialog()), QStringList{u"OK"_s});
        buttonLabelled(screen.dialog(), u"OK"_s)->click();
        QVERIFY(!screen.view.errorMessage());
        QTRY_VERIFY(boxes(&screen.view).isEmpty());
    }

    void headerClicksOrderTheStore()
    {
        Screen screen({record(3, Kind::vite, {5173}, 300, 10), record(1, Kind::react, {3000}, 100, 30),
                       record(2, Kind::node, {}, 200, 20)});
        QVERIFY(screen.loaded);
        ProcessTableView *table = screen.table();
        QHeaderView *header = table->horizontalHeader();
        const auto shown = [table] { return pids(table->processModel()->rows()); };
        const auto indicator = [header] {
            return std::pair(header->sortIndicatorSection(), header->sortIndicatorOrder());
        };
        QCOMPARE(shown(), (Pids{3, 2, 1}));
        QCOMPARE(indicator(), std::pair(int(Model::MemoryColumn), Qt::DescendingOrder));

        // A new column goes first, ascending, ahead of the previous key; a second click flips it.
        clickHeader(table, Model::PidColumn);
        QCOMPARE(screen.store.sortOrder(),
                 (ProcessSortOrder{{Key::pid, Qt::AscendingOrder}, {Key::memoryBytes, Qt::DescendingOrder}}));
        QCOMPARE(shown(), (Pids{1, 2, 3}));
        QCOMPARE(indicator(), std::pair(int(Model::PidColumn), Qt::AscendingOrder));
        clickHeader(table, Model::PidColumn);
        QCOMPARE(indicator(), std::pair(int(Model::PidColumn), Qt::DescendingOrder));
        clickHeader(table, Model::MemoryColumn);
        QCOMPARE(screen.store.sortOrder(),
                 (ProcessSortOrder{{Key::memoryBytes, Qt::AscendingOrder}, {Key::pid, Qt::DescendingOrder}}));
        for (const auto &[column, key] :
             {std::pair{Model::TypeColumn, Key::kind}, std::pair{Model::PortsColumn, Key::portsText},
              std::pair{Model::UptimeColumn, Key::elapsedSeconds}, std::pair{Model::CommandColumn, Key::command}}) {
            clickHeader(table, column);
            QCOMPARE(screen.store.sortOrder().first(), (ProcessComparator{key, Qt::AscendingOrder}));
            QCOMPARE(shown(), pids(screen.store.visible()));
        }

        // The status column does not sort, and its click leaves the indicator where the order is.
        const ProcessSortOrder before = screen.store.sortOrder();
        clickHeader(table, Model::StatusColumn);
        QCOMPARE(screen.store.sortOrder(), before);
        QCOMPARE(indicator(), std::pair(int(Model::CommandColumn), Qt::AscendingOrder));

        // An order set elsewhere shows in the header.
        screen.store.setSortOrder({{Key::elapsedSeconds, Qt::DescendingOrder}});
        QCOMPARE(indicator(), std::pair(int(Model::UptimeColumn), Qt::DescendingOrder));
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
        QVERIFY(menu && menu->actions().size() == 2);
        QCOMPARE((QStringList{menu->actions().at(0)->text(), menu->actions().at(1)->text()}),
                 (QStringList{u"Stop (SIGTERM)"_s, u"Force Kill (SIGKILL)"_s}));
        menu->actions().at(0)->trigger();
        menu->hide();
        QVERIFY(screen.pendingIs({1, 2, 9}, false));
        QVERIFY(screen.cancel());

        // On a row outside it: that row alone, and the selection stays as it was.
        menu = openContextMenu(table, 2);
        QVERIFY(menu);
        menu->actions().at(1)->trigger();
        menu->hide();
        QVERIFY(screen.pendingIs({3}, true));
        QCOMPARE(screen.store.selection(), (PidSet{1, 2, 9}));
        QVERIFY(screen.cancel());

        // A right click on an unselected row leaves the selection alone too.
        QTest::mouseClick(table->viewport(), Qt::RightButton, {}, cellCentre(table, 2));
        QCOMPARE(screen.store.selection(), (PidSet{1, 2, 9}));

        // Below the last row: no menu, no request.
        QVERIFY(!openContextMenu(table, -1));
        QVERIFY(!screen.view.pending());
        QCOMPARE(table->contextIds(-1), PidSet{});
    }

    // The buttons, the menu and the keys are one pair of actions, enabled with the buttons
    // (the window's test presses Shift+Delete).
    void stopActionsAreTheButtonsAndKeys()
    {
        Screen screen({record(1, Kind::node), record(2, Kind::node)});
        QVERIFY(screen.loaded);
        auto *stop = screen.find<QAction>(u"stopAction"_s);
        auto *forceKill = screen.find<QAction>(u"forceKillAction"_s);
        QVERIFY(!stop->isEnabled() && !screen.find(u"stopSelectedButton"_s)->isEnabled());
        QVERIFY(!forceKill->isEnabled() && !screen.find(u"forceKillButton"_s)->isEnabled());

        screen.store.setSelection({2});
        QVERIFY(forceKill->isEnabled() && screen.find(u"forceKillButton"_s)->isEnabled());
        screen.click(u"forceKillButton"_s);
        QVERIFY(screen.pendingIs({2}, true));
        QVERIFY(screen.cancel());
    }

    void selectionIsKeptByPid()
    {
        const auto node = [](qint32 pid, qint64 rssKB) { return record(pid, Kind::node, {9000 + pid}, rssKB); };
        Screen screen({node(1, 100), node(2, 200), node(3, 300)});
        QVERIFY(screen.loaded);
        ProcessTableView *table = screen.table();
        clickRow(table, 2);
        QCOMPARE(screen.store.selection(), PidSet{1});

        // pid 1 grows to the top of the list; its row moves and stays selected.
        QVERIFY(publish(screen.store, screen.feed, {node(1, 900), node(2, 200), node(3, 300)}));
        QCOMPARE(selectedPids(table), PidSet{1});
        QCOMPARE(table->selectionModel()->selectedRows().value(0).row(), 0);

        // Ctrl adds; a gone process drops out of the selection.
        clickRow(table, 2, Qt::ControlModifier);
        QCOMPARE(screen.store.selection(), (PidSet{1, 2}));
        QVERIFY(publish(screen.store, screen.feed, {node(1, 900), node(3, 300)}));
        QCOMPARE(screen.store.selection(), PidSet{1});
        QCOMPARE(selectedPids(table), PidSet{1});

        // Rows the filter hides stay selected through a Ctrl-click, and go with a plain click.
        screen.store.setSelection({1, 3});
        screen.store.setPortFilter(u"9001"_s);
        QCOMPARE(selectedPids(table), PidSet{1});
        clickRow(table, 0, Qt::ControlModifier);
        QCOMPARE(screen.store.selection(), PidSet{3});
        clickRow(table, 0);
        QCOMPARE(screen.store.selection(), PidSet{1});
    }

    void refreshAndItsShortcut()
    {
        Screen screen({record(1, Kind::node)}, true);
        QVERIFY(screen.loaded);
        auto *spinner = screen.find<ProgressSpinner>(u"loadingSpinner"_s);
        auto *refresh = screen.find<QPushButton>(u"refreshButton"_s);
        QCOMPARE(refresh->text(), u"Refresh"_s);

        // Appearing with no processes started the first reload; it waits at the gate, and a click
        // meanwhile starts no second one.
        QVERIFY(screen.store.isLoading());
        QVERIFY(spinner->isVisible() && spinner->isSpinning());
        QTest::mouseClick(refresh, Qt::LeftButton);
        QVERIFY(refresh->isEnabled());
        screen.feed.allowOneScan();
        QTRY_VERIFY(!screen.store.isLoading());
        QVERIFY(!spinner->isVisible());
        QCOMPARE(screen.feed.scans(), 1);

        // Shown again with processes: no rescan. Ctrl+R: one.
        screen.view.hide();
        screen.view.show();
        QVERIFY(!screen.store.isLoading());
        screen.view.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&screen.view));
        QTest::keyClick(&screen.view, Qt::Key_R, Qt::ControlModifier);
        QTRY_VERIFY(screen.store.isLoading());
        QVERIFY(spinner->isVisible());
        screen.feed.allowOneScan();
        QTRY_VERIFY(!screen.store.isLoading());
        QCOMPARE(screen.feed.scans(), 2);
        // F5, the desktop's refresh key, as well.
        QTest::keyClick(&screen.view, Qt::Key_F5);
        QTRY_VERIFY(screen.store.isLoading());
        screen.feed.allowOneScan();
        QTRY_VERIFY(!screen.store.isLoading());
        QCOMPARE(screen.feed.scans(), 3);
    }

    void aRefreshWhileTheDialogIsOpenChangesNothingSignalled()
    {
        // Sleepers stand in for dev servers; any still running is killed and reaped on the way out.
        std::array<QProcess, 3> children;
        const auto reap = qScopeGuard([&children] {
            for (QProcess &child : children) {
                child.kill();
                child.waitForFinished(10000);
            }
        });
        QList<NodeProcess> sleepers;
        for (QProcess &child : children) {
            child.start(u"/bin/sleep"_s, {u"60"_s});
            QVERIFY(child.waitForStarted(10000));
            sleepers << record(qint32(child.processId()), Kind::node, {}, 1000, 1, std::nullopt, u"sleep 60"_s);
        }
        const qint32 firstPid = sleepers.at(0).pid;
        Screen screen(sleepers.mid(0, 2));
        QVERIFY(screen.loaded);
        screen.store.setSelection({firstPid});
        screen.click(u"stopSelectedButton"_s);
        QMessageBox *box = screen.dialog();
        QVERIFY(box);
        const QString message = box->informativeText();
        QVERIFY(message.contains(u"pid %1"_s.arg(firstPid)));

        // While the box is open the selection changes and a reload brings other processes.
        screen.store.setSelection({sleepers.at(1).pid});
        QVERIFY(publish(screen.store, screen.feed, sleepers.mid(1)));
        QCOMPARE(boxes(&screen.view), QList<QMessageBox *>{box});
        QCOMPARE(box->informativeText(), message);
        QVERIFY(screen.pendingIs({firstPid}, false));

        // The box is gone before any signal goes out.
        bool boxOpenWhenKilling = false;
        connect(&screen.store, &ProcessStore::isLoadingChanged, this, [&] {
            if (screen.store.isLoading())
                boxOpenWhenKilling = !boxes(&screen.view).isEmpty();
        });
        const int scansBefore = screen.feed.scans();
        buttonLabelled(box, u"Stop (SIGTERM)"_s)->click();
        QVERIFY(!screen.view.pending());
        QTRY_COMPARE(screen.feed.scans(), scansBefore + 1);
        QTRY_COMPARE(children[0].state(), QProcess::NotRunning);
        QCOMPARE(std::pair(children[0].exitStatus(), children[0].exitCode()), std::pair(QProcess::CrashExit, SIGTERM));
        QVERIFY(!boxOpenWhenKilling);
        QTRY_VERIFY(!screen.store.isLoading());
        QCOMPARE(std::pair(children[1].state(), children[2].state()), std::pair(QProcess::Running, QProcess::Running));
        QVERIFY(boxes(&screen.view).isEmpty() && !screen.view.errorMessage());
    }

    void tableModelShowsTheColumnsAndCells()
    {
        TableFixture table;
        QCOMPARE(pids(table.model.rows()), (Pids{4, 3, 2, 1}));
        QStringList titles;
        for (int column = 0; column < table.model.columnCount(); ++column)
            titles << table.model.headerData(column, Qt::Horizontal).toString();
        QCOMPARE(titles, (QStringList{QString(), "Ports", "Type", "Uptime", "PID", "Memory", "Command"}));

        const auto cell = [&](int row, int column, int role = Qt::DisplayRole) {
            return table.cell(row, column, role);
        };
        QCOMPARE((QVariantList{
                     cell(1, Model::PortsColumn), cell(2, Model::PortsColumn), cell(1, Model::TypeColumn),
                     cell(0, Model::MemoryColumn), cell(0, Model::MemoryColumn, Model::SortRole),
                     cell(0, Model::StatusColumn, Model::SortRole), cell(3, Model::CommandColumn, Model::DirectoryRole),
                     cell(2, Model::CommandColumn, Model::DirectoryRole), cell(0, Model::StatusColumn, Qt::ToolTipRole),
                     cell(1, Model::StatusColumn, Qt::ToolTipRole)}),
                 (QVariantList{u"3000, 8080"_s, u"—"_s, u"Next.js"_s, u"400.0 KB"_s, qint64(409600), QVariant(),
                               u"/a"_s, QVariant(), u"Running"_s, u"Flagged: Next.js dev server"_s}));
        const auto weight = [&](int row) {
            return cell(row, Model::PortsColumn, Qt::FontRole).value<QFont>().weight();
        };
        QCOMPARE((QList<QFont::Weight>{weight(1), weight(2)}), (QList<QFont::Weight>{QFont::DemiBold, QFont::Normal}));
        QVERIFY(!cell(1, Model::TypeColumn, Qt::DecorationRole).value<QIcon>().isNull());
    }

    void tableModelUpdatesAChangedRecordInPlace()
    {
        TableFixture table;
        const ModelSignals spies(table.model);
        table.records[1].elapsedSeconds = 99;
        QVERIFY(table.publish(table.records));
        QCOMPARE(spies.resets.size() + spies.layouts.size() + spies.removed.size() + spies.inserted.size(), 0);
        QCOMPARE(spies.changed.size(), 1);
        QCOMPARE(spies.changed.first().at(0).value<QModelIndex>().row(), 2);
        QCOMPARE(table.cell(2, Model::UptimeColumn).toString(), u"1m 39s"_s);
    }

    void tableModelMovesRowsWithTheirPersistentIndexesOnANewOrder()
    {
        TableFixture table;
        const ModelSignals spies(table.model);
        const QPersistentModelIndex two = table.model.index(2, Model::PidColumn);
        table.store.setSortOrder({{Key::pid, Qt::AscendingOrder}});
        QVERIFY(table.matches());
        QCOMPARE(std::pair(spies.layouts.size(), spies.resets.size()), std::pair(qsizetype(1), qsizetype(0)));
        QCOMPARE(std::pair(two.row(), two.data(Model::IdRole).toInt()), std::pair(1, 2));
    }

    void tableModelInsertsAndRemovesOnlyComersAndGoers()
    {
        TableFixture table;
        table.store.setSortOrder({{Key::pid, Qt::AscendingOrder}});
        const ModelSignals spies(table.model);
        const QPersistentModelIndex two = table.model.index(1, Model::PidColumn);
        // 1 and 3 were not next to each other; 5 and 6 arrive together at the bottom.
        QVERIFY(table.publish({record(5, Kind::nodemon), table.records[1], table.records[3], record(6, Kind::node)}));
        QVERIFY(table.matches());
        QCOMPARE(
            (QList<qsizetype>{spies.resets.size(), spies.layouts.size(), spies.removed.size(), spies.inserted.size()}),
            (QList<qsizetype>{0, 0, 2, 1}));
        QCOMPARE(two.row(), 0);

        table.store.setPortFilter(u"99"_s);
        QVERIFY(table.matches() && !two.isValid());
        table.store.setPortFilter(QString());
        table.store.setShowOnlyHanging(true);
        QCOMPARE(pids(table.model.rows()), Pids{5});
    }

    // Past a few dozen runs, the goers move to the bottom and go in one run: no reset, so
    // the rows that stay keep their persistent indexes.
    void tableModelRemovesManyScatteredGoersInOneRun()
    {
        TableFixture table;
        QList<NodeProcess> many;
        for (qint32 pid = 1; pid <= 200; ++pid)
            many << record(pid, Kind::node, {}, pid);
        QVERIFY(table.publish(many));
        const QPersistentModelIndex kept = table.model.index(*table.model.rowOf(7), Model::PidColumn);
        const ModelSignals spies(table.model);
        many.removeIf([](const NodeProcess &process) { return process.pid % 2 == 0; });
        QVERIFY(table.publish(many) && table.matches());
        QCOMPARE((QList<qsizetype>{spies.resets.size(), spies.layouts.size(), spies.removed.size()}),
                 (QList<qsizetype>{0, 1, 1}));
        QCOMPARE(kept.data(Model::IdRole).toInt(), 7);
    }

    // sort() from a generic caller leaves the order alone for the status column, which does not sort.
    void tableModelStatusColumnDoesNotSort()
    {
        TableFixture table;
        const ProcessSortOrder before = table.store.sortOrder();
        table.model.sort(Model::StatusColumn);
        QCOMPARE(table.store.sortOrder(), before);
    }

    // Needs a real node; signals only the server this test started.
    void freeingARealPortEndToEnd()
    {
        QList<int> candidates = ProcessScanner::devPorts().values();
        std::sort(candidates.begin(), candidates.end());
        // Named as Next.js names its server, which Debian's lsof does not list; in a folder with a space.
        NodeServer server;
        server.setTitle(u"next-server (v15.0.0)"_s);
        QVERIFY2(server.start(candidates), qPrintable(server.error()));
        const int port = server.port();

        QuaylightApp app(ProcessScanner::scan, {});
        MainWindow *window = app.window();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        auto *view = qobject_cast<PortsView *>(window->rootView()->screen(RootView::Section::ports));
        QVERIFY(view);
        const auto cardFor = [view, port]() -> BlockedPortCard * {
            const QList<BlockedPortCard *> cards = view->findChildren<BlockedPortCard *>();
            const auto found =
                std::ranges::find(cards, port, [](const BlockedPortCard *card) { return card->blockedPort().port; });
            return found == cards.end() ? nullptr : *found;
        };
        auto *badge = window->findChild<BlockedBadge *>();
        const auto badgeNames = [badge, port] {
            return badge->isVisible() && badge->text().chopped(7).split(u", "_s).contains(QString::number(port));
        };
        QTRY_VERIFY_WITH_TIMEOUT(cardFor(), 30000);
        QTRY_VERIFY(badgeNames());
        BlockedPortCard *card = cardFor();
        QVERIFY(server.directory().contains(u' '));
        const QString pidText = u"· pid %1"_s.arg(server.pid());
        QCOMPARE(cardTexts(card).mid(1, 4),
                 (QStringList{card->blockedPort().summary(), pidText, server.directory(), u"Next.js dev server"_s}));
        QVERIFY(card->blockedPort().summary().startsWith(u"Next.js · "_s));

        auto *free = card->findChild<QPushButton *>(u"freePortButton"_s);
        // A new card is laid out on the next pass of the event loop; only then can it be clicked.
        QTRY_VERIFY(!free->rect().isEmpty());
        QTest::mouseClick(free, Qt::LeftButton);
        QMessageBox *box = boxes(window).value(0);
        QVERIFY(box);
        QCOMPARE(box->text(), u"Stop whatever is holding port %1?"_s.arg(port));
        // Before anything is confirmed: the request holds this test's server and nothing else.
        QCOMPARE(view->pending()->ids, PidSet{server.pid()});
        buttonLabelled(box, u"Stop (SIGTERM)"_s)->click();

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
