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
#include "ui/kit/StatTile.h"
#include "ui/kit/Switch.h"
#include "ui/kit/SymbolLabel.h"
#include "ui/kit/Theme.h"
#include "ui/kit/Typography.h"

#include <QApplication>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <cmath>

namespace {

// Every symbol name the screens use.
const QStringList s_symbols = {
    QStringLiteral("powerplug.fill"), QStringLiteral("shippingbox.fill"), QStringLiteral("shippingbox"),
    QStringLiteral("chart.bar.xaxis"), QStringLiteral("exclamationmark.triangle.fill"),
    QStringLiteral("magnifyingglass"), QStringLiteral("xmark.circle.fill"), QStringLiteral("arrow.clockwise"),
    QStringLiteral("checkmark.circle.fill"), QStringLiteral("lock.open.fill"), QStringLiteral("xmark.octagon"),
    QStringLiteral("stop.circle"), QStringLiteral("circle.fill"), QStringLiteral("n.square"), QStringLiteral("bird"),
    QStringLiteral("bolt"), QStringLiteral("atom"), QStringLiteral("arrow.triangle.2.circlepath"),
    QStringLiteral("hexagon"), QStringLiteral("folder"), QStringLiteral("link"), QStringLiteral("trash"),
    QStringLiteral("trash.circle"), QStringLiteral("xmark.bin.fill")};

// Counts the visible pixels of image, and those among them that are not of color.
struct Ink
{
    int visible = 0;
    int offColour = 0;
};

Ink inkOf(const QImage &image, const QColor &color)
{
    Ink ink;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x) {
            const QColor pixel = argb.pixelColor(x, y);
            if (pixel.alpha() < 40)
                continue;
            ++ink.visible;
            if (qAbs(pixel.red() - color.red()) > 3 || qAbs(pixel.green() - color.green()) > 3
                || qAbs(pixel.blue() - color.blue()) > 3)
                ++ink.offColour;
        }
    }
    return ink;
}

bool near(const QColor &a, const QColor &b, int tolerance = 6)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance
           && qAbs(a.blue() - b.blue()) <= tolerance;
}

QColor textColour(const QLabel *label)
{
    return label->palette().color(QPalette::WindowText);
}

class PaletteGuard
{
public:
    PaletteGuard()
        : m_saved(QApplication::palette())
    {
    }
    ~PaletteGuard() { QApplication::setPalette(m_saved); }

private:
    QPalette m_saved;
};

QPalette darkPalette()
{
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(40, 40, 42));
    dark.setColor(QPalette::WindowText, QColor(236, 236, 238));
    dark.setColor(QPalette::Base, QColor(30, 30, 32));
    dark.setColor(QPalette::Text, QColor(236, 236, 238));
    dark.setColor(QPalette::Button, QColor(52, 52, 56));
    dark.setColor(QPalette::ButtonText, QColor(236, 236, 238));
    return dark;
}

} // namespace

class TestKit : public QObject
{
    Q_OBJECT

private slots:
    void themeColours()
    {
        QCOMPARE(Theme::nodeGreen(), QColor::fromRgb(105, 190, 100));
        QCOMPARE(Theme::danger(), QColor::fromRgb(220, 80, 70));
        QCOMPARE(Theme::warning(), QColor::fromRgb(230, 170, 60));
        QCOMPARE(Theme::warning().alphaF(), 1.0);
        QCOMPARE(&Theme::warning(), &Theme::warning());
    }

    void textStylesFollowTheApplicationFont()
    {
        const QFont saved = QApplication::font();
        const auto restore = qScopeGuard([&] { QApplication::setFont(saved); });
        for (const qreal points : {9.0, 14.0}) {
            QFont font = saved;
            font.setPointSizeF(points);
            QApplication::setFont(font);
            QCOMPARE(Typography::font(TextStyle::body).pointSizeF(), points);
            const QList<TextStyle> ramp = {TextStyle::caption2, TextStyle::caption, TextStyle::callout,
                                           TextStyle::body, TextStyle::title3, TextStyle::title2, TextStyle::title};
            for (int i = 1; i < ramp.size(); ++i)
                QVERIFY(Typography::font(ramp.at(i - 1)).pointSizeF() < Typography::font(ramp.at(i)).pointSizeF());
            QCOMPARE(Typography::font(TextStyle::headline).pointSizeF(), points);
            QCOMPARE(Typography::font(TextStyle::headline).weight(), QFont::DemiBold);
            QCOMPARE(Typography::font(TextStyle::caption, QFont::DemiBold).weight(), QFont::DemiBold);
        }

        // A label follows a later change of the application font by itself.
        KitLabel label(QStringLiteral("3000"), TextStyle::title3);
        label.show();
        QVERIFY(QTest::qWaitForWindowExposed(&label));
        QFont bigger = saved;
        bigger.setPointSizeF(20);
        QApplication::setFont(bigger);
        QTRY_COMPARE(label.font().pointSizeF(), Typography::font(TextStyle::title3).pointSizeF());
    }

