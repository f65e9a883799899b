#include "core/modules/ScanStore.h"
#include "support/MessageBoxButtons.h"
#include "support/ProcessFeed.h"
#include "support/TestTrees.h"
#include "ui/breakdown/ProvenanceView.h"
#include "ui/kit/Dialogs.h"
#include "ui/kit/StatTile.h"
#include "ui/modules/ModulesView.h"
#include "ui/ports/PortsView.h"
#include "ui/ports/ProcessTableView.h"
#include "ui/shell/MainWindow.h"
#include "ui/shell/QuaylightApp.h"
#include "ui/shell/RootView.h"
#include "ui/shell/StatusBar.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QSplitter>
#include <QSplitterHandle>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>

using namespace Qt::StringLiterals;
using Kind = NodeProcess::Kind;
using PidSet = QSet<qint32>;

namespace {

const QUrl s_productPage(u"https://example.org/quaylight"_s);

// The items of the menu bar's menus, separators left out, by menu title without its mnemonic.
QMap<QString, QStringList> menuItems(const MainWindow *window)
{
    QMap<QString, QStringList> items;
    for (const QAction *top : window->menuBar()->actions())
        for (const QAction *action : top->menu()->actions())
            if (!action->isSeparator())
                items[top->text().remove(u'&')] << action->text();
    return items;
}

QAction *actionTitled(const MainWindow *window, const QString &text)
{
    const QList<QAction *> actions = window->findChildren<QAction *>();
    const auto found = std::ranges::find(actions, text, &QAction::text);
    return found == actions.end() ? nullptr : *found;
}

QString labelText(const QWidget *root, const QString &name)
{
    const auto *label = root->findChild<QLabel *>(name);
    return label ? label->text() : QString();
}

int boxesSaying(const QWidget *window, const QString &words)
{
    return int(std::ranges::count_if(Dialogs::openMessageBoxes(window), [&words](const QMessageBox *box) {
        return box->text().contains(words) || box->informativeText().contains(words);
    }));
}

// The widgets Tab reaches from start, in order, until the focus comes round to start again.
QList<QWidget *> tabChain(QWidget *start)
{
    start->setFocus(Qt::TabFocusReason);
    QList<QWidget *> chain{start};
    for (int step = 0; step < 100; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget *now = QApplication::focusWidget();
        if (!now || now == start)
            break;
        chain << now;
    }
    return chain;
}

// Return pressed in box, made the active window as the window manager would.
void pressReturnIn(QMessageBox *box)
{
    QApplication::setActiveWindow(box);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
}

// The buttons, fields and lists of screen that the keyboard can reach now.
QList<QWidget *> controls(const QWidget *screen)
{
    QList<QWidget *> found = screen->findChildren<QWidget *>();
    found.removeIf([screen](const QWidget *widget) {
        const bool control = qobject_cast<const QAbstractButton *>(widget) || qobject_cast<const QLineEdit *>(widget)
            || qobject_cast<const QAbstractItemView *>(widget);
        return !control || !widget->isVisibleTo(screen->window()) || !widget->isEnabled()
            || !(widget->focusPolicy() & Qt::TabFocus);
    });
    return found;
}

// The shown controls under face that have no accessible name; a list's rows speak for themselves.
QStringList unnamedControls(QAccessibleInterface *face)
{
    using enum QAccessible::Role;
    static const QSet<QAccessible::Role> controlRoles{PushButton, CheckBox, RadioButton, EditableText,
                                                      Table,      List,     Tree,        ComboBox,
                                                      SpinBox,    Link,     ButtonMenu,  ButtonDropDown};
    QStringList unnamed;
    if (!face || face->state().invisible)
        return unnamed;
    if (controlRoles.contains(face->role()) && face->text(QAccessible::Name).trimmed().isEmpty())
        unnamed << (face->object() ? face->object()->objectName() : QString()) + u"/"_s
                + QString::number(int(face->role()));
    if (face->role() == Table || face->role() == List || face->role() == Tree)
        return unnamed;
    for (int index = 0; index < face->childCount(); ++index)
        unnamed << unnamedControls(face->child(index));
    return unnamed;
}

// The application over a feed. A scan still held at the gate is let through before the store
// waits for it on destruction, also when a check fails.
struct Shell
{
    explicit Shell(bool gated = false, const QUrl &productPage = {})
        : feed(gated)
        , app(feed.function(), productPage)
    {
    }
    ~Shell() { feed.open(); }

