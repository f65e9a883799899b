#include "cli/ProjectActivity.h"

#include "core/DateFormat.h"

#include <sys/stat.h>

QDateTime ProjectActivity::lastActivity(const QByteArray &projectPath)
{
    static const char *const s_names[] = {
        "",           "/package.json", "/package-lock.json", "/npm-shrinkwrap.json", "/yarn.lock", "/pnpm-lock.yaml",
        "/bun.lockb", "/bun.lock",     "/.git/index",
    };
    qint64 newestMs = -1;
    for (const char *name : s_names) {
        struct stat status = {};
        if (::lstat((projectPath + name).constData(), &status) != 0)
            continue;
        const qint64 ms = qint64(status.st_mtim.tv_sec) * 1000 + status.st_mtim.tv_nsec / 1000000;
        newestMs = std::max(newestMs, ms);
    }
    return newestMs < 0 ? DateFormat::distantPast() : QDateTime::fromMSecsSinceEpoch(newestMs);
}
