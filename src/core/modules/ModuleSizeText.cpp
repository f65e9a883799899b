#include "core/modules/ModuleSizeText.h"

#include "core/ByteFormat.h"

QString sizeText(const NodeModule &module)
{
    if (!module.isSymlink) {
        const QString size = ByteFormat::string(module.sizeBytes);
        if (module.sharedBytes == 0)
            return size;
        return size + QStringLiteral(" · ") + ByteFormat::string(module.sharedBytes) + QStringLiteral(" shared");
    }
    if (!module.symlinkTarget)
        return QStringLiteral("broken link");
    if (!module.isSizeMeasured())
        return QStringLiteral("link · size not measured");
    return QStringLiteral("link · ") + ByteFormat::string(module.sizeBytes);
}

std::optional<QString> sizeExplanation(const NodeModule &module)
{
    if (module.isSymlink)
        return module.symlinkExplanation();
    if (module.sharedBytes == 0)
        return std::nullopt;
    // Without shared inodes what is shared are blocks of clones (pnpm on Btrfs or XFS).
    const QString files = module.sharedInodes.list().empty()
        ? QStringLiteral("Files here share their data with copies elsewhere")
        : QStringLiteral("Files here are hard links also used elsewhere");
    return files + QStringLiteral(" (for example pnpm's store); deleting this folder frees only ")
        + ByteFormat::string(module.reclaimableBytes()) + QStringLiteral(".");
}