    Feed feed;
    QuaylightApp app;
    MainWindow *const window = app.window();
};

} // namespace

class TestShell : public QObject
{
    Q_OBJECT

public:
    // The handler the product page opens in.
    Q_INVOKABLE void openUrl(const QUrl &url) { m_openedUrls << url; }

private:
    QList<QUrl> m_openedUrls;

private slots:
    void init() { QCoreApplication::setApplicationVersion(u"0.1.0"_s); }

    void opensOnPortsInOneWindow()
    {
        Shell shell(false, s_productPage);
        MainWindow *window = shell.window;
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QCOMPARE(window->windowTitle(), u"Ports — Quaylight"_s);

        auto *list = window->findChild<QListWidget *>(u"sidebarList"_s);
        QVERIFY(list);
        QStringList titles;
        for (int row = 0; row < list->count(); ++row)
            titles << list->item(row)->text();
        QCOMPARE(titles, (QStringList{u"Ports"_s, u"Disk cleanup"_s, u"Breakdown"_s}));
        QCOMPARE(list->currentRow(), 0);
        auto *screens = window->findChild<QStackedWidget *>(u"screens"_s);
        QVERIFY(qobject_cast<PortsView *>(screens->currentWidget()));

        // Choosing a section with the mouse shows its screen, with the status bar still flush under it.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(2)).center());
        QTRY_VERIFY(qobject_cast<ProvenanceView *>(screens->currentWidget()));
        QCOMPARE(window->windowTitle(), u"Breakdown — Quaylight"_s);
        auto *statusBar = window->findChild<StatusBar *>();
        QCOMPARE(statusBar->parentWidget(), screens->parentWidget());
        QCOMPARE(statusBar->geometry(),
                 QRect(screens->x(), screens->geometry().bottom() + 1, screens->width(), statusBar->height()));

        // Its least size fits a 1280×720 screen with room for a title bar and a panel.
        QVERIFY(window->minimumSizeHint().width() <= 1280 && window->minimumSizeHint().height() <= 720 - 80);
        // On a screen smaller than its preferred size it starts no larger than it must.
        const QSize screen = window->screen()->availableGeometry().size();
        QVERIFY(window->height() <= std::max(window->minimumSizeHint().height(), screen.height()));
        // The window keeps its least size, and the sidebar its own between 180 and 240 as the divider is dragged.
        window->resize(300, 200);
        QApplication::processEvents();
        QVERIFY(window->centralWidget()->width() >= 940 && window->centralWidget()->height() >= 620);
        window->resize(1100, 720);
        QApplication::processEvents();
        auto *splitter = window->findChild<QSplitter *>(u"rootSplitter"_s);
        auto *sidebar = splitter->widget(0);
        QCOMPARE(sidebar->width(), 200);
        QSplitterHandle *handle = splitter->handle(1);
        auto drag = [&](int dx) {
            const QPoint grip(handle->width() / 2, handle->height() / 2);
            QTest::mousePress(handle, Qt::LeftButton, {}, grip);
            QTest::mouseMove(handle, grip + QPoint(dx, 0));
            QTest::mouseRelease(handle, Qt::LeftButton, {}, grip + QPoint(dx, 0));
            QApplication::processEvents();
        };
        drag(-150);
        QCOMPARE(sidebar->width(), 180);
        drag(300);
        QCOMPARE(sidebar->width(), 240);

        // Closing the one window ends the event loop; a watchdog fails a window that does not quit.
        QTimer::singleShot(0, window, &QWidget::close);
        QTimer::singleShot(10'000, &shell.app, [] { QCoreApplication::exit(1); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(!window->isVisible());
    }

    // Needs the process store's real reload and blocked ports.
    // Closing while a deletion runs asks first: "Wait" keeps the window, "Quit" closes it.
    void closingDuringADeletionAsksFirst()
    {
        const TestTrees::Scratch tree;
        qputenv("HOME", tree.path());
        qputenv("XDG_DATA_HOME", tree.path("data"));
        for (const QByteArray name : {"a", "b"})
            TestTrees::writeFile(tree.path("code/" + name + "/node_modules/index.js"), 100);
        QApplication::setQuitOnLastWindowClosed(false);
        const auto restore = qScopeGuard([] { QApplication::setQuitOnLastWindowClosed(true); });
        Shell shell;
        ScanStore &scan = shell.app.scanStore();
        scan.setRootPath(QFile::decodeName(tree.path("code")));
        scan.startScan();
        QTRY_COMPARE(scan.statusText(), u"Found 2 node_modules folders."_s);

        const auto closeWhileDeleting = [&](const QByteArray &project, const QString &answer) {
            using NodeModulesScanner::DeletionMode;
            const QByteArray modules = tree.path("code/" + project + "/node_modules");
            const QFuture<NodeModulesScanner::DeletionResult> deletion =
                scan.deleteModules({modules}, DeletionMode::permanent);
            shell.window->close();
            const QList<QMessageBox *> boxes = Dialogs::openMessageBoxes(shell.window);
            QCOMPARE(boxes.size(), 1);
            QCOMPARE(boxes.first()->text(), u"A deletion is still running. Quit anyway?"_s);
            QStringList buttons = buttonTextsInOrder(boxes.first());
            buttons.sort();
            QCOMPARE(buttons, (QStringList{u"Quit"_s, u"Wait"_s}));
            buttonLabelled(boxes.first(), answer)->click();
            QTRY_VERIFY(deletion.isFinished() || deletion.isCanceled());
        };
        closeWhileDeleting("a", u"Wait"_s);
        QVERIFY(shell.window->isVisible());
        closeWhileDeleting("b", u"Quit"_s);
        QVERIFY(!shell.window->isVisible());
    }

    void badgeFollowsBlockedPorts()
    {
        Shell shell;
        QVERIFY(QTest::qWaitForWindowExposed(shell.window));
        auto *badge = shell.window->findChild<QWidget *>(u"blockedBadge"_s);
        auto *list = shell.window->findChild<QListWidget *>(u"sidebarList"_s);
        QVERIFY(badge && list);
        ProcessStore &store = shell.app.processStore();
        QTRY_VERIFY(!store.isLoading());
        QVERIFY(!badge->isVisible());
        const int fullHeight = list->height();
        const auto vite = [](qint32 pid, QList<int> ports) { return record(pid, NodeProcess::Kind::vite, ports); };

        // Ports ascending, joined by ", "; a process on a port that is not a dev port adds nothing.
        QVERIFY(publish(store, shell.feed, {vite(300, {5173}), vite(200, {3000, 9999})}));
        QTRY_COMPARE(labelText(badge, u"blockedBadgeText"_s), u"3000, 5173 in use"_s);
        QVERIFY(badge->isVisible() && list->height() < fullHeight);
        QVERIFY(badge->geometry().bottom() > list->geometry().bottom());

        QVERIFY(publish(store, shell.feed, {vite(400, {9999})}));
        QTRY_VERIFY(!badge->isVisible());
        QTRY_COMPARE(list->height(), fullHeight);
    }

    // Needs the process store's real reload.
    void statusReadingForms()
    {
        Shell shell(true);
        ProcessStore &store = shell.app.processStore();
        StatusBar *statusBar = shell.window->findChild<StatusBar *>();
        QVERIFY(statusBar);
        const auto reading = [statusBar] { return labelText(statusBar, u"statusReading"_s); };
        // The Ports screen starts the first scan as the window opens; it waits at the gate.
        QTRY_VERIFY(store.isLoading());
        QCOMPARE(reading(), u"scanning…"_s);
        shell.feed.allowOneScan();
        QTRY_COMPARE(reading(), u"no Node processes"_s);

        shell.feed.set({record(1, NodeProcess::Kind::vite)});
        shell.feed.allowOneScan();
        (void)store.reload();
        QTRY_COMPARE(reading(), u"1 Node process · dev ports checked"_s);

        // Loading wins whatever the count.
        shell.feed.set({record(1, NodeProcess::Kind::vite), record(2, NodeProcess::Kind::vite, {3000}),
                        record(3, NodeProcess::Kind::vite)});
        (void)store.reload();
        QTRY_COMPARE(reading(), u"scanning…"_s);
        shell.feed.allowOneScan();
        QTRY_COMPARE(reading(), u"3 Node processes · dev ports checked"_s);
    }

    void statusBarIdentity_data()
    {
        QTest::addColumn<QString>("version");
        QTest::newRow("version") << u"0.1.0"_s;
        QTest::newRow("no version") << QString();
    }

    void statusBarIdentity()
    {
        QFETCH(QString, version);
        QCoreApplication::setApplicationVersion(version);
        Shell shell;
        QVERIFY(QTest::qWaitForWindowExposed(shell.window));
        StatusBar *statusBar = shell.window->findChild<StatusBar *>();
        auto *name = statusBar->findChild<QLabel *>(u"statusName"_s);
        auto *dot = statusBar->findChild<QLabel *>(u"statusDot"_s);
        auto *versionLabel = statusBar->findChild<QLabel *>(u"statusVersion"_s);
        QCOMPARE((QStringList{name->text(), dot->text()}), (QStringList{u"Quaylight"_s, u"·"_s}));
        if (version.isEmpty()) {
            QVERIFY(!versionLabel);
            // "Quaylight" is followed directly by the dot.
            QCOMPARE(dot->x(), name->geometry().right() + 1 + 6);
        } else {
            QCOMPARE(versionLabel ? versionLabel->text() : QString(), u"v0.1.0"_s);
            QVERIFY(versionLabel->x() > name->x() && versionLabel->x() < dot->x());
        }
        // Without a homepage one separator stands before the credit, and none dangles after it.
        const QList<QLabel *> separators = statusBar->findChildren<QLabel *>(u"statusSeparator"_s);
        auto *credit = statusBar->findChild<QLabel *>(u"statusCredit"_s);
        QVERIFY(separators.size() == 1 && separators.first()->x() < credit->x());
        QVERIFY(!credit->text().isEmpty());
    }

    void menusWithAndWithoutProductPage()
    {
        {
            Shell bare;
            QCOMPARE(menuItems(bare.window).value(u"Help"_s),
                     (QStringList{u"About Quaylight"_s, u"Check for Updates…"_s}));
            QVERIFY(!actionTitled(bare.window, u"Quaylight Help"_s));
            QVERIFY(!bare.window->findChild<QLabel *>(u"homeLink"_s));
        }

        Shell shell(false, s_productPage);
        MainWindow *window = shell.window;
        QVERIFY(QTest::qWaitForWindowActive(window));
        const QMap<QString, QStringList> menus = menuItems(window);
        for (const QStringList &items : menus)
            QVERIFY2(!items.join(u'\n').contains(u"New Window"_s), qPrintable(items.join(u", "_s)));
        QCOMPARE(menus.value(u"Help"_s),
                 (QStringList{u"Quaylight Help"_s, u"About Quaylight"_s, u"Check for Updates…"_s}));
        QCOMPARE(actionTitled(window, u"Quaylight Help"_s)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Question));
        QVERIFY(labelText(window, u"homeLink"_s).contains(u"Quaylight Home"_s));
        QCOMPARE(window->findChildren<QLabel *>(u"statusSeparator"_s).size(), 2);

        QDesktopServices::setUrlHandler(u"https"_s, this, "openUrl");
        QTest::keyClick(window, Qt::Key_Question, Qt::ControlModifier);
        QDesktopServices::unsetUrlHandler(u"https"_s);
        QCOMPARE(m_openedUrls, QList<QUrl>{s_productPage});
    }

