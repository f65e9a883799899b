#include "core/processes/SocketDiag.h"

#include "core/processes/ProcFs.h"

#include <cerrno>

#include <arpa/inet.h>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace SocketDiag {
namespace {

constexpr int s_tcpListen = 10; // TCP_LISTEN in the kernel's state numbering

enum class Dump { Done, Unsupported, Failed };

// One dump of family's listening TCP sockets into listeners.
Dump dumpListeners(int socket, quint8 family, QHash<quint64, int> &listeners)
{
    struct
    {
        nlmsghdr header;
        inet_diag_req_v2 request;
    } message{};
    message.header.nlmsg_len = sizeof message;
    message.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    message.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    message.request.sdiag_family = family;
    message.request.sdiag_protocol = IPPROTO_TCP;
    message.request.idiag_states = 1u << s_tcpListen;
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    if (::sendto(socket, &message, sizeof message, 0, reinterpret_cast<sockaddr *>(&kernel), sizeof kernel) < 0)
        return Dump::Failed;

    alignas(nlmsghdr) char buffer[32 * 1024];
    for (;;) {
        const ssize_t received = ::recv(socket, buffer, sizeof buffer, 0);
        if (received < 0 && errno == EINTR)
            continue;
        if (received <= 0)
            return Dump::Failed;
        int left = int(received);
        for (auto *header = reinterpret_cast<const nlmsghdr *>(buffer); NLMSG_OK(header, left);
             header = NLMSG_NEXT(header, left)) {
            if (header->nlmsg_type == NLMSG_DONE)
                return Dump::Done;
            if (header->nlmsg_type == NLMSG_ERROR) {
                // No IPv6 in this kernel answers ENOENT: nothing listens there.
                const auto *error = static_cast<const nlmsgerr *>(NLMSG_DATA(header));
                return error->error == -ENOENT ? Dump::Unsupported : Dump::Failed;
            }
            if (header->nlmsg_type != SOCK_DIAG_BY_FAMILY || header->nlmsg_len < NLMSG_LENGTH(sizeof(inet_diag_msg)))
                continue;
            const auto *socketInfo = static_cast<const inet_diag_msg *>(NLMSG_DATA(header));
            if (socketInfo->idiag_state == s_tcpListen && socketInfo->idiag_inode != 0)
                listeners.insert(socketInfo->idiag_inode, ntohs(socketInfo->id.idiag_sport));
        }
    }
}

} // namespace

std::optional<QHash<quint64, int>> tcpListeners()
{
    const int socket = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_SOCK_DIAG);
    if (socket < 0)
        return std::nullopt;
    QHash<quint64, int> listeners;
    const Dump inet = dumpListeners(socket, AF_INET, listeners);
    const Dump inet6 = inet == Dump::Done ? dumpListeners(socket, AF_INET6, listeners) : Dump::Failed;
    ::close(socket);
    if (inet != Dump::Done || inet6 == Dump::Failed)
        return std::nullopt;
    return listeners;
}

std::optional<QHash<quint64, int>> ownTcpListeners()
{
    std::optional<QHash<quint64, int>> listeners = tcpListeners();
    if (!listeners)
        listeners = ProcFs::listeners(QStringLiteral("/proc/net"));
    return listeners;
}

} // namespace SocketDiag
