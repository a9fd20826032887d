#pragma once

#include <windows.h>
#include <winhttp.h>

#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace zvrtkDorsaServiceLayer {
namespace detail {

struct InternetHandleCloser {
    using pointer = HINTERNET;
    void operator()(HINTERNET handle) const { WinHttpCloseHandle(handle); }
};
// Owns one WinHTTP handle: a session, a connection or a request.
using InternetHandle = std::unique_ptr<void, InternetHandleCloser>;

// A WinHTTP session: it keeps the kept-alive sockets of every connection made under it,
// so a new identity gets a new session and the old sockets close with the old one.
struct WinHttpSession {
    InternetHandle handle;
    unsigned generation = 0;
    // Whether WinHTTP decodes gzip and deflate itself; when not, the client asks for
    // them and inflates them.
    bool decompresses = false;
};

// A connection handle to one host and port, with what the client learnt on it.
struct PooledConnection {
    std::shared_ptr<WinHttpSession> session;
    InternetHandle handle; // declared after the session: closed before it
    std::wstring host;
    INTERNET_PORT port = 0;
    // The one scheme (WINHTTP_AUTH_SCHEME_*) the server accepted, or 0 while none is
    // known; Basic then goes with the first request.
    DWORD acceptedScheme = 0;
};

// Idle connection handles of the current session, at most s_maxIdle of them. A handle
// serves one call at a time; those of an older session are dropped. Handles close
// outside the lock.
class WinHttpConnectionPool final {
public:
    static constexpr std::size_t s_maxIdle = 8;

    // An idle handle for host and port under @p session, or one with a null handle.
    PooledConnection Acquire(const std::shared_ptr<WinHttpSession>& session, const std::wstring& host,
                             INTERNET_PORT port)
    {
        std::vector<PooledConnection> stale;
        std::lock_guard<std::mutex> lock(m_mutex);
        PooledConnection found;
        for (auto it = m_idle.begin(); it != m_idle.end();) {
            if (it->session != session) {
                stale.push_back(std::move(*it));
                it = m_idle.erase(it);
            } else if (!found.handle && it->host == host && it->port == port) {
                found = std::move(*it);
                it = m_idle.erase(it);
            } else {
                ++it;
            }
        }
        if (!found.handle) {
            found.session = session;
            found.host = host;
            found.port = port;
        }
        return found;
    }

    void Release(PooledConnection connection)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_idle.size() < s_maxIdle && connection.handle) {
            m_idle.push_back(std::move(connection));
        }
        // Over the bound, the handle closes with the parameter, after the lock is released.
    }

    void Clear()
    {
        std::vector<PooledConnection> closing;
        std::lock_guard<std::mutex> lock(m_mutex);
        closing.swap(m_idle);
    }

private:
    std::mutex m_mutex;
    std::vector<PooledConnection> m_idle;
};

} // namespace detail
} // namespace zvrtkDorsaServiceLayer
