#include "core/ByteFormat.h"
#include "core/modules/NodeModulesScanner.h"
#include "core/modules/ScanStore.h"
#include "core/modules/TestTrees.h"
#include "ui/breakdown/ByteAxis.h"
#include "ui/breakdown/ByteBarChart.h"
#include "ui/breakdown/ProvenanceRow.h"
#include "ui/breakdown/ProvenanceView.h"
#include "ui/kit/ColorDot.h"
#include "ui/kit/ContentUnavailableView.h"
#include "ui/kit/GroupColor.h"
#include "ui/kit/KitLabel.h"
#include "ui/kit/ProportionBar.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHelpEvent>
#include <QImage>
#include <QLayout>
#include <QSemaphore>
#include <QTest>
#include <QToolTip>

#include <algorithm>
#include <limits>
#include <memory>

namespace {

constexpr qint64 MB = 1024 * 1024;
constexpr qint64 GB = 1024 * MB;

// A record of key's group; name tells records of one group apart.
NodeModule record(const QString &key, const QString &name, qint64 bytes, bool link = false)
{
    NodeModule module;
    module.parentPath = QFile::encodeName(QStringLiteral("/code/%1/%2").arg(key, name));
    module.modulePath = module.parentPath + "/node_modules";
    module.id = module.modulePath;
    module.projectName = name;
    module.sizeBytes = bytes;
    module.groupKey = key;
    module.isSymlink = link;
    if (link)
        module.symlinkTarget = QByteArray("/elsewhere/node_modules");
    return module;
}

// What the store's scans find: the records fed (set only between scans), or from disk the
// real scanner's. With a gate, each measurement waits for one permit, so a test can let
// records in one at a time; opened when the screen goes, so no worker is left waiting.
enum class Source { feed, gatedFeed, disk };
struct Feed
{
    QSemaphore gate;
    QList<NodeModule> records;
};

struct Screen
{
    explicit Screen(Source source = Source::feed)
        : store(source == Source::disk ? ScanStore::WalkFunction(NodeModulesScanner::findParentDirs) : walk(),
                source == Source::disk ? ScanStore::MeasureFunction(NodeModulesScanner::measure) : measure())
    {
        if (source == Source::feed)
            open();
        store.setRootPath(QStringLiteral("/"));
        view.resize(900, 700);
        view.show();
        exposed = QTest::qWaitForWindowExposed(&view);
    }
    ~Screen() { open(); }

    void open() { feed->gate.release(1'000'000); }
    [[nodiscard]] ScanStore::WalkFunction walk() const
    {
        return [feed = feed](const QByteArray &, const CancelToken &) {
            QList<QByteArray> parents;
            for (const NodeModule &module : feed->records)
                parents.append(module.parentPath);
            return parents;
        };
    }
    [[nodiscard]] ScanStore::MeasureFunction measure() const
    {
        return [feed = feed](const QByteArray &parent, const QByteArray &, const CancelToken &) {
            feed->gate.acquire();
            const auto found = std::find_if(feed->records.cbegin(), feed->records.cend(),
                                            [&](const NodeModule &module) { return module.parentPath == parent; });
            return found == feed->records.cend() ? std::nullopt : std::optional(*found);
        };
    }

    // Scans (records, unless from disk) and waits until the screen has caught up with the store.
    [[nodiscard]] bool scan(const QList<NodeModule> &records = {})
    {
        feed->records = records;
        store.startScan();
        return QTest::qWaitFor([this] { return !store.isScanning(); }) && settle();
    }
    [[nodiscard]] bool settle()
    {
        return QTest::qWaitFor([this] {
            return summary()
                       == ProvenanceView::summaryText(store.modules().size(), store.groups().size(), store.totalBytes())
                   && chart()->bars().size() == store.groups().size() && rows().size() == store.groups().size();
        });
    }

