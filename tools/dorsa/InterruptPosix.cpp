#include "Interrupt.h"

#include <pthread.h>
#include <signal.h>

namespace dorsatool {

namespace {

sigset_t InterruptSignal()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    return set;
}

} // namespace

InterruptWatcher::InterruptWatcher()
{
    const sigset_t set = InterruptSignal();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    m_thread = std::thread([this] { Run(); });
}

InterruptWatcher::~InterruptWatcher()
{
    m_stopping = true;
    pthread_kill(m_thread.native_handle(), SIGINT);
    m_thread.join();
    // A Ctrl-C that came meanwhile is pending and ends the process now, as it would have.
    const sigset_t set = InterruptSignal();
    if (!m_interrupted) {
        pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    }
}

void InterruptWatcher::Run()
{
    const sigset_t set = InterruptSignal();
    int signal = 0;
    sigwait(&set, &signal);
    if (!m_stopping) {
        CancelUntilStopped();
    }
}

// Waits on SIGINT rather than sleeping, so a second Ctrl-C is taken here too.
void InterruptWatcher::PauseBetweenCancels()
{
    const sigset_t set = InterruptSignal();
    timespec pause{0, 10 * 1000 * 1000};
    siginfo_t info;
    sigtimedwait(&set, &info, &pause);
}

} // namespace dorsatool
