#pragma once

#include <QColor>
#include <QWidget>

// A share drawn as a capsule of colour over a faint full-width capsule track. The fill is
// never shorter than minimumFill, so a share of nothing still shows a stub; it never
// overruns the track.
class ProportionBar : public QWidget
{
    Q_OBJECT

public:
    ProportionBar(int height, qreal minimumFill, QWidget *parent = nullptr);

    // 0 to 1; anything else (NaN too) is clamped.
    void setFraction(double fraction);
    [[nodiscard]] double fraction() const { return m_fraction; }
    void setColor(const QColor &color);
    [[nodiscard]] QColor color() const { return m_color; }
    // The fill's length at the current width.
    [[nodiscard]] qreal fillWidth() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    qreal m_minimumFill;
    double m_fraction = 0;
    QColor m_color = Qt::gray;
};
