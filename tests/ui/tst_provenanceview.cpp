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
#include <QMutex>
#include <QPainter>
#include <QScrollArea>
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

// What the store's scans find. With a gate, each measurement waits for one permit, so a
// test can let records in one at a time.
class Feed
{
public:
    explicit Feed(bool gated = false)
        : m_state(std::make_shared<State>())
    {
        if (!gated)
            open();
    }
    ~Feed() { open(); }

    void open() { m_state->gate.release(1'000'000); }
    void allow(int records = 1) { m_state->gate.release(records); }
    void set(const QList<NodeModule> &records)
    {
        QMutexLocker lock(&m_state->mutex);
        m_state->records = records;
    }

    [[nodiscard]] ScanStore::WalkFunction walk() const
    {
        return [state = m_state](const QByteArray &, const CancelToken &) {
            QMutexLocker lock(&state->mutex);
            QList<QByteArray> parents;
            for (const NodeModule &module : state->records)
                parents.append(module.parentPath);
            return parents;
        };
    }
    [[nodiscard]] ScanStore::MeasureFunction measure() const
    {
        return [state = m_state](const QByteArray &parent, const QByteArray &,
                                 const CancelToken &token) -> std::optional<NodeModule> {
            while (!state->gate.tryAcquire(1, 20)) {
                if (token.isCancelled())
                    return std::nullopt;
            }
            QMutexLocker lock(&state->mutex);
            for (const NodeModule &module : state->records) {
                if (module.parentPath == parent)
                    return module;
            }
            return std::nullopt;
        };
    }

private:
    struct State
    {
        QSemaphore gate;
        QMutex mutex;
        QList<NodeModule> records;
    };
    std::shared_ptr<State> m_state;
};

// A scan store fed by a Feed and the screen over it, shown.
struct Screen
{
    explicit Screen(bool gated = false)
        : feed(gated)
    {
        store.setRootPath(QStringLiteral("/"));
        view.resize(900, 700);
        view.show();
        exposed = QTest::qWaitForWindowExposed(&view);
    }

    // Scans records and waits until the screen shows the last of them.
    [[nodiscard]] bool scan(const QList<NodeModule> &records)
    {
        feed.set(records);
        store.startScan();
        return QTest::qWaitFor([this] { return !store.isScanning(); }) && settle();
    }
    // Waits until the screen has caught up with the store.
    [[nodiscard]] bool settle()
    {
        return QTest::qWaitFor([this] {
            return summary()
                       == ProvenanceView::summaryText(store.modules().size(), store.groups().size(), store.totalBytes())
                   && chart()->bars().size() == store.groups().size() && rows().size() == store.groups().size();
        });
    }

