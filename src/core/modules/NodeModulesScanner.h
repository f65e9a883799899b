#pragma once

#include "core/modules/CancelToken.h"
#include "core/modules/NodeModule.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QStringList>

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
// folders are skipped. Checks token once per folder and stops early, with what it
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
// resolved against parentPath, then standardised) and shares nothing; a broken link
// weighs 0. Cut short by the token, the record carries a partial size.
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
// top-level path", "outside the scanned folder"), or nothing when it may be.
[[nodiscard]] std::optional<QString> deletionRefusal(const QByteArray &path,
                                                     const std::optional<QByteArray> &root);

// Trashes or removes each record's node_modules entry after the safety test, in input
// order, never stopping early. The folders from root down to the one holding
// node_modules are opened without following links, so a folder swapped for a link
// since the scan fails the deletion (without root, the parent folder is opened as
// its path says). A node_modules that is a link goes as a link. Trash mode follows
// the freedesktop.org Trash specification (see Trash) and never falls back to
// removing. A failure is an error line "{projectName}: {strerror text}", also when a
// removal got partway.
[[nodiscard]] DeletionResult deleteModules(const QList<NodeModule> &modules, DeletionMode mode,
                                           const std::optional<QByteArray> &root);

} // namespace NodeModulesScanner
