#include "updates/CheckForUpdatesCommand.h"

#include "updates/UpdaterController.h"

CheckForUpdatesCommand::CheckForUpdatesCommand(UpdaterController &updater, QObject *parent)
    : QAction(QStringLiteral("Check for Updates…"), parent)
{
    setMenuRole(QAction::ApplicationSpecificRole);
    connect(this, &QAction::triggered, &updater, &UpdaterController::checkForUpdates);
}
