#include "core/modules/NodeModulesDeletion.h"

#include "core/Concurrency.h"
#include "core/fs/FilePaths.h"
#include "core/fs/Trash.h"
#include "core/fs/TreeRemover.h"

#include <cerrno>
#include <fcntl.h>

namespace NodeModulesScanner {

namespace {

const QByteArray s_nodeModules = QByteArrayLiteral("node_modules");

QString failureLine(const NodeModule &module, const QString &what, const QString &reason)
{
    return module.projectName + QStringLiteral(": ") + what + QStringLiteral(": ") + reason;
}

} // namespace

QString rawValue(DeletionMode mode)
{
    return mode == DeletionMode::trash ? QStringLiteral("trash") : QStringLiteral("permanent");
}

std::optional<QString> deletionRefusal(const QByteArray &path, const std::optional<QByteArray> &root)
{
    const QByteArray p = FilePaths::standardise(path);
    if (FilePaths::lastComponent(p) != s_nodeModules)
        return QStringLiteral("not a node_modules directory");
    if (p.count('/') < 2)
        return QStringLiteral("refusing to delete a top-level path");
    if (!root)
        return std::nullopt;
    // Made absolute, an empty or relative root would be judged against the working
    // folder, which from "/" lets everything pass.
    if (!root->startsWith('/'))
        return QStringLiteral("outside the scanned folder");
    QByteArray r = FilePaths::standardise(*root);
    if (!r.endsWith('/'))
        r += '/';
    if (!p.startsWith(r))
        return QStringLiteral("outside the scanned folder");
    return std::nullopt;
}

std::optional<ScanRoot> resolveRoot(const QByteArray &root)
{
    assertNotGuiThread(__func__);
    if (!root.startsWith('/')) {
        errno = ENOENT;
        return std::nullopt;
    }
    const FileDescriptor fd = FilePaths::openLongPath(root, O_PATH | O_DIRECTORY);
    if (!fd.isValid())
        return std::nullopt;
    std::optional<QByteArray> physical = FilePaths::physicalPath(fd.get());
    if (!physical)
        return std::nullopt;
    return ScanRoot{root, *physical};
}

DeletionResult deleteModules(const QList<NodeModule> &modules, DeletionMode mode, const std::optional<QByteArray> &root,
                             const DeletionControl &control)
{
    assertNotGuiThread(__func__);
    DeletionResult result;
    const auto stopped = [&control] { return control.stopRequested && control.stopRequested(); };
    std::optional<ScanRoot> scanned = control.scanned;
    int rootError = 0;
    if (root && !scanned && root->startsWith('/')) {
        scanned = resolveRoot(*root);
        rootError = scanned ? 0 : errno;
    }
    qsizetype handled = 0;
    for (const NodeModule &module : modules) {
        if (stopped())
            break;
        ++handled;
        if (control.progress)
            control.progress(handled);
        std::optional<QString> reason = deletionRefusal(module.modulePath, root);
        // The record must also lie in the folder it was found in, which is where it
        // is looked for.
        if (!reason && scanned)
            reason = deletionRefusal(module.modulePath, scanned->path);
        if (reason) {
            result.refusals.append(pathText(module.modulePath) + QStringLiteral(": ") + *reason);
            continue;
        }
        // Act on the standardised path: the one the safety test judged.
        const QByteArray path = FilePaths::standardise(module.modulePath);
        const QByteArray parent = path.left(path.size() - s_nodeModules.size() - 1);
        FileDescriptor parentFd;
        if (!root) {
            parentFd =
                FilePaths::openLongPath(parent.isEmpty() ? QByteArrayLiteral("/") : parent, O_PATH | O_DIRECTORY);
        } else if (!scanned) {
            result.errors.append(failureLine(module, QStringLiteral("could not open the scanned folder"),
                                             FilePaths::errorText(rootError)));
            continue;
        } else {
            // Below the scan's root nothing is followed; the root itself is the folder
            // the walk started from, wherever links and ".." led it.
            const QByteArray rootPath = FilePaths::standardise(scanned->path);
            const FileDescriptor rootFd = FilePaths::openLongPath(scanned->physicalPath, O_PATH | O_DIRECTORY);
            if (!rootFd.isValid()) {
                result.errors.append(failureLine(module, QStringLiteral("could not open the scanned folder"),
                                                 FilePaths::errorText(errno)));
                continue;
            }
            parentFd = FilePaths::openBeneath(rootFd.get(), parent.mid(rootPath == "/" ? 1 : rootPath.size() + 1));
        }
        if (!parentFd.isValid()) {
            result.errors.append(
                failureLine(module, QStringLiteral("could not open its folder"), FilePaths::errorText(errno)));
            continue;
        }
        QByteArray location;
        if (mode == DeletionMode::trash) {
            const Trash::Outcome outcome = Trash::moveToTrash(parentFd.get(), s_nodeModules, path);
            if (outcome.error != 0) {
                const QString why = outcome.problem.isEmpty() ? FilePaths::errorText(outcome.error) : outcome.problem;
                result.errors.append(failureLine(module, QStringLiteral("could not move to the Trash"), why));
                continue;
            }
            location = outcome.location;
        } else {
            TreeRemover remover;
            remover.setStopRequested(control.stopRequested);
            const int error = remover.remove(parentFd.get(), s_nodeModules.constData());
            // A removal that got partway still gave back what it unlinked.
            result.freedBytes += remover.freedBytes();
            if (error != 0) {
                result.errors.append(
                    failureLine(module, QStringLiteral("could not delete permanently"), FilePaths::errorText(error)));
                continue;
            }
        }
        result.removedIDs.insert(module.id);
        if (!location.isEmpty())
            result.trashedURLs.append(location);
    }
    return result;
}

} // namespace NodeModulesScanner