    void aboutAndEveryUpdateCheckOpenWithoutBlocking()
    {
        Shell shell;
        MainWindow *window = shell.window;
        QVERIFY(QTest::qWaitForWindowExposed(window));

        actionTitled(window, u"About Quaylight"_s)->trigger();
        QTRY_COMPARE(boxesSaying(window, u"Version 0.1.0"_s), 1);
        Dialogs::openMessageBoxes(window).first()->buttons().first()->click();
        QTRY_VERIFY(Dialogs::openMessageBoxes(window).isEmpty());

        QAction *check = actionTitled(window, u"Check for Updates…"_s);
        QVERIFY(check && check->isEnabled());
        check->trigger();
        check->trigger();
        QTRY_COMPARE(boxesSaying(window, u"package manager"_s), 2);
        for (QMessageBox *box : Dialogs::openMessageBoxes(window))
            box->buttons().first()->click();
        QTRY_VERIFY(Dialogs::openMessageBoxes(window).isEmpty());
    }

    // Tab walks the Ports screen top to bottom, in and out of the table, and never moves its selection.
    void tabWalksThePortsScreenAndLeavesTheSelection()
    {
        Shell shell;
        MainWindow *window = shell.window;
        QVERIFY(QTest::qWaitForWindowActive(window));
        ProcessStore &store = shell.app.processStore();
        QVERIFY(publish(store, shell.feed,
                        {record(301, Kind::vite, {5173}), record(302, Kind::node, {3000}), record(303, Kind::node)}));
        store.setSelection({302});
        auto *table = window->findChild<ProcessTableView *>(u"processTable"_s);
        const QList<QWidget *> chain = tabChain(window->findChild<QLineEdit *>(u"portField"_s));
        QCOMPARE(store.selection(), PidSet{302});
        QCOMPARE(chain.count(table), 1);
        for (QWidget *control : controls(window->rootView()->screen(RootView::Section::ports)))
            QVERIFY2(chain.contains(control), qPrintable(control->objectName()));
        const auto at = [&chain, window](const QString &name) {
            return chain.indexOf(window->findChild<QWidget *>(name));
        };
        QVERIFY(at(u"refreshButton"_s) < at(u"freePortButton"_s)
                && at(u"forceFreePortButton"_s) < chain.indexOf(table));
        QVERIFY(chain.indexOf(table) < at(u"stopSelectedButton"_s));

        // Shift+Tab leaves backwards; arrows move within the table.
        table->setFocus();
        QTest::keyClick(table, Qt::Key_Backtab, Qt::ShiftModifier);
        QVERIFY(QApplication::focusWidget() != table);
        QCOMPARE(store.selection(), PidSet{302});
        table->setFocus();
        QTest::keyClick(table, Qt::Key_Home);
        const PidSet top = store.selection();
        QTest::keyClick(table, Qt::Key_End);
        QCOMPARE(QApplication::focusWidget(), table);
        QVERIFY(top.size() == 1 && store.selection().size() == 1 && store.selection() != top);
    }

