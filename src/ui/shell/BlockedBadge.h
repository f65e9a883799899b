#pragma once

#include <QWidget>

class KitLabel;
class ProcessStore;
class QLabel;

// The warning at the foot of the sidebar, "3000, 5173 in use": shown only while the
// process store reports blocked dev ports, and following them as they change.
class BlockedBadge : public QWidget
{
    Q_OBJECT

public:
    explicit BlockedBadge(ProcessStore &processes, QWidget *parent = nullptr);

    [[nodiscard]] QString text() const;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void refresh();
    void updateIcon();

    ProcessStore &m_processes;
    QLabel *m_icon;
    KitLabel *m_text;
};
