#pragma once

#include <QWidget>

// A one-pixel line between two areas, horizontal (the default) or vertical, in the
// palette's separator shade.
class Divider : public QWidget
{
    Q_OBJECT

public:
    explicit Divider(Qt::Orientation orientation = Qt::Horizontal, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