    [[nodiscard]] ByteBarChart *chart() const { return view.findChild<ByteBarChart *>(QStringLiteral("breakdownChart")); }
    [[nodiscard]] QString text(const char *name) const { return view.findChild<KitLabel *>(QLatin1String(name))->text(); }
    [[nodiscard]] QString summary() const { return text("breakdownSummary"); }
    [[nodiscard]] bool shows(const char *name) const
    {
        const QWidget *widget = view.findChild<QWidget *>(QLatin1String(name));
        return widget && widget->isVisibleTo(&view);
    }
    // The rows shown, from top to bottom.
    [[nodiscard]] QList<ProvenanceRow *> rows() const
    {
        QList<ProvenanceRow *> shown = view.findChildren<ProvenanceRow *>();
        shown.removeIf([this](const QWidget *row) { return !row->isVisibleTo(&view); });
        std::sort(shown.begin(), shown.end(), [](const QWidget *a, const QWidget *b) {
            return a->parentWidget()->layout()->indexOf(a) < b->parentWidget()->layout()->indexOf(b);
        });
        return shown;
    }
    [[nodiscard]] QStringList rowKeys() const
    {
        QStringList keys;
        for (const ProvenanceRow *row : rows())
            keys << row->group().key;
        return keys;
    }
    [[nodiscard]] QStringList barLabels() const
    {
        QStringList labels;
        for (const ByteBarChart::Bar &bar : chart()->bars())
            labels << bar.label;
        return labels;
    }

    std::shared_ptr<Feed> feed = std::make_shared<Feed>();
    ScanStore store;
    ProvenanceView view{store};
    bool exposed = false;
};

QString rowText(const ProvenanceRow *row, const char *name)
{
    return row->findChild<KitLabel *>(QLatin1String(name))->text();
}

bool near(const QColor &a, const QColor &b, int tolerance = 4)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance
           && qAbs(a.blue() - b.blue()) <= tolerance;
}

} // namespace