    // Delete and Shift+Delete ask about the selection alone, Return in the box is Cancel, and once
    // the kill is confirmed the keyboard is back on the table.
    void portsKeysAskFirstAndFocusReturnsToTheTable()
    {
        QProcess sleeper;
        sleeper.start(u"/bin/sleep"_s, {u"60"_s});
        QVERIFY(sleeper.waitForStarted());
        const auto stop = qScopeGuard([&sleeper] {
            sleeper.kill();
            sleeper.waitForFinished();
        });
        const auto pid = qint32(sleeper.processId());

        Shell shell;
        MainWindow *window = shell.window;
        QVERIFY(QTest::qWaitForWindowActive(window));
        ProcessStore &store = shell.app.processStore();
        QVERIFY(publish(store, shell.feed, {record(pid, Kind::node), record(pid + 1'000'000, Kind::node)}));
        store.setSelection({pid});
        auto *ports = window->findChild<PortsView *>();
        auto *table = window->findChild<ProcessTableView *>(u"processTable"_s);
        table->setFocus();
        QTest::keyClick(table, Qt::Key_Delete, Qt::ShiftModifier);
        QVERIFY(ports->pending() && ports->pending()->ids == PidSet{pid} && ports->pending()->force);
        pressReturnIn(Dialogs::openMessageBoxes(window).value(0));
        QTRY_VERIFY(Dialogs::openMessageBoxes(window).isEmpty() && !ports->pending());
        QCOMPARE(sleeper.state(), QProcess::Running);

        auto *stopSelected = window->findChild<QPushButton *>(u"stopSelectedButton"_s);
        stopSelected->setFocus();
        QTest::keyClick(stopSelected, Qt::Key_Space);
        QVERIFY(ports->pending() && ports->pending()->ids == PidSet{pid} && !ports->pending()->force);
        buttonLabelled(Dialogs::openMessageBoxes(window).value(0), u"Stop (SIGTERM)"_s)->click();
        QTRY_COMPARE(sleeper.state(), QProcess::NotRunning);
        QTRY_COMPARE(window->focusWidget(), table);
    }

