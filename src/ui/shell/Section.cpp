#include "ui/shell/Section.h"

namespace Sections {

QString rawValue(Section section)
{
    switch (section) {
    case Section::ports:
        return QStringLiteral("Ports");
    case Section::disk:
        return QStringLiteral("Disk cleanup");
    case Section::breakdown:
        return QStringLiteral("Breakdown");
    }
    return {};
}

QString symbol(Section section)
{
    switch (section) {
    case Section::ports:
        return QStringLiteral("powerplug.fill");
    case Section::disk:
        return QStringLiteral("shippingbox.fill");
    case Section::breakdown:
        return QStringLiteral("chart.bar.xaxis");
    }
    return {};
}

const QList<Section> &all()
{
    static const QList<Section> sections = {Section::ports, Section::disk, Section::breakdown};
    return sections;
}

} // namespace Sections
