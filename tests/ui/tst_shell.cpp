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
#include <QScopeGuard>
#include <QSplitter>
#include <QSplitterHandle>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>

namespace {

const QUrl s_productPage(QStringLiteral("https://example.org/quaylight"));

QStringList actionTexts(const QMenu *menu)
{
    QStringList texts;
    for (const QAction *action : menu->actions()) {
        if (!action->isSeparator())
            texts << action->text();
    }
    return texts;
}

QAction *actionTitled(const MainWindow *window, const QString &text)
{
    for (QAction *action : window->findChildren<QAction *>()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

QString labelText(const QWidget *root, const QString &name)
{
    const auto *label = root->findChild<QLabel *>(name);
    return label ? label->text() : QString();
}

int boxesSaying(const QWidget *window, const QString &words)
{
    int found = 0;
    for (const QMessageBox *box : Dialogs::openMessageBoxes(window))
        found += box->text().contains(words) || box->informativeText().contains(words) ? 1 : 0;
    return found;
}

} // namespace

class UrlCatcher : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl &url) { opened << url; }
};

class TestShell : public QObject
{
    Q_OBJECT

private slots:
    void init() { QCoreApplication::setApplicationVersion(QStringLiteral("0.1.0")); }

    void opensOnPortsInOneWindow()
    {
        Feed feed;
        QuaylightApp app(feed.function(), s_productPage);
        MainWindow *window = app.window();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QCOMPARE(window->windowTitle(), QStringLiteral("Quaylight"));

        auto *list = window->findChild<QListWidget *>(QStringLiteral("sidebarList"));
        QVERIFY(list);
        QStringList titles;
        for (int row = 0; row < list->count(); ++row)
            titles << list->item(row)->text();
        QCOMPARE(titles, (QStringList{QStringLiteral("Ports"), QStringLiteral("Disk cleanup"),
                                      QStringLiteral("Breakdown")}));
        QCOMPARE(list->currentRow(), 0);
        auto *screens = window->findChild<QStackedWidget *>(QStringLiteral("screens"));
        QVERIFY(qobject_cast<PortsView *>(screens->currentWidget()));

        // Choosing a section with the mouse shows its screen, with the status bar still flush under it.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(2)).center());
        QTRY_VERIFY(qobject_cast<ProvenanceView *>(screens->currentWidget()));
        QCOMPARE(window->rootView()->selection(), RootView::Section::breakdown);
        auto *statusBar = window->findChild<StatusBar *>();
        QCOMPARE(statusBar->parentWidget(), screens->parentWidget());
        QCOMPARE(statusBar->geometry().top(), screens->geometry().bottom() + 1);
        QCOMPARE(statusBar->width(), screens->width());

        QCOMPARE(RootView::sectionFromRawValue(QStringLiteral("Disk cleanup")), RootView::Section::disk);
        QCOMPARE(RootView::sectionFromRawValue(QStringLiteral("disk cleanup")), std::nullopt);
    }

    // Needs the process store's real reload.
    void portsScreenLoadsWhenItAppearsEmpty()
    {
        Feed feed;
        feed.set({record(101, NodeProcess::Kind::vite, {3000})});
        QuaylightApp app(feed.function(), {});
        QTRY_COMPARE(feed.scans(), 1);
        QTRY_COMPARE(app.processStore().processes().size(), 1);
        RootView *root = app.window()->rootView();
        root->setSelection(RootView::Section::disk);
        root->setSelection(RootView::Section::ports);
        QTest::qWait(50);
        QCOMPARE(feed.scans(), 1);
    }

