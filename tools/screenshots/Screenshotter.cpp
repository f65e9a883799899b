#include "Screenshotter.h"

#include "KitGallery.h"
#include "SampleProcesses.h"
#include "ui/MainWindow.h"
#include "ui/QuaylightApp.h"
#include "ui/RootView.h"
#include "ui/kit/Dialogs.h"
#include "updates/UpdaterController.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QPixmap>
#include <QStyle>

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

QString fileStem(RootView::Section section)
{
    return RootView::rawValue(section).toLower().replace(QLatin1Char(' '), QLatin1Char('-'));
}

} // namespace

Screenshotter::Screenshotter(const QDir &outputFolder)
    : m_outputFolder(outputFolder)
{
}

bool Screenshotter::renderAll(const QPalette &palette, const QString &suffix)
{
    QApplication::setPalette(palette);
    QuaylightApp app(sampleProcesses, QuaylightApp::configuredProductPage());
    app.window()->resize(s_windowSize);
    settle(app, 3000);

    bool written = true;
    for (const RootView::Section section : RootView::allSections()) {
        app.window()->rootView()->setSelection(section);
        QApplication::processEvents();
        const QString path = m_outputFolder.filePath(fileStem(section) + suffix + QStringLiteral(".png"));
        written = app.window()->grab().save(path) && written;
    }

    app.updater().checkForUpdates();
    QApplication::processEvents();
    for (QMessageBox *box : Dialogs::openMessageBoxes(app.window())) {
        written = box->grab().save(m_outputFolder.filePath(QStringLiteral("updates") + suffix + QStringLiteral(".png")))
                  && written;
        box->close();
    }

    QObject context;
    QMessageBox *confirm = Dialogs::confirm(
        app.window(), QStringLiteral("Stop whatever is holding port 3000?"),
        QStringLiteral("• Next.js · pid 48377 · up 47m 12s · port 3000\n   /home/sam/code/marketing\n"
                       "Unsaved work in these dev servers will be lost."),
        QStringLiteral("Stop (SIGTERM)"), &context, [] {});
    QApplication::processEvents();
    written = confirm->grab().save(m_outputFolder.filePath(QStringLiteral("confirmation") + suffix
                                                           + QStringLiteral(".png")))
              && written;
    confirm->close();

    KitGallery gallery;
    gallery.resize(s_windowSize);
    gallery.show();
    QApplication::processEvents();
    written = gallery.grab().save(m_outputFolder.filePath(QStringLiteral("kit") + suffix + QStringLiteral(".png")))
              && written;
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
