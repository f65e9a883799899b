#include "ui/modules/ModuleSizeText.h"

#include "core/ByteFormat.h"

QString sizeText(const NodeModule &module)
{
    if (!module.isSymlink)
        return ByteFormat::string(module.sizeBytes);
    if (!module.symlinkTarget)
        return QStringLiteral("broken link");
    if (!module.isSizeMeasured())
        return QStringLiteral("link · size not measured");
    return QStringLiteral("link · ") + ByteFormat::string(module.sizeBytes);
}
