#pragma once

#include <QWidget>

// A widget that paints the kit's translucent rounded surface behind its children (the
// glassSurface treatment). Lay the content out in it as in any QWidget.
class GlassSurface : public QWidget
{
    Q_OBJECT

public:
    explicit GlassSurface(qreal cornerRadius, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    qreal m_cornerRadius;
};
