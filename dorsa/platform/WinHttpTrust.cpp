#include "dorsa/platform/WinHttpTrustPrivate.h"

#include "dorsa/platform/WideText.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <winhttp.h>

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <stdexcept>
#include <vector>

namespace zvrtkDorsaServiceLayer {
namespace detail {

std::string WindowsError()
{
    return "(Windows error " + std::to_string(GetLastError()) + ")";
}

namespace {

bool IsCertificateFileName(std::wstring name)
{
    const std::size_t dot = name.rfind(L'.');
    if (dot == std::wstring::npos) {
        return false;
    }
    name.erase(0, dot);
    for (wchar_t& c : name) {
        c = static_cast<wchar_t>(std::towlower(c));
    }
    return name == L".pem" || name == L".crt" || name == L".cer";
}

// The address of @p host when it is an IPv4 or IPv6 literal (brackets allowed); empty for a name.
std::vector<BYTE> AddressOf(std::wstring host)
{
    if (host.size() > 2 && host.front() == L'[' && host.back() == L']') {
        host = host.substr(1, host.size() - 2);
    }
    IN6_ADDR address{};
    if (InetPtonW(AF_INET, host.c_str(), &address) == 1) {
        return std::vector<BYTE>(reinterpret_cast<BYTE*>(&address), reinterpret_cast<BYTE*>(&address) + 4);
    }
    if (InetPtonW(AF_INET6, host.c_str(), &address) == 1) {
        return std::vector<BYTE>(reinterpret_cast<BYTE*>(&address), reinterpret_cast<BYTE*>(&address) + 16);
    }
    return {};
}

// Whether @p certificate names @p address among its subject alternative names.
bool NamesAddress(PCCERT_CONTEXT certificate, const std::vector<BYTE>& address)
{
    const CERT_INFO* info = certificate->pCertInfo;
    const CERT_EXTENSION* extension = CertFindExtension(szOID_SUBJECT_ALT_NAME2, info->cExtension, info->rgExtension);
    CERT_ALT_NAME_INFO* names = nullptr;
    DWORD size = 0;
    if (!extension || !CryptDecodeObjectEx(X509_ASN_ENCODING, X509_ALTERNATE_NAME, extension->Value.pbData,
                                           extension->Value.cbData, CRYPT_DECODE_ALLOC_FLAG, nullptr, &names, &size)) {
        return false;
    }
    bool found = false;
    for (DWORD i = 0; i < names->cAltEntry && !found; ++i) {
        const CERT_ALT_NAME_ENTRY& entry = names->rgAltEntry[i];
        found = entry.dwAltNameChoice == CERT_ALT_NAME_IP_ADDRESS && entry.IPAddress.cbData == address.size() &&
                std::equal(address.begin(), address.end(), entry.IPAddress.pbData);
    }
    LocalFree(names);
    return found;
}

std::string CheckPolicy(PCCERT_CHAIN_CONTEXT chain, PCCERT_CONTEXT certificate, const std::wstring& host, DWORD flags)
{
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
    ssl.cbSize = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.pwszServerName = const_cast<wchar_t*>(host.c_str());
    // An address is matched here against the certificate's IP addresses, exactly: not
    // every Windows (nor Wine) matches an address in its policy check.
    const std::vector<BYTE> address = AddressOf(host);
    if (!address.empty()) {
        ssl.fdwChecks = SECURITY_FLAG_IGNORE_CERT_CN_INVALID;
    }
    CERT_CHAIN_POLICY_PARA policy{};
    policy.cbSize = sizeof policy;
    policy.dwFlags = flags;
    policy.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS status{};
    status.cbSize = sizeof status;
    if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &status)) {
        return "the server's certificate could not be checked " + WindowsError();
    }
    switch (status.dwError) {
    case 0:
        return address.empty() || NamesAddress(certificate, address) ? std::string()
                                                                      : "the server's certificate is for another host name";
    case static_cast<DWORD>(CERT_E_UNTRUSTEDROOT):
    case static_cast<DWORD>(CERT_E_CHAINING):
        return "the server's certificate comes from an untrusted authority";
    case static_cast<DWORD>(CERT_E_CN_NO_MATCH):
        return "the server's certificate is for another host name";
    case static_cast<DWORD>(CERT_E_EXPIRED):
        return "the server's certificate has expired or is not yet valid";
    default:
        return "the server's certificate is not valid (error " + std::to_string(status.dwError) + ")";
    }
}

} // namespace

bool ReadWholeFile(const std::wstring& path, std::string& bytes)
{
    std::FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file) {
        return false;
    }
    bytes.clear();
    char chunk[4096];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;) {
        bytes.append(chunk, got);
    }
    const bool read = !std::ferror(file);
    std::fclose(file);
    return read;
}

