#pragma once

#include <QByteArray>
#include <QList>

// Generates folder trees shaped like real JavaScript projects, for benchmarks: every
// project has sources, a hidden .git and a node_modules of many small files in nested
// package folders (scoped packages, .bin links, a few nested node_modules). The same
// seed gives the same tree, byte for byte.
namespace ModuleTreeGenerator {

struct Tree
{
    QList<QByteArray> projects; // the folders that hold a node_modules
    qint64 moduleFiles = 0;     // regular files inside the node_modules folders
    qint64 moduleFolders = 0;
};

// About `moduleFiles` files in the node_modules of `projectCount` projects below base
// (created if missing); projects differ in size, and six of them form a monorepo.
[[nodiscard]] Tree generateProjects(const QByteArray &base, int projectCount, qint64 moduleFiles, quint32 seed = 1);

// One node_modules folder at path with exactly `files` regular files. Returns the
// number of folders made.
qint64 generateNodeModules(const QByteArray &path, qint64 files, quint32 seed = 1);

} // namespace ModuleTreeGenerator
