#pragma once

#include "core/modules/CancelToken.h"
#include "core/modules/NodeModule.h"
#include "core/modules/NodeModulesDeletion.h"

#include <QByteArray>
#include <QList>

#include <optional>

// Finds and measures node_modules folders (deleting them: NodeModulesDeletion.h). Stateless and reentrant; every
// file-system function blocks and runs on a worker thread, never the GUI thread.
// Paths are the file system's bytes, of any length; names are decoded only for
// display. Links are never followed while walking, sizing or removing, and reading
// folders does not move their access dates.
namespace NodeModulesScanner {

// The folders under root (root included) that hold an entry named node_modules, in
// visiting order: depth first, siblings last-listed first. Never enters node_modules,
// hidden or __pycache__ folders, nor links (root itself may be one). Unreadable
// folders are skipped. Notes every folder it lists on token, as it goes. Checks token once per folder and stops early,
// with what it found so far, once it is cancelled.
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

} // namespace NodeModulesScanner
