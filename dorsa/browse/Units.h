/**
 * @file
 * @brief The GetUnits, GetUnitSystems, GetCurrencies and GetUnitConversions families.
 *
 * Holds GetUnits, GetUnitsResponse, GetUnitsImpl, GetUnitSystems, GetUnitSystemsResponse,
 * GetUnitSystemsImpl, GetCurrenciesResponse, GetCurrenciesImpl, GetUnitConversions,
 * GetUnitConversionsResponse and GetUnitConversionsImpl.
 */
#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/browse/UnitDetails.h"
#include "dorsa/pipeline/IRequest.h"
#include "dorsa/pipeline/ResponseBase.h"
#include "dorsa/services/ServiceCatalogue.h"
#include "dorsa/xml/XmlReadable.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace zvrtkDorsaServiceLayer {

/// @brief Asks for every unit symbol of a database.
class DORSA_EXPORT GetUnits final : public IRequest {
public:
    std::string GetDBKey() const { return m_dbKey; }
    void SetDBKey(const std::string& dbKey) { m_dbKey = dbKey; }

    void CreateXMLNode(XmlNode<char>* element) const override;

private:
    std::string m_dbKey;
};

/// @brief Unit symbols per database, each with whether it carries a currency.
class DORSA_EXPORT GetUnitsResponse final : public ResponseBase, public XmlReadable<GetUnitsResponse> {
public:
    using Unit = std::pair<std::string, bool>; ///< symbol, has currency
    using UnitsByDatabase = std::map<std::string, std::vector<Unit>>;

    GetUnitsResponse() = default;

    const UnitsByDatabase& GetUnitsByDatabase() const { return m_unitsByDatabase; }

private:
    friend XmlReadable<GetUnitsResponse>;
    explicit GetUnitsResponse(const XmlNode<char>* node);

    UnitsByDatabase m_unitsByDatabase;
};

/// @brief Lists the units of a database.
class DORSA_EXPORT GetUnitsImpl final : public OperationImpl<Catalogue::GetUnits, GetUnits, GetUnitsResponse> {
public:
    using OperationImpl::OperationImpl;

    void GetUnits(SmartPtr<zvrtkDorsaServiceLayer::GetUnits> request, GetUnitsResponse* response)
    {
        ExecuteRequest(request, response);
    }
};

/// @brief Asks for the unit systems (and currencies) of a database.
class DORSA_EXPORT GetUnitSystems final : public IRequest {
public:
    std::string GetDBKey() const { return m_dbKey; }
    void SetDBKey(const std::string& dbKey) { m_dbKey = dbKey; }
    bool GetExcludeCurrencies() const { return m_excludeCurrencies; }
    void SetExcludeCurrencies(bool exclude) { m_excludeCurrencies = exclude; }

    void CreateXMLNode(XmlNode<char>* element) const override;

private:
    std::string m_dbKey;
    bool m_excludeCurrencies = false;
};

/// @brief The unit system names and currencies of a database.
class DORSA_EXPORT GetUnitSystemsResponse final : public ResponseBase, public XmlReadable<GetUnitSystemsResponse> {
public:
    GetUnitSystemsResponse() = default;

    std::string GetDBKey() const { return m_dbKey; }
    std::vector<std::string>& AccessUnitSystems() { return m_unitSystems; }
    std::vector<SmartPtr<CurrencyDetail>>& AccessCurrencies() { return m_currencies; }

private:
    friend XmlReadable<GetUnitSystemsResponse>;
    explicit GetUnitSystemsResponse(const XmlNode<char>* node);

    std::string m_dbKey;
    std::vector<std::string> m_unitSystems;
    std::vector<SmartPtr<CurrencyDetail>> m_currencies;
};

/// @brief Lists the unit systems of a database.
class DORSA_EXPORT GetUnitSystemsImpl final
    : public OperationImpl<Catalogue::GetUnitSystems, GetUnitSystems, GetUnitSystemsResponse> {
public:
    using OperationImpl::OperationImpl;

    void GetUnitSystems(SmartPtr<zvrtkDorsaServiceLayer::GetUnitSystems> request, GetUnitSystemsResponse* response)
    {
        ExecuteRequest(request, response);
    }
};

