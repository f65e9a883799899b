#pragma once

#include <QWidget>

class QVariantAnimation;

// An indeterminate progress spinner at the small control size: a ring of fading spokes
// that turns while the widget is shown and stops when it is hidden.
class ProgressSpinner : public QWidget
{
    Q_OBJECT

public:
    explicit ProgressSpinner(QWidget *parent = nullptr);

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] bool isSpinning() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    static constexpr int s_side = 16;
    static constexpr int s_spokes = 8;

    int m_step = 0;
    QVariantAnimation *m_animation;
};
