#pragma once

#include <QString>

// The process's standard streams as the commands use them: UTF-8 text, colour only on a
// terminal that asks for it, questions and progress on the terminal only. Main thread.
class Terminal
{
public:
    enum class Colour { none, bold, dim, red, yellow, green };

    static void out(const QString &text);
    static void err(const QString &text);
    // "quaylight-cli: {message}" on stderr, after any progress line is cleared.
    static void error(const QString &message);

    // text in colour when stdout is a terminal and NO_COLOR is unset or empty.
    [[nodiscard]] static QString paint(const QString &text, Colour colour);

    [[nodiscard]] static bool stdinIsTerminal();
    [[nodiscard]] static bool stdoutIsTerminal();
    [[nodiscard]] static bool stderrIsTerminal();

    // Asks "Proceed? [y/N] " on stderr and reads one line from stdin; true only for y or
    // yes. Blocks; false at the end of input or when Ctrl-C interrupts the read.
    [[nodiscard]] static bool confirm();

    // One line on stderr that the next one replaces; nothing unless stderr is a terminal.
    static void progress(const QString &text);
    static void clearProgress();

private:
    static bool s_progressShown;
};
