#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/references/DorsaEntityReference.h"
#include "dorsa/references/TableReference.h"
#include "dorsa/xml/XmlReadable.h"

#include <string>

namespace zvrtkDorsaServiceLayer {

/// A subset, by identity or by name within a table. A new reference already holds an
/// empty table that the caller may fill in place.
class DORSA_EXPORT SubsetReference : public DorsaEntityReference, public XmlReadable<SubsetReference> {
public:
    SubsetReference() = default;

    int GetSubsetIdentity() const { return m_subsetIdentity; }
    void SetSubsetIdentity(int identity) { m_subsetIdentity = identity; }
    std::string GetName() const { return m_name; }
    void SetName(const std::string& name) { m_name = name; }
    SmartPtr<PartialTableReference> GetPartialTableReference() const { return m_partialTable; }
    void SetPartialTableReference(const SmartPtr<PartialTableReference>& table) { m_partialTable = table; }

    void CreateXMLNode(XmlNode<char>* parent) const;

protected:
    friend XmlReadable<SubsetReference>;
    explicit SubsetReference(const XmlNode<char>* node);

private:
    std::string m_name;
    int m_subsetIdentity = 0;
    SmartPtr<PartialTableReference> m_partialTable = new PartialTableReference;
};

} // namespace zvrtkDorsaServiceLayer
