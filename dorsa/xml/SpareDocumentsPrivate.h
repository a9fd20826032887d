#pragma once

#include "dorsa/xml/XmlDom.h"

#include <memory>

namespace zvrtkDorsaServiceLayer {
namespace detail {

// A document for one task, taken from the process's spares and given back cleared.
// A document carries a 64 KiB pool of its own: making and freeing one for every parse
// and every request costs more than a small call's whole XML work. The process keeps at
// most s_maxSpares, with only their fixed pools (a call uses two at once, so eight
// concurrent calls find theirs); larger pools are freed on return.
class SpareDocument final {
public:
    static constexpr int s_maxSpares = 16;

    SpareDocument();
    ~SpareDocument();
    SpareDocument(const SpareDocument&) = delete;
    SpareDocument& operator=(const SpareDocument&) = delete;

    XmlDocument<char>& operator*() const { return *m_document; }
    XmlDocument<char>* operator->() const { return m_document.get(); }
    XmlDocument<char>* get() const { return m_document.get(); }

private:
    std::unique_ptr<XmlDocument<char>> m_document;
};

} // namespace detail
} // namespace zvrtkDorsaServiceLayer
