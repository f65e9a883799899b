#include "support/MessageBoxButtons.h"
#include "ui/kit/ColorDot.h"
#include "ui/kit/ContentUnavailableView.h"
#include "ui/kit/Dialogs.h"
#include "ui/kit/GlassCard.h"
#include "ui/kit/GlassLook.h"
#include "ui/kit/GlassSurface.h"
#include "ui/kit/GroupColor.h"
#include "ui/kit/Icons.h"
#include "ui/kit/InlineCodeLabel.h"
#include "ui/kit/KitLabel.h"
#include "ui/kit/ProgressSpinner.h"
#include "ui/kit/ProportionBar.h"
#include "ui/kit/Spacing.h"
#include "ui/kit/StatTile.h"
#include "ui/kit/Switch.h"
#include "ui/kit/SymbolLabel.h"
#include "ui/kit/Theme.h"
#include "ui/kit/Typography.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QProxyStyle>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

bool writeText(const QString &path, const QByteArray &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

// Every symbol name the screens use.
const QStringList s_symbols =
    QStringLiteral("powerplug.fill shippingbox.fill shippingbox chart.bar.xaxis exclamationmark.triangle.fill "
                   "magnifyingglass xmark.circle.fill arrow.clockwise checkmark.circle.fill lock.open.fill "
                   "xmark.octagon stop.circle circle.fill n.square bird bolt atom arrow.triangle.2.circlepath "
                   "hexagon folder link trash trash.circle xmark.bin.fill")
        .split(QLatin1Char(' '));
const QColor s_darkText(236, 236, 238);

bool near(const QColor &a, const QColor &b, int tolerance = 6)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance
        && qAbs(a.blue() - b.blue()) <= tolerance;
}

// How many pixels of image pass test.
template <typename Test>
int pixels(const QImage &image, Test test)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    int count = 0;
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x)
            count += test(argb.pixelColor(x, y)) ? 1 : 0;
    }
    return count;
}

// Whether image has at least `atLeast` visible pixels, all of color.
bool inkedIn(const QImage &image, const QColor &color, int atLeast = 1)
{
    return pixels(image, [](const QColor &pixel) { return pixel.alpha() >= 40; }) >= atLeast
        && pixels(image, [&](const QColor &pixel) { return pixel.alpha() >= 40 && !near(pixel, color, 3); }) == 0;
}

