#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QWidget>

class ByteBarChart;
class CoalescedUpdate;
class ContentUnavailableView;
class KitLabel;
class ProvenanceRow;
class QScrollArea;
class QVBoxLayout;
class ScanStore;

// The Breakdown screen: where the scanned node_modules space comes from, group by group,
// as a bar chart and a list of cards with each group's share of the largest. Everything
// comes from the scan store; the screen keeps no state of its own and calls nothing on it.
//
// It follows the store's records as they stream in and as deletions remove them. Changes
// are gathered and shown together at most every refreshInterval, and not at all while the
// screen is hidden (it catches up when shown), so a scan of thousands of folders costs a
// handful of rebuilds, not one per record. GUI thread.
class ProvenanceView : public QWidget
{
    Q_OBJECT

public:
    static constexpr int s_refreshInterval = 100; // milliseconds

    explicit ProvenanceView(ScanStore &store, QWidget *parent = nullptr);

    // "{n} folders across {g} top-level locations · {size} total", plural whatever the counts.
    [[nodiscard]] static QString summaryText(qsizetype folders, qsizetype groups, qint64 bytes);
    // A group's share of the largest group; 0 when the largest frees nothing.
    [[nodiscard]] static double fraction(qint64 groupBytes, qint64 maxBytes);

    // How many times the screen rebuilt from the store.
    [[nodiscard]] int refreshCount() const { return m_refreshCount; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    [[nodiscard]] QWidget *header();
    [[nodiscard]] QWidget *chartCard();
    [[nodiscard]] QWidget *breakdown();

    void scheduleRefresh();
    void refresh();

    ScanStore &m_store;
    ContentUnavailableView *m_placeholder = nullptr;
    QScrollArea *m_scroll = nullptr;
    KitLabel *m_summary = nullptr;
    ByteBarChart *m_chart = nullptr;
    QVBoxLayout *m_rowList = nullptr;
    QList<ProvenanceRow *> m_rows; // top to bottom; those past the groups are hidden

    CoalescedUpdate *m_refresh = nullptr;
    QElapsedTimer m_sinceRefresh;
    bool m_stale = true;
    int m_refreshCount = 0;
};