    // Needs the process store's real reload and blocked ports.
    void badgeFollowsBlockedPorts()
    {
        Feed feed;
        QuaylightApp app(feed.function(), {});
        MainWindow *window = app.window();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        auto *badge = window->findChild<QWidget *>(QStringLiteral("blockedBadge"));
        auto *list = window->findChild<QListWidget *>(QStringLiteral("sidebarList"));
        QVERIFY(badge && list);
        QTRY_VERIFY(!app.processStore().isLoading());
        QVERIFY(!badge->isVisible());
        const int fullHeight = list->height();
        const auto vite = [](qint32 pid, QList<int> ports) { return record(pid, NodeProcess::Kind::vite, ports); };

        // Ports ascending, joined by ", "; a process on a port that is not a dev port adds nothing.
        QVERIFY(publish(app.processStore(), feed, {vite(300, {5173}), vite(200, {3000, 9999})}));
        QTRY_COMPARE(labelText(badge, QStringLiteral("blockedBadgeText")), QStringLiteral("3000, 5173 in use"));
        QVERIFY(badge->isVisible());
        QVERIFY(list->height() < fullHeight);
        QVERIFY(badge->geometry().bottom() > list->geometry().bottom());

        QVERIFY(publish(app.processStore(), feed, {vite(400, {9999})}));
        QTRY_VERIFY(!badge->isVisible());
        QTRY_COMPARE(list->height(), fullHeight);
    }

    // Needs the process store's real reload.
    void statusReadingForms()
    {
        Feed feed(true);
        QuaylightApp app(feed.function(), {});
        // Declared after the app, so a scan still held at the gate when a check fails is let
        // through before the store waits for it on destruction.
        const auto release = qScopeGuard([&feed] { feed.open(); });
        StatusBar *statusBar = app.window()->findChild<StatusBar *>();
        QVERIFY(statusBar);
        const auto reading = [statusBar] { return labelText(statusBar, QStringLiteral("statusReading")); };
        // The Ports screen starts the first scan as the window opens; it waits at the gate.
        QTRY_VERIFY(app.processStore().isLoading());
        QCOMPARE(reading(), QStringLiteral("scanning…"));
        feed.allowOneScan();
        QTRY_COMPARE(reading(), QStringLiteral("no Node processes"));

        feed.set({record(1, NodeProcess::Kind::vite)});
        feed.allowOneScan();
        (void)app.processStore().reload();
        QTRY_COMPARE(reading(), QStringLiteral("1 Node process · dev ports checked"));

        // Loading wins whatever the count.
        feed.set({record(1, NodeProcess::Kind::vite), record(2, NodeProcess::Kind::vite, {3000}),
                  record(3, NodeProcess::Kind::vite)});
        (void)app.processStore().reload();
        QTRY_COMPARE(reading(), QStringLiteral("scanning…"));
        feed.allowOneScan();
        QTRY_COMPARE(reading(), QStringLiteral("3 Node processes · dev ports checked"));
    }

    void statusBarIdentity_data()
    {
        QTest::addColumn<QString>("version");
        QTest::newRow("version") << QStringLiteral("0.1.0");
        QTest::newRow("no version") << QString();
    }

    void statusBarIdentity()
    {
        QFETCH(QString, version);
        QCoreApplication::setApplicationVersion(version);
        Feed feed;
        QuaylightApp app(feed.function(), {});
        StatusBar *statusBar = app.window()->findChild<StatusBar *>();
        QVERIFY(QTest::qWaitForWindowExposed(app.window()));

        auto *name = statusBar->findChild<QLabel *>(QStringLiteral("statusName"));
        auto *dot = statusBar->findChild<QLabel *>(QStringLiteral("statusDot"));
        auto *versionLabel = statusBar->findChild<QLabel *>(QStringLiteral("statusVersion"));
        QCOMPARE(name->text(), QStringLiteral("Quaylight"));
        QCOMPARE(dot->text(), QStringLiteral("·"));
        if (version.isEmpty()) {
            QVERIFY(!versionLabel);
            // "Quaylight" is followed directly by the dot.
            QCOMPARE(dot->x(), name->geometry().right() + 1 + 6);
        } else {
            QVERIFY(versionLabel);
            QCOMPARE(versionLabel->text(), QStringLiteral("v0.1.0"));
            QVERIFY(versionLabel->x() > name->x() && versionLabel->x() < dot->x());
        }
        QCOMPARE(statusBar->findChildren<QLabel *>(QStringLiteral("statusSeparator")).size(), 2);
        QVERIFY(!labelText(statusBar, QStringLiteral("statusCredit")).isEmpty());
    }

