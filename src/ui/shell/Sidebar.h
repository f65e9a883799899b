#pragma once

#include "ui/shell/Section.h"

#include <QWidget>

class BlockedBadge;
class ProcessStore;
class QListWidget;

// The sidebar column: the list of the three sections, and at its foot the blocked-port
// badge while the process store reports blocked ports.
class Sidebar : public QWidget
{
    Q_OBJECT

public:
    explicit Sidebar(ProcessStore &processes, QWidget *parent = nullptr);

    void setCurrentSection(Section section);

signals:
    void sectionChosen(Section section);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QListWidget *m_list;
    BlockedBadge *m_badge;
};
