#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/references/DorsaEntityReference.h"
#include "dorsa/xml/XmlReadable.h"

#include <string>

namespace zvrtkDorsaServiceLayer {

/// A parameter, by identity or by name.
class DORSA_EXPORT ParameterReference : public DorsaEntityReference, public XmlReadable<ParameterReference> {
public:
    ParameterReference() = default;

    int GetID() const { return m_id; }
    void SetID(int id) { m_id = id; }
    std::string GetName() const { return m_name; }
    void SetName(const std::string& name) { m_name = name; }

    void CreateXMLNode(XmlNode<char>* parent) const;

protected:
    friend XmlReadable<ParameterReference>;
    explicit ParameterReference(const XmlNode<char>* node);

private:
    int m_id = 0;
    std::string m_name;
};

} // namespace zvrtkDorsaServiceLayer
