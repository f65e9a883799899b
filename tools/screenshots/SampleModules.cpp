#include "SampleModules.h"

#include "core/DateFormat.h"

namespace {

constexpr qint64 s_mb = 1024 * 1024;

NodeModule module(const QByteArray &relativeParent, qint64 sizeBytes, const QDateTime &lastAccessed,
                  std::optional<QByteArray> linkTarget = std::nullopt, bool link = false)
{
    NodeModule record;
    record.parentPath = "/home/sam/code/" + relativeParent;
    record.modulePath = record.parentPath + "/node_modules";
    record.id = record.modulePath;
    record.projectName = QString::fromUtf8(relativeParent.mid(relativeParent.lastIndexOf('/') + 1));
    record.groupKey = QString::fromUtf8(relativeParent.left(relativeParent.indexOf('/')));
    if (!relativeParent.contains('/'))
        record.groupKey = record.projectName;
    record.sizeBytes = sizeBytes;
    record.lastAccessed = lastAccessed;
    record.isSymlink = link || linkTarget.has_value();
    record.symlinkTarget = std::move(linkTarget);
    return record;
}

QDateTime at(int year, int month, int day, int hour, int minute)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute));
}

} // namespace

QString sampleRoot()
{
    return QStringLiteral("/home/sam/code");
}

QList<NodeModule> sampleModules()
{
    return {
        module("storefront", 1'247 * s_mb, at(2025, 6, 12, 9, 41)),
        module("marketing", 684 * s_mb + 300 * 1024, at(2025, 6, 11, 17, 5)),
        module("api", 412 * s_mb, at(2025, 6, 12, 8, 58)),
        module("design-system", 356 * s_mb, at(2025, 5, 30, 14, 22)),
        module("design-system/packages/button", 48 * s_mb, at(2025, 5, 30, 14, 20)),
        module("design-system/packages/tokens", 21 * s_mb + 512 * 1024, at(2025, 5, 28, 10, 2)),
        module("design-system/apps/docs", 533 * s_mb, at(2025, 5, 30, 14, 25)),
        module("experiments/three-fiber", 298 * s_mb, at(2024, 11, 3, 21, 47)),
        module("experiments/bun-test", 87 * s_mb, at(2024, 9, 18, 19, 10)),
        module("experiments/pnpm-demo", 742 * s_mb, at(2025, 2, 7, 11, 30),
               QByteArray("/home/sam/.local/share/pnpm/store/v3/pnpm-demo/node_modules")),
        module("experiments/old-prototype", 0, DateFormat::distantPast(), std::nullopt, true),
        module("jobs", 164 * s_mb, at(2025, 6, 10, 16, 33)),
        module("archive/2023-landing", 923 * s_mb, at(2023, 12, 1, 12, 0)),
        module("archive/gatsby-blog", 1'031 * s_mb, at(2023, 8, 22, 22, 15)),
    };
}

ScanStore::WalkFunction sampleWalk()
{
    return [](const QByteArray &, const CancelToken &) {
        QList<QByteArray> parents;
        for (const NodeModule &record : sampleModules())
            parents.append(record.parentPath);
        return parents;
    };
}

ScanStore::MeasureFunction sampleMeasure()
{
    return [](const QByteArray &parentPath, const QByteArray &, const CancelToken &) -> std::optional<NodeModule> {
        for (const NodeModule &record : sampleModules()) {
            if (record.parentPath == parentPath)
                return record;
        }
        return std::nullopt;
    };
}