    void monospacedDigitsHaveOneWidth()
    {
        for (const QFont::Weight weight : {QFont::Normal, QFont::DemiBold}) {
            const QFont font = Typography::font(TextStyle::title3, weight);
            const QFont digits = Typography::monospacedDigits(font);
            QVERIFY(Typography::hasTabularDigits(digits));
            QCOMPARE(digits.weight(), weight);
            QCOMPARE(digits.pointSizeF(), font.pointSizeF());
        }
        KitLabel label(QStringLiteral("1111"), TextStyle::title3);
        label.setMonospacedDigits(true);
        const int ones = label.sizeHint().width();
        label.setText(QStringLiteral("8888"));
        QCOMPARE(label.sizeHint().width(), ones);
    }

    void everySymbolShipsAndTakesItsTint()
    {
        for (const QString &symbol : s_symbols) {
            QVERIFY2(Icons::hasSymbol(symbol), qPrintable(symbol));
            QVERIFY2(Icons::symbolNames().contains(symbol), qPrintable(symbol));
            for (const QColor &tint : {Theme::warning(), Theme::nodeGreen()}) {
                const QPixmap drawn = Icons::pixmap(symbol, 24, tint);
                QCOMPARE(drawn.size(), QSize(24, 24));
                const Ink ink = inkOf(drawn.toImage(), tint);
                QVERIFY2(ink.visible > 12, qPrintable(symbol));
                QVERIFY2(ink.offColour == 0, qPrintable(symbol));
            }
        }
        QVERIFY(!Icons::hasSymbol(QStringLiteral("no.such.symbol")));
        QVERIFY(Icons::icon(QStringLiteral("no.such.symbol")).isNull());
        QVERIFY(Icons::pixmap(QStringLiteral("no.such.symbol"), 16, Qt::red).isNull());
    }

    void iconsInTextStylesFollowThePalette()
    {
        PaletteGuard guard;
        const QIcon icon = Icons::icon(QStringLiteral("folder"));
        QVERIFY(!icon.isNull());
        QCOMPARE(inkOf(icon.pixmap(16, 16).toImage(), QApplication::palette().color(QPalette::WindowText)).offColour, 0);

        QApplication::setPalette(darkPalette());
        const QImage dark = icon.pixmap(16, 16).toImage();
        QVERIFY(inkOf(dark, QColor(236, 236, 238)).visible > 0);
        QCOMPARE(inkOf(dark, QColor(236, 236, 238)).offColour, 0);

        // A fixed tint stays, and the disabled mode fades it.
        const QIcon warning = Icons::icon(QStringLiteral("exclamationmark.triangle.fill"), Theme::warning());
        const QImage normal = warning.pixmap(16, 16).toImage();
        const QImage disabled = warning.pixmap(16, 16, QIcon::Disabled).toImage();
        QCOMPARE(inkOf(normal, Theme::warning()).offColour, 0);
        QVERIFY(disabled.pixelColor(8, 10).alpha() < normal.pixelColor(8, 10).alpha());
    }