// widget drawn over nothing.
QImage rendered(QWidget &widget)
{
    QImage image(widget.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

QColor textColour(const QLabel *label)
{
    return label->palette().color(QPalette::WindowText);
}

// Shows the widgets laid out in a column 40 apart, away from the window's corner where the
// offscreen pointer rests and would hover.
bool showInColumn(QWidget &window, const QList<QWidget *> &widgets)
{
    for (qsizetype i = 0; i < widgets.size(); ++i)
        widgets.at(i)->move(20, 20 + 40 * int(i));
    window.resize(240, 40 * int(widgets.size()) + 20);
    window.show();
    return QTest::qWaitForWindowExposed(&window);
}

} // namespace

class TestKit : public QObject
{
    Q_OBJECT

private slots:
    void textStylesFollowTheApplicationFontWithTabularDigits()
    {
        const QFont saved = QApplication::font();
        const auto restore = qScopeGuard([&] { QApplication::setFont(saved); });
        const QList<TextStyle> ramp = {TextStyle::caption2, TextStyle::caption, TextStyle::callout, TextStyle::body,
                                       TextStyle::title3,   TextStyle::title2,  TextStyle::title};
        for (const qreal points : {9.0, 14.0}) {
            QFont font = saved;
            font.setPointSizeF(points);
            QApplication::setFont(font);
            QCOMPARE(Typography::font(TextStyle::body).pointSizeF(), points);
            // The two captions may meet at the desktop's smallest readable size.
            for (int i = 1; i < ramp.size(); ++i) {
                const qreal smaller = Typography::font(ramp.at(i - 1)).pointSizeF();
                QVERIFY(i == 1 ? smaller <= Typography::font(ramp.at(i)).pointSizeF()
                               : smaller < Typography::font(ramp.at(i)).pointSizeF());
            }
        }

        // A label follows a later change of the application font by itself.
        KitLabel label(QStringLiteral("3000"), TextStyle::title3);
        label.show();
        QVERIFY(QTest::qWaitForWindowExposed(&label));
        QFont bigger = saved;
        bigger.setPointSizeF(20);
        QApplication::setFont(bigger);
        QTRY_COMPARE(label.font().pointSizeF(), Typography::font(TextStyle::title3).pointSizeF());

        // Monospaced digits keep the weight and size, and give every digit one width.
        for (const QFont::Weight weight : {QFont::Normal, QFont::DemiBold}) {
            const QFont font = Typography::font(TextStyle::title3, weight);
            const QFont digits = Typography::monospacedDigits(font);
            QVERIFY(Typography::hasTabularDigits(digits));
            QCOMPARE(digits.weight(), weight);
            QCOMPARE(digits.pointSizeF(), font.pointSizeF());
        }
        label.setText(QStringLiteral("1111"));
        label.setMonospacedDigits(true);
        const int ones = label.sizeHint().width();
        label.setText(QStringLiteral("8888"));
        QCOMPARE(label.sizeHint().width(), ones);
    }

    void everySymbolShipsAndTakesItsTint()
    {
        for (const QString &symbol : s_symbols) {
            QVERIFY2(Icons::hasSymbol(symbol) && Icons::symbolNames().contains(symbol), qPrintable(symbol));
            for (const QColor &tint : {Theme::warning(), Theme::nodeGreen()}) {
                const QPixmap drawn = Icons::pixmap(symbol, 24, tint);
                QCOMPARE(drawn.size(), QSize(24, 24));
                QVERIFY2(inkedIn(drawn.toImage(), tint, 13), qPrintable(symbol));
            }
        }
        const QString unknown = QStringLiteral("no.such.symbol");
        QVERIFY(!Icons::hasSymbol(unknown) && Icons::icon(unknown).isNull()
                && Icons::pixmap(unknown, 16, Qt::red).isNull());

        // A fixed tint stays, and the disabled mode fades it.
        const QIcon warning = Icons::icon(QStringLiteral("exclamationmark.triangle.fill"), Theme::warning());
        const QImage normal = warning.pixmap(16, 16).toImage();
        QVERIFY(inkedIn(normal, Theme::warning()));
        QVERIFY(warning.pixmap(16, 16, QIcon::Disabled).toImage().pixelColor(8, 10).alpha()
                < normal.pixelColor(8, 10).alpha());
    }

    // Action icons come from the desktop's theme by their freedesktop name; the shipped file stands in
    // for a name the theme lacks and for a symbol no name fits.
    void actionIconsPreferTheDesktopTheme()
    {
        QTemporaryDir themes;
        const QString actions = themes.filePath(u"test-theme/scalable/actions"_s);
        QVERIFY(QDir().mkpath(actions));
        QVERIFY(writeText(themes.filePath(u"test-theme/index.theme"_s),
                          "[Icon Theme]\nName=test-theme\nDirectories=scalable/actions\n\n"
                          "[scalable/actions]\nSize=16\nMinSize=8\nMaxSize=512\nType=Scalable\n"));
        QVERIFY(writeText(actions + u"/process-stop.svg"_s,
                          "<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 16 16'>"
                          "<rect width='16' height='16'/></svg>"));
        const QStringList searchPaths = QIcon::themeSearchPaths();
        const QString themeName = QIcon::themeName();
        const auto restore = qScopeGuard([&] {
            QIcon::setThemeSearchPaths(searchPaths);
            QIcon::setThemeName(themeName);
        });
        QIcon::setThemeSearchPaths({themes.path()});
        QIcon::setThemeName(u"test-theme"_s);

        QCOMPARE(Icons::themed(u"stop.circle"_s).name(), u"process-stop"_s);
        const QIcon trash = Icons::themed(u"trash"_s);
        const QColor text = QApplication::palette().color(QPalette::WindowText);
        QVERIFY(trash.name() != u"user-trash"_s && inkedIn(trash.pixmap(16, 16).toImage(), text));
        QCOMPARE((QStringList{Icons::themeName(u"trash"_s), Icons::themeName(u"xmark.octagon"_s)}),
                 (QStringList{u"user-trash"_s, QString()}));
    }

    // Icons, symbols and labels in text styles take the new colours when the palette changes;
    // a fixed tint stays.
    void textStyledPiecesFollowThePalette()
    {
        const auto restore = qScopeGuard([saved = QApplication::palette()] { QApplication::setPalette(saved); });
        const QIcon icon = Icons::icon(QStringLiteral("folder"));
        QVERIFY(inkedIn(icon.pixmap(16, 16).toImage(), QApplication::palette().color(QPalette::WindowText)));
        SymbolLabel symbol(QStringLiteral("magnifyingglass"), Tint::Style::primary, TextStyle::body);
        QVERIFY(SymbolLabel::sizeFor(TextStyle::title) > SymbolLabel::sizeFor(TextStyle::caption));
        KitLabel secondary(QStringLiteral("3 Node processes"), TextStyle::callout);
        secondary.setTint(Tint::Style::secondary);
        KitLabel warning(QStringLiteral("3000 in use"), TextStyle::caption);
        warning.setTint(Theme::warning());
        for (QWidget *widget : std::initializer_list<QWidget *>{&symbol, &secondary, &warning}) {
            widget->show();
            QVERIFY(QTest::qWaitForWindowExposed(widget));
        }

        QPalette dark;
        for (const auto &[role, color] :
             QList<std::pair<QPalette::ColorRole, QColor>>{{QPalette::Window, QColor(40, 40, 42)},
                                                           {QPalette::Base, QColor(30, 30, 32)},
                                                           {QPalette::Button, QColor(52, 52, 56)},
                                                           {QPalette::WindowText, s_darkText},
                                                           {QPalette::Text, s_darkText},
                                                           {QPalette::ButtonText, s_darkText}})
            dark.setColor(role, color);
        QApplication::setPalette(dark);
        QVERIFY(inkedIn(icon.pixmap(16, 16).toImage(), s_darkText));
        QTRY_VERIFY(inkedIn(symbol.pixmap().toImage(), s_darkText));
        QTRY_COMPARE(textColour(&secondary).rgb(), s_darkText.rgb());
        QVERIFY(textColour(&secondary).alphaF() < 1.0);
        QCOMPARE(textColour(&warning), Theme::warning());
    }

    // The share is drawn from the leading edge over the track, never shorter than the stub
    // nor longer than the bar; the dot is a circle of its colour.
    void proportionBarAndDot()
    {
        const QColor colour = groupColor(QStringLiteral("shop"));
        ProportionBar bar(8, 6);
        bar.setColor(colour);
        bar.resize(200, 8);
        QCOMPARE(bar.height(), 8);
        for (const auto &[fraction, fill] : QList<std::pair<double, qreal>>{
                 {0.5, 100}, {0, 6}, {0.01, 6}, {1, 200}, {3, 200}, {-1, 6}, {std::nan(""), 6}}) {
            bar.setFraction(fraction);
            QCOMPARE(bar.fillWidth(), fill);
        }
        bar.setFraction(0.5);
        const QImage image = rendered(bar);
        QVERIFY(near(image.pixelColor(50, 4), colour, 2));
        QVERIFY(near(image.pixelColor(96, 4), colour, 2));
        QVERIFY(!near(image.pixelColor(110, 4), colour, 40));
        QVERIFY(image.pixelColor(150, 4).alpha() > 0); // the track
        QVERIFY(image.pixelColor(0, 0).alpha() < 128); // capsule ends
        bar.resize(4, 8);
        QCOMPARE(bar.fillWidth(), 4.0);

        ColorDot dot(10, colour);
        QCOMPARE(dot.size(), QSize(10, 10));
        const QImage disc = rendered(dot);
        QVERIFY(near(disc.pixelColor(5, 5), colour, 2));
        QCOMPARE(disc.pixelColor(0, 0).alpha(), 0);
    }

    void statTileShowsWhatItIsGiven()
    {
        StatTile tile(QStringLiteral("Node-held ports"), QStringLiteral("2"), Theme::warning());
        auto *title = tile.findChild<QLabel *>(QStringLiteral("statTileTitle"));
        auto *value = tile.findChild<QLabel *>(QStringLiteral("statTileValue"));
        QCOMPARE((QStringList{title->text(), value->text()}), (QStringList{"NODE-HELD PORTS", "2"}));
        QCOMPARE(textColour(value), Theme::warning());
        QVERIFY(value->font().pointSizeF() > title->font().pointSizeF());

        tile.setValue(QStringLiteral("0"));
        tile.setTint(Tint::Style::secondary);
        QCOMPARE(value->text(), QStringLiteral("0"));
        QCOMPARE(textColour(value).rgb(), QApplication::palette().color(QPalette::WindowText).rgb());
        QVERIFY(textColour(value).alphaF() < 1.0);
    }

    // The kit's gaps and insets come from the style's layout metrics: a roomier style spreads
    // every piece built under it.
    void spacingFollowsTheStyle()
    {
        class RoomyStyle : public QProxyStyle
        {
        public:
            using QProxyStyle::QProxyStyle;
            int pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const override
            {
                const int metricValue = QProxyStyle::pixelMetric(metric, option, widget);
                return metric == PM_LayoutHorizontalSpacing || metric == PM_LayoutLeftMargin ? 2 * metricValue
                                                                                             : metricValue;
            }
        };
        const QString saved = QApplication::style()->name();
        const auto restore = qScopeGuard([&] { QApplication::setStyle(saved); });
        const int related = Spacing::of(Space::related);
        const int card = Spacing::of(Space::card);
        const int tilePadding = StatTile(u"Groups"_s, u"0"_s, Tint::Style::primary).padding();

        QApplication::setStyle(new RoomyStyle(saved));
        QCOMPARE(Spacing::of(Space::related), 2 * related);
        QCOMPARE(Spacing::of(Space::card), 2 * card);
        QVERIFY(StatTile(u"Groups"_s, u"0"_s, Tint::Style::primary).padding() > tilePadding);
    }

    void glassSurfaceIsTranslucentAndRounded()
    {
        QWidget backdrop;
        backdrop.setPalette(QPalette(QColor(Qt::red)));
        backdrop.setAutoFillBackground(true);
        backdrop.resize(120, 80);
        auto *surface = new GlassSurface(14, &backdrop);
        surface->setGeometry(10, 10, 100, 60);
        backdrop.show();
        QVERIFY(QTest::qWaitForWindowExposed(&backdrop));
        const QImage shot = backdrop.grab().toImage();

        const QColor middle = shot.pixelColor(60, 40);
        QVERIFY(middle != QColor(Qt::red));
        QVERIFY2(middle.red() > middle.green() + 20, "the backdrop shows through the surface");
        QCOMPARE(shot.pixelColor(11, 11), QColor(Qt::red)); // the rounded corner
    }

    void buttonTreatments()
    {
        QWidget window;
        auto *prominent = new QPushButton(QStringLiteral("Refresh"), &window);
        auto *danger = new QPushButton(QStringLiteral("Free port 3000"), &window);
        auto *secondary = new QPushButton(QStringLiteral("Stop Selected"), &window);
        auto *destructive = new QPushButton(QStringLiteral("Stop Selected"), &window);
        auto *tool = new QToolButton(&window);
        glassProminentButton(prominent);
        glassProminentButton(danger, Theme::danger());
        glassButton(secondary);
        glassButton(destructive, Theme::danger());
        tool->setIcon(Icons::icon(QStringLiteral("xmark.octagon")));
        glassButton(tool);
        QVERIFY(showInColumn(window, {prominent, danger, secondary, destructive, tool}));

        const auto fillOf = [](QAbstractButton *button) {
            return button->grab().toImage().pixelColor(6, button->height() / 2);
        };
        // Antialiased text seldom hits the exact tint: count the clearly red pixels.
        const auto dangerInk = [](QAbstractButton *button) {
            return pixels(button->grab().toImage(), [](const QColor &pixel) {
                return pixel.red() - pixel.green() > 60 && pixel.red() - pixel.blue() > 60;
            });
        };
        const QColor accent = QApplication::palette().color(QPalette::Highlight);
        QVERIFY(near(fillOf(prominent), accent));
        QVERIFY(near(fillOf(danger), Theme::danger()));
        QVERIFY(!near(fillOf(secondary), Theme::danger(), 40));
        QVERIFY(!near(fillOf(secondary), accent, 40));
        QVERIFY(!near(fillOf(tool), QApplication::palette().color(QPalette::Window), 2));
        // A destructive secondary button draws its label in the tint over the secondary bevel.
        QCOMPARE(dangerInk(secondary), 0);
        QVERIFY(dangerInk(destructive) > 20);
        QVERIFY(!near(fillOf(destructive), Theme::danger(), 40));

        // A second call changes the tint of the same button; disabled, neither tint shows.
        glassProminentButton(danger, Theme::nodeGreen());
        QVERIFY(near(fillOf(danger), Theme::nodeGreen()));
        danger->setEnabled(false);
        QVERIFY(!near(fillOf(danger), Theme::nodeGreen()));
        destructive->setEnabled(false);
        QCOMPARE(dangerInk(destructive), 0);
    }

    void switchTogglesLikeAButton()
    {
        QWidget window;
        auto *toggle = new Switch(QStringLiteral("Only suspicious"), &window);
        QVERIFY(showInColumn(window, {toggle}));
        QSignalSpy toggled(toggle, &Switch::toggled);
        QVERIFY(toggle->sizeHint().width() > toggle->fontMetrics().horizontalAdvance(toggle->text()) + 20);

        QTest::mouseClick(toggle, Qt::LeftButton, {}, QPoint(4, toggle->height() / 2)); // on the text
        QVERIFY(toggle->isChecked());
        toggle->setFocus();
        QTest::keyClick(toggle, Qt::Key_Space);
        QVERIFY(!toggle->isChecked());
        toggle->setChecked(true);
        QCOMPARE(toggled.size(), 3);

        // Set from code, the knob is at once on the right of a track in the accent colour.
        const auto accentPixels = [toggle] {
            const QImage shot = toggle->grab().toImage();
            return pixels(shot.copy(shot.width() - 30, shot.height() / 2, 30, 1), [toggle](const QColor &pixel) {
                return near(pixel, toggle->palette().color(QPalette::Highlight), 10);
            });
        };
        QVERIFY(accentPixels() > 3);
        toggle->setChecked(false);
        QCOMPARE(accentPixels(), 0);
    }

    void spinnerTurnsOnlyWhileShown()
    {
        QWidget window;
        auto *spinner = new ProgressSpinner(&window);
        spinner->hide();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(!spinner->isSpinning());
        spinner->show();
        QVERIFY(spinner->isSpinning());
        const QImage first = spinner->grab().toImage();
        QTRY_VERIFY(spinner->grab().toImage() != first);
        spinner->hide();
        QVERIFY(!spinner->isSpinning());
    }

    void inlineCodeIsEscapedAndKeptOnOneLine()
    {
        const QString html =
            InlineCodeLabel::toHtml(QStringLiteral("a <b> & `lsof -i :PORT` then `open"), QColor(0, 0, 0, 20));
        QVERIFY(html.startsWith(QStringLiteral("a &lt;b&gt; &amp; <span style=")));
        QVERIFY(html.contains(QStringLiteral(">&nbsp;lsof&nbsp;-i&nbsp;:PORT&nbsp;</span>")));
        QVERIFY(html.endsWith(QStringLiteral(" then `open"))); // an unpaired backtick stays
        QCOMPARE(html.count(QLatin1Char('`')), 1);

        InlineCodeLabel label(QStringLiteral("check it with `lsof -i :PORT`."));
        QCOMPARE(label.textFormat(), Qt::RichText);
        QVERIFY(label.wordWrap());
        QVERIFY(!label.text().contains(QLatin1Char('`')));
    }

    void elidedLabelsShrink()
    {
        KitLabel path(QStringLiteral("/home/sam/code/a/very/long/path/that/does/not/fit/anywhere"), TextStyle::caption);
        path.setElideMode(Qt::ElideMiddle);
        QVERIFY(path.minimumSizeHint().width() < path.sizeHint().width() / 4);
        path.resize(80, path.sizeHint().height());
        path.show();
        QVERIFY(QTest::qWaitForWindowExposed(&path));
        // Something is drawn even when the text does not fit.
        const QImage shot = path.grab().toImage();
        QVERIFY(pixels(shot.copy(0, shot.height() / 2, shot.width(), 1),
                       [&](const QColor &pixel) { return pixel != shot.pixelColor(0, 0); }));
    }

    void emptyStateShowsItsWholeDescription()
    {
        ContentUnavailableView view(QStringLiteral("Nothing to chart"), QStringLiteral("chart.bar.xaxis"),
                                    QStringLiteral("Run a scan in Disk cleanup to see where your node_modules "
                                                   "come from. A long description wraps over several lines "
                                                   "and every line stays readable."));
        view.resize(700, 500);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        auto *description = view.findChild<QLabel *>(QStringLiteral("contentUnavailableDescription"));
        QVERIFY(description->height() >= description->heightForWidth(description->width()));
        QVERIFY(description->height() > 2 * description->fontMetrics().height());
    }

    void confirmationOpensWithoutBlockingAndActsOnlyOnConfirm()
    {
        QWidget window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        int confirmed = 0;
        QObject context;
        const auto confirm = [&](const QString &message) {
            return Dialogs::confirm(&window, QStringLiteral("Stop 1 process?"), message,
                                    QStringLiteral("Stop (SIGTERM)"), &context, [&] { ++confirmed; });
        };

        QMessageBox *box = confirm(QStringLiteral("• Vite · pid 4123\n   <b>/srv/app</b>"));
        QVERIFY(box->isVisible());
        QCOMPARE(box->windowModality(), Qt::WindowModal);
        QCOMPARE(Dialogs::openMessageBoxes(&window), QList<QMessageBox *>{box});
        QCOMPARE(box->text(), QStringLiteral("Stop 1 process?"));
        auto *message = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel"));
        QVERIFY(message);
        QCOMPARE(message->textFormat(), Qt::PlainText);
        QCOMPARE(message->text(), QStringLiteral("• Vite · pid 4123\n   <b>/srv/app</b>"));
        QCOMPARE(box->buttonRole(buttonLabelled(box, QStringLiteral("Stop (SIGTERM)"))), QMessageBox::DestructiveRole);
        QCOMPARE(box->defaultButton()->text(), QStringLiteral("Cancel"));

        // Escape cancels: nothing runs, the box goes away.
        QPointer<QMessageBox> escaped = box;
        QTest::keyClick(box, Qt::Key_Escape);
        QTRY_VERIFY(escaped.isNull());
        QCOMPARE(confirmed, 0);

        // The destructive button runs the action once.
        box = confirm({});
        QSignalSpy finished(box, &QMessageBox::finished);
        buttonLabelled(box, QStringLiteral("Stop (SIGTERM)"))->click();
        QCOMPARE(confirmed, 1);
        QCOMPARE(finished.size(), 1);
        QTRY_VERIFY(Dialogs::openMessageBoxes(&window).isEmpty());
    }
};

QTEST_MAIN(TestKit)
#include "tst_kit.moc"
