#pragma once

#include <atomic>

// One scan's one-way cancellation flag, shared by the store and every worker of the
// scan (hold it in a std::shared_ptr), with the walk's running counts for the progress
// line. Thread-safe; never reset, never reused.
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

    // A walk notes each folder it lists, and whether that folder holds a node_modules.
    void noteFolder(bool holdsModules) const
    {
        m_visited.fetch_add(1, std::memory_order_relaxed);
        if (holdsModules)
            m_found.fetch_add(1, std::memory_order_relaxed);
    }
    [[nodiscard]] long long visitedFolders() const { return m_visited.load(std::memory_order_relaxed); }
    [[nodiscard]] long long foundFolders() const { return m_found.load(std::memory_order_relaxed); }

    // Test seam: the token cancels itself at its n-th check (n >= 1), which makes a
    // cancellation part-way through a walk deterministic.
    void cancelAtCheck(int n) { m_checksLeft.store(n, std::memory_order_relaxed); }

private:
    mutable std::atomic<bool> m_cancelled = false;
    mutable std::atomic<int> m_checksLeft = -1;
    mutable std::atomic<long long> m_visited = 0;
    mutable std::atomic<long long> m_found = 0;
};
