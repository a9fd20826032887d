#include "support/TcpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

namespace dorsatest {

TcpServer::TcpServer()
{
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(m_listener, 64) != 0 || ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        if (m_listener >= 0) {
            ::close(m_listener);
        }
        throw std::runtime_error("test server could not listen on 127.0.0.1");
    }
    m_port = ntohs(address.sin_port);
}

TcpServer::~TcpServer()
{
    // A server that never started still owns its listening socket.
    if (!m_acceptor.joinable() && m_listener >= 0) {
        ::close(m_listener);
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
        for (int socket : m_openSockets) {
            ::shutdown(socket, SHUT_RDWR);
        }
    }
    m_stopped.notify_all();
    // Closed only once the acceptor is gone, so that it never accepts on a reused descriptor.
    ::shutdown(m_listener, SHUT_RDWR);
    m_acceptor.join();
    ::close(m_listener);
    m_listener = -1;
    for (std::thread& thread : m_threads) {
        thread.join();
    }
}

void TcpServer::AcceptLoop()
{
    while (true) {
        const int socket = ::accept(m_listener, nullptr, nullptr);
        if (socket < 0) {
            if (errno == EINTR || errno == ECONNABORTED) {
                continue;
            }
            return;
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stopping) {
            ::close(socket);
            return;
        }
        // Small replies go out at once rather than waiting on the client's ACK.
        const int noDelay = 1;
        ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
        ++m_connections;
        m_openSockets.push_back(socket);
        m_threads.emplace_back([this, socket] { Close(socket, Serve(socket)); });
    }
}

void TcpServer::Close(int socket, Ending ending)
{
    // Under the lock, so that Stop never shuts down a descriptor reused since.
    std::lock_guard<std::mutex> lock(m_mutex);
    m_openSockets.erase(std::remove(m_openSockets.begin(), m_openSockets.end(), socket), m_openSockets.end());
    if (ending == Ending::Reset) {
        // A zero linger time makes close() send a reset instead of the orderly end.
        const linger abort{1, 0};
        ::setsockopt(socket, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    } else {
        ::shutdown(socket, SHUT_RDWR);
    }
    ::close(socket);
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
