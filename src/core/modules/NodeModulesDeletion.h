#pragma once

#include "core/modules/NodeModule.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QStringList>

#include <functional>
#include <optional>

// Deletes node_modules folders found by a scan, to the Trash or permanently, after a
// safety test. Stateless and reentrant; the deletion blocks and runs on a worker thread,
// never the GUI thread. No link is followed while removing.
namespace NodeModulesScanner {

enum class DeletionMode { trash, permanent };

[[nodiscard]] QString rawValue(DeletionMode mode);

struct DeletionResult
{
    QSet<QByteArray> removedIDs;
    QStringList errors;            // "{projectName}: {strerror text}", input order
    QStringList refusals;          // "{modulePath}: {reason}", input order
    QList<QByteArray> trashedURLs; // absolute paths in a Trash's files/, input order
    // Bytes the removals gave back (files whose last link went, and folders), also by
    // removals that failed part-way; 0 in trash mode.
    qint64 freedBytes = 0;

    friend bool operator==(const DeletionResult &, const DeletionResult &) = default;
};

// Why path must not be deleted ("not a node_modules directory", "refusing to delete a
// top-level path", "outside the scanned folder"), or nothing when it may be. An empty
// or relative root is no folder anyone scanned: everything is outside it.
[[nodiscard]] std::optional<QString> deletionRefusal(const QByteArray &path, const std::optional<QByteArray> &root);

// A scan's root as typed and where it really lies: its physical path (no link, no ".."),
// resolved by the kernel as the walk resolves it. Deleting a record of the scan goes
// through this folder, so a link on the way that changed since, or a ".." after a link
// that reads differently as text, can never lead a deletion to a folder the walk did
// not measure.
struct ScanRoot
{
    QByteArray path;
    QByteArray physicalPath;
};

// Resolves root once; nothing (errno set) when it cannot be opened or its physical path
// is too long to be known. Blocking.
[[nodiscard]] std::optional<ScanRoot> resolveRoot(const QByteArray &root);

struct DeletionControl
{
    // The scan the records come from; when absent, root is resolved as the deletion starts.
    std::optional<ScanRoot> scanned;
    // Asked between records and between the entries of a removal; once true, nothing more
    // is touched and the records not reached yet are left out of the result.
    std::function<bool()> stopRequested;
    // Called on the deleting thread as each record's turn comes, with its position from 1.
    std::function<void(qsizetype handled)> progress;
};

// Trashes or removes each record's node_modules entry after the safety test, in input
// order, never stopping early unless asked to. The folders from the scan's root down to
// the one holding node_modules are opened without following links, so a folder swapped
// for a link since the scan fails the deletion (without root, the parent folder is opened
// as its path says). A node_modules that is a link goes as a link; one that is a mount
// point is left alone (EBUSY). Trash mode follows the freedesktop.org Trash rules (see
// Trash) and never falls back to removing. A failure is an error line
// "{projectName}: {what failed}: {reason}", also when a removal got partway; what failed
// is "could not open the scanned folder", "could not open its folder", "could not move to
// the Trash" or "could not delete permanently", the reason the system's wording or the
// trash folder that was not safe to use.
[[nodiscard]] DeletionResult deleteModules(const QList<NodeModule> &modules, DeletionMode mode,
                                           const std::optional<QByteArray> &root, const DeletionControl &control = {});

} // namespace NodeModulesScanner
