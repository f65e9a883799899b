#pragma once

#include <QString>
#include <QStringList>

#include <atomic>

// Runs a command-line tool and collects what it prints, never blocking for longer than
// it is allowed to and never leaving a child behind.
namespace ChildProcess {

// What run() keeps of a tool's output at most.
inline constexpr qsizetype s_maxOutput = 16 * 1024 * 1024;

// Runs an executable by absolute path with these arguments (no shell) and returns
// its standard output decoded as UTF-8 (invalid bytes repaired), or the empty text
// when the path is not an executable file or the launch fails. Standard input and
// standard error are the null device; the exit status is ignored. The child gets a
// soft open-file limit of at most 1024 (lsof closes every descriptor up to the
// limit when it starts). A tool still running after timeoutMs is killed with
// SIGKILL and reaped; what it printed until then is returned, so a tool stuck on a
// stale network mount costs at most the time limit. A tool that prints more than
// maxBytes is killed and reaped too, and the output is cut back to its last whole
// line within maxBytes. Once stop (when given) is true, the tool is killed within
// about 50 ms and the empty text returned. Blocking; never on the GUI thread.
[[nodiscard]] QString run(const QString &path, const QStringList &arguments, int timeoutMs = 15000,
                          qsizetype maxBytes = s_maxOutput, const std::atomic<bool> *stop = nullptr);

} // namespace ChildProcess
