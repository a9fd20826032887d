#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/platform/SmartPtr.h"
#include "dorsa/xml/XmlDom.h"

namespace zvrtkDorsaServiceLayer {

/// @brief A request object: writes its content into the operation element of the SOAP body.
class DORSA_EXPORT IRequest : public SmartPtrTarget_ts {
public:
    ~IRequest() override = default;
    virtual void CreateXMLNode(XmlNode<char>* element) const = 0;
};

/// The request type of operations that send no request object. Never defined: no
/// object of it exists.
class EmptyRequest;

} // namespace zvrtkDorsaServiceLayer
