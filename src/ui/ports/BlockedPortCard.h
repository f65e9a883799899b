#pragma once

#include "core/processes/BlockedPort.h"
#include "ui/kit/GlassCard.h"

class KitLabel;
class QPushButton;
class QToolButton;
class SymbolLabel;

// One blocked dev port: its number, who holds it (the first holder's kind, the port's
// summary, its pid, its directory or command and why it looks left running), and the two
// ways to free it. The buttons only ask (freeRequested); nothing is signalled from here.
class BlockedPortCard : public GlassCard
{
    Q_OBJECT

public:
    explicit BlockedPortCard(const BlockedPort &port, QWidget *parent = nullptr);

    [[nodiscard]] const BlockedPort &blockedPort() const { return m_port; }
    void setBlockedPort(const BlockedPort &port);

signals:
    // false from "Free port N" (SIGTERM), true from the force button (SIGKILL).
    void freeRequested(bool force);

private:
    BlockedPort m_port;
    KitLabel *m_number;
    QWidget *m_holder;
    SymbolLabel *m_kind;
    KitLabel *m_summary;
    KitLabel *m_pid;
    KitLabel *m_location;
    KitLabel *m_reason;
    QPushButton *m_free;
    QToolButton *m_force;
};
