/**
 * @file
 * @brief The GetAttributeParameters and GetParameterDetails families: what the parameters of functional attributes are.
 *
 * Holds ParameterDetail, ParameterDetailsReply, GetAttributeParametersResponse,
 * GetAttributeParametersImpl, GetParameterDetailsRequest, GetParameterDetailsResponse and
 * GetParameterDetailsImpl.
 */
#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/browse/AttributeDetails.h"
#include "dorsa/references/ParameterReference.h"
#include "dorsa/references/RecordReference.h"
#include "dorsa/values/Parameters.h"

#include <vector>

namespace zvrtkDorsaServiceLayer {

/// @brief What a parameter of a functional attribute is: its scale, interpolation, kind and values.
class DORSA_EXPORT ParameterDetail final : public ParameterInformation, public XmlReadable<ParameterDetail> {
public:
    /// How the parameter's axis is scaled.
    struct ScaleType {
        enum eScaleType : int { NotSet = 0, Linear = 1, Log = 2 };
    };
    /// How values between the parameter's known points are found.
    struct Interpolation {
        enum eInterpolation : int { None = 0, Linear = 1, CubicSpline = 2 };
    };
    /// Whether the parameter takes any number, numbers from a list, or named choices.
    struct ParameterType {
        enum eParameterType : int { NumericUnrestricted = 0, NumericRestricted = 1, Discrete = 2 };
    };

    ParameterDetail() = default;
    using XmlReadable<ParameterDetail>::CreateOne; ///< hides the base's

    /// @brief Library start-up: fills the three text maps; a second call changes nothing.
    /// Until then every text reads as 0.
    static void StaticInit();

    SmartPtr<DorsaParameterValue> GetDefaultValue() const { return m_defaultValue; }
    ScaleType::eScaleType GetScaleType() const { return m_scaleType; }
    Interpolation::eInterpolation GetInterpolationType() const { return m_interpolationType; }
    ParameterType::eParameterType GetParameterType() const { return m_parameterType; }
    SmartPtr<RevisionInfo> GetRevisionInfo() const { return m_revisionInfo; }
    SmartPtr<HelpInfo> GetHelpInfo() const { return m_helpInfo; }
    const std::vector<SmartPtr<DorsaParameterValue>>& GetParameterValues() const { return m_parameterValues; }
    SmartPtr<AttributeReference> GetAppliesToAttribute() const { return m_appliesToAttribute; }
    SmartPtr<RecordReference> GetAppliesToRecord() const { return m_appliesToRecord; }
    int GetOrder() const { return m_order; }

    /// @brief Parameter details are never sent: writes nothing.
    void CreateXMLNode(XmlNode<char>* node) const;

private:
    friend XmlReadable<ParameterDetail>;
    explicit ParameterDetail(const XmlNode<char>* node);

    SmartPtr<DorsaParameterValue> m_defaultValue;
    ScaleType::eScaleType m_scaleType = ScaleType::NotSet;
    Interpolation::eInterpolation m_interpolationType = Interpolation::None;
    ParameterType::eParameterType m_parameterType = ParameterType::NumericUnrestricted;
    SmartPtr<RevisionInfo> m_revisionInfo;
    SmartPtr<HelpInfo> m_helpInfo;
    std::vector<SmartPtr<DorsaParameterValue>> m_parameterValues;
    SmartPtr<AttributeReference> m_appliesToAttribute;
    SmartPtr<RecordReference> m_appliesToRecord;
    int m_order = 0;
};

/// @brief Replies listing parameter details: "parameterDetails" with one "parameterDetail" each.
class DORSA_EXPORT ParameterDetailsReply : public ResponseBase {
public:
    std::vector<SmartPtr<ParameterDetail>>& AccessAttributeParameters() { return m_attributeParameters; }

protected:
    ParameterDetailsReply() = default;
    explicit ParameterDetailsReply(const XmlNode<char>* node);

private:
    std::vector<SmartPtr<ParameterDetail>> m_attributeParameters;
};

/// @brief Asks for the parameters that functional attributes depend on.
class DORSA_EXPORT GetAttributeParametersRequest final : public AttributeReferencesRequest {};

/// @brief The parameters of the attributes asked for.
class DORSA_EXPORT GetAttributeParametersResponse final : public ParameterDetailsReply,
                                                          public XmlReadable<GetAttributeParametersResponse> {
public:
    GetAttributeParametersResponse() = default;

private:
    friend XmlReadable<GetAttributeParametersResponse>;
    explicit GetAttributeParametersResponse(const XmlNode<char>* node) : ParameterDetailsReply(node) {}
};

/// @brief Fetches the parameters of functional attributes.
class DORSA_EXPORT GetAttributeParametersImpl final
    : public OperationImpl<Catalogue::GetAttributeParameters, GetAttributeParametersRequest,
                           GetAttributeParametersResponse> {
public:
    using OperationImpl::OperationImpl;

    void GetAttributeParameters(SmartPtr<GetAttributeParametersRequest> request, GetAttributeParametersResponse* response)
    {
        ExecuteRequest(request, response);
    }
};

/// @brief Asks for the details of parameters, optionally as one attribute of one record uses them.
class DORSA_EXPORT GetParameterDetailsRequest final : public IRequest {
public:
    std::vector<SmartPtr<ParameterReference>>& AccessParameterReferences() { return m_parameterReferences; }
    void AddParameterReference(const SmartPtr<ParameterReference>& reference) { m_parameterReferences.push_back(reference); }
    void SetParameterReferences(const std::vector<SmartPtr<ParameterReference>>& references)
    {
        m_parameterReferences = references;
    }
    SmartPtr<AttributeReference> GetFunctionalAttribute() const { return m_functionalAttribute; }
    void SetFunctionalAttribute(const SmartPtr<AttributeReference>& attribute) { m_functionalAttribute = attribute; }
    SmartPtr<RecordReference> GetRecordReference() const { return m_recordReference; }
    void SetRecordReference(const SmartPtr<RecordReference>& record) { m_recordReference = record; }

    void CreateXMLNode(XmlNode<char>* element) const override;

private:
    std::vector<SmartPtr<ParameterReference>> m_parameterReferences;
    SmartPtr<AttributeReference> m_functionalAttribute;
    SmartPtr<RecordReference> m_recordReference;
};

/// @brief The details of the parameters asked for.
class DORSA_EXPORT GetParameterDetailsResponse final : public ParameterDetailsReply,
                                                       public XmlReadable<GetParameterDetailsResponse> {
public:
    GetParameterDetailsResponse() = default;

private:
    friend XmlReadable<GetParameterDetailsResponse>;
    explicit GetParameterDetailsResponse(const XmlNode<char>* node) : ParameterDetailsReply(node) {}
};

/// @brief Fetches parameter details.
class DORSA_EXPORT GetParameterDetailsImpl final
    : public OperationImpl<Catalogue::GetParameterDetails, GetParameterDetailsRequest, GetParameterDetailsResponse> {
public:
    using OperationImpl::OperationImpl;

    void GetParameterDetails(SmartPtr<GetParameterDetailsRequest> request, GetParameterDetailsResponse* response)
    {
        ExecuteRequest(request, response);
    }
};

} // namespace zvrtkDorsaServiceLayer
