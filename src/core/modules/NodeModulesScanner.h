#pragma once

#include "core/modules/CancelToken.h"
#include "core/modules/NodeModule.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QStringList>

#include <functional>
#include <optional>

// Finds, measures and deletes node_modules folders. Stateless and reentrant; every
// file-system function blocks and runs on a worker thread, never the GUI thread.
// Paths are the file system's bytes, of any length; names are decoded only for
// display. Links are never followed while walking, sizing or removing, and reading
// folders does not move their access dates.
namespace NodeModulesScanner {

// The folders under root (root included) that hold an entry named node_modules, in
// visiting order: depth first, siblings last-listed first. Never enters node_modules,
// hidden or __pycache__ folders, nor links (root itself may be one). Unreadable
// folders are skipped. Notes every folder it lists on token, as it goes. Checks token once per folder and stops early, with what it
// found so far, once it is cancelled.
[[nodiscard]] QList<QByteArray> findParentDirs(const QByteArray &root, const CancelToken &token);

// Bytes allocated on disk (st_blocks * 512) by the tree at path as du -s counts them:
// the folders, files and links in it, each inode once however many links it has
// (path itself may be a link; nothing inside is followed). Unreadable parts add
// nothing; 0 when path is no folder. Checks token once per entry and returns the
// total so far once it is cancelled.
[[nodiscard]] qint64 directorySize(const QByteArray &path, const CancelToken &token);

// The record of parentPath's node_modules entry, or nothing when there is none. A
// folder is sized as directorySize does; the inodes with links outside it are its
// sharedBytes and sharedInodes. A link is sized at its target (relative destinations
// resolved against parentPath, then standardised) when the target, links followed, is a
// folder named node_modules, else its size is NodeModule::s_sizeNotMeasured; a link
// shares nothing and a broken one weighs 0. Cut short by the token, the record carries
// a partial size.
[[nodiscard]] std::optional<NodeModule> measure(const QByteArray &parentPath, const QByteArray &root,
                                                const CancelToken &token);

// "(root)", the first folder below root, or the parent's full path outside root.
[[nodiscard]] QString groupKey(const QByteArray &parentPath, const QByteArray &root);

// Absolute and lexically normal ("." and ".." and trailing "/" removed, links kept).
[[nodiscard]] QByteArray standardise(const QByteArray &path);

enum class DeletionMode { trash, permanent };

[[nodiscard]] QString rawValue(DeletionMode mode);

struct DeletionResult
{
    QSet<QByteArray> removedIDs;
    QStringList errors; // "{projectName}: {strerror text}", input order
    QStringList refusals; // "{modulePath}: {reason}", input order
    QList<QByteArray> trashedURLs; // absolute paths in a Trash's files/, input order
    // Bytes the removals gave back (files whose last link went, and folders), also by
    // removals that failed part-way; 0 in trash mode.
    qint64 freedBytes = 0;

    friend bool operator==(const DeletionResult &, const DeletionResult &) = default;
};

// Why path must not be deleted ("not a node_modules directory", "refusing to delete a
// top-level path", "outside the scanned folder"), or nothing when it may be. An empty
// or relative root is no folder anyone scanned: everything is outside it.
[[nodiscard]] std::optional<QString> deletionRefusal(const QByteArray &path,
                                                     const std::optional<QByteArray> &root);

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
                                           const std::optional<QByteArray> &root,
                                           const DeletionControl &control = {});

} // namespace NodeModulesScanner
