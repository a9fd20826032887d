#include "dorsa/platform/CurlHandlesPrivate.h"

namespace zvrtkDorsaServiceLayer {
namespace detail {

CURLcode CurlGlobalInit()
{
    static const CURLcode s_initResult = curl_global_init(CURL_GLOBAL_DEFAULT);
    return s_initResult;
}

bool CurlHeaderList::Append(const std::string& line)
{
    curl_slist* extended = curl_slist_append(m_list.get(), line.c_str());
    if (!extended) {
        return false;
    }
    m_list.release();
    m_list.reset(extended);
    return true;
}

CurlEasyPtr CurlHandlePool::Acquire(unsigned generation)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        while (!m_idle.empty()) {
            Idle idle = std::move(m_idle.back());
            m_idle.pop_back();
            if (idle.generation == generation) {
                return std::move(idle.handle);
            }
        }
    }
    return CurlEasyPtr(curl_easy_init());
}

void CurlHandlePool::Release(CurlEasyPtr handle, unsigned generation)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_idle.push_back(Idle{std::move(handle), generation});
}

void CurlHandlePool::Clear()
{
    std::vector<Idle> closing;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        closing.swap(m_idle);
    }
}

} // namespace detail
} // namespace zvrtkDorsaServiceLayer
