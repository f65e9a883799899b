#include "updates/UpdaterController.h"

#include <QCoreApplication>

UpdaterController::UpdaterController(QObject *parent)
    : QObject(parent)
{
    start();
}

void UpdaterController::start()
{
    // Nothing to schedule: there is no feed to poll, the package manager does that.
    m_started = true;
}

void UpdaterController::checkForUpdates()
{
    const QString version = QCoreApplication::applicationVersion();
    QString message =
        QStringLiteral("Quaylight is updated through your system’s package manager. Install updates with your "
                       "distribution’s software updater, or with its package tool (for example apt upgrade).");
    if (!version.isEmpty())
        message += QStringLiteral("\n\nThis is Quaylight %1.").arg(version);
    emit answered(QStringLiteral("Updates come from your package manager"), message);
}
