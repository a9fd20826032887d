#pragma once

#include <curl/curl.h>

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
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

struct CurlMultiDeleter {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
using CurlMultiPtr = std::unique_ptr<CURLM, CurlMultiDeleter>;

struct CurlSlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// A libcurl header list; owns every node it appends.
class CurlHeaderList final {
public:
    // False when libcurl could not allocate the node.
    bool Append(const std::string& line);
    curl_slist* get() const { return m_list.get(); }

private:
    std::unique_ptr<curl_slist, CurlSlistDeleter> m_list;
};

// An easy handle with what the client learnt on it.
struct PooledHandle {
    // The header list the handle sends and the headers it was made from, kept while the
    // next call sends the same ones. Declared before the handle, so it outlives it.
    std::vector<std::pair<std::string, std::string>> headerFields;
    CurlHeaderList headers;
    CurlEasyPtr handle;
    // The multi handle the easy one runs in, one call at a time: it keeps the connections
    // between calls, and its wait can be woken by a cancel from another thread.
    CurlMultiPtr multi;
    // Whether the options that are the same on every call have been set.
    bool fixedOptionsSet = false;
    // Settings generation the handle was made under.
    unsigned generation = 0;
    // The one mechanism the server accepted on this handle, or CURLAUTH_NONE while
    // none is known; sending only it saves a challenge round trip on every call.
    unsigned long acceptedAuth = 0;
    // Whether NTLM on this handle needs the password's Latin-1 form.
    bool ntlmLatin1 = false;
    // The thread that had the handle last.
    std::thread::id lastThread;
};

// Idle easy handles, each keeping its own connections alive between calls. A handle
// serves one call at a time; handles made under an older identity are dropped, and at
// most s_maxIdle are kept. Handles are closed outside the lock: closing one may wait
// for its connections to shut down.
//
// A thread gets back the handle it had last when that one is idle: libcurl frees and
// grows the buffers a handle holds on every transfer, and memory is freed fastest by
// the thread whose malloc arena it came from; on another thread each of those frees
// waits for that arena's lock.
class CurlHandlePool final {
public:
    static constexpr std::size_t s_maxIdle = 8;

    // An idle handle of this generation or a new one (its handles null if libcurl fails).
    PooledHandle Acquire(unsigned generation);
    void Release(PooledHandle handle);
    // Closes every idle handle and its connections.
    void Clear();

private:
    std::mutex m_mutex;
    std::vector<PooledHandle> m_idle;
};

} // namespace detail
} // namespace zvrtkDorsaServiceLayer
