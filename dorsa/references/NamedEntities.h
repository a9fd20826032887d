/**
 * @file
 * @brief Attributes, records and subsets together with their display names.
 *
 * Holds NamedAttribute, NamedRecord and NamedSubset.
 */
#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/references/AttributeReference.h"
#include "dorsa/references/RecordReference.h"
#include "dorsa/references/SubsetReference.h"
#include "dorsa/xml/XmlReadable.h"

#include <string>

namespace zvrtkDorsaServiceLayer {

/// An attribute with its display name; a meta-attribute also knows the attribute it describes.
class DORSA_EXPORT NamedAttribute : public SmartPtrTarget_ts, public XmlReadable<NamedAttribute> {
public:
    NamedAttribute() = default;

    SmartPtr<AttributeReference> GetAttribute() const { return m_attribute; }
    void SetAttribute(const SmartPtr<AttributeReference>& attribute) { m_attribute = attribute; }
    std::string GetName() const { return m_name; }
    void SetName(const std::string& name) { m_name = name; }
    bool IsMeta() const { return m_isMeta; }
    SmartPtr<NamedAttribute> GetMetaAboutAttribute() const { return m_metaAbout; }

    /// "zbt:attribute" (always, filled when set) and "zbt:name".
    void CreateXMLNode(XmlNode<char>* parent) const;

protected:
    friend XmlReadable<NamedAttribute>;
    explicit NamedAttribute(const XmlNode<char>* node);

private:
    SmartPtr<AttributeReference> m_attribute;
    std::string m_name;
    SmartPtr<NamedAttribute> m_metaAbout;
    bool m_isMeta = false;
};

/// A record with its short and full names. Never written.
class DORSA_EXPORT NamedRecord : public SmartPtrTarget_ts, public XmlReadable<NamedRecord> {
public:
    NamedRecord() = default;

    std::string GetShortName() const { return m_shortName; }
    std::string GetLongName() const { return m_longName; }
    /// Never null: an empty reference when the reply gave none.
    SmartPtr<RecordReference> GetRecordReference() const { return m_recordReference; }

protected:
    friend XmlReadable<NamedRecord>;
    explicit NamedRecord(const XmlNode<char>* node);

private:
    std::string m_shortName;
    std::string m_longName;
    SmartPtr<RecordReference> m_recordReference = new RecordReference;
};

/// A subset with its display name.
class DORSA_EXPORT NamedSubset : public SmartPtrTarget_ts, public XmlReadable<NamedSubset> {
public:
    NamedSubset() = default;

    SmartPtr<SubsetReference> GetSubset() const { return m_subset; }
    void SetSubset(const SmartPtr<SubsetReference>& subset) { m_subset = subset; }
    std::string GetName() const { return m_name; }
    void SetName(const std::string& name) { m_name = name; }

    /// The name form of a subset reference: the subset's key and table with this object's name.
    void CreateXMLNode(XmlNode<char>* parent) const;

protected:
    friend XmlReadable<NamedSubset>;
    explicit NamedSubset(const XmlNode<char>* node);

private:
    SmartPtr<SubsetReference> m_subset;
    std::string m_name;
};

} // namespace zvrtkDorsaServiceLayer
