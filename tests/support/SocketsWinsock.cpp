#include "support/Sockets.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <cstdlib>

namespace dorsatest {

namespace {

// Winsock is started once, before the first test server listens, and stays up.
bool StartWinsock()
{
    static const bool s_started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return s_started;
}

SOCKET Handle(Socket socket)
{
    return static_cast<SOCKET>(socket);
}

int Length(std::size_t length)
{
    return static_cast<int>(std::min<std::size_t>(length, 1 << 30));
}

} // namespace

Socket ListenOnLoopback(int& port)
{
    if (!StartWinsock()) {
        return s_noSocket;
    }
    const SOCKET listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener == INVALID_SOCKET) {
        return s_noSocket;
    }
    // Without exclusive use another program could bind the same port over ours.
    const BOOL exclusive = TRUE;
    ::setsockopt(listener, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
                 sizeof exclusive);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), size) != 0 || ::listen(listener, 64) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        ::closesocket(listener);
        return s_noSocket;
    }
    port = ntohs(address.sin_port);
    return static_cast<Socket>(listener);
}

Socket AcceptConnection(Socket listener)
{
    while (true) {
        const SOCKET socket = ::accept(Handle(listener), nullptr, nullptr);
        if (socket != INVALID_SOCKET) {
            return static_cast<Socket>(socket);
        }
        const int error = WSAGetLastError();
        if (error != WSAEINTR && error != WSAECONNRESET && error != WSAECONNABORTED) {
            return s_noSocket;
        }
    }
}

Socket ConnectToLoopback(int port)
{
    const SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (socket == INVALID_SOCKET) {
        return s_noSocket;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<u_short>(port));
    if (::connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::closesocket(socket);
        return s_noSocket;
    }
    return static_cast<Socket>(socket);
}

void SendWithoutDelay(Socket socket)
{
    const BOOL noDelay = TRUE;
    ::setsockopt(Handle(socket), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
}

void ShutDown(Socket socket)
{
    // Unlike POSIX, shutdown() leaves a recv() or send() already blocked in another thread
    // waiting: cancelling the socket's pending I/O makes it return.
    ::shutdown(Handle(socket), SD_BOTH);
    ::CancelIoEx(reinterpret_cast<HANDLE>(Handle(socket)), nullptr);
}

void CloseSocket(Socket socket, bool reset)
{
    if (reset) {
        // A zero linger time makes closesocket() send a reset instead of the orderly end.
        const linger abort{1, 0};
        ::setsockopt(Handle(socket), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort);
    }
    ::closesocket(Handle(socket));
}

// Winsock raises no signal on a broken connection: send fails with WSAECONNRESET.
long SendSome(Socket socket, const char* data, std::size_t length)
{
    return ::send(Handle(socket), data, Length(length), 0);
}

long ReceiveSome(Socket socket, char* data, std::size_t length)
{
    return ::recv(Handle(socket), data, Length(length), 0);
}

bool RunningUnderWine()
{
    const HMODULE system = GetModuleHandleW(L"ntdll.dll");
    return system && GetProcAddress(system, "wine_get_version");
}

} // namespace dorsatest
