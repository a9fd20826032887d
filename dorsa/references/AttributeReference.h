#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/references/DorsaEntityReference.h"
#include "dorsa/references/TableReference.h"
#include "dorsa/xml/XmlReadable.h"

#include <string>

namespace zvrtkDorsaServiceLayer {

// An attribute, by identity or by name (within a table, unless the name is a standard
// name). A pseudo attribute names a record property that is asked for like an attribute.
class DORSA_EXPORT AttributeReference : public DorsaEntityReference, public XmlReadable<AttributeReference> {
public:
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

    // Turns this reference into the pseudo attribute `value`; values past the last do nothing.
    void MakePseudoAttribute(int value);
    // Whether `text` is "[name]" for one of the first twenty pseudo attributes; stores its value in `index`.
    static bool IsPseudoAttributeName(const std::string& text, int* index);

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
