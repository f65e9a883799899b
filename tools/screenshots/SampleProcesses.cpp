#include "SampleProcesses.h"

namespace {

NodeProcess process(qint32 pid, NodeProcess::Kind kind, const QString &command, const QString &cwd, QList<int> ports,
                    qint64 elapsedSeconds, qint64 rssKB)
{
    NodeProcess record;
    record.id = pid;
    record.pid = pid;
    record.ppid = 1;
    record.kind = kind;
    record.command = command;
    if (!cwd.isEmpty())
        record.cwd = cwd;
    record.ports = std::move(ports);
    record.elapsedSeconds = elapsedSeconds;
    record.rssKB = rssKB;
    return record;
}

} // namespace

QList<NodeProcess> sampleProcesses()
{
    using Kind = NodeProcess::Kind;
    return {
        process(48213, Kind::vite, QStringLiteral("node /home/sam/code/storefront/node_modules/.bin/vite"),
                QStringLiteral("/home/sam/code/storefront"), {5173}, 2 * 3600 + 5 * 60, 212'480),
        process(48377, Kind::next, QStringLiteral("node /home/sam/code/marketing/node_modules/.bin/next dev"),
                QStringLiteral("/home/sam/code/marketing"), {3000}, 47 * 60 + 12, 498'112),
        process(31002, Kind::nest, QStringLiteral("node /home/sam/code/api/dist/main.js"),
                QStringLiteral("/home/sam/code/api"), {8080, 9229}, 26 * 3600 + 14 * 60, 181'904),
        process(48900, Kind::nodemon, QStringLiteral("node /usr/lib/node_modules/nodemon/bin/nodemon.js worker.js"),
                QStringLiteral("/home/sam/code/jobs"), {}, 12 * 60 + 40, 64'220),
        process(49120, Kind::packageManager, QStringLiteral("npm install"),
                QStringLiteral("/home/sam/code/design-system"), {}, 38, 143'664),
    };
}

QList<NodeProcess> allClearProcesses()
{
    using Kind = NodeProcess::Kind;
    return {
        process(48900, Kind::nodemon, QStringLiteral("node /usr/lib/node_modules/nodemon/bin/nodemon.js worker.js"),
                QStringLiteral("/home/sam/code/jobs"), {}, 12 * 60 + 40, 64'220),
        process(47311, Kind::packageManager, QStringLiteral("npm run dev"), QStringLiteral("/home/sam/code/docs"), {},
                3 * 3600 + 12 * 60, 88'104),
        process(40122, Kind::node, QStringLiteral("node /home/sam/code/metrics/server.js --port 9464"),
                QStringLiteral("/home/sam/code/metrics"), {9464}, 5 * 3600 + 41 * 60, 96'512),
        process(49501, Kind::node, QStringLiteral("node /usr/lib/node_modules/typescript/lib/tsserver.js"), {}, {},
                26 * 60 + 3, 301'870),
    };
}
