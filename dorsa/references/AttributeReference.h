#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/references/DorsaEntityReference.h"
#include "dorsa/references/TableReference.h"
#include "dorsa/xml/XmlReadable.h"

#include <string>
#include <string_view>

namespace zvrtkDorsaServiceLayer {

/**
 * @brief An attribute of a database, by identity or by name, as requests name it.
 *
 * Set the database key (SetDBKey), then either the attribute identity (SetAttributeID) or
 * its name (SetName) with the table that holds it (SetPartialTableReference): names are
 * unique within a table only. A standard name (SetIsStandardName) is unique across the
 * database and needs no table. The identity wins when both are set.
 *
 * A pseudo attribute (MakePseudoAttribute, PseudoAttrs) names a record property, such as
 * its name, release date or version state, which is then asked for and answered like an
 * attribute value.
 */
class DORSA_EXPORT AttributeReference : public DorsaEntityReference, public XmlReadable<AttributeReference> {
public:
    /// Scope of the pseudo attributes: record properties (name, dates, type, ...) asked
    /// for like attributes, written as "[name]" where an attribute name goes.
    struct PseudoAttrs {
        enum eDorsaPseudoAttributeReference : int {
            name = 0,
            shortName,
            subsets,
            releasedDate,
            modifiedDate,
            recordType,
            recordHistoryIdentity,
            recordColor,
            linkedRecords,
            versionState,
            recordGUID,
            recordHistoryGUID,
            recordVersionNumber,
            tableName,
            childRecords,
            tableFilters,
            writable,
            parentName,
            parentShortName,
            parentRecordHistoryIdentity,
            parentRecordHistoryGUID,
        };
    };

    AttributeReference() = default;

    int GetAttributeID() const { return m_attributeID; }
    void SetAttributeID(int id) { m_attributeID = id; }
    std::string GetName() const { return m_name; }
    void SetName(const std::string& name) { m_name = name; }
    SmartPtr<PartialTableReference> GetPartialTableReference() const { return m_partialTable; }
    void SetPartialTableReference(const SmartPtr<PartialTableReference>& table) { m_partialTable = table; }
    bool GetIsStandardName() const { return m_isStandardName; }
    void SetIsStandardName(bool isStandard) { m_isStandardName = isStandard; }

    /// Turns this reference into the pseudo attribute `value`; values past the last do nothing.
    void MakePseudoAttribute(int value);
    /// Whether `text` is "[name]" for one of the first twenty pseudo attributes; stores its value in `index`.
    static bool IsPseudoAttributeName(std::string_view text, int* index);

    void CreateXMLNode(XmlNode<char>* parent) const;

protected:
    friend XmlReadable<AttributeReference>;
    explicit AttributeReference(const XmlNode<char>* node);

private:
    int m_attributeID = 0;
    std::string m_name;
    SmartPtr<PartialTableReference> m_partialTable;
    bool m_isStandardName = false;
    bool m_isPseudo = false;
};

} // namespace zvrtkDorsaServiceLayer
