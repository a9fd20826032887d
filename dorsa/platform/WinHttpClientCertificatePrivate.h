#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <memory>
#include <string>

namespace zvrtkDorsaServiceLayer {
namespace detail {

struct CertificateContextFree {
    void operator()(PCCERT_CONTEXT context) const { CertFreeCertificateContext(context); }
};
using CertificateContext = std::unique_ptr<const CERT_CONTEXT, CertificateContextFree>;

// The client certificate the WinHTTP back end presents: read from a PEM file, with its RSA
// key from PEM (PKCS#8, PKCS#8 encrypted with PBES2 as OpenSSL writes it, or PKCS#1). The
// key lives in an ephemeral CryptoAPI provider that the certificate context owns: it is
// never written to a key store.
class ClientCertificate final {
public:
    // Reads the certificate from @p certificateFile and the key from @p keyFile (from the
    // certificate's file when empty), decrypting it with @p password; "" or why not.
    std::string Load(const std::string& certificateFile, const std::string& keyFile, const std::string& password);

    PCCERT_CONTEXT Context() const { return m_context.get(); }

private:
    CertificateContext m_context;
};

} // namespace detail
} // namespace zvrtkDorsaServiceLayer
