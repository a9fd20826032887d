#pragma once

#include <dorsa/ServiceLayer.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace dorsatool {

// Ctrl-C ends the tool cleanly (how Ctrl-C arrives differs: InterruptPosix.cpp, InterruptWindows.cpp).
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
    // Waits for Ctrl-C (or the destructor), then cancels until the command is done.
    void Run();
    // Cancels the watched session's calls, again and again until the watch ends: a command
    // may start another call before it sees the failure of the last.
    void CancelUntilStopped();
    // A short pause between two cancels.
    void PauseBetweenCancels();

    std::mutex m_mutex;
    zvrtkDorsaServiceLayer::DorsaSession* m_session = nullptr;
    std::atomic<bool> m_interrupted{false};
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};

} // namespace dorsatool
