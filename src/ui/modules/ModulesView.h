#pragma once

#include <QWidget>

class ScanStore;

// The Disk cleanup screen: scanning a folder for node_modules and deleting them.
class ModulesView : public QWidget
{
    Q_OBJECT

public:
    explicit ModulesView(ScanStore &store, QWidget *parent = nullptr);

private:
    ScanStore &m_store;
};
