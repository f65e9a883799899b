#include "cli/Consent.h"

#include "cli/InterruptWatcher.h"
#include "cli/Terminal.h"

std::optional<int> consent(bool yes, const QString &acting, const QString &acted, const InterruptWatcher &interrupts)
{
    if (yes)
        return std::nullopt;
    if (!Terminal::stdinIsTerminal()) {
        Terminal::error(QStringLiteral("not %1 anything without --yes when the input is not a terminal").arg(acting));
        return ExitStatus::usage;
    }
    if (Terminal::confirm())
        return std::nullopt;
    Terminal::err(QStringLiteral("Nothing %1.\n").arg(acted));
    return interrupts.isInterrupted() ? ExitStatus::interrupted : ExitStatus::failed;
}