    // On Disk cleanup too: Tab leaves the table with its selection, keys ask first, and after a
    // deletion the keyboard is on the list, not on the button that asked.
    void diskCleanupKeysAndFocusAfterADeletion()
    {
        QTemporaryDir dir;
        for (const char *project : {"a", "b", "c"})
            QVERIFY(QDir(dir.path()).mkpath(QLatin1String(project) + u"/node_modules/x"_s));
        Shell shell;
        MainWindow *window = shell.window;
        QVERIFY(QTest::qWaitForWindowActive(window));
        window->rootView()->setSelection(RootView::Section::disk);
        QCOMPARE(window->windowTitle(), u"Disk cleanup — Quaylight"_s);
        ScanStore &scan = shell.app.scanStore();
        scan.setRootPath(dir.path());
        scan.startScan();
        QTRY_VERIFY(!scan.isScanning());
        QCOMPARE(scan.modules().size(), 3);
        const QByteArray first = scan.modules().first().id;
        scan.setSelection({first});

        auto *table = window->findChild<QAbstractItemView *>(u"moduleTable"_s);
        const QList<QWidget *> chain = tabChain(table);
        QCOMPARE(scan.selection(), QSet<QByteArray>{first});
        for (QWidget *control : controls(window->rootView()->screen(RootView::Section::disk)))
            QVERIFY2(chain.contains(control), qPrintable(control->objectName()));

        // Return opens the selection, as a double-click does; Delete asks to trash it.
        auto *view = window->findChild<ModulesView *>();
        QList<QByteArray> revealed;
        view->setRevealFunction([&revealed](const QList<QByteArray> &paths) { revealed = paths; });
        table->setFocus();
        QTest::keyClick(table, Qt::Key_Return);
        QCOMPARE(revealed, QList<QByteArray>{scan.modules().first().modulePath});
        QTest::keyClick(table, Qt::Key_Delete);
        QVERIFY(view->pending() && view->pending()->ids == QSet<QByteArray>{first});
        pressReturnIn(Dialogs::openMessageBoxes(window).value(0));
        QTRY_VERIFY(Dialogs::openMessageBoxes(window).isEmpty() && !view->pending());
        QCOMPARE(scan.modules().size(), 3);

        auto *deleteButton = window->findChild<QPushButton *>(u"deletePermanentlyButton"_s);
        deleteButton->setFocus();
        QTest::keyClick(deleteButton, Qt::Key_Space);
        QMessageBox *box = Dialogs::openMessageBoxes(window).value(0);
        QVERIFY(box && view->pending()->ids == QSet<QByteArray>{first});
        buttonLabelled(box, view->confirmButtonLabel(view->pending()))->click();
        QTRY_COMPARE(scan.modules().size(), 2);
        QCOMPARE(window->focusWidget(), table);
    }

