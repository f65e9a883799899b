#include "core/DateFormat.h"
#include "core/modules/NodeModule.h"

#include <QTest>
#include <QTimeZone>

namespace {

NodeModule record(const QByteArray &parent, const QString &group, qint64 size, bool link = false,
                  std::optional<QByteArray> target = std::nullopt)
{
    NodeModule module;
    module.parentPath = parent;
    module.modulePath = parent + "/node_modules";
    module.id = module.modulePath;
    module.projectName = pathText(parent.mid(parent.lastIndexOf('/') + 1));
    module.sizeBytes = size;
    module.lastAccessed = DateFormat::distantPast();
    module.groupKey = group;
    module.isSymlink = link;
    module.symlinkTarget = std::move(target);
    return module;
}

QList<QByteArray> ids(const QList<NodeModule> &modules)
{
    QList<QByteArray> result;
    for (const NodeModule &module : modules)
        result.append(module.id);
    return result;
}

} // namespace

class TestNodeModule : public QObject
{
    Q_OBJECT

private slots:
    void reclaimableBytesAndExplanations()
    {
        NodeModule folder = record("/w/a", "a", 500 * 1024 * 1024);
        QCOMPARE(folder.reclaimableBytes(), 500 * 1024 * 1024);
        QVERIFY(!folder.symlinkExplanation());
        folder.sharedBytes = 400 * 1024 * 1024;
        QCOMPARE(folder.reclaimableBytes(), 100 * 1024 * 1024);

        const NodeModule live = record("/w/b", "b", qint64(2) << 30, true, QByteArray("/w/shared/nm"));
        QCOMPARE(live.reclaimableBytes(), 0);
        QCOMPARE(live.symlinkExplanation(),
                 QStringLiteral("node_modules is a symbolic link to /w/shared/nm. Deleting removes the link "
                                "only \u2014 2.0 GB stays on disk at the target."));

        const NodeModule unmeasured = record("/w/e", "e", NodeModule::s_sizeNotMeasured, true, QByteArray("/"));
        QCOMPARE(std::pair(unmeasured.reclaimableBytes(), unmeasured.symlinkExplanation()),
                 std::pair(qint64(0), std::optional(QStringLiteral(
                     "node_modules is a symbolic link to /, which is not a node_modules folder, so its size was not "
                     "measured. Deleting removes the link only — everything at the target stays on disk."))));

        const NodeModule broken = record("/w/c", "c", 0, true);
        QCOMPARE(broken.reclaimableBytes(), 0);
        QCOMPARE(broken.symlinkExplanation(),
                 QStringLiteral("node_modules is a broken symbolic link. Deleting removes the link only."));

        const NodeModule odd = record("/w/d", "d", 1536, true, QByteArray("/w/caf\xe9"));
        QCOMPARE(odd.symlinkExplanation(),
                 QStringLiteral("node_modules is a symbolic link to /w/caf\uFFFD. Deleting removes the link "
                                "only \u2014 1.5 KB stays on disk at the target."));
    }

    void equalityAndHashCoverEveryField()
    {
        const NodeModule base = record("/w/a", "a", 10, true, QByteArray("/t"));
        QCOMPARE(base, base);
        QCOMPARE(qHash(base), qHash(NodeModule(base)));
        const QList<std::function<void(NodeModule &)>> changes {
            [](NodeModule &m) { m.id = "/other/node_modules"; },
            [](NodeModule &m) { m.projectName = QStringLiteral("x"); },
            [](NodeModule &m) { m.parentPath = "/w/a/"; },
            [](NodeModule &m) { m.modulePath = "/w/b/node_modules"; },
            [](NodeModule &m) { m.sizeBytes = 11; },
            [](NodeModule &m) { m.lastAccessed = QDateTime::fromSecsSinceEpoch(0, QTimeZone::utc()); },
            [](NodeModule &m) { m.groupKey = QStringLiteral("b"); },
            [](NodeModule &m) { m.isSymlink = false; },
            [](NodeModule &m) { m.symlinkTarget = std::nullopt; },
            [](NodeModule &m) { m.symlinkTarget = QByteArray("/u"); },
            [](NodeModule &m) { m.sharedBytes = 1; },
        };
        for (const auto &change : changes) {
            NodeModule other = base;
            change(other);
            QVERIFY(other != base);
            QVERIFY(qHash(other) != qHash(base));
        }
    }

    void groupsAreSortedBySize()
    {
        ModuleGroups grouped;
        QVERIFY(grouped.sorted().isEmpty());
        const QList<NodeModule> modules {
            record("/r/shop/a", "shop", 100),
            record("/r/links/x", "links", 9000, true, QByteArray("/t")),
            record("/r/blog", "blog", 50),
            record("/r/shop/b", "shop", 300),
            record("/r/shop/c", "shop", 100),
            record("/r/blog/y", "blog", 500),
            record("/r/links/z", "links", 0, true),
            record("/r/shop/d", "shop", 200, true, QByteArray("/t2")),
        };
        for (const NodeModule &module : modules)
            grouped.add(module);
        // Records taken out leave no trace, and an emptied group is not shown.
        for (const NodeModule &gone : {record("/r/blog/gone", "blog", 700), record("/r/none", "none", 5)}) {
            grouped.add(gone);
            grouped.remove(gone);
        }
        const QList<ModuleGroup> groups = grouped.sorted();
        QCOMPARE(groups.size(), 3);
        QCOMPARE(groups[0].key, QStringLiteral("blog"));
        QCOMPARE(groups[0].totalBytes, 550);
        QCOMPARE(ids(groups[0].modules), (QList<QByteArray> {"/r/blog/y/node_modules", "/r/blog/node_modules"}));
        QCOMPARE(groups[1].key, QStringLiteral("shop"));
        // The live link sorts by its target's size but adds nothing to the total;
        // equal sizes keep their input order.
        QCOMPARE(groups[1].totalBytes, 500);
        QCOMPARE(ids(groups[1].modules),
                 (QList<QByteArray> {"/r/shop/b/node_modules", "/r/shop/d/node_modules", "/r/shop/a/node_modules",
                                     "/r/shop/c/node_modules"}));
        // A group of links only frees nothing and comes last.
        QCOMPARE(groups[2].key, QStringLiteral("links"));
        QCOMPARE(groups[2].totalBytes, 0);
        QCOMPARE(ids(groups[2].modules), (QList<QByteArray> {"/r/links/x/node_modules", "/r/links/z/node_modules"}));
    }
};

QTEST_GUILESS_MAIN(TestNodeModule)
#include "tst_nodemodule.moc"