    void windowAndSidebarSizes()
    {
        Feed feed;
        QuaylightApp app(feed.function(), {});
        MainWindow *window = app.window();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        window->resize(300, 200);
        QApplication::processEvents();
        QVERIFY(window->centralWidget()->width() >= 940);
        QVERIFY(window->centralWidget()->height() >= 620);

        window->resize(1100, 720);
        QApplication::processEvents();
        auto *splitter = window->findChild<QSplitter *>(QStringLiteral("rootSplitter"));
        auto *sidebar = splitter->widget(0);
        QCOMPARE(sidebar->width(), 200);

        // Dragging the divider stops at 180 on one side and 240 on the other.
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
    }

    void menusWithAndWithoutProductPage()
    {
        Feed feed;
        const auto helpItems = [](const MainWindow *window) {
            QStringList items;
            for (const QAction *top : window->menuBar()->actions()) {
                if (top->text().remove(QLatin1Char('&')) == QStringLiteral("Help"))
                    items = actionTexts(top->menu());
            }
            return items;
        };
        {
            QuaylightApp bare(feed.function(), {});
            QCOMPARE(helpItems(bare.window()),
                     (QStringList{QStringLiteral("About Quaylight"), QStringLiteral("Check for Updates…")}));
            QVERIFY(!actionTitled(bare.window(), QStringLiteral("Quaylight Help")));
            QVERIFY(!bare.window()->findChild<QLabel *>(QStringLiteral("homeLink")));
        }

        QuaylightApp app(feed.function(), s_productPage);
        MainWindow *window = app.window();
        QVERIFY(QTest::qWaitForWindowActive(window));
        for (const QAction *top : window->menuBar()->actions()) {
            for (const QString &text : actionTexts(top->menu()))
                QVERIFY2(!text.contains(QStringLiteral("New Window")), qPrintable(text));
        }
        QCOMPARE(helpItems(window), (QStringList{QStringLiteral("Quaylight Help"), QStringLiteral("About Quaylight"),
                                                 QStringLiteral("Check for Updates…")}));
        QCOMPARE(actionTitled(window, QStringLiteral("Quaylight Help"))->shortcut(),
                 QKeySequence(Qt::CTRL | Qt::Key_Question));
        QVERIFY(labelText(window, QStringLiteral("homeLink")).contains(QStringLiteral("Quaylight Home")));

        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
        QTest::keyClick(window, Qt::Key_Question, Qt::ControlModifier);
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QCOMPARE(catcher.opened, QList<QUrl>{s_productPage});
    }

    void aboutAndEveryUpdateCheckOpenWithoutBlocking()
    {
        Feed feed;
        QuaylightApp app(feed.function(), {});
        MainWindow *window = app.window();
        QVERIFY(QTest::qWaitForWindowExposed(window));

        actionTitled(window, QStringLiteral("About Quaylight"))->trigger();
        QTRY_COMPARE(boxesSaying(window, QStringLiteral("Version 0.1.0")), 1);
        Dialogs::openMessageBoxes(window).first()->buttons().first()->click();
        QTRY_VERIFY(Dialogs::openMessageBoxes(window).isEmpty());

        QAction *check = actionTitled(window, QStringLiteral("Check for Updates…"));
        QVERIFY(check && check->isEnabled());
        check->trigger();
        check->trigger();
        QTRY_COMPARE(boxesSaying(window, QStringLiteral("package manager")), 2);
        for (QMessageBox *box : Dialogs::openMessageBoxes(window))
            box->buttons().first()->click();
        QTRY_VERIFY(Dialogs::openMessageBoxes(window).isEmpty());
    }

    void closingTheWindowEndsTheEventLoop()
    {
        Feed feed;
        QuaylightApp app(feed.function(), {});
        QVERIFY(QTest::qWaitForWindowExposed(app.window()));
        QTimer::singleShot(0, app.window(), &QWidget::close);
        // A watchdog, so a window that fails to quit fails the test instead of hanging it.
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, &watchdog, [] { QCoreApplication::exit(1); });
        watchdog.start(10'000);
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(!app.window()->isVisible());
    }
};

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
