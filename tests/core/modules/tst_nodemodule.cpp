#include "core/modules/NodeModule.h"
#include "support/ModuleRecord.h"

#include <QTest>

namespace {

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
        NodeModule folder = moduleRecord("/w/a", "a", 500 * 1024 * 1024);
        QCOMPARE(folder.reclaimableBytes(), 500 * 1024 * 1024);
        QVERIFY(!folder.symlinkExplanation());
        folder.sharedBytes = 400 * 1024 * 1024;
        QCOMPARE(folder.reclaimableBytes(), 100 * 1024 * 1024);

        const NodeModule live = moduleRecord("/w/b", "b", qint64(2) << 30, true, QByteArray("/w/shared/nm"));
        QCOMPARE(live.reclaimableBytes(), 0);
        QCOMPARE(live.symlinkExplanation(),
                 QStringLiteral("node_modules is a symbolic link to /w/shared/nm. Deleting removes the link "
                                "only \u2014 2.0 GB stays on disk at the target."));

        const NodeModule unmeasured = moduleRecord("/w/e", "e", NodeModule::s_sizeNotMeasured, true, QByteArray("/"));
        QCOMPARE(
            std::pair(unmeasured.reclaimableBytes(), unmeasured.symlinkExplanation()),
            std::pair(
                qint64(0),
                std::optional(QStringLiteral(
                    "node_modules is a symbolic link to /, which is not a node_modules folder, so its size was not "
                    "measured. Deleting removes the link only — everything at the target stays on disk."))));

        const NodeModule broken = moduleRecord("/w/c", "c", 0, true);
        QCOMPARE(broken.reclaimableBytes(), 0);
        QCOMPARE(broken.symlinkExplanation(),
                 QStringLiteral("node_modules is a broken symbolic link. Deleting removes the link only."));

        const NodeModule odd = moduleRecord("/w/d", "d", 1536, true, QByteArray("/w/caf\xe9"));
        QCOMPARE(odd.symlinkExplanation(),
                 QStringLiteral("node_modules is a symbolic link to /w/caf\uFFFD. Deleting removes the link "
                                "only \u2014 1.5 KB stays on disk at the target."));
    }

    void groupsAreSortedBySize()
    {
        ModuleGroups grouped;
        QVERIFY(grouped.sorted().isEmpty());
        const QList<NodeModule> modules{
            moduleRecord("/r/shop/a", "shop", 100),
            moduleRecord("/r/links/x", "links", 9000, true, QByteArray("/t")),
            moduleRecord("/r/blog", "blog", 50),
            moduleRecord("/r/shop/b", "shop", 300),
            moduleRecord("/r/shop/c", "shop", 100),
            moduleRecord("/r/blog/y", "blog", 500),
            moduleRecord("/r/links/z", "links", 0, true),
            moduleRecord("/r/shop/d", "shop", 200, true, QByteArray("/t2")),
        };
        for (const NodeModule &module : modules)
            grouped.add(module);
        // Records taken out leave no trace, and an emptied group is not shown.
        for (const NodeModule &gone : {moduleRecord("/r/blog/gone", "blog", 700), moduleRecord("/r/none", "none", 5)}) {
            grouped.add(gone);
            grouped.remove(gone);
        }
        const QList<ModuleGroup> groups = grouped.sorted();
        QCOMPARE(groups.size(), 3);
        QCOMPARE(groups[0].key, QStringLiteral("blog"));
        QCOMPARE(groups[0].totalBytes, 550);
        QCOMPARE(ids(groups[0].modules), (QList<QByteArray>{"/r/blog/y/node_modules", "/r/blog/node_modules"}));
        QCOMPARE(groups[1].key, QStringLiteral("shop"));
        // The live link sorts by its target's size but adds nothing to the total;
        // equal sizes keep their input order.
        QCOMPARE(groups[1].totalBytes, 500);
        QCOMPARE(ids(groups[1].modules),
                 (QList<QByteArray>{"/r/shop/b/node_modules", "/r/shop/d/node_modules", "/r/shop/a/node_modules",
                                    "/r/shop/c/node_modules"}));
        // A group of links only frees nothing and comes last.
        QCOMPARE(groups[2].key, QStringLiteral("links"));
        QCOMPARE(groups[2].totalBytes, 0);
        QCOMPARE(ids(groups[2].modules), (QList<QByteArray>{"/r/links/x/node_modules", "/r/links/z/node_modules"}));
    }
};

QTEST_GUILESS_MAIN(TestNodeModule)
#include "tst_nodemodule.moc"