    void groupColoursAreStablePerKey()
    {
        const QStringList keys = {QStringLiteral("code"), QStringLiteral("work"), QStringLiteral("(root)"),
                                  QString(), QStringLiteral("ünïcode")};
        for (const QString &key : keys) {
            const QColor color = groupColor(key);
            QCOMPARE(groupColor(key), color);
            QCOMPARE(color.alphaF(), 1.0);
            QVERIFY(qAbs(color.hsvSaturationF() - 0.55) < 0.01);
            QVERIFY(qAbs(color.valueF() - 0.85) < 0.01);
            QVERIFY(qAbs(color.hsvHueF() * 360.0 - double(qHash(key, size_t(0)) % 360)) < 1.0);
        }
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
        QImage image(bar.size(), QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        bar.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        QVERIFY(near(image.pixelColor(50, 4), colour, 2));
        QVERIFY(near(image.pixelColor(96, 4), colour, 2));
        QVERIFY(!near(image.pixelColor(110, 4), colour, 40));
        QVERIFY(image.pixelColor(150, 4).alpha() > 0); // the track
        QVERIFY(image.pixelColor(0, 0).alpha() < 128); // capsule ends
        bar.resize(4, 8);
        QCOMPARE(bar.fillWidth(), 4.0);

        ColorDot dot(10, colour);
        QCOMPARE(dot.size(), QSize(10, 10));
        QImage disc(dot.size(), QImage::Format_ARGB32);
        disc.fill(Qt::transparent);
        dot.render(&disc, QPoint(), QRegion(), QWidget::DrawChildren);
        QVERIFY(near(disc.pixelColor(5, 5), colour, 2));
        QCOMPARE(disc.pixelColor(0, 0).alpha(), 0);
    }

    void statTileShowsWhatItIsGiven()
    {
        StatTile tile(QStringLiteral("Node-held ports"), QStringLiteral("2"), Theme::warning());
        auto *title = tile.findChild<QLabel *>(QStringLiteral("statTileTitle"));
        auto *value = tile.findChild<QLabel *>(QStringLiteral("statTileValue"));
        QCOMPARE(title->text(), QStringLiteral("NODE-HELD PORTS"));
        QCOMPARE(value->text(), QStringLiteral("2"));
        QCOMPARE(textColour(value), Theme::warning());
        QCOMPARE(value->font().weight(), QFont::DemiBold);
        QVERIFY(value->font().pointSizeF() > title->font().pointSizeF());

        tile.setValue(QStringLiteral("0"));
        tile.setTint(Tint::Style::secondary);
        QCOMPARE(value->text(), QStringLiteral("0"));
        const QColor secondary = textColour(value);
        const QColor text = QApplication::palette().color(QPalette::WindowText);
        QCOMPARE(secondary.rgb(), text.rgb());
        QVERIFY(secondary.alphaF() < 1.0);

        // Padding 12 on every edge of a 14-point card, and 3 points between the lines.
        QCOMPARE(tile.padding(), 12);
        QCOMPARE(tile.layout()->contentsMargins(), QMargins(12, 12, 12, 12));
        QCOMPARE(tile.cornerRadius(), 14.0);
        tile.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tile));
        QCOMPARE(value->geometry().top() - title->geometry().bottom() - 1, 3);
        QCOMPARE(title->mapTo(&tile, QPoint(0, 0)), QPoint(12, 12));
    }

    void glassSurfaceIsTranslucentAndRounded()
    {
        QWidget backdrop;
        QPalette red = backdrop.palette();
        red.setColor(QPalette::Window, Qt::red);
        backdrop.setPalette(red);
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
        auto *tool = new QToolButton(&window);
        glassProminentButton(prominent);
        glassProminentButton(danger, Theme::danger());
        glassButton(secondary);
        tool->setIcon(Icons::icon(QStringLiteral("xmark.octagon")));
        glassButton(tool);
        // Away from the window's corner, where the offscreen pointer rests and would hover.
        prominent->move(20, 20);
        danger->move(20, 60);
        secondary->move(20, 100);
        tool->move(20, 140);
        window.resize(240, 180);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        auto fillOf = [](QAbstractButton *button) {
            const QColor fill = button->grab().toImage().pixelColor(6, button->height() / 2);
            return fill;
        };
        QVERIFY(near(fillOf(prominent), QApplication::palette().color(QPalette::Highlight)));
        QVERIFY(near(fillOf(danger), Theme::danger()));
        QVERIFY(!near(fillOf(secondary), Theme::danger(), 40));
        QVERIFY(!near(fillOf(secondary), QApplication::palette().color(QPalette::Highlight), 40));
        QVERIFY(!near(fillOf(tool), QApplication::palette().color(QPalette::Window), 2));

        // A second call changes the tint of the same button.
        glassProminentButton(danger, Theme::nodeGreen());
        QVERIFY(near(fillOf(danger), Theme::nodeGreen()));
        danger->setEnabled(false);
        QVERIFY(!near(fillOf(danger), Theme::nodeGreen()));
        QCOMPARE(GlassLook::current(), KitLook::material);
    }

    void destructiveSecondaryButtonsDrawTheirLabelInTheTint()
    {
        QWidget window;
        auto *plain = new QPushButton(QStringLiteral("Stop Selected"), &window);
        auto *destructive = new QPushButton(QStringLiteral("Stop Selected"), &window);
        glassButton(plain);
        glassButton(destructive, Theme::danger());
        plain->move(20, 20);
        destructive->move(20, 60);
        window.resize(200, 100);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        // Antialiased text seldom hits the exact tint: count the clearly red pixels.
        const auto dangerInk = [](QAbstractButton *button) {
            const QImage image = button->grab().toImage();
            int red = 0;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    const QColor pixel = image.pixelColor(x, y);
                    red += pixel.red() - pixel.green() > 60 && pixel.red() - pixel.blue() > 60 ? 1 : 0;
                }
            }
            return red;
        };
        QCOMPARE(dangerInk(plain), 0);
        QVERIFY(dangerInk(destructive) > 20);
        // The bevel stays the secondary one: no danger fill behind the label.
        QVERIFY(!near(destructive->grab().toImage().pixelColor(6, destructive->height() / 2), Theme::danger(), 40));
        destructive->setEnabled(false);
        QCOMPARE(dangerInk(destructive), 0);
    }

    void switchTogglesLikeAButton()
    {
        QWidget window;
        auto *toggle = new Switch(QStringLiteral("Only suspicious"), &window);
        toggle->move(10, 10);
        window.resize(220, 60);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy toggled(toggle, &Switch::toggled);
        QVERIFY(toggle->isCheckable());
        QVERIFY(toggle->sizeHint().width() > toggle->fontMetrics().horizontalAdvance(toggle->text()) + 20);

        QTest::mouseClick(toggle, Qt::LeftButton, {}, QPoint(4, toggle->height() / 2)); // on the text
        QVERIFY(toggle->isChecked());
        toggle->setFocus();
        QTest::keyClick(toggle, Qt::Key_Space);
        QVERIFY(!toggle->isChecked());
        toggle->setChecked(true);
        QCOMPARE(toggled.size(), 3);

        // Set from code, the knob is at once on the right of a track in the accent colour.
        const QImage on = toggle->grab().toImage();
        const QColor accent = toggle->palette().color(QPalette::Highlight);
        int accentPixels = 0;
        for (int x = on.width() - 30; x < on.width(); ++x)
            accentPixels += near(on.pixelColor(x, on.height() / 2), accent, 10) ? 1 : 0;
        QVERIFY(accentPixels > 3);
        toggle->setChecked(false);
        const QImage off = toggle->grab().toImage();
        accentPixels = 0;
        for (int x = off.width() - 30; x < off.width(); ++x)
            accentPixels += near(off.pixelColor(x, off.height() / 2), accent, 10) ? 1 : 0;
        QCOMPARE(accentPixels, 0);
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
        const QString html = InlineCodeLabel::toHtml(QStringLiteral("a <b> & `lsof -i :PORT` then `open"),
                                                     QColor(0, 0, 0, 20));
        QVERIFY(html.startsWith(QStringLiteral("a &lt;b&gt; &amp; <span style=")));
        QVERIFY(html.contains(QStringLiteral(">&nbsp;lsof&nbsp;-i&nbsp;:PORT&nbsp;</span>")));
        QVERIFY(html.contains(QStringLiteral("background-color:rgba(0,0,0,0.078)")));
        QVERIFY(html.endsWith(QStringLiteral(" then `open"))); // an unpaired backtick stays
        QCOMPARE(html.count(QLatin1Char('`')), 1);

        InlineCodeLabel label(QStringLiteral("check it with `lsof -i :PORT`."));
        QCOMPARE(label.source(), QStringLiteral("check it with `lsof -i :PORT`."));
        QCOMPARE(label.textFormat(), Qt::RichText);
        QVERIFY(label.wordWrap());
        QVERIFY(!label.text().contains(QLatin1Char('`')));
    }

    void symbolLabelsFollowThePalette()
    {
        PaletteGuard guard;
        SymbolLabel symbol(QStringLiteral("magnifyingglass"), Tint::Style::primary, TextStyle::body);
        QCOMPARE(symbol.size(), QSize(symbol.symbolSize(), symbol.symbolSize()));
        QVERIFY(SymbolLabel::sizeFor(TextStyle::title) > SymbolLabel::sizeFor(TextStyle::caption));
        symbol.show();
        QVERIFY(QTest::qWaitForWindowExposed(&symbol));
        QApplication::setPalette(darkPalette());
        QTRY_VERIFY(inkOf(symbol.pixmap().toImage(), QColor(236, 236, 238)).visible > 0
                    && inkOf(symbol.pixmap().toImage(), QColor(236, 236, 238)).offColour == 0);
    }

    void labelsFollowThePalette()
    {
        PaletteGuard guard;
        KitLabel secondary(QStringLiteral("3 Node processes"), TextStyle::callout);
        secondary.setTint(Tint::Style::secondary);
        KitLabel warning(QStringLiteral("3000 in use"), TextStyle::caption);
        warning.setTint(Theme::warning());
        secondary.show();
        warning.show();
        QVERIFY(QTest::qWaitForWindowExposed(&warning));

        QApplication::setPalette(darkPalette());
        QTRY_COMPARE(textColour(&secondary).rgb(), QColor(236, 236, 238).rgb());
        QVERIFY(textColour(&secondary).alphaF() < 1.0);
        QCOMPARE(textColour(&warning), Theme::warning());
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
        bool inked = false;
        for (int x = 0; x < shot.width() && !inked; ++x)
            inked = shot.pixelColor(x, shot.height() / 2) != shot.pixelColor(0, 0);
        QVERIFY(inked);
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
        QCOMPARE(view.title(), QStringLiteral("Nothing to chart"));
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

        QMessageBox *box = Dialogs::confirm(&window, QStringLiteral("Stop 1 process?"),
                                            QStringLiteral("• Vite · pid 4123\n   <b>/srv/app</b>"),
                                            QStringLiteral("Stop (SIGTERM)"), &context, [&] { ++confirmed; });
        QVERIFY(box->isVisible());
        QCOMPARE(box->windowModality(), Qt::WindowModal);
        QCOMPARE(Dialogs::openMessageBoxes(&window), QList<QMessageBox *>{box});
        QCOMPARE(box->text(), QStringLiteral("Stop 1 process?"));
        auto *message = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel"));
        QVERIFY(message);
        QCOMPARE(message->textFormat(), Qt::PlainText);
        QCOMPARE(message->text(), QStringLiteral("• Vite · pid 4123\n   <b>/srv/app</b>"));
        QStringList labels;
        for (QAbstractButton *button : box->buttons())
            labels << button->text();
        QVERIFY(labels.contains(QStringLiteral("Stop (SIGTERM)")));
        QVERIFY(labels.contains(QStringLiteral("Cancel")));
        QCOMPARE(box->buttonRole(box->buttons().at(labels.indexOf(QStringLiteral("Stop (SIGTERM)")))),
                 QMessageBox::DestructiveRole);
        QCOMPARE(box->defaultButton()->text(), QStringLiteral("Cancel"));

        // Escape cancels: nothing runs, the box goes away.
        QPointer<QMessageBox> escaped = box;
        QTest::keyClick(box, Qt::Key_Escape);
        QTRY_VERIFY(escaped.isNull());
        QCOMPARE(confirmed, 0);

        // The destructive button runs the action once.
        box = Dialogs::confirm(&window, QStringLiteral("Stop 1 process?"), {}, QStringLiteral("Stop (SIGTERM)"),
                               &context, [&] { ++confirmed; });
        QSignalSpy finished(box, &QMessageBox::finished);
        for (QAbstractButton *button : box->buttons()) {
            if (button->text() == QStringLiteral("Stop (SIGTERM)"))
                button->click();
        }
        QCOMPARE(confirmed, 1);
        QCOMPARE(finished.size(), 1);
        QTRY_VERIFY(Dialogs::openMessageBoxes(&window).isEmpty());

        // The alert has one button, "OK".
        QMessageBox *alert = Dialogs::alert(&window, QStringLiteral("Some processes could not be stopped"),
                                            QStringLiteral("pid 1: Operation not permitted"));
        QCOMPARE(alert->buttons().size(), 1);
        QCOMPARE(alert->buttons().first()->text(), QStringLiteral("OK"));
        QCOMPARE(alert->informativeText(), QStringLiteral("pid 1: Operation not permitted"));
        alert->buttons().first()->click();
        QTRY_VERIFY(Dialogs::openMessageBoxes(&window).isEmpty());
    }
};

QTEST_MAIN(TestKit)
#include "tst_kit.moc"
