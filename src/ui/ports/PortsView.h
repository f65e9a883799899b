#pragma once

#include <QWidget>

class ProcessStore;

// The Ports screen: which dev ports Node processes hold, and freeing them. Each time it
// appears with an empty process list it asks the store to reload.
class PortsView : public QWidget
{
    Q_OBJECT

public:
    explicit PortsView(ProcessStore &store, QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;

private:
    ProcessStore &m_store;
};
