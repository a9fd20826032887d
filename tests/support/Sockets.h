#pragma once

#include <cstddef>
#include <cstdint>

namespace dorsatest {

// The few socket calls the test servers make, over BSD sockets (SocketsPosix.cpp) or
// Winsock (SocketsWinsock.cpp), chosen by CMake. A socket is a descriptor on POSIX and a
// SOCKET handle on Windows: both fit this type.
using Socket = std::intptr_t;
constexpr Socket s_noSocket = -1;

// A socket listening on 127.0.0.1 at a free port, which `port` receives; s_noSocket
// when there is none.
Socket ListenOnLoopback(int& port);
// The next connection; s_noSocket once the listener is shut down or broken.
Socket AcceptConnection(Socket listener);
// Small replies go out at once rather than waiting on the client's ACK.
void SendWithoutDelay(Socket socket);
// A connection to 127.0.0.1:port; s_noSocket when none could be made.
Socket ConnectToLoopback(int port);
// Ends both directions of a connected socket, so that a thread blocked on it returns and
// later calls on it fail at once.
void ShutDown(Socket socket);
// Closes the socket; with `reset`, the peer reads a reset instead of the orderly end.
void CloseSocket(Socket socket, bool reset = false);
// As send and recv: the count of bytes, 0 for the end of the stream, negative on failure.
// Sending to a peer that has gone fails instead of raising a signal.
long SendSome(Socket socket, const char* data, std::size_t length);
long ReceiveSome(Socket socket, char* data, std::size_t length);

// Whether the tests run under Wine, whose WinHTTP differs from Windows' in the few places
// where a test says so; false on POSIX.
bool RunningUnderWine();

} // namespace dorsatest
