#include "dorsa/xml/XmlDom.h"

// RapidXML, built without exceptions, reports every parse error and pool exhaustion here.
void rapidxml::parse_error_handler(const char* what, void* where)
{
    zvrtkDorsaServiceLayer::XmlErrorHandler(what, where);
}
