#include "ui/support/CoalescedUpdate.h"

CoalescedUpdate::CoalescedUpdate(std::function<void()> update, QObject *parent)
    : QObject(parent)
    , m_update(std::move(update))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { m_update(); });
}

void CoalescedUpdate::request(std::chrono::milliseconds delay)
{
    if (!m_timer.isActive())
        m_timer.start(delay);
}

void CoalescedUpdate::flush()
{
    if (!m_timer.isActive())
        return;
    m_timer.stop();
    m_update();
}
