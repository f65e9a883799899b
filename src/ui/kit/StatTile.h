#pragma once

#include "ui/kit/GlassCard.h"
#include "ui/kit/Tint.h"

class KitLabel;

// A small card with a caption (shown upper-cased) over a statistic drawn in a tint with
// digits of one width. The caller formats the value.
class StatTile : public GlassCard
{
    Q_OBJECT

public:
    StatTile(const QString &title, const QString &value, const Tint &tint, QWidget *parent = nullptr);

    [[nodiscard]] QString title() const { return m_title; }
    void setTitle(const QString &title);
    [[nodiscard]] QString value() const;
    void setValue(const QString &value);
    [[nodiscard]] const Tint &tint() const;
    void setTint(const Tint &tint);

private:
    QString m_title;
    KitLabel *m_titleLabel;
    KitLabel *m_valueLabel;
};