    template <typename T>
    [[nodiscard]] T *find(const QString &name) const
    {
        return view.findChild<T *>(name);
    }
    [[nodiscard]] ByteBarChart *chart() const { return find<ByteBarChart>(QStringLiteral("breakdownChart")); }
    [[nodiscard]] QString summary() const { return find<KitLabel>(QStringLiteral("breakdownSummary"))->text(); }
    [[nodiscard]] bool shows(const QString &name) const
    {
        const QWidget *widget = find<QWidget>(name);
        return widget && widget->isVisibleTo(&view);
    }
    // The rows shown, from top to bottom.
    [[nodiscard]] QList<ProvenanceRow *> rows() const
    {
        QList<ProvenanceRow *> shown;
        for (ProvenanceRow *row : view.findChildren<ProvenanceRow *>()) {
            if (row->isVisibleTo(&view))
                shown.append(row);
        }
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

    Feed feed;
    ScanStore store{feed.walk(), feed.measure()};
    ProvenanceView view{store};
    bool exposed = false;
};

QString rowText(const ProvenanceRow *row, const char *name)
{
    return row->findChild<KitLabel *>(QLatin1String(name))->text();
}

// count groups "g0", "g1", ... of one record each, the first the largest.
QList<NodeModule> groupsOfOne(int count)
{
    QList<NodeModule> records;
    for (int i = 0; i < count; ++i)
        records << record(QStringLiteral("g%1").arg(i), QStringLiteral("app"), (count - i) * MB);
    return records;
}

QImage render(QWidget *widget)
{
    QImage image(widget->size(), QImage::Format_ARGB32);
    image.fill(widget->palette().color(QPalette::Window));
    widget->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
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
    void placeholderBeforeAnyScan()
    {
        Screen screen;
        QVERIFY(screen.exposed);
        QCOMPARE(screen.find<KitLabel>(QStringLiteral("screenTitle"))->text(), QStringLiteral("Breakdown"));
        QVERIFY(screen.shows(QStringLiteral("breakdownPlaceholder")));
        QVERIFY(!screen.shows(QStringLiteral("breakdownScroll")));
        const auto *placeholder = screen.find<ContentUnavailableView>(QStringLiteral("breakdownPlaceholder"));
        QCOMPARE(placeholder->title(), QStringLiteral("Nothing to chart"));
        QCOMPARE(placeholder->description(),
                 QStringLiteral("Run a scan in Disk cleanup to see where your node_modules come from."));
        QVERIFY(screen.rows().isEmpty());

        // A scan that finds nothing leaves it in place.
        QVERIFY(screen.scan({}));
        QVERIFY(screen.shows(QStringLiteral("breakdownPlaceholder")));
    }

    void oneGroupOfThreeFolders()
    {
        Screen screen;
        QVERIFY(screen.scan({record(QStringLiteral("shop"), QStringLiteral("web"), GB),
                             record(QStringLiteral("shop"), QStringLiteral("api"), GB / 2),
                             record(QStringLiteral("shop"), QStringLiteral("admin"), GB / 2)}));
        QVERIFY(!screen.shows(QStringLiteral("breakdownPlaceholder")));
        QVERIFY(screen.shows(QStringLiteral("breakdownScroll")));
        QCOMPARE(screen.find<KitLabel>(QStringLiteral("breakdownHeading"))->text(),
                 QStringLiteral("Where your node_modules come from"));
        QCOMPARE(screen.summary(), QStringLiteral("3 folders across 1 top-level locations · 2.0 GB total"));
        QCOMPARE(screen.find<KitLabel>(QStringLiteral("breakdownListHeading"))->text(), QStringLiteral("Breakdown"));

        QCOMPARE(screen.chart()->height(), 180);
        QCOMPARE(screen.barLabels(), QStringList{QStringLiteral("shop")});
        QCOMPARE(screen.chart()->bars().constFirst().bytes, 2 * GB);
        QCOMPARE(screen.chart()->chartLayout().annotationTexts, QStringList{QStringLiteral("2.0 GB")});

        // Hovering the bar's row names the group in full.
        const QPoint overBar = screen.chart()->chartLayout().labels.constFirst().center().toPoint();
        QHelpEvent help(QEvent::ToolTip, overBar, screen.chart()->mapToGlobal(overBar));
        QApplication::sendEvent(screen.chart(), &help);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), QStringLiteral("Folder: shop\nSize: 2.0 GB (3 folders)"));
        QToolTip::hideText();

