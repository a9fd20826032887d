#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <memory>
#include <string>
#include <vector>

namespace zvrtkDorsaServiceLayer {
namespace detail {

struct CertificateStoreCloser {
    using pointer = HCERTSTORE;
    void operator()(HCERTSTORE store) const { CertCloseStore(store, 0); }
};
using CertificateStore = std::unique_ptr<void, CertificateStoreCloser>;

// "(Windows error N)" for the calling thread's last error.
std::string WindowsError();
// The bytes of the file at @p path (a wide path); false when it cannot be read.
bool ReadWholeFile(const std::wstring& path, std::string& bytes);
// The DER contents of each PEM block of @p text labelled @p label ("CERTIFICATE", ...).
std::vector<std::vector<BYTE>> PemBlocks(const std::string& text, const std::string& label);

// Certificate authorities read from PEM files, trusted for https servers beside or
// instead of the system's store. The WinHTTP back end lets the handshake pass an unknown
// authority, a host name or dates it would refuse, and checks the server's certificate
// with Check before any body or credential goes out.
class TrustedAuthorities final {
public:
    // Reads @p file and every *.pem, *.crt and *.cer of @p folder (UTF-8 paths; either
    // may be empty); "" or why not.
    std::string Load(const std::string& file, const std::string& folder);

    // "" when the chain of @p certificate ends at an authority read here (or, with
    // @p withSystemStore, at one the system trusts), names @p host and is in its dates;
    // else what is wrong with it.
    std::string Check(PCCERT_CONTEXT certificate, const std::wstring& host, bool withSystemStore) const;

private:
    std::string AddFile(const std::wstring& path, const std::string& shownPath);

    CertificateStore m_store;
};

} // namespace detail
} // namespace zvrtkDorsaServiceLayer
