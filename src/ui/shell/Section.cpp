#include "ui/shell/Section.h"

#include <array>

namespace Sections {

namespace {

struct Names
{
    QStringView title;
    QStringView symbol;
};

// In the order of Section.
constexpr std::array<Names, 3> s_names{{
    {u"Ports", u"powerplug.fill"},
    {u"Disk cleanup", u"shippingbox.fill"},
    {u"Breakdown", u"chart.bar.xaxis"},
}};
static_assert(s_names.size() == std::size_t(Section::breakdown) + 1);

} // namespace

QString rawValue(Section section)
{
    return s_names[std::size_t(section)].title.toString();
}

QString symbol(Section section)
{
    return s_names[std::size_t(section)].symbol.toString();
}

const QList<Section> &all()
{
    static const QList<Section> sections = {Section::ports, Section::disk, Section::breakdown};
    return sections;
}

} // namespace Sections
