#include "ui/modules/ModuleSizeText.h"

#include "core/ByteFormat.h"

QString sizeText(const NodeModule &module)
{
    if (!module.isSymlink)
        return ByteFormat::string(module.sizeBytes);
    if (!module.symlinkTarget)
        return QStringLiteral("broken link");
    return QStringLiteral("link · ") + ByteFormat::string(module.sizeBytes);
}