/// @brief Every currency the server knows, with its factor.
class DORSA_EXPORT GetCurrenciesResponse final : public ResponseBase, public XmlReadable<GetCurrenciesResponse> {
public:
    GetCurrenciesResponse() = default;

    std::vector<SmartPtr<CurrencyDetail>>& AccessCurrencies() { return m_currencies; }

private:
    friend XmlReadable<GetCurrenciesResponse>;
    explicit GetCurrenciesResponse(const XmlNode<char>* node);

    std::vector<SmartPtr<CurrencyDetail>> m_currencies;
};

/// @brief Lists the currencies; sends no request object.
class DORSA_EXPORT GetCurrenciesImpl final
    : public OperationImpl<Catalogue::GetCurrencies, EmptyRequest, GetCurrenciesResponse> {
public:
    using OperationImpl::OperationImpl;

    void GetCurrencies(GetCurrenciesResponse* response) { ExecuteRequest(response); }
};

/// @brief Asks how to convert unit symbols into unit systems and currencies.
class DORSA_EXPORT GetUnitConversions final : public IRequest {
public:
    std::string GetDBKey() const { return m_dbKey; }
    void SetDBKey(const std::string& dbKey) { m_dbKey = dbKey; }
    std::string GetSourceCurrency() const { return m_sourceCurrency; }
    void SetSourceCurrency(const std::string& currency) { m_sourceCurrency = currency; }
    std::string GetTargetCurrency() const { return m_targetCurrency; }
    void SetTargetCurrency(const std::string& currency) { m_targetCurrency = currency; }
    std::vector<SmartPtr<UnitConversionContext>> GetUnitConversionContexts() const { return m_contexts; }
    void SetUnitConversionContexts(const std::vector<SmartPtr<UnitConversionContext>>& contexts) { m_contexts = contexts; }
    /// Entries must not be null.
    void AddUnitConversionContext(const SmartPtr<UnitConversionContext>& context) { m_contexts.push_back(context); }
    std::vector<std::string>& AccessUnitSymbols() { return m_unitSymbols; }
    void SetUnitSymbols(const std::vector<std::string>& symbols) { m_unitSymbols = symbols; }
    void AddUnitSymbol(const std::string& symbol) { m_unitSymbols.push_back(symbol); }

    void CreateXMLNode(XmlNode<char>* element) const override;

private:
    std::string m_dbKey;
    std::string m_sourceCurrency;
    std::vector<SmartPtr<UnitConversionContext>> m_contexts;
    std::string m_targetCurrency;
    std::vector<std::string> m_unitSymbols;
};

/// @brief Conversions per context, and the conversions of each source unit.
class DORSA_EXPORT GetUnitConversionsResponse final : public ResponseBase,
                                                      public XmlReadable<GetUnitConversionsResponse> {
public:
    GetUnitConversionsResponse() = default;

    std::string GetDBKey() const { return m_dbKey; }
    std::vector<SmartPtr<UnitConversion>>& AccessConversions() { return m_conversions; }
    std::vector<UnitConversion::Conversion>& AccessSourceUnits() { return m_sourceUnits; }

private:
    friend XmlReadable<GetUnitConversionsResponse>;
    explicit GetUnitConversionsResponse(const XmlNode<char>* node);

    std::string m_dbKey;
    std::vector<SmartPtr<UnitConversion>> m_conversions;
    std::vector<UnitConversion::Conversion> m_sourceUnits;
};

/// @brief Fetches unit conversion factors and offsets.
class DORSA_EXPORT GetUnitConversionsImpl final
    : public OperationImpl<Catalogue::GetUnitConversions, GetUnitConversions, GetUnitConversionsResponse> {
public:
    using OperationImpl::OperationImpl;

    void GetUnitConversions(SmartPtr<zvrtkDorsaServiceLayer::GetUnitConversions> request,
                            GetUnitConversionsResponse* response)
    {
        ExecuteRequest(request, response);
    }
};

} // namespace zvrtkDorsaServiceLayer
