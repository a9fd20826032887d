#include "dorsa/platform/CurlHandlesPrivate.h"

#include <algorithm>
#include <iterator>

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
    const std::thread::id self = std::this_thread::get_id();
    std::vector<PooledHandle> stale;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto current = std::stable_partition(m_idle.begin(), m_idle.end(),
                                                   [&](const PooledHandle& idle) { return idle.generation == generation; });
        std::move(current, m_idle.end(), std::back_inserter(stale));
        m_idle.erase(current, m_idle.end());
        auto chosen = std::find_if(m_idle.begin(), m_idle.end(),
                                   [&](const PooledHandle& idle) { return idle.lastThread == self; });
        if (chosen == m_idle.end() && !m_idle.empty()) {
            chosen = m_idle.end() - 1;
        }
        if (chosen != m_idle.end()) {
            PooledHandle idle = std::move(*chosen);
            m_idle.erase(chosen);
            idle.lastThread = self;
            return idle;
        }
    }
    PooledHandle fresh;
    fresh.handle.reset(curl_easy_init());
    fresh.multi.reset(curl_multi_init());
    fresh.generation = generation;
    fresh.lastThread = self;
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
