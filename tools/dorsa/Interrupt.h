#pragma once

#include <dorsa/ServiceLayer.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace dorsatool {

// Ctrl-C ends the tool cleanly (one source per platform: InterruptPosix.cpp, InterruptWindows.cpp).
// On POSIX, SIGINT is taken by a thread of its own (blocked in every
// other thread from construction on), which cancels the calls in progress on the watched
// session, and every call made afterwards, so the command ends at once without writing
// its output. The destructor stops the thread and lets SIGINT end the process again.
class InterruptWatcher final {
public:
    InterruptWatcher();
    ~InterruptWatcher();
    InterruptWatcher(const InterruptWatcher&) = delete;
    InterruptWatcher& operator=(const InterruptWatcher&) = delete;

    // The session whose calls Ctrl-C cancels; null for none.
    void Watch(zvrtkDorsaServiceLayer::DorsaSession* session);
    bool Interrupted() const { return m_interrupted.load(); }

private:
    void Run();

    std::mutex m_mutex;
    zvrtkDorsaServiceLayer::DorsaSession* m_session = nullptr;
    std::atomic<bool> m_interrupted{false};
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};

} // namespace dorsatool
