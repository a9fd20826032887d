#include "support/TcpServer.h"

#include <algorithm>
#include <stdexcept>

namespace dorsatest {

TcpServer::TcpServer()
{
    m_listener = ListenOnLoopback(m_port);
    if (m_listener == s_noSocket) {
        throw std::runtime_error("test server could not listen on 127.0.0.1");
    }
}

TcpServer::~TcpServer()
{
    // A server that never started still owns its listening socket.
    if (!m_acceptor.joinable() && m_listener != s_noSocket) {
        CloseSocket(m_listener);
    }
}

std::string TcpServer::Url() const
{
    return "http://127.0.0.1:" + std::to_string(m_port);
}

void TcpServer::Start()
{
    m_acceptor = std::thread([this] { AcceptLoop(); });
}

void TcpServer::Stop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
        for (Socket socket : m_openSockets) {
            ShutDown(socket);
        }
    }
    m_stopped.notify_all();
    // A connection of our own wakes the acceptor, which then sees m_stopping and returns:
    // shutting the listener down would do on POSIX only, and closing it before the acceptor
    // is gone could let it accept on a reused descriptor.
    const Socket wake = ConnectToLoopback(m_port);
    if (wake != s_noSocket) {
        CloseSocket(wake);
    }
    m_acceptor.join();
    CloseSocket(m_listener);
    m_listener = s_noSocket;
    for (std::thread& thread : m_threads) {
        thread.join();
    }
}

void TcpServer::AcceptLoop()
{
    while (true) {
        const Socket socket = AcceptConnection(m_listener);
        if (socket == s_noSocket) {
            return;
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stopping) {
            CloseSocket(socket);
            return;
        }
        SendWithoutDelay(socket);
        ++m_connections;
        m_openSockets.push_back(socket);
        m_threads.emplace_back([this, socket] { Close(socket, Serve(socket)); });
    }
}

void TcpServer::Close(Socket socket, Ending ending)
{
    // Under the lock, so that Stop never shuts down a descriptor reused since.
    std::lock_guard<std::mutex> lock(m_mutex);
    m_openSockets.erase(std::remove(m_openSockets.begin(), m_openSockets.end(), socket), m_openSockets.end());
    if (ending == Ending::Orderly) {
        ShutDown(socket);
    }
    CloseSocket(socket, ending == Ending::Reset);
}

bool TcpServer::Pause(std::chrono::milliseconds pause) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return !m_stopped.wait_for(lock, pause, [this] { return m_stopping.load(); });
}

void TcpServer::WaitUntilStopped() const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_stopped.wait(lock, [this] { return m_stopping.load(); });
}

} // namespace dorsatest