class TestProvenanceView : public QObject
{
    Q_OBJECT

private slots:
    void oneGroupThenTen()
    {
        Screen screen;
        QVERIFY(screen.scan({record("shop", "web", GB), record("shop", "api", GB / 2), record("shop", "admin", GB / 2)}));
        QVERIFY(!screen.shows("breakdownPlaceholder") && screen.shows("breakdownScroll"));
        QCOMPARE(screen.text("screenTitle"), QStringLiteral("Breakdown"));
        QCOMPARE(screen.text("breakdownHeading"), QStringLiteral("Where your node_modules come from"));
        QCOMPARE(screen.summary(), QStringLiteral("3 folders across 1 top-level locations · 2.0 GB total"));
        QCOMPARE(screen.text("breakdownListHeading"), QStringLiteral("Breakdown"));
        QCOMPARE(screen.chart()->height(), 180);
        QCOMPARE(screen.barLabels(), QStringList{"shop"});
        QCOMPARE(screen.chart()->chartLayout().annotationTexts, QStringList{"2.0 GB"});
        const ProvenanceRow *row = screen.rows().value(0);
        QCOMPARE(screen.rows().size(), 1);
        QCOMPARE(row->fraction(), 1.0);
        QCOMPARE(rowText(row, "provenanceKey"), QStringLiteral("shop"));
        QCOMPARE(rowText(row, "provenanceCount"), QStringLiteral("3 folders"));
        QCOMPARE(rowText(row, "provenanceSize"), QStringLiteral("2.0 GB"));

        // Hovering the bar's row names the group in full.
        const QPoint overBar = screen.chart()->chartLayout().labels.constFirst().center().toPoint();
        QHelpEvent help(QEvent::ToolTip, overBar, screen.chart()->mapToGlobal(overBar));
        QApplication::sendEvent(screen.chart(), &help);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), QStringLiteral("Folder: shop\nSize: 2.0 GB (3 folders)"));
        QToolTip::hideText();

        // Ten groups: a taller chart, one bar per group in the store's order (largest
        // first), each on its own row.
        QList<NodeModule> records;
        for (int i = 0; i < 10; ++i)
            records << record(QStringLiteral("g%1").arg(i), QStringLiteral("app"), (10 - i) * MB);
        QVERIFY(screen.scan(records));
        QCOMPARE(screen.chart()->height(), 340);
        QCOMPARE(screen.barLabels(), screen.rowKeys());
        QCOMPARE(screen.rowKeys().size(), 10);
        const ByteBarChart::Layout &layout = screen.chart()->chartLayout();
        for (qsizetype i = 1; i < layout.bars.size(); ++i) {
            QVERIFY(layout.bars.at(i).top() >= layout.bars.at(i - 1).bottom());
            QVERIFY(layout.bars.at(i).width() < layout.bars.at(i - 1).width());
        }
    }

    // A group of links frees nothing: a bar of no length, "0 B" at its end, a 6-point stub.
    // With nothing to free anywhere, nothing is divided by zero.
    void groupsOfLinksFreeNothing()
    {
        Screen screen;
        QVERIFY(screen.scan(
            {record("linked", "a", 2 * GB, true), record("app", "web", GB), record("linked", "b", 0, true)}));
        QCOMPARE(screen.rowKeys(), (QStringList{"app", "linked"}));
        QCOMPARE(screen.barLabels(), screen.rowKeys());
        QCOMPARE(screen.summary(), QStringLiteral("3 folders across 2 top-level locations · 1.0 GB total"));
        const ByteBarChart::Layout &layout = screen.chart()->chartLayout();
        QCOMPARE(layout.bars.at(1).width(), 0.0);
        QCOMPARE(layout.bars.at(1).left(), layout.plot.left());
        QCOMPARE(layout.annotationTexts.at(1), QStringLiteral("0 B"));
        QVERIFY(layout.annotations.at(1).left() > layout.plot.left());
        QVERIFY(layout.annotations.at(1).right() < layout.annotations.at(0).left());
        const ProvenanceRow *links = screen.rows().at(1);
        QCOMPARE(links->fraction(), 0.0);
        QCOMPARE(rowText(links, "provenanceCount"), QStringLiteral("2 folders"));
        QCOMPARE(rowText(links, "provenanceSize"), QStringLiteral("0 B"));
        QCOMPARE(links->findChild<ProportionBar *>()->fillWidth(), 6.0);

        QVERIFY(screen.scan({record("a", "x", GB, true), record("b", "y", 0, true)}));
        QCOMPARE(screen.summary(), QStringLiteral("2 folders across 2 top-level locations · 0 B total"));
        QCOMPARE(screen.rows().size(), 2);
        for (const ProvenanceRow *row : screen.rows())
            QCOMPARE(row->fraction(), 0.0);
        const ByteBarChart::Layout &zero = screen.chart()->chartLayout();
        QVERIFY(zero.marks.size() >= 2);
        for (const QRectF &bar : zero.bars)
            QCOMPARE(bar.width(), 0.0);
        for (const ByteBarChart::Mark &mark : zero.marks)
            QVERIFY(std::isfinite(mark.x) && mark.x >= zero.plot.left() && mark.x <= zero.plot.right());
        QCOMPARE(zero.annotationTexts, (QStringList{"0 B", "0 B"}));
    }

    // A key has one colour: its bar, its dot and its proportion bar, and the bar really is
    // painted in it where the layout puts it, with rounded corners.
    void groupColourInChartAndRow()
    {
        Screen screen;
        QVERIFY(screen.scan({record("storefront", "web", 800 * MB), record("api", "server", 400 * MB)}));
        ByteBarChart *chart = screen.chart();
        const ByteBarChart::Layout &layout = chart->chartLayout();
        QImage image(chart->size(), QImage::Format_ARGB32);
        image.fill(chart->palette().color(QPalette::Window));
        chart->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        const QList<ProvenanceRow *> rows = screen.rows();
        QCOMPARE(rows.size(), 2);
        for (qsizetype i = 0; i < rows.size(); ++i) {
            const QColor colour = groupColor(rows.at(i)->group().key);
            QCOMPARE(chart->bars().at(i).color, colour);
            QCOMPARE(rows.at(i)->findChild<ColorDot *>()->color(), colour);
            QCOMPARE(rows.at(i)->findChild<ProportionBar *>()->color(), colour);

            const QRectF bar = layout.bars.at(i);
            QVERIFY2(near(image.pixelColor(bar.center().toPoint()), colour), qPrintable(chart->bars().at(i).label));
            QVERIFY(near(image.pixelColor(QPointF(bar.right() - 8, bar.center().y()).toPoint()), colour));
            QVERIFY(near(image.pixelColor(QPointF(bar.left() + 8, bar.top() + 2).toPoint()), colour));
            // The rounded corner leaves the very corner unpainted, and nothing of the colour
            // runs past the bar's end.
            QVERIFY(!near(image.pixelColor(bar.topLeft().toPoint()), colour, 30));
            QVERIFY(!near(image.pixelColor(QPointF(bar.right() + 3, bar.center().y()).toPoint()), colour, 30));
        }
        // Lengths in proportion to the bytes.
        QVERIFY(qAbs(layout.bars.at(1).width() * 2 - layout.bars.at(0).width()) <= 1);
    }

    void axisMarks_data()
    {
        QTest::addColumn<qint64>("maxBytes");
        QTest::addColumn<int>("intervals");
        QTest::addColumn<QString>("texts");
        QTest::newRow("476.8 MB") << qint64(476.8 * MB) << 6 << "0 B,100.0 MB,200.0 MB,300.0 MB,400.0 MB,500.0 MB";
        QTest::newRow("900 MB") << 900 * MB << 6 << "0 B,256.0 MB,512.0 MB,768.0 MB,1.0 GB";
        QTest::newRow("exactly 1 GB") << GB << 6 << "0 B,256.0 MB,512.0 MB,768.0 MB,1.0 GB";
        QTest::newRow("3.4 GB, room for two") << qint64(3.4 * GB) << 2 << "0 B,2.0 GB,4.0 GB";
        QTest::newRow("nothing") << qint64(0) << 6 << "0 B,256 B,512 B,768 B,1.0 KB";
    }

    void axisMarks()
    {
        QFETCH(qint64, maxBytes);
        QFETCH(int, intervals);
        QFETCH(QString, texts);
        const QList<qint64> marks = ByteAxis::marks(maxBytes, intervals);
        QStringList shown;
        for (const qint64 value : marks)
            shown << ByteFormat::string(value);
        QCOMPARE(shown.join(QLatin1Char(',')), texts);
        QVERIFY(marks.last() >= maxBytes);
    }

    // Whatever the sizes and the width: labels are the marks' sizes, round, increasing,
    // inside the chart and never overlapping.
    void axisLabelsFitAndIncrease()
    {
        const QList<qint64> sizes = {1, 999, 5 * 1024, 476 * MB + 777, GB - 1, 17 * GB + 3, 3 * 1024 * GB,
                                     std::numeric_limits<qint64>::max() / 2};
        const QFontMetricsF metrics(Typography::monospacedDigits(Typography::font(TextStyle::caption)));
        ByteBarChart chart;
        for (const int width : {200, 420, 760, 1400}) {
            chart.resize(width, chart.height());
            for (const qint64 size : sizes) {
                chart.setBars({{QStringLiteral("a-rather-long-folder-name-for-a-group"), size, Qt::red, {}},
                               {QStringLiteral("b"), size / 3, Qt::blue, {}}});
                const ByteBarChart::Layout &layout = chart.chartLayout();
                QVERIFY(layout.marks.size() >= 2 && layout.domainMax >= size);
                qreal previousRight = -1;
                for (qsizetype i = 0; i < layout.marks.size(); ++i) {
                    const ByteBarChart::Mark &mark = layout.marks.at(i);
                    QCOMPARE(mark.text, ByteFormat::string(mark.value));
                    if (size < std::numeric_limits<qint64>::max() / 4)
                        QVERIFY2(ByteAxis::isRound(mark.value), qPrintable(mark.text));
                    if (i > 0)
                        QVERIFY(mark.value > layout.marks.at(i - 1).value && mark.x > layout.marks.at(i - 1).x);
                    // Every label is shown where there is room for them, the last one always.
                    QVERIFY(mark.labelled || (width < 420 && i + 1 < layout.marks.size()));
                    if (!mark.labelled)
                        continue;
                    QVERIFY(mark.textRect.width() >= metrics.horizontalAdvance(mark.text) - 0.5);
                    QVERIFY2(mark.textRect.left() > previousRight && mark.textRect.right() <= width,
                             qPrintable(QStringLiteral("%1 at width %2").arg(mark.text).arg(width)));
                    previousRight = mark.textRect.right();
                }
                // Each bar's size fits beside it, and the labels within their column.
                for (qsizetype i = 0; i < layout.bars.size(); ++i) {
                    QVERIFY(layout.annotations.at(i).right() <= width + 0.5);
                    QVERIFY(metrics.horizontalAdvance(layout.labelTexts.at(i)) <= layout.labels.at(i).width() + 16);
                    QVERIFY(layout.labels.at(i).right() < layout.plot.left());
                }
            }
        }
        // A long name gives way, its ends kept.
        chart.resize(420, chart.height());
        const QString shown = chart.chartLayout().labelTexts.constFirst();
        QVERIFY(shown.startsWith(QLatin1Char('a')) && shown.endsWith(QLatin1String("group")));
        QVERIFY(shown.contains(QStringLiteral("…")));
    }

    // A placeholder until a record arrives; then the screen grows bar by bar, reorders when
    // a group overtakes another, and keeps the rows it already made.
    void redrawsWhileRecordsStreamIn()
    {
        Screen screen(Source::gatedFeed);
        QVERIFY(screen.exposed);
        QVERIFY(screen.shows("breakdownPlaceholder") && !screen.shows("breakdownScroll"));
        const auto *placeholder = screen.view.findChild<ContentUnavailableView *>(QStringLiteral("breakdownPlaceholder"));
        QCOMPARE(placeholder->title(), QStringLiteral("Nothing to chart"));
        QCOMPARE(placeholder->description(),
                 QStringLiteral("Run a scan in Disk cleanup to see where your node_modules come from."));
        QVERIFY(screen.rows().isEmpty());

        screen.feed->records = {record("small", "x", 100 * MB), record("large", "x", 300 * MB),
                                record("small", "y", 50 * MB)};
        screen.store.startScan();
        QTRY_VERIFY(screen.store.statusText().startsWith(QStringLiteral("Measuring")));
        QVERIFY(screen.shows("breakdownPlaceholder"));

        QList<ProvenanceRow *> made;
        for (int arrived = 1; arrived <= 3; ++arrived) {
            screen.feed->gate.release();
            QTRY_COMPARE(screen.summary().section(QLatin1Char(' '), 0, 0), QString::number(arrived));
            QTRY_COMPARE(screen.barLabels(), screen.rowKeys());
            QVERIFY(screen.store.isScanning() || arrived == 3);
            // Rows already made are kept and reused as the groups grow and reorder.
            const QList<ProvenanceRow *> rows = screen.rows();
            QCOMPARE(rows.mid(0, made.size()), made);
            made = rows;
        }
        QVERIFY(!screen.shows("breakdownPlaceholder"));
        QTRY_VERIFY(!screen.store.isScanning());
        // Arrival order is completion order; whatever it was, the end is this.
        QCOMPARE(screen.barLabels(), (QStringList{"large", "small"}));
        QCOMPARE(screen.summary(), QStringLiteral("3 folders across 2 top-level locations · 450.0 MB total"));
        QCOMPARE(screen.rows().at(1)->fraction(), 0.5);
        QCOMPARE(rowText(screen.rows().at(1), "provenanceCount"), QStringLiteral("2 folders"));

        // A new scan empties the screen and fills the same rows again.
        screen.open();
        QVERIFY(screen.scan({record("next", "x", MB)}));
        QCOMPARE(screen.rows(), made.mid(0, 1));
        QCOMPARE(screen.rowKeys(), QStringList{"next"});
        QCOMPARE(screen.rows().constFirst()->fraction(), 1.0);
        QCOMPARE(rowText(screen.rows().constFirst(), "provenanceCount"), QStringLiteral("1 folder"));
        QCOMPARE(screen.view.findChildren<ProvenanceRow *>().size(), 2);
    }

    // Thousands of records in a few rebuilds, not one per record; none while hidden.
    void aLongStreamIsDrawnInFewRebuilds()
    {
        Screen screen;
        QList<NodeModule> records;
        for (int i = 0; i < 3000; ++i)
            records << record(QStringLiteral("group%1").arg(i % 40), QStringLiteral("p%1").arg(i), (i + 1) * 1024);
        const int before = screen.view.refreshCount();
        QElapsedTimer clock;
        clock.start();
        QVERIFY(screen.scan(records));
        const qint64 elapsed = clock.elapsed();
        const int rebuilds = screen.view.refreshCount() - before;
        QVERIFY2(rebuilds <= elapsed / ProvenanceView::s_refreshInterval + 2,
                 qPrintable(QStringLiteral("%1 rebuilds in %2 ms").arg(rebuilds).arg(elapsed)));
        QCOMPARE(screen.rows().size(), 40);
        QCOMPARE(screen.summary().section(QLatin1Char(' '), 0, 0), QStringLiteral("3000"));

        screen.view.hide();
        const int hidden = screen.view.refreshCount();
        screen.feed->records = records.mid(0, 3);
        screen.store.startScan();
        QTRY_VERIFY(!screen.store.isScanning());
        QCOMPARE(screen.store.modules().size(), 3);
        QCOMPARE(screen.view.refreshCount(), hidden);
        screen.view.show();
        QCOMPARE(screen.view.refreshCount(), hidden + 1);
        QCOMPARE(screen.rowKeys(), (QStringList{"group2", "group1", "group0"}));
    }

    // Real folders, a real scan and real deletions: groups shrink and vanish, and with
    // nothing left the placeholder comes back, also after a scan that finds nothing.
    void redrawsAfterDeletions()
    {
        const TestTrees::Scratch tree;
        QVERIFY(tree.isValid());
        const QByteArray root = tree.path("code");
        TestTrees::writeFile(root + "/shop/web/node_modules/react/index.js", 64 * 1024);
        TestTrees::writeFile(root + "/shop/api/node_modules/express/index.js", 32 * 1024);
        TestTrees::writeFile(root + "/blog/node_modules/astro/index.js", 16 * 1024);
        TestTrees::makeLink(root + "/blog/node_modules", root + "/linked/node_modules");

        Screen screen(Source::disk);
        screen.store.setRootPath(QFile::decodeName(root));
        QVERIFY(screen.scan());
        QCOMPARE(screen.barLabels(), (QStringList{"shop", "blog", "linked"}));
        QCOMPARE(screen.summary(), QStringLiteral("4 folders across 3 top-level locations · %1 total")
                                       .arg(ByteFormat::string(screen.store.totalBytes())));

        // Deletes the records of group, or all of them.
        const auto remove = [&screen](const QString &group) {
            QSet<QByteArray> ids;
            for (const NodeModule &module : screen.store.modules()) {
                if (group.isEmpty() || module.groupKey == group)
                    ids.insert(module.id);
            }
            auto deleted = screen.store.deleteModules(ids, NodeModulesScanner::DeletionMode::permanent);
            return QTest::qWaitFor([&] { return deleted.isFinished(); }) && deleted.result().removedIDs == ids;
        };
        QVERIFY(remove(QStringLiteral("shop")));
        QTRY_COMPARE(screen.barLabels(), (QStringList{"blog", "linked"}));
        QCOMPARE(screen.summary(), QStringLiteral("2 folders across 2 top-level locations · %1 total")
                                       .arg(ByteFormat::string(screen.store.totalBytes())));
        QCOMPARE(screen.rows().size(), 2);
        QVERIFY(remove({}));
        QTRY_VERIFY(screen.shows("breakdownPlaceholder"));
        QVERIFY(!screen.shows("breakdownScroll"));
        QVERIFY(screen.rows().isEmpty());
        // A scan that finds nothing leaves it in place.
        QVERIFY(screen.scan());
        QVERIFY(screen.shows("breakdownPlaceholder"));
    }
};

QTEST_MAIN(TestProvenanceView)
#include "tst_provenanceview.moc"
