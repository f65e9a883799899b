#pragma once

#include <QAction>

class UpdaterController;

// The "Check for Updates…" menu item: always enabled, and every choice asks the updater
// to check, however often and however quickly it is chosen.
class CheckForUpdatesCommand : public QAction
{
    Q_OBJECT

public:
    explicit CheckForUpdatesCommand(UpdaterController &updater, QObject *parent = nullptr);
};
