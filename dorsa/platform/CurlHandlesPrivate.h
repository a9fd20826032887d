#pragma once

#include <curl/curl.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zvrtkDorsaServiceLayer {
namespace detail {

// Runs curl_global_init exactly once per process, whichever thread gets here
// first, and returns its result to every caller.
CURLcode CurlGlobalInit();

struct CurlEasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using CurlEasyPtr = std::unique_ptr<CURL, CurlEasyDeleter>;

struct CurlSlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// A header list for one request; owns every node it appends.
class CurlHeaderList final {
public:
    // False when libcurl could not allocate the node.
    bool Append(const std::string& line);
    curl_slist* get() const { return m_list.get(); }

private:
    std::unique_ptr<curl_slist, CurlSlistDeleter> m_list;
};

// Idle easy handles, each keeping its own connections alive between calls. A handle
// serves one call at a time; handles made under an older identity are dropped.
class CurlHandlePool final {
public:
    // Returns an idle handle of this generation or a new one (null if libcurl fails).
    CurlEasyPtr Acquire(unsigned generation);
    void Release(CurlEasyPtr handle, unsigned generation);
    // Closes every idle handle and its connections.
    void Clear();

private:
    struct Idle {
        CurlEasyPtr handle;
        unsigned generation;
    };
    std::mutex m_mutex;
    std::vector<Idle> m_idle;
};

} // namespace detail
} // namespace zvrtkDorsaServiceLayer
