#include "core/ByteFormat.h"
#include "core/modules/NodeModulesScanner.h"
#include "core/modules/ScanStore.h"
#include "support/ModuleRecord.h"
#include "support/TestTrees.h"
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
#include <QMap>
#include <QSemaphore>
#include <QTest>
#include <QToolTip>

#include <algorithm>
#include <limits>

namespace {

constexpr qint64 MB = 1024 * 1024;
constexpr qint64 GB = 1024 * MB;

// A record of key's group; name tells records of one group apart.
NodeModule record(const QString &key, const QString &name, qint64 bytes, bool link = false)
{
    const auto target = link ? std::optional<QByteArray>("/elsewhere/node_modules") : std::nullopt;
    return moduleRecord(QFile::encodeName(QStringLiteral("/code/%1/%2").arg(key, name)), key, bytes, link, target);
}

// What the store's scans find: the records fed, by parent (set only between scans), or from
// disk the real scanner's. Gated, each measurement waits for one permit, so a test can let
// records in one at a time; opened when the screen goes, so no worker is left waiting.
struct Screen
{
    explicit Screen(bool gated = false, bool disk = false)
        : store(disk ? ScanStore::WalkFunction(NodeModulesScanner::findParentDirs)
                     : [this](const QByteArray &, const CancelToken &) { return records.keys(); },
                disk ? ScanStore::MeasureFunction(NodeModulesScanner::measure)
                     : [this](const QByteArray &parent, const QByteArray &, const CancelToken &) {
                           gate.acquire();
                           return records.contains(parent) ? std::optional(records.value(parent)) : std::nullopt;
                       })
    {
        if (!gated)
            open();
        store.setRootPath(QStringLiteral("/"));
        view.resize(900, 700);
        view.show();
    }
    ~Screen() { open(); }
    void open() { gate.release(1'000'000); }

    // Scans (records, unless from disk) and waits until the screen has caught up with the store.
    [[nodiscard]] bool scan(const QList<NodeModule> &fed = {})
    {
        start(fed);
        return QTest::qWaitFor([this] { return !store.isScanning(); }) && settle();
    }
    void start(const QList<NodeModule> &fed)
    {
        records.clear();
        for (const NodeModule &module : fed)
            records.insert(module.parentPath, module);
        store.startScan();
    }
    // Summary, bars and cards all show the store's groups, in its order.
    [[nodiscard]] bool settle()
    {
        return QTest::qWaitFor([this] {
            QStringList keys, cards;
            for (const ModuleGroup &group : store.groups())
                keys << group.key;
            for (const ProvenanceRow *row : rows())
                cards << row->group().key;
            return summary() == ProvenanceView::summaryText(store.modules().size(), keys.size(), store.totalBytes())
                && groups() == keys && cards == keys;
        });
    }

    [[nodiscard]] ByteBarChart *chart() const
    {
        return view.findChild<ByteBarChart *>(QStringLiteral("breakdownChart"));
    }
    [[nodiscard]] QString text(const char *name) const
    {
        return view.findChild<KitLabel *>(QLatin1String(name))->text();
    }
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
    // The bars' labels, from top to bottom.
    [[nodiscard]] QStringList groups() const
    {
        QStringList labels;
        for (const ByteBarChart::Bar &bar : chart()->bars())
            labels << bar.label;
        return labels;
    }

