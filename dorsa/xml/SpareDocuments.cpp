#include "dorsa/xml/SpareDocumentsPrivate.h"

#include <mutex>
#include <vector>

namespace zvrtkDorsaServiceLayer {
namespace detail {

namespace {

// One pool for the process, not one per thread: a thread_local with a destructor in a
// DLL built with MinGW-w64 leaves the process hanging at exit once other threads have
// used it. The lock is held for a move of one pointer.
struct SparePool {
    std::mutex mutex;
    std::vector<std::unique_ptr<XmlDocument<char>>> documents;
};

SparePool s_pool;

} // namespace

SpareDocument::SpareDocument()
{
    {
        std::lock_guard<std::mutex> lock(s_pool.mutex);
        if (!s_pool.documents.empty()) {
            m_document = std::move(s_pool.documents.back());
            s_pool.documents.pop_back();
        }
    }
    if (!m_document) {
        m_document.reset(new XmlDocument<char>);
    }
}

SpareDocument::~SpareDocument()
{
    m_document->clear();
    std::lock_guard<std::mutex> lock(s_pool.mutex);
    if (s_pool.documents.size() < static_cast<std::size_t>(s_maxSpares)) {
        s_pool.documents.push_back(std::move(m_document));
    }
}

} // namespace detail
} // namespace zvrtkDorsaServiceLayer
