#pragma once

#include <QHash>

#include <optional>

// The kernel's socket diagnostics (netlink sock_diag), as `ss` reads them. A dump of the
// listening TCP sockets walks only the kernel's listening table, where /proc/net/tcp walks
// every connection the machine holds.
namespace SocketDiag {

// Socket inode -> local port of every IPv4 and IPv6 TCP socket in state LISTEN in our own
// network namespace; nullopt when the kernel refuses the netlink socket or the dump (a
// sandbox), so that the caller can read /proc/net/tcp instead.
[[nodiscard]] std::optional<QHash<quint64, int>> tcpListeners();
// tcpListeners(), or where netlink is refused the /proc/net/tcp and tcp6 tables; nullopt
// when neither can be read.
[[nodiscard]] std::optional<QHash<quint64, int>> ownTcpListeners();

} // namespace SocketDiag