    QSemaphore gate; // before the store, which waits for its workers when it goes
    QMap<QByteArray, NodeModule> records;
    ScanStore store;
    ProvenanceView view{store};
};

// What a row says: key, folder count, size and share.
QStringList card(const ProvenanceRow *row)
{
    QStringList texts;
    for (const char *name : {"provenanceKey", "provenanceCount", "provenanceSize"})
        texts << row->findChild<KitLabel *>(QLatin1String(name))->text();
    return texts << QString::number(row->fraction());
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
    // One group: its header, its bar painted in its colour where the layout puts it, the
    // same colour on its card. Then ten: a taller chart, bars in proportion, largest first.
    void oneGroupThenTen()
    {
        Screen screen;
        QVERIFY(
            screen.scan({record("shop", "web", GB), record("shop", "api", GB / 2), record("shop", "admin", GB / 2)}));
        QVERIFY(!screen.shows("breakdownPlaceholder") && screen.shows("breakdownScroll"));
        QCOMPARE((QStringList{screen.text("screenTitle"), screen.text("breakdownHeading"), screen.summary(),
                              screen.text("breakdownListHeading")}),
                 (QStringList{"Breakdown", "Where your node_modules come from",
                              "3 folders across 1 top-level locations · 2.0 GB total", "Breakdown"}));
        ByteBarChart *chart = screen.chart();
        QCOMPARE(chart->height(), 180);
        QCOMPARE(screen.groups(), QStringList{"shop"});
        QCOMPARE(chart->chartLayout().annotationTexts, QStringList{"2.0 GB"});
        const ProvenanceRow *row = screen.rows().constFirst();
        QCOMPARE(card(row), (QStringList{"shop", "3 folders", "2.0 GB", "1"}));

        const QColor colour = groupColor(QStringLiteral("shop"));
        QCOMPARE((QList<QColor>{chart->bars().constFirst().color, row->findChild<ColorDot *>()->color(),
                                row->findChild<ProportionBar *>()->color()}),
                 QList<QColor>(3, colour));
        QImage image(chart->size(), QImage::Format_ARGB32);
        image.fill(chart->palette().color(QPalette::Window));
        chart->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        const QRectF bar = chart->chartLayout().bars.constFirst();
        for (const QPointF &inside :
             {bar.center(), QPointF(bar.right() - 8, bar.center().y()), bar.topLeft() + QPointF(8, 2)})
            QVERIFY(near(image.pixelColor(inside.toPoint()), colour));
        // The rounded corner leaves the very corner unpainted; nothing of the colour runs past the end.
        for (const QPointF &outside : {bar.topLeft(), QPointF(bar.right() + 3, bar.center().y())})
            QVERIFY(!near(image.pixelColor(outside.toPoint()), colour, 30));

        // Hovering the bar's row names the group in full.
        const QPoint overBar = chart->chartLayout().labels.constFirst().center().toPoint();
        QHelpEvent help(QEvent::ToolTip, overBar, chart->mapToGlobal(overBar));
        QApplication::sendEvent(chart, &help);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), QStringLiteral("Folder: shop\nSize: 2.0 GB (3 folders)"));
        QToolTip::hideText();

