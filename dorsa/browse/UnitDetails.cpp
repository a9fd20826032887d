#include "dorsa/browse/UnitDetails.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {

UnitConversionContext::UnitConversionContext(const XmlNode<char>* node)
{
    ReadText(node, m_unitSystem, "unitSystem");
    ReadText(node, m_currency, "currency");
    if (FindChildElement("absoluteUnits", node)) {
        ReadBool(node, m_absoluteUnits, "absoluteUnits");
        m_absoluteUnitsSet = true;
    }
}

void UnitConversionContext::SetAbsoluteUnits(bool absolute)
{
    m_absoluteUnits = absolute;
    m_absoluteUnitsSet = true;
}

void UnitConversionContext::CreateXMLNode(XmlNode<char>* parent) const
{
    XmlDocument<char>* document = GetOwnerDocument(parent);
    if (!m_unitSystem.empty()) {
        WriteText(parent, document, "zbt:unitSystem", m_unitSystem);
    }
    if (!m_currency.empty()) {
        WriteText(parent, document, "zbt:currency", m_currency);
    }
    if (m_absoluteUnitsSet) {
        WriteText(parent, document, "zbt:absoluteUnits", BoolToString(m_absoluteUnits));
    }
}

UnitInformation::UnitInformation(const XmlNode<char>* node)
{
    ReadText(node, m_unitName, "UnitName");
    ReadText(node, m_unitSymbol, "UnitSymbol");
}

void UnitInformation::CreateXMLNode(XmlNode<char>* parent) const
{
    XmlDocument<char>* document = GetOwnerDocument(parent);
    if (!m_unitName.empty()) {
        WriteText(parent, document, "zbt:UnitName", m_unitName);
    }
    if (!m_unitSymbol.empty()) {
        WriteText(parent, document, "zbt:UnitSymbol", m_unitSymbol);
    }
}

CurrencyDetail::CurrencyDetail(const XmlNode<char>* node)
{
    ReadText(node, m_code, "code");
    ReadText(node, m_name, "name");
    ReadDouble(node, m_factor, "factor");
}

UnitConversion::UnitConversion(const XmlNode<char>* node)
{
    ReadObject(node, "UnitConversionContext", m_unitSystem);
    ReadConversions(FindChildElement("Conversions", node), nullptr, m_conversions);
}

void UnitConversion::ReadConversions(const XmlNode<char>* parent, const std::string* sourceSymbol,
                                     std::vector<Conversion>& out)
{
    for (const XmlNode<char>* element : FindChildElements("Conversion", parent)) {
        const XmlAttribute<char>* target = FindAttribute("targetSymbol", element);
        const XmlAttribute<char>* source = FindAttribute("sourceSymbol", element);
        if (!target || (!sourceSymbol && !source)) {
            continue;
        }
        Conversion conversion;
        conversion.sourceSymbol = sourceSymbol ? *sourceSymbol : GetText(source);
        conversion.targetSymbol = GetText(target);
        ReadDouble(element, conversion.factor, "Factor");
        ReadDouble(element, conversion.offset, "Offset");
        out.push_back(conversion);
    }
}

} // namespace zvrtkDorsaServiceLayer
