#include "Interrupt.h"

#include <windows.h>

namespace dorsatool {

namespace {

// Set by the console's Ctrl-C (or Ctrl-Break), and by the destructor to end the watch.
HANDLE s_wake = nullptr;

// Runs on a thread the console starts for it: the watcher's own thread does the cancelling.
BOOL WINAPI OnControl(DWORD type)
{
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) {
        return FALSE;
    }
    SetEvent(s_wake);
    return TRUE;
}

} // namespace

InterruptWatcher::InterruptWatcher()
{
    s_wake = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(&OnControl, TRUE);
    m_thread = std::thread([this] { Run(); });
}

InterruptWatcher::~InterruptWatcher()
{
    m_stopping = true;
    SetEvent(s_wake);
    m_thread.join();
    SetConsoleCtrlHandler(&OnControl, FALSE);
    CloseHandle(s_wake);
    s_wake = nullptr;
}

void InterruptWatcher::Watch(zvrtkDorsaServiceLayer::DorsaSession* session)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_session = session;
    if (m_session && m_interrupted) {
        m_session->CancelCallsInProgress();
    }
}

void InterruptWatcher::Run()
{
    WaitForSingleObject(s_wake, INFINITE);
    if (m_stopping) {
        return;
    }
    m_interrupted = true;
    // The library cancels the calls in progress; a command may start another before it
    // sees the failure, so the cancel is repeated until the command is done.
    while (!m_stopping) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_session) {
                m_session->CancelCallsInProgress();
            }
        }
        Sleep(10);
    }
}

} // namespace dorsatool