        const QList<ProvenanceRow *> rows = screen.rows();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.constFirst()->fraction(), 1.0);
        QCOMPARE(rowText(rows.constFirst(), "provenanceKey"), QStringLiteral("shop"));
        QCOMPARE(rowText(rows.constFirst(), "provenanceCount"), QStringLiteral("3 folders"));
        QCOMPARE(rowText(rows.constFirst(), "provenanceSize"), QStringLiteral("2.0 GB"));
        const auto *bar = rows.constFirst()->findChild<ProportionBar *>();
        QCOMPARE(bar->height(), 8);
        QCOMPARE(bar->fillWidth(), qreal(bar->width()));
    }

    void chartHeightFollowsTheGroups_data()
    {
        QTest::addColumn<int>("groups");
        QTest::addColumn<int>("height");
        QTest::newRow("1") << 1 << 180;
        QTest::newRow("5, still the minimum") << 5 << 180;
        QTest::newRow("6") << 6 << 204;
        QTest::newRow("10") << 10 << 340;
    }

    void chartHeightFollowsTheGroups()
    {
        QFETCH(int, groups);
        QFETCH(int, height);
        Screen screen;
        QVERIFY(screen.scan(groupsOfOne(groups)));
        QCOMPARE(screen.chart()->height(), height);
        QCOMPARE(screen.summary(),
                 QStringLiteral("%1 folders across %1 top-level locations · %2 total")
                     .arg(groups)
                     .arg(ByteFormat::string(qint64(groups) * (groups + 1) / 2 * MB)));
        // One bar per group, in the store's order (largest first), on its own row.
        QCOMPARE(screen.barLabels(), screen.rowKeys());
        const ByteBarChart::Layout &layout = screen.chart()->chartLayout();
        for (qsizetype i = 1; i < layout.bars.size(); ++i) {
            QVERIFY(layout.bars.at(i).top() >= layout.bars.at(i - 1).bottom());
            QVERIFY(layout.bars.at(i).width() < layout.bars.at(i - 1).width());
        }
    }

    // A group of links frees nothing: a bar of no length, "0 B" at its end, a 6-point stub.
    void groupOfLinksOnly()
    {
        Screen screen;
        QVERIFY(screen.scan({record(QStringLiteral("linked"), QStringLiteral("a"), 2 * GB, true),
                             record(QStringLiteral("app"), QStringLiteral("web"), GB),
                             record(QStringLiteral("linked"), QStringLiteral("b"), 0, true)}));
        QCOMPARE(screen.rowKeys(), (QStringList{QStringLiteral("app"), QStringLiteral("linked")}));
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
    }

    // With nothing to free anywhere, nothing is divided by zero and every bar is a stub.
    void everyGroupAtZero()
    {
        Screen screen;
        QVERIFY(screen.scan({record(QStringLiteral("a"), QStringLiteral("x"), GB, true),
                             record(QStringLiteral("b"), QStringLiteral("y"), 0, true)}));
        QCOMPARE(screen.summary(), QStringLiteral("2 folders across 2 top-level locations · 0 B total"));
        for (const ProvenanceRow *row : screen.rows()) {
            QCOMPARE(row->fraction(), 0.0);
            QCOMPARE(row->findChild<ProportionBar *>()->fillWidth(), 6.0);
        }
        QCOMPARE(ProvenanceView::fraction(0, 0), 0.0);

        const ByteBarChart::Layout &layout = screen.chart()->chartLayout();
        QVERIFY(layout.marks.size() >= 2);
        for (const QRectF &bar : layout.bars)
            QCOMPARE(bar.width(), 0.0);
        for (const ByteBarChart::Mark &mark : layout.marks)
            QVERIFY(std::isfinite(mark.x) && mark.x >= layout.plot.left() && mark.x <= layout.plot.right());
        QCOMPARE(layout.annotationTexts, (QStringList{QStringLiteral("0 B"), QStringLiteral("0 B")}));
    }

    void folderCountsInTheRows()
    {
        Screen screen;
        QVERIFY(screen.scan({record(QStringLiteral("one"), QStringLiteral("x"), 3 * MB),
                             record(QStringLiteral("two"), QStringLiteral("x"), 2 * MB),
                             record(QStringLiteral("two"), QStringLiteral("y"), 2 * MB)}));
        QCOMPARE(screen.rowKeys(), (QStringList{QStringLiteral("two"), QStringLiteral("one")}));
        QCOMPARE(rowText(screen.rows().at(0), "provenanceCount"), QStringLiteral("2 folders"));
        QCOMPARE(rowText(screen.rows().at(1), "provenanceCount"), QStringLiteral("1 folder"));
        QCOMPARE(screen.rows().at(1)->fraction(), 0.75);
        QCOMPARE(ProvenanceRow::folderCountText(0), QStringLiteral("0 folders"));
    }

    // A key has one colour: its bar, its dot and its proportion bar, and the bar really is
    // painted in it where the layout puts it, with rounded corners.
    void groupColourInChartAndRow()
    {
        Screen screen;
        QVERIFY(screen.scan({record(QStringLiteral("storefront"), QStringLiteral("web"), 800 * MB),
                             record(QStringLiteral("api"), QStringLiteral("server"), 400 * MB)}));
        const QList<ProvenanceRow *> rows = screen.rows();
        for (qsizetype i = 0; i < rows.size(); ++i) {
            const QColor expected = groupColor(rows.at(i)->group().key);
            QCOMPARE(screen.chart()->bars().at(i).color, expected);
            QCOMPARE(rows.at(i)->color(), expected);
            QCOMPARE(rows.at(i)->findChild<ColorDot *>()->color(), expected);
            QCOMPARE(rows.at(i)->findChild<ProportionBar *>()->color(), expected);
        }

        ByteBarChart *chart = screen.chart();
        const QImage image = render(chart);
        const ByteBarChart::Layout &layout = chart->chartLayout();
        for (qsizetype i = 0; i < layout.bars.size(); ++i) {
            const QRectF bar = layout.bars.at(i);
            const QColor colour = chart->bars().at(i).color;
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
        QTest::addColumn<QStringList>("texts");
        const auto texts = [](const char *joined) { return QString::fromUtf8(joined).split(QLatin1Char(',')); };
        QTest::newRow("476.8 MB") << qint64(476.8 * MB) << 6 << texts("0 B,100.0 MB,200.0 MB,300.0 MB,400.0 MB,500.0 MB");
        QTest::newRow("900 MB") << 900 * MB << 6 << texts("0 B,256.0 MB,512.0 MB,768.0 MB,1.0 GB");
        QTest::newRow("1.2 GB") << qint64(1.2 * GB) << 6 << texts("0 B,512.0 MB,1.0 GB,1.5 GB");
        QTest::newRow("3.4 GB") << qint64(3.4 * GB) << 6 << texts("0 B,1.0 GB,2.0 GB,3.0 GB,4.0 GB");
        QTest::newRow("3.4 GB, room for two") << qint64(3.4 * GB) << 2 << texts("0 B,2.0 GB,4.0 GB");
        QTest::newRow("exactly 1 GB") << GB << 6 << texts("0 B,256.0 MB,512.0 MB,768.0 MB,1.0 GB");
        QTest::newRow("300 B") << qint64(300) << 6 << texts("0 B,50 B,100 B,150 B,200 B,250 B,300 B");
        QTest::newRow("1 B") << qint64(1) << 6 << texts("0 B,1 B");
        QTest::newRow("nothing") << qint64(0) << 6 << texts("0 B,256 B,512 B,768 B,1.0 KB");
        QTest::newRow("5000 TB") << qint64(5000) * 1024 * GB << 6 << texts("0 B,1000.0 TB,2000.0 TB,3000.0 TB,4000.0 TB,5000.0 TB");
    }

    void axisMarks()
    {
        QFETCH(qint64, maxBytes);
        QFETCH(int, intervals);
        QFETCH(QStringList, texts);
        const QList<qint64> marks = ByteAxis::marks(maxBytes, intervals);
        QStringList shown;
        for (const qint64 value : marks)
            shown << ByteFormat::string(value);
        QCOMPARE(shown, texts);
        QVERIFY(marks.last() >= maxBytes);
    }

    // Whatever the sizes and the width: labels are the marks' sizes, round, increasing,
    // inside the chart and never overlapping.
    void axisLabelsFitAndIncrease()
    {
        const QList<qint64> sizes = {1, 999, 5 * 1024, 476 * MB + 777, GB - 1, 17 * GB + 3, 3 * 1024 * GB,
                                     std::numeric_limits<qint64>::max() / 2};
        ByteBarChart chart;
        for (const int width : {200, 420, 760, 1400}) {
            chart.resize(width, chart.height());
            for (const qint64 size : sizes) {
                chart.setBars({{QStringLiteral("a-rather-long-folder-name-for-a-group"), size, Qt::red, {}},
                               {QStringLiteral("b"), size / 3, Qt::blue, {}}});
                const ByteBarChart::Layout &layout = chart.chartLayout();
                QVERIFY(layout.marks.size() >= 2);
                QVERIFY(layout.domainMax >= size);
                const QFontMetricsF metrics(Typography::monospacedDigits(Typography::font(TextStyle::caption)));
                qreal previousRight = -1;
                for (qsizetype i = 0; i < layout.marks.size(); ++i) {
                    const ByteBarChart::Mark &mark = layout.marks.at(i);
                    QCOMPARE(mark.text, ByteFormat::string(mark.value));
                    if (size < std::numeric_limits<qint64>::max() / 4)
                        QVERIFY2(ByteAxis::isRound(mark.value), qPrintable(mark.text));
                    if (i > 0) {
                        QVERIFY(mark.value > layout.marks.at(i - 1).value);
                        QVERIFY(mark.x > layout.marks.at(i - 1).x);
                    }
                    if (!mark.labelled)
                        continue;
                    QVERIFY(mark.textRect.width() >= metrics.horizontalAdvance(mark.text) - 0.5);
                    QVERIFY2(mark.textRect.left() > previousRight && mark.textRect.right() <= width,
                             qPrintable(QStringLiteral("%1 at width %2").arg(mark.text).arg(width)));
                    previousRight = mark.textRect.right();
                }
                // Every label is shown where there is room for them.
                QVERIFY(layout.marks.constLast().labelled);
                if (width >= 420)
                    QVERIFY(std::all_of(layout.marks.cbegin(), layout.marks.cend(),
                                        [](const ByteBarChart::Mark &mark) { return mark.labelled; }));
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

    // The screen grows bar by bar as records arrive, reorders when a group overtakes
    // another, and keeps the rows it already made.
    void redrawsWhileRecordsStreamIn()
    {
        Screen screen(true);
        screen.feed.set({record(QStringLiteral("small"), QStringLiteral("x"), 100 * MB),
                         record(QStringLiteral("large"), QStringLiteral("x"), 300 * MB),
                         record(QStringLiteral("small"), QStringLiteral("y"), 50 * MB)});
        screen.store.startScan();
        QTRY_VERIFY(screen.store.statusText().startsWith(QStringLiteral("Measuring")));
        QVERIFY(screen.shows(QStringLiteral("breakdownPlaceholder")));

        QList<ProvenanceRow *> made;
        for (int arrived = 1; arrived <= 3; ++arrived) {
            screen.feed.allow();
            QTRY_COMPARE(screen.summary().section(QLatin1Char(' '), 0, 0), QString::number(arrived));
            QTRY_COMPARE(screen.barLabels(), screen.rowKeys());
            QVERIFY(screen.store.isScanning() || arrived == 3);
            // Rows already made are kept and reused as the groups grow and reorder.
            const QList<ProvenanceRow *> rows = screen.rows();
            QCOMPARE(rows.mid(0, made.size()), made);
            made = rows;
        }
        QVERIFY(!screen.shows(QStringLiteral("breakdownPlaceholder")));
        QTRY_VERIFY(!screen.store.isScanning());
        // Arrival order is completion order; whatever it was, the end is this.
        QCOMPARE(screen.barLabels(), (QStringList{QStringLiteral("large"), QStringLiteral("small")}));
        QCOMPARE(screen.summary(), QStringLiteral("3 folders across 2 top-level locations · 450.0 MB total"));
        QCOMPARE(screen.rows().at(1)->fraction(), 0.5);
        QCOMPARE(rowText(screen.rows().at(1), "provenanceCount"), QStringLiteral("2 folders"));

        // A new scan empties the screen and fills the same rows again.
        screen.feed.open();
        QVERIFY(screen.scan({record(QStringLiteral("next"), QStringLiteral("x"), MB)}));
        QCOMPARE(screen.rows(), made.mid(0, 1));
        QCOMPARE(screen.rowKeys(), QStringList{QStringLiteral("next")});
        QCOMPARE(screen.rows().constFirst()->fraction(), 1.0);
        QCOMPARE(rowText(screen.rows().constFirst(), "provenanceCount"), QStringLiteral("1 folder"));
        QCOMPARE(screen.view.findChildren<ProvenanceRow *>().size(), 2);
    }

    // Thousands of records in a few rebuilds, not one per record.
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

        // Hidden, it does not rebuild at all, and catches up when shown again.
        screen.view.hide();
        const int hidden = screen.view.refreshCount();
        screen.feed.set(groupsOfOne(3));
        screen.store.startScan();
        QTRY_VERIFY(!screen.store.isScanning());
        QCOMPARE(screen.store.modules().size(), 3);
        QCOMPARE(screen.view.refreshCount(), hidden);
        screen.view.show();
        QCOMPARE(screen.view.refreshCount(), hidden + 1);
        QCOMPARE(screen.rowKeys(), (QStringList{QStringLiteral("g0"), QStringLiteral("g1"), QStringLiteral("g2")}));

        // Forty groups again: the rows set aside come back, in order, and none is new.
        const QList<ProvenanceRow *> made = screen.view.findChildren<ProvenanceRow *>();
        QVERIFY(screen.scan(records));
        QCOMPARE(screen.rows().size(), 40);
        QCOMPARE(screen.view.findChildren<ProvenanceRow *>(), made);
        QCOMPARE(screen.rowKeys(), screen.barLabels());
        QTRY_VERIFY(screen.rows().constLast()->mapTo(&screen.view, QPoint()).y()
                    > screen.rows().constFirst()->mapTo(&screen.view, QPoint()).y());
    }

    // Real folders, a real scan and real deletions: groups shrink and vanish, and with
    // nothing left the placeholder comes back.
    void redrawsAfterDeletions()
    {
        const TestTrees::Scratch tree;
        QVERIFY(tree.isValid());
        const QByteArray root = tree.path("code");
        TestTrees::writeFile(root + "/shop/web/node_modules/react/index.js", 64 * 1024);
        TestTrees::writeFile(root + "/shop/api/node_modules/express/index.js", 32 * 1024);
        TestTrees::writeFile(root + "/blog/node_modules/astro/index.js", 16 * 1024);
        TestTrees::makeLink(root + "/blog/node_modules", root + "/linked/node_modules");

        ScanStore store;
        store.setRootPath(QFile::decodeName(root));
        ProvenanceView view(store);
        view.resize(900, 700);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        store.startScan();
        QTRY_VERIFY(!store.isScanning());
        const auto summary = [&view] { return view.findChild<KitLabel *>(QStringLiteral("breakdownSummary"))->text(); };
        const auto keys = [&view] {
            QStringList shown;
            for (const ByteBarChart::Bar &bar : view.findChild<ByteBarChart *>()->bars())
                shown << bar.label;
            return shown;
        };
        QTRY_COMPARE(keys(), (QStringList{QStringLiteral("shop"), QStringLiteral("blog"), QStringLiteral("linked")}));
        QCOMPARE(summary(), QStringLiteral("4 folders across 3 top-level locations · %1 total")
                                .arg(ByteFormat::string(store.totalBytes())));

        QSet<QByteArray> shop;
        for (const NodeModule &module : store.modules()) {
            if (module.groupKey == QLatin1String("shop"))
                shop.insert(module.id);
        }
        auto deleted = store.deleteModules(shop, NodeModulesScanner::DeletionMode::permanent);
        QTRY_VERIFY(deleted.isFinished());
        QCOMPARE(deleted.result().removedIDs, shop);
        QTRY_COMPARE(keys(), (QStringList{QStringLiteral("blog"), QStringLiteral("linked")}));
        QCOMPARE(summary(), QStringLiteral("2 folders across 2 top-level locations · %1 total")
                                .arg(ByteFormat::string(store.totalBytes())));
        const auto shownRows = [&view] {
            const QList<ProvenanceRow *> rows = view.findChildren<ProvenanceRow *>();
            return std::count_if(rows.cbegin(), rows.cend(),
                                 [&view](const QWidget *row) { return row->isVisibleTo(&view); });
        };
        QCOMPARE(shownRows(), 2);

        QSet<QByteArray> rest;
        for (const NodeModule &module : store.modules())
            rest.insert(module.id);
        deleted = store.deleteModules(rest, NodeModulesScanner::DeletionMode::permanent);
        QTRY_VERIFY(deleted.isFinished());
        QTRY_VERIFY(view.findChild<QWidget *>(QStringLiteral("breakdownPlaceholder"))->isVisibleTo(&view));
        QVERIFY(!view.findChild<QWidget *>(QStringLiteral("breakdownScroll"))->isVisibleTo(&view));
        QCOMPARE(shownRows(), 0);
    }
};

QTEST_MAIN(TestProvenanceView)
#include "tst_provenanceview.moc"
