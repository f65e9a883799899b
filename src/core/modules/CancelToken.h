#pragma once

#include <atomic>

// One scan's one-way cancellation flag, shared by the store and every worker of the
// scan (hold it in a std::shared_ptr). Thread-safe; never reset, never reused.
class CancelToken
{
public:
    void cancel() { m_cancelled.store(true, std::memory_order_release); }
    [[nodiscard]] bool isCancelled() const { return m_cancelled.load(std::memory_order_acquire); }

private:
    std::atomic<bool> m_cancelled = false;
};
