#pragma once

#include <QColor>
#include <QFont>
#include <QHash>
#include <QList>
#include <QRectF>
#include <QWidget>

#include <optional>

// A horizontal bar chart of byte counts: one row per bar, its label on the left, the bar
// in its own colour with rounded corners, its size written just past its end, and a value
// axis from 0 whose marks are round byte sizes, each with a grid line and its size below.
// The height follows the number of bars (rowHeight each, at least minimumHeight); the
// width is free. GUI thread.
class ByteBarChart : public QWidget
{
    Q_OBJECT

public:
    struct Bar
    {
        QString label;
        qint64 bytes = 0;
        QColor color;
        QString toolTip;

        friend bool operator==(const Bar &, const Bar &) = default;
    };

    struct Mark
    {
        qint64 value = 0;
        QString text;
        qreal x = 0;     // of the grid line
        QRectF textRect; // below the plot, inside the widget
        // False when the text would run into another: only on a chart too narrow for
        // two labels, where the largest value keeps its label.
        bool labelled = true;
    };

    // Where everything goes at the widget's current size and fonts.
    struct Layout
    {
        QSize size;           // the widget's, when laid out
        QRectF plot;          // the area the bars span; the axis labels sit below it
        qint64 domainMax = 1; // the value at plot.right()
        QList<Mark> marks;
        QList<QRectF> bars;        // a bar of 0 bytes has no width
        QList<QRectF> labels;      // the category labels
        QList<QString> labelTexts; // elided to fit
        QList<QRectF> annotations;
        QList<QString> annotationTexts;
    };

    static constexpr int s_rowHeight = 34;
    static constexpr int s_minimumHeight = 180;
    static constexpr qreal s_cornerRadius = 6;

    explicit ByteBarChart(QWidget *parent = nullptr);

    // Redraws only when the bars differ.
    void setBars(const QList<Bar> &bars);
    [[nodiscard]] const QList<Bar> &bars() const { return m_bars; }
    [[nodiscard]] const Layout &chartLayout() const;

    [[nodiscard]] static int heightFor(qsizetype barCount);

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    [[nodiscard]] Layout layOut() const;
    // Shaping text is most of a layout's cost, and a streaming scan relays the chart many
    // times with the same labels, so their widths and elisions are remembered.
    struct Elided
    {
        qreal width = -1;
        QString text;
    };
    [[nodiscard]] qreal labelWidth(const QString &label) const;
    [[nodiscard]] qreal captionWidth(const QString &text) const;
    [[nodiscard]] const QString &elidedLabel(const QString &label, qreal width) const;
    void updateFonts();
    void invalidate();

    QList<Bar> m_bars;
    QFont m_labelFont;
    QFont m_captionFont;
    mutable std::optional<Layout> m_layout;
    mutable QHash<QString, qreal> m_labelWidths;
    mutable QHash<QString, qreal> m_captionWidths;
    mutable QHash<QString, Elided> m_elidedLabels;
};
