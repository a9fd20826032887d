#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/references/AttributeIdentifier.h"
#include "dorsa/values/DataValue.h"
#include "dorsa/xml/XmlReadable.h"

#include <string>

namespace zvrtkDorsaServiceLayer {

/// @brief One attribute of a record with its value, whatever the value's type.
class DORSA_EXPORT AttributeValue final : public AttributeIdentifier, public XmlReadable<AttributeValue> {
public:
    static constexpr const char* s_unsupportedDataType = "UNSUPPORTED DATA TYPE";

    /// Element names an attribute's value arrives under; filled at start-up.
    static ContainedDataValueFactory* s_factory;
    /// A second call before StaticShutdown does nothing.
    static void StaticInit();
    static void StaticShutdown();
    static void RegisterTypes();

    AttributeValue() = default;
    using XmlReadable<AttributeValue>::CreateOne;

    /// The type code of the value, or "UNSUPPORTED DATA TYPE" when none was recognised.
    std::string GetDataType() const { return m_dataType; }
    SmartPtr<IDataValue> GetDataValue() const { return m_dataValue; }
    void SetDataValue(IDataValue* value) { m_dataValue = value; }

private:
    friend XmlReadable<AttributeValue>;
    explicit AttributeValue(const XmlNode<char>* node);

    std::string m_dataType = s_unsupportedDataType;
    SmartPtr<IDataValue> m_dataValue;
};

} // namespace zvrtkDorsaServiceLayer
