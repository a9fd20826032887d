#include "GsoapPeer.h"

#include "soapBenchBrowseProxy.h"

#include <limits>

// gSOAP's runtime wants a global namespace table; each client installs its own, made
// from the URIs it is given, so this one only satisfies the link.
SOAP_NMAC struct Namespace namespaces[] = {{nullptr, nullptr, nullptr, nullptr}};

namespace dorsabench {

class GsoapClient::Proxy final : public BenchBrowseProxy {
public:
    Proxy() : BenchBrowseProxy(SOAP_IO_KEEPALIVE | SOAP_C_UTFSTRING) {}
};

GsoapClient::GsoapClient(const std::string& url, const std::string& browseNamespace,
                         const std::string& baseTypesNamespace)
    : m_proxy(new Proxy), m_url(url), m_browseNamespace(browseNamespace), m_baseTypesNamespace(baseTypesNamespace),
      m_namespaces(new Namespace[7])
{
    // The order and prefixes soapcpp2 gave the generated code: SOAP's four, then ns2, ns1.
    const Namespace table[7] = {
        {"SOAP-ENV", "http://schemas.xmlsoap.org/soap/envelope/", "http://www.w3.org/*/soap-envelope", nullptr},
        {"SOAP-ENC", "http://schemas.xmlsoap.org/soap/encoding/", "http://www.w3.org/*/soap-encoding", nullptr},
        {"xsi", "http://www.w3.org/2001/XMLSchema-instance", "http://www.w3.org/*/XMLSchema-instance", nullptr},
        {"xsd", "http://www.w3.org/2001/XMLSchema", "http://www.w3.org/*/XMLSchema", nullptr},
        {"ns2", m_baseTypesNamespace.c_str(), nullptr, nullptr},
        {"ns1", m_browseNamespace.c_str(), nullptr, nullptr},
        {nullptr, nullptr, nullptr, nullptr},
    };
    std::copy(table, table + 7, m_namespaces.get());
    soap* context = m_proxy->soap;
    soap_set_namespaces(context, m_namespaces.get());
    // The large reply holds more elements than gSOAP's default guards allow.
    context->maxoccurs = std::numeric_limits<std::size_t>::max();
    context->recv_maxlength = 0;
}

GsoapClient::~GsoapClient()
{
    m_proxy->destroy();
}

bool GsoapClient::Failed()
{
    char text[1024];
    m_proxy->soap_sprint_fault(text, sizeof text);
    m_error = text;
    m_proxy->destroy();
    return false;
}

bool GsoapClient::GetTables(const std::string& dbKey, PeerCounts& counts)
{
    ns1__GetTablesResponse response;
    if (m_proxy->GetTables(m_url.c_str(), nullptr, dbKey, response) != SOAP_OK) {
        return Failed();
    }
    counts = PeerCounts();
    if (response.ns1__tableDetails) {
        for (const ns1__TableDetail& table : response.ns1__tableDetails->ns1__table) {
            ++counts.tables;
            if (table.ns1__attributeReferences) {
                counts.attributes += table.ns1__attributeReferences->ns1__attribute.size();
            }
        }
    }
    m_proxy->destroy();
    return true;
}

bool GsoapClient::GetDatabases(PeerCounts& counts)
{
    ns1__GetDatabasesResponse response;
    if (m_proxy->GetDatabases(m_url.c_str(), nullptr, response) != SOAP_OK) {
        return Failed();
    }
    counts = PeerCounts();
    if (response.ns1__databaseDetails) {
        counts.databases = response.ns1__databaseDetails->ns1__database.size();
    }
    m_proxy->destroy();
    return true;
}

} // namespace dorsabench
