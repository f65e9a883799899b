#pragma once

#include <QWidget>

class ScanStore;

// The Breakdown screen: where the scanned node_modules space comes from, group by group.
class ProvenanceView : public QWidget
{
    Q_OBJECT

public:
    explicit ProvenanceView(ScanStore &store, QWidget *parent = nullptr);

private:
    ScanStore &m_store;
};
