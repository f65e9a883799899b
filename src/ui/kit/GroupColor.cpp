#include "ui/kit/GroupColor.h"

#include <QHash>

QColor groupColor(const QString &key)
{
    // qHash with a fixed seed: the colour of a folder then stays the same across runs too.
    const size_t hash = qHash(key, size_t(0));
    const int degrees = int(hash % 360);
    return QColor::fromHsvF(degrees / 360.0, 0.55, 0.85, 1.0);
}