    // While the first process scan runs, the Ports screen says it is loading, not that all is clear.
    void portsShowLoadingUntilTheFirstScanAnswers()
    {
        Shell shell(true);
        MainWindow *window = shell.window;
        ProcessStore &store = shell.app.processStore();
        QTRY_VERIFY(store.isLoading());
        const auto shows = [window](const QString &name) {
            return window->findChild<QWidget *>(name)->isVisibleTo(window);
        };
        const auto tiles = [window] {
            return QStringList{window->findChild<StatTile *>(u"heldPortsTile"_s)->value(),
                               window->findChild<StatTile *>(u"processCountTile"_s)->value()};
        };
        QCOMPARE((QList<bool>{shows(u"loadingCard"_s), shows(u"allClearCard"_s), shows(u"emptyProcessCard"_s)}),
                 (QList<bool>{true, false, false}));
        QCOMPARE(window->findChild<QLabel *>(u"loadingText"_s)->text(), store.statusText());
        QCOMPARE(tiles(), (QStringList{u"—"_s, u"—"_s}));
        shell.feed.allowOneScan();
        QTRY_VERIFY(!store.isLoading());
        QCOMPARE((QList<bool>{shows(u"loadingCard"_s), shows(u"allClearCard"_s), shows(u"emptyProcessCard"_s)}),
                 (QList<bool>{false, true, true}));
        QCOMPARE(tiles(), (QStringList{u"0"_s, u"0"_s}));
    }

    // A screen reader finds a name on every control of every screen.
    void everyControlHasAnAccessibleName()
    {
        Shell shell(false, s_productPage);
        MainWindow *window = shell.window;
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QVERIFY(publish(shell.app.processStore(), shell.feed, {record(301, Kind::vite, {5173})}));
        for (const RootView::Section section : Sections::all()) {
            window->rootView()->setSelection(section);
            const QStringList unnamed = unnamedControls(QAccessible::queryAccessibleInterface(window));
            QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u", "_s)));
        }
    }
};

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
