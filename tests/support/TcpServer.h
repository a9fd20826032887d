#pragma once

#include "support/Sockets.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace dorsatest {

// What the test servers share: a listening socket on 127.0.0.1, a thread that accepts
// connections, and a thread per connection running Serve. Stop shuts every open socket
// down, so that a connection in the middle of a long send or wait ends too, and joins
// the threads. A server starts in its constructor's last line and stops in its
// destructor's first, while its own members still live.
class TcpServer {
public:
    TcpServer(const TcpServer&) = delete;
    TcpServer& operator=(const TcpServer&) = delete;

    std::string Url() const;
    std::size_t ConnectionCount() const { return m_connections.load(); }

protected:
    // Listens on a free port; throws std::runtime_error when it cannot.
    TcpServer();
    ~TcpServer();

    void Start();
    void Stop();
    enum class Ending {
        Orderly, // the client reads the end of the stream
        Reset,   // the client reads a reset
    };
    // Serves one connection until it is finished with, and says how it is to end. The
    // server closes it then, once: a descriptor closed twice could be another
    // connection's by the second time.
    virtual Ending Serve(Socket socket) = 0;
    // Waits for `pause` unless the server stops first; false when it stops.
    bool Pause(std::chrono::milliseconds pause) const;
    void WaitUntilStopped() const;
    bool Stopping() const { return m_stopping.load(); }

    // Guards the members of the derived server too.
    mutable std::mutex m_mutex;

private:
    void AcceptLoop();
    void Close(Socket socket, Ending ending);

    Socket m_listener = s_noSocket;
    int m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::atomic<std::size_t> m_connections{0};
    mutable std::condition_variable m_stopped;
    std::vector<Socket> m_openSockets;
    std::vector<std::thread> m_threads;
    std::thread m_acceptor;
};

} // namespace dorsatest
