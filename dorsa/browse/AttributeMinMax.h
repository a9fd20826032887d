/**
 * @file
 * @brief The GetAttributeMinMax family: the smallest and largest value of numeric attributes.
 *
 * Holds MinMaxValue, AttributeMinMax, GetAttributeMinMaxRequest, GetAttributeMinMaxResponse and
 * GetAttributeMinMaxImpl.
 */
#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/browse/AttributeReferencesRequest.h"
#include "dorsa/browse/UnitDetails.h"
#include "dorsa/pipeline/ResponseBase.h"
#include "dorsa/services/ServiceCatalogue.h"
#include "dorsa/xml/XmlReadable.h"

#include <string>
#include <vector>

namespace zvrtkDorsaServiceLayer {

/// @brief The smallest or largest stored value of an attribute: a date, a number or not-a-number.
class DORSA_EXPORT MinMaxValue final : public SmartPtrTarget_ts {
public:
    enum eType : int {
        Nothing = -1,
        Date = 0,
        Double = 1,
        Integer = 2,
        NotANumber = 3,
    };

    MinMaxValue() = default;
    /// @brief Null for a null element and for an element holding none of "date", "double", "integer".
    static SmartPtr<MinMaxValue> CreateOne(const XmlNode<char>* node);

    eType GetType() const { return m_type; }
    std::string GetDateTime() const { return m_dateTime; }
    double GetDouble() const { return m_doubleValue; }
    int GetInteger() const { return m_integerValue; }

private:
    explicit MinMaxValue(const XmlNode<char>* node);

    eType m_type = Nothing;
    std::string m_dateTime;
    double m_doubleValue = 0.0;
    int m_integerValue = 0;
};

/// @brief The range of the values stored in one attribute.
class DORSA_EXPORT AttributeMinMax final : public SmartPtrTarget_ts, public XmlReadable<AttributeMinMax> {
public:
    AttributeMinMax() = default;

    std::string GetUnits() const { return m_units; }
    SmartPtr<AttributeReference> GetAttributeReference() const { return m_attributeReference; }
    SmartPtr<MinMaxValue> GetMinValue() const { return m_minValue; }
    SmartPtr<MinMaxValue> GetMaxValue() const { return m_maxValue; }

private:
    friend XmlReadable<AttributeMinMax>;
    explicit AttributeMinMax(const XmlNode<char>* node);

    std::string m_units;
    SmartPtr<AttributeReference> m_attributeReference;
    SmartPtr<MinMaxValue> m_minValue;
    SmartPtr<MinMaxValue> m_maxValue;
};

/// @brief Asks for the smallest and largest stored values of attributes, optionally in a unit system.
class DORSA_EXPORT GetAttributeMinMaxRequest final : public AttributeReferencesRequest {
public:
    SmartPtr<UnitConversionContext> GetUnitConversionContext() const { return m_unitConversionContext; }
    void SetUnitConversionContext(const SmartPtr<UnitConversionContext>& context) { m_unitConversionContext = context; }

    void CreateXMLNode(XmlNode<char>* element) const override;

private:
    SmartPtr<UnitConversionContext> m_unitConversionContext;
};

/// @brief The value ranges of the attributes asked for.
class DORSA_EXPORT GetAttributeMinMaxResponse final : public ResponseBase,
                                                      public XmlReadable<GetAttributeMinMaxResponse> {
public:
    GetAttributeMinMaxResponse() = default;

    std::vector<SmartPtr<AttributeMinMax>>& AccessAttributeMinMaxes() { return m_attributeMinMaxes; }
    void AddAttributeMinMax(const SmartPtr<AttributeMinMax>& minMax) { m_attributeMinMaxes.push_back(minMax); }

private:
    friend XmlReadable<GetAttributeMinMaxResponse>;
    explicit GetAttributeMinMaxResponse(const XmlNode<char>* node);

    std::vector<SmartPtr<AttributeMinMax>> m_attributeMinMaxes;
};

/// @brief Fetches the value ranges of attributes.
class DORSA_EXPORT GetAttributeMinMaxImpl final
    : public OperationImpl<Catalogue::GetAttributeMinMax, GetAttributeMinMaxRequest, GetAttributeMinMaxResponse> {
public:
    using OperationImpl::OperationImpl;

    void RequestAttributeMinMax(SmartPtr<GetAttributeMinMaxRequest> request, GetAttributeMinMaxResponse* response)
    {
        ExecuteRequest(request, response);
    }
};

} // namespace zvrtkDorsaServiceLayer
