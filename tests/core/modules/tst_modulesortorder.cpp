#include "core/DateFormat.h"
#include "core/modules/ModuleSortOrder.h"
#include "support/ModuleRecord.h"

#include <QTest>
#include <QTimeZone>

using Key = ModuleComparator::Key;

namespace {

NodeModule record(const QString &project, const QByteArray &parent, qint64 size, bool isSymlink,
                  const QDateTime &accessed)
{
    NodeModule module = moduleRecord(parent, {}, size, isSymlink);
    module.projectName = project;
    module.lastAccessed = accessed;
    return module;
}

QDateTime at(qint64 seconds)
{
    return QDateTime::fromSecsSinceEpoch(seconds, QTimeZone::utc());
}

} // namespace

class TestModuleSortOrder : public QObject
{
    Q_OBJECT

private slots:
    void comparesByKey_data()
    {
        QTest::addColumn<NodeModule>("a");
        QTest::addColumn<NodeModule>("b");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("ascending"); // sign of compare(a, b) in ascending order

        const QDateTime now = at(1700000000);
        const auto name = [&](const QString &project) { return record(project, "/p", 0, false, now); };
        const auto path = [&](const QByteArray &parent) { return record(QStringLiteral("x"), parent, 0, false, now); };
        QTest::newRow("upper case before lower")
            << name(QStringLiteral("Zeta")) << name(QStringLiteral("alpha")) << int(Key::projectName) << -1;
        QTest::newRow("prefix first") << name(QStringLiteral("app")) << name(QStringLiteral("app2"))
                                      << int(Key::projectName) << -1;
        QTest::newRow("not by locale") << name(QStringLiteral("z")) << name(QStringLiteral("é"))
                                       << int(Key::projectName) << -1;
        // UTF-16 units would put the emoji's surrogates before U+FF21.
        QTest::newRow("supplementary after BMP")
            << name(QStringLiteral("\U0001F600")) << name(QStringLiteral("\uFF21")) << int(Key::projectName) << 1;
        QTest::newRow("equal names") << name(QStringLiteral("web")) << name(QStringLiteral("web"))
                                     << int(Key::projectName) << 0;
        QTest::newRow("path bytes") << path("/a/Z") << path("/a/b") << int(Key::parentPath) << -1;
        QTest::newRow("path prefix") << path("/a/b") << path("/a/b/c") << int(Key::parentPath) << -1;
        QTest::newRow("path high bytes") << path("/a/\xc3\xa9") << path("/a/z") << int(Key::parentPath) << 1;
        QTest::newRow("size") << record(QStringLiteral("x"), "/p", 10, false, now)
                              << record(QStringLiteral("x"), "/p", 9, false, now) << int(Key::reclaimableBytes) << 1;
        QTest::newRow("link counts 0") << record(QStringLiteral("x"), "/p", 1000, true, now)
                                       << record(QStringLiteral("x"), "/p", 1, false, now) << int(Key::reclaimableBytes)
                                       << -1;
        QTest::newRow("date") << record(QStringLiteral("x"), "/p", 0, false, at(5))
                              << record(QStringLiteral("x"), "/p", 0, false, at(6)) << int(Key::lastAccessed) << -1;
        QTest::newRow("unknown date first")
            << record(QStringLiteral("x"), "/p", 0, false, DateFormat::distantPast())
            << record(QStringLiteral("x"), "/p", 0, false, at(0)) << int(Key::lastAccessed) << -1;
    }

    void comparesByKey()
    {
        QFETCH(NodeModule, a);
        QFETCH(NodeModule, b);
        QFETCH(int, key);
        QFETCH(int, ascending);
        const auto sign = [](int value) { return value < 0 ? -1 : (value > 0 ? 1 : 0); };
        const ModuleComparator up{Key(key), Qt::AscendingOrder};
        const ModuleComparator down{Key(key), Qt::DescendingOrder};
        QCOMPARE(sign(up.compare(a, b)), ascending);
        QCOMPARE(sign(up.compare(b, a)), -ascending);
        QCOMPARE(sign(down.compare(a, b)), -ascending);
        QCOMPARE(sortsBefore(ModuleSortOrder{up}, a, b), ascending < 0);
        QCOMPARE(sortsBefore(ModuleSortOrder{down}, a, b), ascending > 0);
    }

    void laterComparatorsBreakTies()
    {
        const QDateTime now = at(1700000000);
        const NodeModule big = record(QStringLiteral("shop"), "/a/shop", 500, false, now);
        const NodeModule alsoBig = record(QStringLiteral("blog"), "/a/blog", 500, false, now);
        const ModuleSortOrder order{{Key::reclaimableBytes, Qt::DescendingOrder},
                                    {Key::projectName, Qt::AscendingOrder}};
        QVERIFY(sortsBefore(order, alsoBig, big));
        QVERIFY(!sortsBefore(order, big, alsoBig));
        QVERIFY(!sortsBefore(order, big, big));
        QVERIFY(!sortsBefore(ModuleSortOrder{}, alsoBig, big));
        QVERIFY(!sortsBefore(ModuleSortOrder{}, big, alsoBig));
    }
};

QTEST_GUILESS_MAIN(TestModuleSortOrder)
#include "tst_modulesortorder.moc"
