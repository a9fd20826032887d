#include "support/Sockets.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace dorsatest {

Socket ListenOnLoopback(int& port)
{
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(listener, 64) != 0 || ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        if (listener >= 0) {
            ::close(listener);
        }
        return s_noSocket;
    }
    port = ntohs(address.sin_port);
    return listener;
}

Socket AcceptConnection(Socket listener)
{
    while (true) {
        const int socket = ::accept(static_cast<int>(listener), nullptr, nullptr);
        if (socket >= 0) {
            return socket;
        }
        if (errno != EINTR && errno != ECONNABORTED) {
            return s_noSocket;
        }
    }
}

Socket ConnectToLoopback(int port)
{
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    if (socket >= 0 && ::connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        return socket;
    }
    if (socket >= 0) {
        ::close(socket);
    }
    return s_noSocket;
}

void SendWithoutDelay(Socket socket)
{
    const int noDelay = 1;
    ::setsockopt(static_cast<int>(socket), IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
}

void ShutDown(Socket socket)
{
    ::shutdown(static_cast<int>(socket), SHUT_RDWR);
}

void CloseSocket(Socket socket, bool reset)
{
    if (reset) {
        // A zero linger time makes close() send a reset instead of the orderly end.
        const linger abort{1, 0};
        ::setsockopt(static_cast<int>(socket), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    }
    ::close(static_cast<int>(socket));
}

long SendSome(Socket socket, const char* data, std::size_t length)
{
    ssize_t sent;
    do {
        sent = ::send(static_cast<int>(socket), data, length, MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    return static_cast<long>(sent);
}

long ReceiveSome(Socket socket, char* data, std::size_t length)
{
    ssize_t received;
    do {
        received = ::recv(static_cast<int>(socket), data, length, 0);
    } while (received < 0 && errno == EINTR);
    return static_cast<long>(received);
}

bool RunningUnderWine()
{
    return false;
}

} // namespace dorsatest
