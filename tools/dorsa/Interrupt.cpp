#include "Interrupt.h"

namespace dorsatool {

void InterruptWatcher::Watch(zvrtkDorsaServiceLayer::DorsaSession* session)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_session = session;
    if (m_session && m_interrupted) {
        m_session->CancelCallsInProgress();
    }
}

void InterruptWatcher::CancelUntilStopped()
{
    m_interrupted = true;
    while (!m_stopping) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_session) {
                m_session->CancelCallsInProgress();
            }
        }
        PauseBetweenCancels();
    }
}

} // namespace dorsatool
