#pragma once

#include <QString>

#include <optional>

// A dev port held by something that is not a Node process: its owner when the user may
// inspect it, else nobody named. Shown as a plain line, never offered for a kill.
struct PortHolder
{
    int port = 0;
    std::optional<qint32> pid; // absent: the owner is another user's process
    QString name;              // the owner's command name ("python3"), printable

    [[nodiscard]] int id() const { return port; }
    // "5175 is held by python3 (pid 4711), not a Node process", or
    // "5175 is held by another user's process".
    [[nodiscard]] QString description() const;

    friend bool operator==(const PortHolder &, const PortHolder &) = default;
};
