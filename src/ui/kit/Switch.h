#pragma once

#include <QAbstractButton>

class QVariantAnimation;

// A switch-style toggle at the small control size: its text, then a rounded track whose
// knob slides to the right and fills with the accent colour when on. A checkable button,
// so toggled() and setChecked() work as on any button; Space toggles it with the keyboard.
class Switch : public QAbstractButton
{
    Q_OBJECT

public:
    explicit Switch(const QString &text, QWidget *parent = nullptr);

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool hitButton(const QPoint &position) const override;
    bool event(QEvent *event) override;
    void checkStateSet() override;
    void nextCheckState() override;

private:
    static constexpr int s_trackWidth = 28;
    static constexpr int s_trackHeight = 16;
    static constexpr int s_gap = 8;

    [[nodiscard]] QRectF trackRect() const;
    void animateTo(bool checked);

    // 0 with the knob on the left (off) to 1 on the right (on).
    qreal m_position = 0;
    QVariantAnimation *m_animation;
};
