#pragma once

#include <QWidget>

class KitLabel;
class QLabel;

// The empty state of a screen: a large icon, a title and a short description, centred in
// all the space it is given.
class ContentUnavailableView : public QWidget
{
    Q_OBJECT

public:
    ContentUnavailableView(const QString &title, const QString &symbol, const QString &description,
                           QWidget *parent = nullptr);

    [[nodiscard]] QString title() const;
    [[nodiscard]] QString description() const;
    void setDescription(const QString &description);

protected:
    bool event(QEvent *event) override;

private:
    void updateIcon();

    QString m_symbol;
    QLabel *m_icon;
    KitLabel *m_title;
    KitLabel *m_description;
};
