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

PooledHandle CurlHandlePool::Acquire(unsigned generation)
{
    std::vector<PooledHandle> stale;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        while (!m_idle.empty()) {
            PooledHandle idle = std::move(m_idle.back());
            m_idle.pop_back();
            if (idle.generation == generation) {
                return idle;
            }
            stale.push_back(std::move(idle));
        }
    }
    PooledHandle fresh;
    fresh.handle.reset(curl_easy_init());
    fresh.generation = generation;
    return fresh;
}

void CurlHandlePool::Release(PooledHandle handle)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_idle.size() < s_maxIdle) {
            m_idle.push_back(std::move(handle));
            return;
        }
    }
    // Over the bound: the handle closes as it goes out of scope, outside the lock.
}

void CurlHandlePool::Clear()
{
    std::vector<PooledHandle> closing;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        closing.swap(m_idle);
    }
}

} // namespace detail
} // namespace zvrtkDorsaServiceLayer
