#pragma once

#include "cli/CliOptions.h"

class InterruptWatcher;

// `ports` and `free`: the process store's list, texts and kill, on the terminal. Main
// thread; each run() blocks in a local event loop and returns the exit status.
class PortsCommand
{
public:
    PortsCommand(const CliOptions &options, const InterruptWatcher &interrupts);

    [[nodiscard]] int runPorts();
    [[nodiscard]] int runFree();

private:
    const CliOptions &m_options;
    const InterruptWatcher &m_interrupts;
};
