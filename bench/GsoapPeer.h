#pragma once

#include <cstddef>
#include <memory>
#include <string>

// gSOAP's namespace table entry (stdsoap2.h).
struct Namespace;

namespace dorsabench {

// What a peer read out of a reply: enough to tell whether it skipped elements.
struct PeerCounts {
    std::size_t tables = 0;
    std::size_t attributes = 0;
    std::size_t databases = 0;
};

// A gSOAP client, generated at build time from bench/gsoap/BenchService.gsoap, making the
// bench's GetTables and GetDatabases calls on one keep-alive connection. Each call reads
// the whole reply into gSOAP's typed objects and frees them before it returns, as a host
// that keeps nothing would. One client per thread.
class GsoapClient final {
public:
    // `url` is the endpoint; the namespaces are the ones the replies are written in.
    GsoapClient(const std::string& url, const std::string& browseNamespace, const std::string& baseTypesNamespace);
    ~GsoapClient();
    GsoapClient(const GsoapClient&) = delete;
    GsoapClient& operator=(const GsoapClient&) = delete;

    // False with the reason in Error().
    bool GetTables(const std::string& dbKey, PeerCounts& counts);
    bool GetDatabases(PeerCounts& counts);
    const std::string& Error() const { return m_error; }

private:
    class Proxy;

    bool Failed();

    std::unique_ptr<Proxy> m_proxy;
    std::string m_url;
    std::string m_browseNamespace;
    std::string m_baseTypesNamespace;
    std::unique_ptr<::Namespace[]> m_namespaces;
    std::string m_error;
};

} // namespace dorsabench
