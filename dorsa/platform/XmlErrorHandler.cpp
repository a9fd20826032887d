#include "dorsa/platform/XmlErrorHandler.h"

namespace zvrtkDorsaServiceLayer {

void XmlErrorHandler(const char* what, void* where)
{
    throw XmlParseError(what, where);
}

} // namespace zvrtkDorsaServiceLayer