        // Thousands of records in a few rebuilds, not one per record.
        QList<NodeModule> records;
        for (int i = 0; i < 3000; ++i)
            records << record(QStringLiteral("g%1").arg(i % 10), QStringLiteral("p%1").arg(i), (10 - i % 10) * MB);
        const int before = screen.view.refreshCount();
        QElapsedTimer clock;
        clock.start();
        QVERIFY(screen.scan(records));
        const qint64 elapsed = clock.elapsed();
        const int rebuilds = screen.view.refreshCount() - before;
        QVERIFY2(rebuilds <= elapsed / ProvenanceView::s_refreshInterval + 2,
                 qPrintable(QStringLiteral("%1 rebuilds in %2 ms").arg(rebuilds).arg(elapsed)));
        QCOMPARE(chart->height(), 340);
        QCOMPARE(screen.groups().size(), 10);
        const ByteBarChart::Layout &layout = chart->chartLayout();
        for (qsizetype i = 0; i < 10; ++i) {
            QCOMPARE(screen.groups().at(i), QStringLiteral("g%1").arg(i));
            QVERIFY(i == 0 || layout.bars.at(i).top() >= layout.bars.at(i - 1).bottom());
            QVERIFY(qAbs(layout.bars.at(i).width() - layout.bars.at(0).width() * double(10 - i) / 10) <= 1);
        }
    }

    // A group of links frees nothing: a bar of no length, "0 B" at its end, a 6-point stub.
    // With nothing to free anywhere, nothing is divided by zero.
    void groupsOfLinksFreeNothing()
    {
        Screen screen;
        QVERIFY(screen.scan(
            {record("linked", "a", 2 * GB, true), record("app", "web", GB), record("linked", "b", 0, true)}));
        QCOMPARE(screen.groups(), (QStringList{"app", "linked"}));
        QCOMPARE(screen.summary(), QStringLiteral("3 folders across 2 top-level locations · 1.0 GB total"));
        const ByteBarChart::Layout &layout = screen.chart()->chartLayout();
        QCOMPARE(layout.bars.at(1).width(), 0.0);
        QCOMPARE(layout.bars.at(1).left(), layout.plot.left());
        QCOMPARE(layout.annotationTexts.at(1), QStringLiteral("0 B"));
        QVERIFY(layout.annotations.at(1).left() > layout.plot.left()
                && layout.annotations.at(1).right() < layout.annotations.at(0).left());
        QCOMPARE(card(screen.rows().at(1)), (QStringList{"linked", "2 folders", "0 B", "0"}));
        QCOMPARE(screen.rows().at(1)->findChild<ProportionBar *>()->fillWidth(), 6.0);

        QVERIFY(screen.scan({record("a", "x", GB, true), record("b", "y", 0, true)}));
        QCOMPARE(screen.summary(), QStringLiteral("2 folders across 2 top-level locations · 0 B total"));
        const ByteBarChart::Layout &zero = screen.chart()->chartLayout();
        QVERIFY(zero.marks.size() >= 2);
        for (qsizetype i = 0; i < 2; ++i)
            QVERIFY(zero.bars.at(i).width() == 0 && screen.rows().at(i)->fraction() == 0);
        for (const ByteBarChart::Mark &mark : zero.marks)
            QVERIFY(std::isfinite(mark.x) && mark.x >= zero.plot.left() && mark.x <= zero.plot.right());
        QCOMPARE(zero.annotationTexts, (QStringList{"0 B", "0 B"}));
    }

    // Marks are round byte sizes: exact for a few maxima; for any size and width, labels
    // are the marks' sizes, increasing, inside the chart and never overlapping.
    void axisMarksAndLabels()
    {
        for (const auto &[maxBytes, intervals, texts] : QList<std::tuple<qint64, int, QString>>{
                 {qint64(476.8 * MB), 6, "0 B,100.0 MB,200.0 MB,300.0 MB,400.0 MB,500.0 MB"},
                 {GB, 6, "0 B,256.0 MB,512.0 MB,768.0 MB,1.0 GB"},
                 {qint64(3.4 * GB), 2, "0 B,2.0 GB,4.0 GB"},
                 {0, 6, "0 B,256 B,512 B,768 B,1.0 KB"}}) {
            QStringList shown;
            for (const qint64 value : ByteAxis::marks(maxBytes, intervals))
                shown << ByteFormat::string(value);
            QCOMPARE(shown.join(QLatin1Char(',')), texts);
        }

        const QFontMetricsF metrics(Typography::monospacedDigits(Typography::font(TextStyle::caption)));
        ByteBarChart chart;
        for (const int width : {200, 420, 760, 1400}) {
            chart.resize(width, chart.height());
            for (const qint64 size : {qint64(1), qint64(999), 5 * 1024LL, 476 * MB + 777, GB - 1, 17 * GB + 3,
                                      3 * 1024 * GB, std::numeric_limits<qint64>::max() / 2}) {
                chart.setBars({{QStringLiteral("a-rather-long-folder-name-for-a-group"), size, Qt::red, {}},
                               {QStringLiteral("b"), size / 3, Qt::blue, {}}});
                const ByteBarChart::Layout &layout = chart.chartLayout();
                QVERIFY(layout.marks.size() >= 2 && layout.domainMax >= size);
                qreal previousRight = -1;
                for (qsizetype i = 0; i < layout.marks.size(); ++i) {
                    const ByteBarChart::Mark &mark = layout.marks.at(i);
                    const QByteArray where = QStringLiteral("%1 at width %2").arg(mark.text).arg(width).toUtf8();
                    QCOMPARE(mark.text, ByteFormat::string(mark.value));
                    QVERIFY2(ByteAxis::isRound(mark.value) || size > std::numeric_limits<qint64>::max() / 4, where);
                    QVERIFY(i == 0 || (mark.value > layout.marks.at(i - 1).value && mark.x > layout.marks.at(i - 1).x));
                    // Every label is shown where there is room for them, the last one always.
                    QVERIFY2(mark.labelled || (width < 420 && i + 1 < layout.marks.size()), where);
                    QVERIFY2(!mark.labelled
                                 || (mark.textRect.width() >= metrics.horizontalAdvance(mark.text) - 0.5
                                     && mark.textRect.left() > previousRight && mark.textRect.right() <= width),
                             where);
                    previousRight = mark.labelled ? mark.textRect.right() : previousRight;
                }
                // Each bar's size fits beside it, and the labels within their column.
                for (qsizetype i = 0; i < layout.bars.size(); ++i) {
                    QVERIFY(layout.annotations.at(i).right() <= width + 0.5
                            && layout.labels.at(i).right() < layout.plot.left());
                    QVERIFY(metrics.horizontalAdvance(layout.labelTexts.at(i)) <= layout.labels.at(i).width() + 16);
                }
            }
        }
        // A long name gives way, its ends kept.
        chart.resize(420, chart.height());
        const QString shown = chart.chartLayout().labelTexts.constFirst();
        QVERIFY(shown.startsWith(QLatin1Char('a')) && shown.endsWith(QLatin1String("group")) && shown.contains(u'…'));
    }

    // A placeholder until a record arrives; then the screen grows bar by bar, reorders when a
    // group overtakes another, and keeps the rows it already made. Hidden, it rebuilds nothing
    // until shown again.
    void redrawsWhileRecordsStreamIn()
    {
        Screen screen(true);
        QVERIFY(screen.shows("breakdownPlaceholder") && !screen.shows("breakdownScroll"));
        const auto *placeholder =
            screen.view.findChild<ContentUnavailableView *>(QStringLiteral("breakdownPlaceholder"));
        QCOMPARE(
            (QStringList{placeholder->title(), placeholder->description()}),
            (QStringList{"Nothing to chart", "Run a scan in Disk cleanup to see where your node_modules come from."}));

        screen.start({record("small", "x", 100 * MB), record("large", "x", 300 * MB), record("small", "y", 50 * MB)});
        QTRY_VERIFY(screen.store.statusText().startsWith(QStringLiteral("Measuring")));
        QVERIFY(screen.shows("breakdownPlaceholder"));
        QList<ProvenanceRow *> made;
        for (int arrived = 1; arrived <= 3; ++arrived) {
            screen.gate.release();
            QTRY_COMPARE(screen.summary().section(QLatin1Char(' '), 0, 0), QString::number(arrived));
            QVERIFY(screen.settle());
            QVERIFY(screen.store.isScanning() || arrived == 3);
            // Rows already made are kept and reused as the groups grow and reorder.
            const QList<ProvenanceRow *> rows = screen.rows();
            QCOMPARE(rows.mid(0, made.size()), made);
            made = rows;
        }
        QVERIFY(!screen.shows("breakdownPlaceholder"));
        QTRY_VERIFY(!screen.store.isScanning());
        // Arrival order is completion order; whatever it was, the end is this.
        QCOMPARE(screen.groups(), (QStringList{"large", "small"}));
        QCOMPARE(screen.summary(), QStringLiteral("3 folders across 2 top-level locations · 450.0 MB total"));
        QCOMPARE(card(screen.rows().at(1)), (QStringList{"small", "2 folders", "150.0 MB", "0.5"}));

        // A new scan, hidden, then shown: one rebuild, and the same rows filled again.
        screen.open();
        screen.view.hide();
        const int hidden = screen.view.refreshCount();
        screen.start({record("next", "x", MB)});
        QTRY_VERIFY(!screen.store.isScanning());
        QCOMPARE(screen.store.modules().size(), 1);
        QCOMPARE(screen.view.refreshCount(), hidden);
        screen.view.show();
        QCOMPARE(screen.view.refreshCount(), hidden + 1);
        QVERIFY(screen.settle());
        QCOMPARE(screen.rows(), made.mid(0, 1));
        QCOMPARE(card(screen.rows().constFirst()), (QStringList{"next", "1 folder", "1.0 MB", "1"}));
        QCOMPARE(screen.view.findChildren<ProvenanceRow *>().size(), 2);
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

        Screen screen(false, true);
        screen.store.setRootPath(QFile::decodeName(root));
        QVERIFY(screen.scan());
        QCOMPARE(screen.groups(), (QStringList{"shop", "blog", "linked"}));
        QCOMPARE(screen.store.modules().size(), 4);

        // Deletes the records of group, or all of them.
        const auto remove = [&screen](const QString &group) {
            QSet<QByteArray> ids;
            for (const NodeModule &module : screen.store.modules())
                if (group.isEmpty() || module.groupKey == group)
                    ids.insert(module.id);
            auto deleted = screen.store.deleteModules(ids, NodeModulesScanner::DeletionMode::permanent);
            return QTest::qWaitFor([&] { return deleted.isFinished(); }) && deleted.result().removedIDs == ids
                && screen.settle();
        };
        QVERIFY(remove(QStringLiteral("shop")));
        QCOMPARE(screen.groups(), (QStringList{"blog", "linked"}));
        QVERIFY(remove({}));
        QVERIFY(screen.shows("breakdownPlaceholder") && !screen.shows("breakdownScroll"));
        QVERIFY(screen.rows().isEmpty());
        // A scan that finds nothing leaves it in place.
        QVERIFY(screen.scan());
        QVERIFY(screen.shows("breakdownPlaceholder"));
    }
};

QTEST_MAIN(TestProvenanceView)
#include "tst_provenanceview.moc"
