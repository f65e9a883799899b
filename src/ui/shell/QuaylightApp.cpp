#include "ui/shell/QuaylightApp.h"

#include "core/modules/ScanStore.h"
#include "ui/kit/Dialogs.h"
#include "ui/kit/Icons.h"
#include "ui/kit/Theme.h"
#include "ui/shell/MainWindow.h"
#include "updates/UpdaterController.h"

#include <QApplication>
#include <QIcon>
#include <QScreen>

namespace {
// Room for the window manager's title bar and borders.
constexpr QSize s_frameAllowance{16, 48};
} // namespace

QuaylightApp::QuaylightApp(QObject *parent)
    : QuaylightApp(ProcessScanner::scan, configuredProductPage(), parent)
{
}

QuaylightApp::QuaylightApp(ProcessStore::ScanFunction scan, const QUrl &productPage, QObject *parent)
    : QObject(parent)
    , m_scan(std::make_unique<ScanStore>())
    , m_processes(std::make_unique<ProcessStore>(std::move(scan)))
    , m_updater(std::make_unique<UpdaterController>())
    , m_window(std::make_unique<MainWindow>(*m_processes, *m_scan, *m_updater, productPage))
{
    connect(m_updater.get(), &UpdaterController::answered, m_window.get(),
            [window = m_window.get()](const QString &title, const QString &message) {
                Dialogs::inform(window, title, message);
            });
    // The installed application icon; the plug glyph when running from the build tree.
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral(QUAYLIGHT_APP_ID),
                                                 Icons::icon(QStringLiteral("powerplug.fill"), Theme::nodeGreen())));
    // The preferred size, or less on a small screen: the window never starts larger than
    // the screen, so its action and status bars stay in sight.
    QSize size(1100, 720);
    if (const QScreen *screen = m_window->screen())
        size = size.boundedTo(screen->availableGeometry().size() - s_frameAllowance);
    m_window->resize(size.expandedTo(m_window->minimumSizeHint()));
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

QuaylightApp::~QuaylightApp() = default;

QUrl QuaylightApp::configuredProductPage()
{
    const QUrl page(QStringLiteral(QUAYLIGHT_HOMEPAGE), QUrl::StrictMode);
    if (!page.isValid() || page.host().isEmpty())
        return {};
    if (page.scheme() != QLatin1String("https") && page.scheme() != QLatin1String("http"))
        return {};
    return page;
}
