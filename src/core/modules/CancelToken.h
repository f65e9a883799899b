#pragma once

#include <atomic>

// One scan's one-way cancellation flag, shared by the store and every worker of the
// scan (hold it in a std::shared_ptr). Thread-safe; never reset, never reused.
class CancelToken
{
public:
    void cancel() { m_cancelled.store(true, std::memory_order_release); }

    [[nodiscard]] bool isCancelled() const
    {
        if (m_cancelled.load(std::memory_order_acquire))
            return true;
        if (m_checksLeft.load(std::memory_order_relaxed) < 0)
            return false;
        if (m_checksLeft.fetch_sub(1, std::memory_order_relaxed) > 1)
            return false;
        m_cancelled.store(true, std::memory_order_release);
        return true;
    }

    // Test seam: the token cancels itself at its n-th check (n >= 1), which makes a
    // cancellation part-way through a walk deterministic.
    void cancelAtCheck(int n) { m_checksLeft.store(n, std::memory_order_relaxed); }

private:
    mutable std::atomic<bool> m_cancelled = false;
    mutable std::atomic<int> m_checksLeft = -1;
};
