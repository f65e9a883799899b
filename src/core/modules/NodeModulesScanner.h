#pragma once

#include "core/modules/CancelToken.h"
#include "core/modules/NodeModule.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QStringList>

#include <optional>

// Finds, measures and deletes node_modules folders. Stateless; every function
// blocks and runs on a worker thread, never the GUI thread. Paths are bytes.
// Links are never followed while walking, sizing or removing.
namespace NodeModulesScanner {

// The folders under root (root included) that hold an entry named node_modules, in
// visiting order. Stops early, with what it found so far, once token is cancelled.
[[nodiscard]] QList<QByteArray> findParentDirs(const QByteArray &root, const CancelToken &token);

// Bytes allocated on disk (st_blocks * 512) by the regular files of the tree at path.
// Unreadable parts add nothing; a cancelled token returns the total so far.
[[nodiscard]] qint64 directorySize(const QByteArray &path, const CancelToken &token);

// The record of parentPath's node_modules entry, or nothing when there is none.
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

    friend bool operator==(const DeletionResult &, const DeletionResult &) = default;
};

// Why path must not be deleted ("not a node_modules directory", "refusing to delete a
// top-level path", "outside the scanned folder"), or nothing when it may be.
[[nodiscard]] std::optional<QString> deletionRefusal(const QByteArray &path,
                                                     const std::optional<QByteArray> &root);

// Trashes or removes each record's node_modules entry after the safety test. Never
// stops early; never follows a link; a failure leaves the item where it was and
// becomes an error line.
[[nodiscard]] DeletionResult deleteModules(const QList<NodeModule> &modules, DeletionMode mode,
                                           const std::optional<QByteArray> &root);

} // namespace NodeModulesScanner
