#include "ui/shell/MainWindow.h"

#include "core/modules/ScanStore.h"
#include "ui/kit/Dialogs.h"
#include "ui/kit/Icons.h"
#include "ui/kit/Theme.h"
#include "ui/shell/RootView.h"
#include "updates/CheckForUpdatesCommand.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QMenuBar>
#include <QMessageBox>

MainWindow::MainWindow(ProcessStore &processes, ScanStore &scan, UpdaterController &updater, const QUrl &productPage,
                       QWidget *parent)
    : QMainWindow(parent)
    , m_scan(scan)
    , m_productPage(productPage)
    , m_rootView(new RootView(processes, scan, productPage))
{
    setObjectName(QStringLiteral("main"));
    m_rootView->setMinimumSize(s_minimumContentSize);
    setCentralWidget(m_rootView);
    // As desktop applications do, the title names what the window shows.
    showTitle();
    connect(m_rootView, &RootView::selectionChanged, this, &MainWindow::showTitle);
    buildMenus(updater);
}

void MainWindow::showTitle()
{
    setWindowTitle(Sections::rawValue(m_rootView->selection()) + QStringLiteral(" — Quaylight"));
}

void MainWindow::buildMenus(UpdaterController &updater)
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    QAction *quit = file->addAction(QStringLiteral("Quit Quaylight"));
    quit->setShortcut(QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);
    // Closing the window is what quits, so Quit takes the same road.
    connect(quit, &QAction::triggered, this, &QWidget::close);

    QMenu *help = menuBar()->addMenu(QStringLiteral("&Help"));
    if (!m_productPage.isEmpty()) {
        QAction *page = help->addAction(QStringLiteral("Quaylight Help"));
        page->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Question));
        page->setShortcutContext(Qt::ApplicationShortcut);
        connect(page, &QAction::triggered, this, [this] { QDesktopServices::openUrl(m_productPage); });
        help->addSeparator();
    }
    QAction *about = help->addAction(QStringLiteral("About Quaylight"));
    about->setMenuRole(QAction::AboutRole);
    connect(about, &QAction::triggered, this, &MainWindow::showAbout);
    help->addAction(new CheckForUpdatesCommand(updater, help));
}

void MainWindow::showAbout()
{
    QString message = QCoreApplication::applicationVersion().isEmpty()
        ? QString()
        : QStringLiteral("Version %1\n\n").arg(QCoreApplication::applicationVersion());
    message += QStringLiteral("See which Node processes hold your dev ports, and reclaim the space "
                              "your node_modules folders take.");
    Dialogs::inform(this, QStringLiteral("Quaylight"), message,
                    Icons::pixmap(QStringLiteral("powerplug.fill"), 48, Theme::nodeGreen(), devicePixelRatioF()));
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_quitConfirmed || !m_scan.isDeleting()) {
        QMainWindow::closeEvent(event);
        return;
    }
    // Hiding the window while the removal goes on would leave its outcome unseen, and a
    // logout in that gap a half-deleted tree nobody learns about.
    event->ignore();
    if (m_quitQuestion) {
        m_quitQuestion->activateWindow();
        return;
    }
    m_quitQuestion = Dialogs::confirm(
        this, QStringLiteral("A deletion is still running. Quit anyway?"),
        QStringLiteral("Quitting stops it between two files: what is gone stays gone, the rest stays in place."),
        QStringLiteral("Quit"), this, [this] {
            m_quitConfirmed = true;
            close();
        });
    m_quitQuestion->setObjectName(QStringLiteral("quitWhileDeleting"));
    for (QAbstractButton *button : m_quitQuestion->buttons()) {
        if (m_quitQuestion->buttonRole(button) == QMessageBox::RejectRole)
            button->setText(QStringLiteral("Wait"));
    }
}
