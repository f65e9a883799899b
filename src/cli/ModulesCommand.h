#pragma once

#include "cli/CliOptions.h"

#include <QDateTime>
#include <QHash>

class InterruptWatcher;
class ScanStore;
struct NodeModule;

// `scan` and `clean`: the scan store's walk, figures, refusals and deletion, on the
// terminal. Main thread; each run() blocks in a local event loop and returns the exit
// status. Ctrl-C cancels a scan through its token and ends a clean between two folders,
// so no folder is left half moved and no .trashinfo half written.
class ModulesCommand
{
public:
    ModulesCommand(const CliOptions &options, const InterruptWatcher &interrupts);

    [[nodiscard]] int runScan();
    [[nodiscard]] int runClean();

private:
    // The folder's problem as a usage error, or nothing when it is a folder.
    [[nodiscard]] std::optional<QString> folderError() const;
    // Scans the folder into store with a progress line; nothing when it was scanned, else
    // the exit status the command ends with (a usage error, or interrupted).
    [[nodiscard]] std::optional<int> scan(ScanStore &store);
    // The store's records in its sort order, each with its project's last activity.
    [[nodiscard]] QList<NodeModule> sorted(const ScanStore &store);
    [[nodiscard]] QString table(const QList<NodeModule> &modules) const;

    const CliOptions &m_options;
    const InterruptWatcher &m_interrupts;
    QHash<QByteArray, QDateTime> m_activity;
};
