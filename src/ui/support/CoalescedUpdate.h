#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>

// Work that depends on a whole list (totals, groups), run once for any number of changes:
// every request made before it runs is served by one run. GUI thread.
class CoalescedUpdate : public QObject
{
    Q_OBJECT

public:
    CoalescedUpdate(std::function<void()> update, QObject *parent);

    // Runs the update after the events already waiting, or no sooner than delay from the
    // first request still open; later requests join that run.
    void request(std::chrono::milliseconds delay = std::chrono::milliseconds(0));
    // Runs an update still waiting now.
    void flush();
    [[nodiscard]] bool isPending() const { return m_timer.isActive(); }

private:
    std::function<void()> m_update;
    QTimer m_timer;
};
