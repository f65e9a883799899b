#pragma once

#include <QColor>
#include <QWidget>

// A filled circle of one colour, the marker beside a group's name.
class ColorDot : public QWidget
{
    Q_OBJECT

public:
    explicit ColorDot(int diameter, const QColor &color = Qt::gray, QWidget *parent = nullptr);

    [[nodiscard]] QColor color() const { return m_color; }
    void setColor(const QColor &color);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_color;
};
