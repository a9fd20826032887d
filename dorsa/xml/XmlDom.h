#pragma once

// The one way into RapidXML for the library. The library's own sources include this
// header before anything else, so every one of them sees the same configuration: no
// exceptions, parse errors reported to rapidxml::parse_error_handler, which the library
// defines and exports (it throws XmlParseError, see XmlErrorHandler.h).
//
// A host may include RapidXML itself before the library's headers, configured as it
// likes (with exceptions or with a handler of its own): its parses then follow its own
// configuration, and the library's parses stay with the library's handler, which binds
// inside the library. A host that reaches RapidXML through this header gets the
// library's configuration and handler.

#include "dorsa/DorsaExport.h"
#include "dorsa/platform/XmlErrorHandler.h"

#if defined(RAPIDXML_HPP_INCLUDED)
#if defined(DorsaServiceLayer_EXPORTS) && !defined(RAPIDXML_NO_EXCEPTIONS)
#error "The library's sources include dorsa/xml/XmlDom.h before RapidXML"
#endif
#else
#ifndef RAPIDXML_NO_EXCEPTIONS
#define RAPIDXML_NO_EXCEPTIONS
#endif
namespace rapidxml {
/// Declared ahead of RapidXML's own declaration so that the library's definition is exported.
DORSA_EXPORT void parse_error_handler(const char* what, void* where);
} // namespace rapidxml
#include <rapidxml/rapidxml.hpp>
#endif

// Documents pass between host and library, so both must agree on their layout.
#if RAPIDXML_STATIC_POOL_SIZE != (64 * 1024)
#error "The library is built with RapidXML's default RAPIDXML_STATIC_POOL_SIZE; a host must not change it"
#endif

namespace zvrtkDorsaServiceLayer {

template <class Ch>
using XmlDocument = rapidxml::xml_document<Ch>;
template <class Ch>
using XmlNode = rapidxml::xml_node<Ch>;
template <class Ch>
using XmlAttribute = rapidxml::xml_attribute<Ch>;

} // namespace zvrtkDorsaServiceLayer
