#include "dorsa/xml/SpareDocumentsPrivate.h"

#include <vector>

namespace zvrtkDorsaServiceLayer {
namespace detail {

namespace {

std::vector<std::unique_ptr<XmlDocument<char>>>& Spares()
{
    thread_local std::vector<std::unique_ptr<XmlDocument<char>>> t_spares;
    return t_spares;
}

} // namespace

SpareDocument::SpareDocument()
{
    std::vector<std::unique_ptr<XmlDocument<char>>>& spares = Spares();
    if (spares.empty()) {
        m_document.reset(new XmlDocument<char>);
    } else {
        m_document = std::move(spares.back());
        spares.pop_back();
    }
}

SpareDocument::~SpareDocument()
{
    m_document->clear();
    std::vector<std::unique_ptr<XmlDocument<char>>>& spares = Spares();
    if (spares.size() < static_cast<std::size_t>(s_maxSpares)) {
        spares.push_back(std::move(m_document));
    }
}

} // namespace detail
} // namespace zvrtkDorsaServiceLayer
