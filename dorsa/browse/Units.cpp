#include "dorsa/browse/Units.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {

void GetUnits::CreateXMLNode(XmlNode<char>* element) const
{
    WriteText(element, GetOwnerDocument(element), "brow:dbKey", m_dbKey);
}

GetUnitsResponse::GetUnitsResponse(const XmlNode<char>* node)
{
    for (const XmlNode<char>* database : FindChildElements("Database", FindChildElement("Databases", node))) {
        const XmlNode<char>* key = FindChildElement("dbKey", database);
        if (!key) {
            continue;
        }
        std::vector<Unit>& units = m_unitsByDatabase[GetText(key)];
        for (const XmlNode<char>* unit : FindChildElements("Unit", FindChildElement("Units", database))) {
            const XmlAttribute<char>* symbol = FindAttribute("symbol", unit);
            const XmlAttribute<char>* hasCurrency = FindAttribute("hasCurrency", unit);
            if (symbol && hasCurrency) {
                units.emplace_back(GetText(symbol), StringToBool(GetText(hasCurrency)));
            }
        }
    }
}

void GetUnitSystems::CreateXMLNode(XmlNode<char>* element) const
{
    XmlDocument<char>* document = GetOwnerDocument(element);
    WriteText(element, document, "brow:dbKey", m_dbKey);
    WriteText(element, document, "brow:excludeCurrencies", BoolToString(m_excludeCurrencies));
}

GetUnitSystemsResponse::GetUnitSystemsResponse(const XmlNode<char>* node)
{
    ReadText(node, m_dbKey, "dbKey");
    ReadTextList(node, "unitSystems", "unitSystem", m_unitSystems);
    ReadObjectList(node, "currencies", "currency", m_currencies);
}

GetCurrenciesResponse::GetCurrenciesResponse(const XmlNode<char>* node)
{
    ReadObjectList(node, "currency", m_currencies);
}

void GetUnitConversions::CreateXMLNode(XmlNode<char>* element) const
{
    XmlDocument<char>* document = GetOwnerDocument(element);
    WriteText(element, document, "brow:dbKey", m_dbKey);
    if (!m_sourceCurrency.empty() || !m_contexts.empty()) {
        XmlNode<char>* contexts = WriteContainer(element, document, "brow:unitConversionContexts");
        if (!m_sourceCurrency.empty()) {
            WriteText(contexts, document, "brow:sourceCurrency", m_sourceCurrency);
        }
        for (const SmartPtr<UnitConversionContext>& context : m_contexts) {
            WriteObject(contexts, document, "brow:unitConversionContext", context);
        }
    }
    if (!m_targetCurrency.empty() || !m_unitSymbols.empty()) {
        XmlNode<char>* sourceUnits = WriteContainer(element, document, "brow:sourceUnits");
        if (!m_targetCurrency.empty()) {
            WriteText(sourceUnits, document, "brow:targetCurrency", m_targetCurrency);
        }
        for (const std::string& symbol : m_unitSymbols) {
            WriteText(sourceUnits, document, "brow:unitSymbol", symbol);
        }
    }
}

GetUnitConversionsResponse::GetUnitConversionsResponse(const XmlNode<char>* node)
{
    ReadText(node, m_dbKey, "dbKey");
    ReadObjectList(node, "unitConversionContexts", "unitConversionContext", m_conversions);
    for (const XmlNode<char>* sourceUnit : FindChildElements("sourceUnit", FindChildElement("sourceUnits", node))) {
        if (const XmlAttribute<char>* source = FindAttribute("sourceSymbol", sourceUnit)) {
            const std::string sourceSymbol = GetText(source);
            UnitConversion::ReadConversions(sourceUnit, &sourceSymbol, m_sourceUnits);
        }
    }
}

} // namespace zvrtkDorsaServiceLayer
