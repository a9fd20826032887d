#pragma once

#include "auth/AuthTestSupport.h"

#include <string>
#include <vector>

// Real TLS and proxy servers for the network tests: nginx with a throw-away CA made by
// openssl, and squid. Both run from a scratch directory on 127.0.0.1 and are stopped by
// their process id (the process support of tests/auth).
namespace dorsatest {

// A CA, and the certificates it signed, in a scratch directory (PEM files).
struct TestCertificates {
    std::string caFile;          // the CA's certificate
    std::string caFolder;        // a folder holding it, hashed as OpenSSL reads folders
    std::string serverFile;      // for 127.0.0.1 and localhost
    std::string serverKey;
    std::string otherHostFile;   // for another host name only
    std::string otherHostKey;
    std::string clientFile;      // a client certificate
    std::string clientKey;       // its key, unencrypted
    std::string clientKeyLocked; // the same key, encrypted with s_clientKeyPassword
    std::string clientWithKey;   // the client certificate and its key in one file
    std::string caKey;           // the CA's key (an RSA key of another certificate)
};
extern const char s_clientKeyPassword[];

// Makes the CA and its certificates with openssl; false, with the reason, when it fails.
bool MakeTestCertificates(const ScratchDirectory& directory, TestCertificates& made, std::string& error);

// nginx with four sites (network/nginx.conf.in), each answering s_servedReply to any
// request with a body under 1 KB (a larger one is refused with 413): plain http, https,
// https with a certificate for another host, and https requiring a client certificate
// signed by the CA.
class NginxServer final {
public:
    bool Start(const ScratchDirectory& directory, const TestCertificates& certificates, std::string& error);
    std::string HttpUrl(const std::string& host = "127.0.0.1") const;
    std::string HttpsUrl() const { return TlsUrl(1); }
    std::string OtherHostUrl() const { return TlsUrl(2); }
    std::string ClientCertificateUrl() const { return TlsUrl(3); }

private:
    std::string TlsUrl(int site) const;

    ServerProcess m_process;
    int m_ports[4] = {};
};

// squid with two ports (network/squid.conf.in): one open to all, one demanding Basic proxy
// authentication.
class SquidServer final {
public:
    bool Start(const ScratchDirectory& directory, const std::string& user, const std::string& password,
               std::string& error);
    // Named "localhost": Wine's WinHTTP, seeing the server's host name in the proxy's,
    // would send the request as to the server itself (origin form, no CONNECT).
    std::string OpenUrl() const { return "http://localhost:" + std::to_string(m_openPort); }
    std::string LockedUrl() const { return "http://localhost:" + std::to_string(m_lockedPort); }
    // The access log's lines, each "<method> <url> <status> <user>", once squid has written them.
    std::vector<std::string> StopAndReadAccessLog();

private:
    ServerProcess m_process;
    int m_openPort = 0;
    int m_lockedPort = 0;
    std::string m_accessLog;
};

} // namespace dorsatest
