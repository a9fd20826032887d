#pragma once

// The one way into RapidXML: every translation unit sees the same configuration.
// Parse errors go to XmlErrorHandler instead of RapidXML's own exceptions.

#if defined(RAPIDXML_HPP_INCLUDED) && !defined(RAPIDXML_NO_EXCEPTIONS)
#error "Include RapidXML only through dorsa/xml/XmlDom.h"
#endif

#ifndef RAPIDXML_NO_EXCEPTIONS
#define RAPIDXML_NO_EXCEPTIONS
#endif

#include "dorsa/platform/XmlErrorHandler.h"

#include <rapidxml/rapidxml.hpp>

namespace zvrtkDorsaServiceLayer {

template <class Ch>
using XmlDocument = rapidxml::xml_document<Ch>;
template <class Ch>
using XmlNode = rapidxml::xml_node<Ch>;
template <class Ch>
using XmlAttribute = rapidxml::xml_attribute<Ch>;

} // namespace zvrtkDorsaServiceLayer
