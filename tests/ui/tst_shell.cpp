#include "core/modules/ScanStore.h"
#include "core/modules/TestTrees.h"
#include "support/MessageBoxButtons.h"
#include "support/ProcessFeed.h"
#include "ui/MainWindow.h"
#include "ui/QuaylightApp.h"
#include "ui/RootView.h"
#include "ui/StatusBar.h"
#include "ui/breakdown/ProvenanceView.h"
#include "ui/kit/Dialogs.h"
#include "ui/ports/PortsView.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QSplitter>
#include <QSplitterHandle>
#include <QStackedWidget>
#include <QScopeGuard>
#include <QTimer>

#include <algorithm>

using namespace Qt::StringLiterals;

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

// The application over a feed. A scan still held at the gate is let through before the store
// waits for it on destruction, also when a check fails.
struct Shell
{
    explicit Shell(bool gated = false, const QUrl &productPage = {}) : feed(gated), app(feed.function(), productPage) {}
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
        QCOMPARE(window->windowTitle(), u"Quaylight"_s);

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
        QCOMPARE(window->rootView()->selection(), RootView::Section::breakdown);
        auto *statusBar = window->findChild<StatusBar *>();
        QCOMPARE(statusBar->parentWidget(), screens->parentWidget());
        QCOMPARE(statusBar->geometry(), QRect(screens->x(), screens->geometry().bottom() + 1, screens->width(),
                                              statusBar->height()));

        QCOMPARE(RootView::sectionFromRawValue(u"Disk cleanup"_s), RootView::Section::disk);
        QCOMPARE(RootView::sectionFromRawValue(u"disk cleanup"_s), std::nullopt);

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
        QCOMPARE(statusBar->findChildren<QLabel *>(u"statusSeparator"_s).size(), 2);
        QVERIFY(!labelText(statusBar, u"statusCredit"_s).isEmpty());
    }

    void menusWithAndWithoutProductPage()
    {
        {
            Shell bare;
            QCOMPARE(menuItems(bare.window).value(u"Help"_s), (QStringList{u"About Quaylight"_s, u"Check for Updates…"_s}));
            QVERIFY(!actionTitled(bare.window, u"Quaylight Help"_s));
            QVERIFY(!bare.window->findChild<QLabel *>(u"homeLink"_s));
        }

        Shell shell(false, s_productPage);
        MainWindow *window = shell.window;
        QVERIFY(QTest::qWaitForWindowActive(window));
        const QMap<QString, QStringList> menus = menuItems(window);
        for (const QStringList &items : menus)
            QVERIFY2(!items.join(u'\n').contains(u"New Window"_s), qPrintable(items.join(u", "_s)));
        QCOMPARE(menus.value(u"Help"_s), (QStringList{u"Quaylight Help"_s, u"About Quaylight"_s, u"Check for Updates…"_s}));
        QCOMPARE(actionTitled(window, u"Quaylight Help"_s)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Question));
        QVERIFY(labelText(window, u"homeLink"_s).contains(u"Quaylight Home"_s));

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
};

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
