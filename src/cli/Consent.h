#pragma once

#include <QString>

#include <optional>

class InterruptWatcher;

// The statuses a command ends with besides 0 (success).
namespace ExitStatus {
constexpr int failed = 1; // nothing matched, the user declined, or part of it failed
constexpr int usage = 2;
constexpr int interrupted = 130;
} // namespace ExitStatus

// Whether free or clean may act: at once with --yes, else only when the user answers yes
// on a terminal. nullopt to go on; else the status to end with: usage without a terminal
// ("not {acting} anything without --yes …"), failed after a no ("Nothing {acted}."),
// interrupted when Ctrl-C cut the question short.
[[nodiscard]] std::optional<int> consent(bool yes, const QString &acting, const QString &acted,
                                         const InterruptWatcher &interrupts);
