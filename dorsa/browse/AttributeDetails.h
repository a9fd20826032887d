/**
 * @file
 * @brief The GetAttributeDetails family: what an attribute is (type, unit, help, tabular columns).
 *
 * Holds HelpInfo, TabularColumnDetail, AttributeDetail, GetAttributeDetailsResponse and
 * GetAttributeDetailsImpl.
 */
#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/browse/AttributeReferencesRequest.h"
#include "dorsa/pipeline/ResponseBase.h"
#include "dorsa/references/NamedEntities.h"
#include "dorsa/references/RevisionInfo.h"
#include "dorsa/services/ServiceCatalogue.h"
#include "dorsa/values/TabularData.h"
#include "dorsa/xml/XmlReadable.h"

#include <string>
#include <unordered_set>
#include <vector>

namespace zvrtkDorsaServiceLayer {

/// @brief Where the help text of an attribute or parameter is.
class DORSA_EXPORT HelpInfo final : public SmartPtrTarget_ts, public XmlReadable<HelpInfo> {
public:
    HelpInfo() = default;

    std::string GetHelpURI() const { return m_helpURI; }
    bool GetDatabaseHelp() const { return m_databaseHelp; }

private:
    friend XmlReadable<HelpInfo>;
    explicit HelpInfo(const XmlNode<char>* node);

    std::string m_helpURI;
    bool m_databaseHelp = false;
};

/// @brief One column of a tabular attribute; its kind is the element's local name.
class DORSA_EXPORT TabularColumnDetail final : public SmartPtrTarget_ts, public XmlReadable<TabularColumnDetail> {
public:
    TabularColumnDetail() = default;

    std::string GetName() const { return m_name; }
    TabularColumn::eColType GetType() const { return m_type; }
    SmartPtr<RevisionInfo> GetRevisionInfo() const { return m_revisionInfo; }
    std::string GetDataType() const { return m_dataType; }
    std::string GetDatabaseUnit() const { return m_databaseUnit; }
    const std::vector<std::string>& GetDiscreteValues() const { return m_discreteValues; }

private:
    friend XmlReadable<TabularColumnDetail>;
    explicit TabularColumnDetail(const XmlNode<char>* node);

    std::string m_name;
    TabularColumn::eColType m_type = TabularColumn::Unrecognised;
    SmartPtr<RevisionInfo> m_revisionInfo;
    std::string m_dataType;
    std::string m_databaseUnit;
    std::vector<std::string> m_discreteValues;
};

/// @brief What an attribute is: its data type, unit, discrete values, columns and flags.
class DORSA_EXPORT AttributeDetail final : public NamedAttribute, public XmlReadable<AttributeDetail> {
public:
    AttributeDetail() = default;
    using XmlReadable<AttributeDetail>::CreateOne; ///< hides the base's

    /// @brief The column kinds read from "columns"; others are skipped. Filled by StaticInit.
    static std::unordered_set<std::string> s_supportedColumns;
    /// @brief Library start-up; a second call changes nothing.
    static void StaticInit();

    int GetIdentity() const { return m_identity; }
    std::string GetType() const { return m_type; }
    void SetType(const std::string& type) { m_type = type; }
    SmartPtr<RevisionInfo> GetRevisionInfo() const { return m_revisionInfo; }
    SmartPtr<HelpInfo> GetHelpInfo() const { return m_helpInfo; }
    std::string GetDatabaseUnit() const { return m_databaseUnit; }
    std::string GetDefaultThreshold() const { return m_defaultThreshold; }
    std::vector<std::string>& AccessDiscreteValues() { return m_discreteValues; }
    int GetOrder() const { return m_order; }
    bool IsSearchable() const { return m_isSearchable; }
    bool IsMultiValued() const { return m_isMultiValued; }
    bool GetChartable() const { return m_isChartable; }
    std::string GetAxisName() const { return m_axisName; }
    const std::vector<SmartPtr<TabularColumnDetail>>& GetColumns() const { return m_columns; }

    /// @brief The named attribute's content, then "zbt:type".
    void CreateXMLNode(XmlNode<char>* parent) const;

private:
    friend XmlReadable<AttributeDetail>;
    explicit AttributeDetail(const XmlNode<char>* node);

    int m_identity = 0;
    std::string m_type;
    SmartPtr<RevisionInfo> m_revisionInfo;
    SmartPtr<HelpInfo> m_helpInfo;
    std::string m_databaseUnit;
    std::string m_defaultThreshold;
    std::vector<std::string> m_discreteValues;
    int m_order = 0;
    bool m_isSearchable = false;
    bool m_isMultiValued = false;
    bool m_isChartable = false;
    std::string m_axisName;
    std::vector<SmartPtr<TabularColumnDetail>> m_columns;
};

/// @brief Asks for the details of attributes.
class DORSA_EXPORT GetAttributeDetailsRequest final : public AttributeReferencesRequest {};

/// @brief The details of the attributes asked for.
class DORSA_EXPORT GetAttributeDetailsResponse final : public ResponseBase,
                                                       public XmlReadable<GetAttributeDetailsResponse> {
public:
    GetAttributeDetailsResponse() = default;

    std::vector<SmartPtr<AttributeDetail>>& AccessAttributeDetails() { return m_attributeDetails; }
    void AddAttributeDetails(const SmartPtr<AttributeDetail>& detail) { m_attributeDetails.push_back(detail); }

private:
    friend XmlReadable<GetAttributeDetailsResponse>;
    explicit GetAttributeDetailsResponse(const XmlNode<char>* node);

    std::vector<SmartPtr<AttributeDetail>> m_attributeDetails;
};

/// @brief Fetches attribute details.
class DORSA_EXPORT GetAttributeDetailsImpl final
    : public OperationImpl<Catalogue::GetAttributeDetails, GetAttributeDetailsRequest, GetAttributeDetailsResponse> {
public:
    using OperationImpl::OperationImpl;

    void RequestAttributeDetails(SmartPtr<GetAttributeDetailsRequest> request, GetAttributeDetailsResponse* response)
    {
        ExecuteRequest(request, response);
    }
};

} // namespace zvrtkDorsaServiceLayer
