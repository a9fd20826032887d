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

void InterruptWatcher::Run()
{
    WaitForSingleObject(s_wake, INFINITE);
    if (!m_stopping) {
        CancelUntilStopped();
    }
}

void InterruptWatcher::PauseBetweenCancels()
{
    Sleep(10);
}

} // namespace dorsatool
