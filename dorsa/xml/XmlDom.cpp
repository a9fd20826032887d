#include "dorsa/xml/XmlDom.h"

// RapidXML, built without exceptions, reports every parse error and pool exhaustion here.
// Exported for hosts that parse through XmlDom.h; the library's own parses call it
// directly (the library links with -Bsymbolic-functions), even when a host defines a
// handler of its own.
void rapidxml::parse_error_handler(const char* what, void* where)
{
    zvrtkDorsaServiceLayer::XmlErrorHandler(what, where);
}
