/**
 * @file
 * @brief Units, currencies and conversions as the unit operations read and send them.
 *
 * Holds UnitConversionContext, UnitInformation, CurrencyDetail and UnitConversion.
 */
#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/platform/SmartPtr.h"
#include "dorsa/xml/XmlDom.h"
#include "dorsa/xml/XmlReadable.h"

#include <string>
#include <vector>

namespace zvrtkDorsaServiceLayer {

/// The unit system and currency values are to be given in, and whether in absolute units.
class DORSA_EXPORT UnitConversionContext final : public SmartPtrTarget_ts, public XmlReadable<UnitConversionContext> {
public:
    UnitConversionContext() = default;

    std::string GetUnitSystem() const { return m_unitSystem; }
    void SetUnitSystem(const std::string& unitSystem) { m_unitSystem = unitSystem; }
    std::string GetCurrency() const { return m_currency; }
    void SetCurrency(const std::string& currency) { m_currency = currency; }
    bool GetAbsoluteUnits() const { return m_absoluteUnits; }
    /// Sets the choice and marks it made, so that it is sent.
    void SetAbsoluteUnits(bool absolute);
    bool IsAbsoluteUnitsSet() const { return m_absoluteUnitsSet; }

    /// Each field only when set.
    void CreateXMLNode(XmlNode<char>* parent) const;

private:
    friend XmlReadable<UnitConversionContext>;
    explicit UnitConversionContext(const XmlNode<char>* node);

    std::string m_unitSystem;
    std::string m_currency;
    bool m_absoluteUnits = false;
    bool m_absoluteUnitsSet = false;
};

/// The name and symbol of a unit.
class DORSA_EXPORT UnitInformation final : public SmartPtrTarget_ts, public XmlReadable<UnitInformation> {
public:
    UnitInformation() = default;

    std::string GetUnitName() const { return m_unitName; }
    void SetUnitName(const std::string& name) { m_unitName = name; }
    std::string GetUnitSymbol() const { return m_unitSymbol; }
    void SetUnitSymbol(const std::string& symbol) { m_unitSymbol = symbol; }

    /// "zbt:UnitName" and "zbt:UnitSymbol", each only when not empty.
    void CreateXMLNode(XmlNode<char>* parent) const;

private:
    friend XmlReadable<UnitInformation>;
    explicit UnitInformation(const XmlNode<char>* node);

    std::string m_unitName;
    std::string m_unitSymbol;
};

/// A currency and its factor.
class DORSA_EXPORT CurrencyDetail final : public SmartPtrTarget_ts, public XmlReadable<CurrencyDetail> {
public:
    CurrencyDetail() = default;

    std::string GetCode() const { return m_code; }
    std::string GetName() const { return m_name; }
    /// 1.0 when the server gave no factor.
    double GetFactor() const { return m_factor; }

private:
    friend XmlReadable<CurrencyDetail>;
    explicit CurrencyDetail(const XmlNode<char>* node);

    std::string m_code;
    std::string m_name;
    double m_factor = 1.0;
};

/// How to convert units within one conversion context: target = source * factor + offset.
class DORSA_EXPORT UnitConversion final : public SmartPtrTarget_ts, public XmlReadable<UnitConversion> {
public:
    /// One conversion: target = source * factor + offset.
    struct Conversion {
        std::string sourceSymbol;
        std::string targetSymbol;
        double factor = 1.0;
        double offset = 0.0;
    };

    UnitConversion() = default;

    SmartPtr<UnitConversionContext> GetUnitSystem() const { return m_unitSystem; }
    std::vector<Conversion>& AccessConversions() { return m_conversions; }

    /// Appends one Conversion for each "Conversion" child of `parent` that names its
    /// target and, unless `sourceSymbol` is given, its source.
    static void ReadConversions(const XmlNode<char>* parent, const std::string* sourceSymbol,
                                std::vector<Conversion>& out);

private:
    friend XmlReadable<UnitConversion>;
    explicit UnitConversion(const XmlNode<char>* node);

    SmartPtr<UnitConversionContext> m_unitSystem;
    std::vector<Conversion> m_conversions;
};

} // namespace zvrtkDorsaServiceLayer
