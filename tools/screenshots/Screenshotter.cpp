#include "Screenshotter.h"

#include "KitGallery.h"
#include "SampleModules.h"
#include "SampleProcesses.h"
#include "core/modules/ScanStore.h"
#include "ui/kit/Dialogs.h"
#include "ui/modules/ModulesView.h"
#include "ui/ports/BlockedPortCard.h"
#include "ui/shell/MainWindow.h"
#include "ui/shell/QuaylightApp.h"
#include "ui/shell/RootView.h"
#include "updates/UpdaterController.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QSemaphore>
#include <QStyle>

using NodeModulesScanner::DeletionMode;

namespace {

constexpr QSize s_windowSize{1100, 720};

// Lets the window settle: layouts, the first reload and its publication.
void settle(const QuaylightApp &app, int milliseconds)
{
    QDeadlineTimer deadline(milliseconds);
    while (!deadline.hasExpired()) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        if (!app.processStore().isLoading() && !app.processStore().processes().isEmpty())
            break;
    }
    QApplication::processEvents();
}

// Lets short animations end, such as the field's clear button fading in.
void letAnimationsEnd()
{
    QDeadlineTimer deadline(300);
    while (!deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

QString fileStem(RootView::Section section)
{
    return Sections::rawValue(section).toLower().replace(QLatin1Char(' '), QLatin1Char('-'));
}

} // namespace

Screenshotter::Screenshotter(const QDir &outputFolder)
    : m_outputFolder(outputFolder)
{
}

bool Screenshotter::renderAll(const QPalette &palette, const QString &suffix)
{
    QApplication::setPalette(palette);
    bool written = true;
    const auto save = [this, &suffix, &written](QWidget *widget, const QString &stem) {
        // Wrapped text settles in a second layout pass, posted by the first.
        for (int pass = 0; pass < 3; ++pass)
            QApplication::processEvents();
        // Once at 1× and once at 2×, as on a high-density screen: drawn again, not scaled.
        for (const int scale : {1, 2}) {
            QPixmap pixmap(widget->size() * scale);
            pixmap.setDevicePixelRatio(scale);
            pixmap.fill(Qt::transparent);
            widget->render(&pixmap);
            const QString name =
                stem + suffix + (scale == 1 ? QString() : QStringLiteral("@2x")) + QStringLiteral(".png");
            written = pixmap.save(m_outputFolder.filePath(name)) && written;
        }
    };

    {
        QuaylightApp app(sampleProcesses, QuaylightApp::configuredProductPage());
        app.window()->resize(s_windowSize);
        settle(app, 3000);

        for (const RootView::Section section : Sections::all()) {
            app.window()->rootView()->setSelection(section);
            QApplication::processEvents();
            save(app.window(), fileStem(section));
        }

        app.updater().checkForUpdates();
        QApplication::processEvents();
        for (QMessageBox *box : Dialogs::openMessageBoxes(app.window())) {
            save(box, QStringLiteral("updates"));
            box->close();
        }

        // The confirmation as the Ports screen opens it from the card of port 3000.
        app.window()->rootView()->setSelection(RootView::Section::ports);
        QApplication::processEvents();
        for (BlockedPortCard *card : app.window()->findChildren<BlockedPortCard *>()) {
            if (card->blockedPort().port == 3000)
                card->findChild<QPushButton *>(QStringLiteral("freePortButton"))->click();
        }
        QApplication::processEvents();
        const QList<QMessageBox *> boxes = Dialogs::openMessageBoxes(app.window());
        written = !boxes.isEmpty() && written;
        for (QMessageBox *box : boxes) {
            save(box, QStringLiteral("confirmation"));
            box->close();
        }
        QApplication::processEvents();

        // Suspicious processes selected, some of them hidden by the lookup field.
        app.processStore().setPortFilter(QStringLiteral("80"));
        app.window()->findChild<QPushButton *>(QStringLiteral("selectSuspiciousButton"))->click();
        letAnimationsEnd();
        save(app.window(), QStringLiteral("ports-selection"));
    }

    {
        // The first process scan still running: the screen says so, and shows no counts.
        const auto gate = std::make_shared<QSemaphore>();
        QuaylightApp app(
            [gate] {
                gate->acquire();
                return sampleProcesses();
            },
            QuaylightApp::configuredProductPage());
        app.window()->resize(s_windowSize);
        QApplication::processEvents();
        save(app.window(), QStringLiteral("ports-loading"));
        gate->release();
        settle(app, 3000);
    }

    {
        QuaylightApp app(allClearProcesses, QuaylightApp::configuredProductPage());
        app.window()->resize(s_windowSize);
        settle(app, 3000);
        save(app.window(), QStringLiteral("ports-all-clear"));

        app.processStore().setPortFilter(QStringLiteral("4000"));
        letAnimationsEnd();
        save(app.window(), QStringLiteral("ports-no-match"));

        // Before any scan.
        app.window()->rootView()->setSelection(RootView::Section::breakdown);
        QApplication::processEvents();
        save(app.window(), QStringLiteral("breakdown-empty"));
    }

    {
        // The Disk cleanup screen over a real scan store fed with the sample records.
        ProcessStore processes(sampleProcesses);
        ScanStore modules(sampleWalk(), sampleMeasure());
        UpdaterController updater;
        MainWindow window(processes, modules, updater, QuaylightApp::configuredProductPage());
        window.resize(s_windowSize);
        window.show();
        window.rootView()->setSelection(RootView::Section::disk);
        modules.setRootPath(sampleRoot());
        QApplication::processEvents();
        save(&window, QStringLiteral("disk-cleanup-empty"));

        {
            // A long walk under way: its count of visited folders next to the spinner.
            const auto gate = std::make_shared<QSemaphore>();
            ScanStore walking(
                [gate](const QByteArray &, const CancelToken &token) {
                    for (int folder = 0; folder < 48'213; ++folder)
                        token.noteFolder(folder % 4000 == 0);
                    gate->acquire();
                    return QList<QByteArray>();
                },
                sampleMeasure());
            MainWindow scanning(processes, walking, updater, QuaylightApp::configuredProductPage());
            scanning.resize(s_windowSize);
            scanning.show();
            scanning.rootView()->setSelection(RootView::Section::disk);
            walking.setRootPath(QStringLiteral("/"));
            walking.startScan();
            QDeadlineTimer shown(3000);
            while (walking.progressText().isEmpty() && !shown.hasExpired())
                QApplication::processEvents(QEventLoop::AllEvents, 20);
            QApplication::processEvents();
            save(&scanning, QStringLiteral("disk-cleanup-scanning"));
            walking.cancel();
            gate->release();
        }

        modules.setRootPath(QStringLiteral("/"));
        modules.startScan();
        QDeadlineTimer deadline(5000);
        while (modules.isScanning() && !deadline.hasExpired())
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        modules.setRootPath(sampleRoot());
        written = !modules.modules().isEmpty() && written;

        const auto idOf = [](const char *project) {
            return sampleRoot().toUtf8() + '/' + QByteArray(project) + "/node_modules";
        };
        modules.setSelection({idOf("storefront"), idOf("archive/gatsby-blog")});
        QApplication::processEvents();
        save(&window, QStringLiteral("disk-cleanup"));

        modules.setGroupByFolder(true);
        QApplication::processEvents();
        save(&window, QStringLiteral("disk-cleanup-grouped"));
        modules.setGroupByFolder(false);

        // The same records charted.
        window.rootView()->setSelection(RootView::Section::breakdown);
        QApplication::processEvents();
        save(&window, fileStem(RootView::Section::breakdown));
        window.rootView()->setSelection(RootView::Section::disk);
        QApplication::processEvents();

        auto *view = qobject_cast<ModulesView *>(window.rootView()->screen(RootView::Section::disk));
        view->requestDeletion({idOf("storefront"), idOf("experiments/pnpm-demo")}, DeletionMode::permanent);
        QApplication::processEvents();
        const QList<QMessageBox *> boxes = Dialogs::openMessageBoxes(&window);
        written = !boxes.isEmpty() && written;
        for (QMessageBox *box : boxes) {
            save(box, QStringLiteral("disk-cleanup-confirmation"));
            box->close();
        }
        QApplication::processEvents();
    }

    KitGallery gallery;
    gallery.resize(s_windowSize);
    gallery.show();
    QApplication::processEvents();
    save(&gallery, QStringLiteral("kit"));
    return written;
}

QPalette Screenshotter::darkPalette()
{
    QPalette dark;
    const QColor window(0x2b, 0x2b, 0x2e);
    const QColor base(0x1f, 0x1f, 0x22);
    const QColor text(0xec, 0xec, 0xee);
    dark.setColor(QPalette::Window, window);
    dark.setColor(QPalette::WindowText, text);
    dark.setColor(QPalette::Base, base);
    dark.setColor(QPalette::AlternateBase, window.lighter(110));
    dark.setColor(QPalette::Text, text);
    dark.setColor(QPalette::Button, window.lighter(118));
    dark.setColor(QPalette::ButtonText, text);
    dark.setColor(QPalette::BrightText, Qt::white);
    dark.setColor(QPalette::Highlight, QColor(0x3d, 0x8b, 0xe0));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::Link, QColor(0x6c, 0xae, 0xf5));
    dark.setColor(QPalette::ToolTipBase, window.lighter(130));
    dark.setColor(QPalette::ToolTipText, text);
    dark.setColor(QPalette::PlaceholderText, QColor(0x8e, 0x8e, 0x93));
    dark.setColor(QPalette::Light, window.lighter(150));
    dark.setColor(QPalette::Midlight, window.lighter(125));
    dark.setColor(QPalette::Mid, window.darker(120));
    dark.setColor(QPalette::Dark, window.darker(150));
    dark.setColor(QPalette::Shadow, Qt::black);
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(QPalette::Disabled, role, QColor(0x7a, 0x7a, 0x80));
    return dark;
}