std::vector<std::vector<BYTE>> PemBlocks(const std::string& text, const std::string& label)
{
    const std::string begin = "-----BEGIN " + label + "-----";
    const std::string end = "-----END " + label + "-----";
    std::vector<std::vector<BYTE>> blocks;
    for (std::size_t at = text.find(begin); at != std::string::npos; at = text.find(begin, at)) {
        const std::size_t body = at + begin.size();
        const std::size_t stop = text.find(end, body);
        if (stop == std::string::npos) {
            break;
        }
        at = stop;
        const DWORD length = static_cast<DWORD>(stop - body);
        DWORD size = 0;
        if (!CryptStringToBinaryA(text.c_str() + body, length, CRYPT_STRING_BASE64, nullptr, &size, nullptr, nullptr)) {
            continue;
        }
        std::vector<BYTE> der(size);
        if (CryptStringToBinaryA(text.c_str() + body, length, CRYPT_STRING_BASE64, der.data(), &size, nullptr,
                                 nullptr)) {
            der.resize(size);
            blocks.push_back(std::move(der));
        }
    }
    return blocks;
}

std::string TrustedAuthorities::Load(const std::string& file, const std::string& folder)
{
    m_store.reset(CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, CERT_STORE_CREATE_NEW_FLAG, nullptr));
    if (!m_store) {
        return "no certificate store could be made " + WindowsError();
    }
    try {
        if (!file.empty()) {
            const std::string error = AddFile(Utf8ToWide(file), file);
            if (!error.empty()) {
                return error;
            }
        }
        if (folder.empty()) {
            return std::string();
        }
        const std::wstring wideFolder = Utf8ToWide(folder);
        WIN32_FIND_DATAW found{};
        const HANDLE search = FindFirstFileW((wideFolder + L"\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) {
            return "the certificate folder " + folder + " cannot be read";
        }
        std::string error;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsCertificateFileName(found.cFileName)) {
                const std::wstring name = found.cFileName;
                error = AddFile(wideFolder + L"\\" + name, folder + "\\" + WideToUtf8(name));
            }
        } while (error.empty() && FindNextFileW(search, &found));
        FindClose(search);
        return error;
    } catch (const std::range_error&) {
        return "a certificate path is not valid UTF-8";
    }
}

std::string TrustedAuthorities::AddFile(const std::wstring& path, const std::string& shownPath)
{
    std::string text;
    if (!ReadWholeFile(path, text)) {
        return "the certificate file " + shownPath + " cannot be read";
    }
    std::size_t added = 0;
    for (const std::vector<BYTE>& der : PemBlocks(text, "CERTIFICATE")) {
        added += CertAddEncodedCertificateToStore(m_store.get(), X509_ASN_ENCODING, der.data(),
                                                  static_cast<DWORD>(der.size()), CERT_STORE_ADD_USE_EXISTING, nullptr)
                     ? 1
                     : 0;
    }
    return added > 0 ? std::string() : "the certificate file " + shownPath + " holds no PEM certificate";
}

std::string TrustedAuthorities::Check(PCCERT_CONTEXT certificate, const std::wstring& host, bool withSystemStore) const
{
    // The chain is built from what the server sent and the authorities read here.
    CertificateStore candidates(CertOpenStore(CERT_STORE_PROV_COLLECTION, 0, 0, 0, nullptr));
    if (!candidates || !CertAddStoreToCollection(candidates.get(), certificate->hCertStore, 0, 0) ||
        !CertAddStoreToCollection(candidates.get(), m_store.get(), 0, 0)) {
        return "the server's certificate could not be checked " + WindowsError();
    }
    CERT_CHAIN_PARA chainPara{};
    chainPara.cbSize = sizeof chainPara;
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    if (!CertGetCertificateChain(nullptr, certificate, nullptr, candidates.get(), &chainPara, 0, nullptr, &chain)) {
        return "the server's certificate chain could not be built " + WindowsError();
    }
    const CERT_SIMPLE_CHAIN* simple = chain->cChain > 0 ? chain->rgpChain[0] : nullptr;
    PCCERT_CONTEXT root = simple && simple->cElement > 0 ? simple->rgpElement[simple->cElement - 1]->pCertContext
                                                         : nullptr;
    PCCERT_CONTEXT ours =
        root ? CertFindCertificateInStore(m_store.get(), X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, root, nullptr)
             : nullptr;
    const bool endsHere = ours != nullptr;
    if (ours) {
        CertFreeCertificateContext(ours);
    }
    // Revocation is not checked here (WinHTTP's own check of the connection stands);
    // every other fault of the chain counts, an unknown root only when it is not ours.
    DWORD faults = chain->TrustStatus.dwErrorStatus &
                   ~static_cast<DWORD>(CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION);
    if (endsHere) {
        faults &= ~static_cast<DWORD>(CERT_TRUST_IS_UNTRUSTED_ROOT);
    }
    std::string error;
    if (!endsHere && !withSystemStore) {
        error = "the server's certificate comes from an authority not among those trusted";
    } else if (faults & (CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN)) {
        error = "the server's certificate comes from an untrusted authority";
    } else if (faults & CERT_TRUST_IS_NOT_TIME_VALID) {
        error = "the server's certificate has expired or is not yet valid";
    } else if (faults != 0) {
        error = "the server's certificate chain is not valid (trust status " + std::to_string(faults) + ")";
    } else {
        // An authority read here is trusted although the system does not know it.
        error = CheckPolicy(chain, certificate, host, endsHere ? CERT_CHAIN_POLICY_ALLOW_UNKNOWN_CA_FLAG : 0);
    }
    CertFreeCertificateChain(chain);
    return error;
}

} // namespace detail
} // namespace zvrtkDorsaServiceLayer
