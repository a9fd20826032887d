#include "dorsa/platform/HttpTransferPrivate.h"

#include <algorithm>
#include <cctype>

namespace zvrtkDorsaServiceLayer {
namespace detail {

void ReplyCollector::ReserveForDeclaredLength(std::int64_t declared)
{
    if (declared > 0 && static_cast<std::uint64_t>(declared) <= m_maxSize) {
        m_body->Reserve(static_cast<std::size_t>(declared));
    }
}

// Makes room for `needed` bytes. Capacities are the limit + 1 halved a whole number of
// times, so the last step lands on the limit exactly: growing never holds more than
// 1.5 times the limit, where doubling past it could hold three times.
void ReplyCollector::GrowFor(std::size_t needed)
{
    if (needed <= m_body->GetCapacity()) {
        return;
    }
    std::size_t capacity = m_maxSize + 1;
    while (capacity / 2 >= needed && capacity / 2 >= 2 * m_body->GetCapacity()) {
        capacity /= 2;
    }
    m_body->Regrow(std::max(capacity, needed));
}

bool ReplyCollector::Take(const char* data, std::size_t length)
{
    const std::size_t room = m_maxSize - m_body->GetLength();
    const std::size_t taken = std::min(length, room + 1);
    GrowFor(m_body->GetLength() + taken);
    m_body->Append(data, taken);
    if (taken == length) {
        return true;
    }
    m_tooLarge = true;
    return false;
}

StallGuard::StallGuard(const TransferSettings& settings)
    : m_sendLimitMs(settings.sendStallMs), m_receiveLimitMs(settings.receiveStallMs),
      m_deadlineMs(settings.callDeadlineMs)
{
}

void StallGuard::OnConnected()
{
    m_connected = true;
    m_lastMove = Clock::now();
}

bool StallGuard::CheckDeadline()
{
    return DeadlineHolds(Clock::now());
}

bool StallGuard::DeadlineHolds(Clock::time_point now)
{
    if (m_deadlineMs > 0 && now - m_started > std::chrono::milliseconds(m_deadlineMs)) {
        m_reason = "Timed out: the call passed its deadline of " + std::to_string(m_deadlineMs) + " ms";
        return false;
    }
    return true;
}

bool StallGuard::Check(std::uint64_t uploaded, std::uint64_t downloaded, bool sending)
{
    // libcurl calls this many times a transfer: the clock is read once.
    const Clock::time_point now = Clock::now();
    if (!DeadlineHolds(now)) {
        return false;
    }
    if (!m_connected || uploaded != m_uploaded || downloaded != m_downloaded) {
        m_uploaded = uploaded;
        m_downloaded = downloaded;
        m_lastMove = now;
        return true;
    }
    const long limitMs = sending ? m_sendLimitMs : m_receiveLimitMs;
    if (now - m_lastMove <= std::chrono::milliseconds(limitMs)) {
        return true;
    }
    m_reason = "Timed out: no data " + std::string(sending ? "sent" : "received") + " for " +
               std::to_string(limitMs) + " ms";
    return false;
}

std::string UnsafeHeader(const HttpMessage::Header& header)
{
    const auto isControl = [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; };
    const auto isNameBreaker = [&](char c) { return isControl(c) || c == ':' || c == ' '; };
    const std::string& name = header.first;
    if (name.empty() || std::any_of(name.begin(), name.end(), isNameBreaker)) {
        return "the header name \"" + name + "\" is not a valid name";
    }
    if (std::any_of(header.second.begin(), header.second.end(), isControl)) {
        return "the value of header " + name + " holds a control character";
    }
    return std::string();
}

std::string Latin1BeyondAscii(const std::string& utf8)
{
    std::string latin1;
    bool beyondAscii = false;
    for (std::size_t at = 0; at < utf8.size(); ++at) {
        const unsigned char lead = static_cast<unsigned char>(utf8[at]);
        if (lead < 0x80) {
            latin1 += static_cast<char>(lead);
            continue;
        }
        const unsigned char next = at + 1 < utf8.size() ? static_cast<unsigned char>(utf8[at + 1]) : 0;
        if ((lead != 0xC2 && lead != 0xC3) || (next & 0xC0) != 0x80) {
            return std::string();
        }
        latin1 += static_cast<char>(((lead & 0x03) << 6) | (next & 0x3F));
        beyondAscii = true;
        ++at;
    }
    return beyondAscii ? latin1 : std::string();
}

bool IsPlainHttp(const std::string& url)
{
    static const char s_scheme[] = "http://";
    return url.size() >= sizeof s_scheme - 1 &&
           std::equal(s_scheme, s_scheme + sizeof s_scheme - 1, url.begin(),
                      [](char expected, char c) { return expected == std::tolower(static_cast<unsigned char>(c)); });
}

bool RefusesBasicFor(const TransferSettings& settings, const std::string& url)
{
    return settings.refuseCleartextCredentials && IsPlainHttp(url);
}

std::string ClientCertificateFailure(const TransferSettings& settings, const std::string& said)
{
    return "the client certificate or its key cannot be used" +
           std::string(settings.clientKeyPassword.empty() ? "" : " (is the key password right?)") + ": " + said;
}

namespace {

std::string Lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// "scheme://host:port" of a URL, lower-cased, with the scheme's default port made explicit.
std::string Origin(const std::string& url)
{
    const std::size_t schemeEnd = url.find("://");
    if (schemeEnd == std::string::npos) {
        return std::string();
    }
    const std::size_t authorityEnd = url.find_first_of("/?#", schemeEnd + 3);
    const std::string scheme = Lowered(url.substr(0, schemeEnd));
    std::string authority = Lowered(url.substr(schemeEnd + 3, authorityEnd - (schemeEnd + 3)));
    if (authority.find('@') != std::string::npos) {
        return std::string(); // user information in an address is never followed
    }
    const std::size_t bracket = authority.rfind(']');
    const std::size_t colon = authority.rfind(':');
    if (colon == std::string::npos || (bracket != std::string::npos && colon < bracket)) {
        authority += scheme == "https" ? ":443" : ":80";
    }
    return scheme + "://" + authority;
}

} // namespace

Endpoint MakeEndpoint(const std::string& baseUrl, const std::string& proxy, const std::string& proxyBypass,
                      bool ignoreCertificateErrors)
{
    Endpoint endpoint;
    endpoint.baseUrl = baseUrl;
    endpoint.ignoreCertificateErrors = ignoreCertificateErrors;
    if (Lowered(proxy) == "none") {
        endpoint.proxyMode = ProxyMode::Direct;
    } else if (!proxy.empty()) {
        endpoint.proxyMode = ProxyMode::Url;
        endpoint.proxy = proxy;
        endpoint.proxyBypass = proxyBypass;
    }
    return endpoint;
}

bool IsSameOrigin(const std::string& baseUrl, const std::string& address)
{
    const std::string origin = Origin(baseUrl);
    return !origin.empty() && origin == Origin(address);
}

void CallRegistry::CancelAll()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (CancelScope* call : m_calls) {
        call->m_cancelled = true;
        if (call->m_wake) {
            call->m_wake();
        }
    }
}

CancelScope::CancelScope(CallRegistry& registry) : m_registry(registry)
{
    std::lock_guard<std::mutex> lock(registry.m_mutex);
    registry.m_calls.push_back(this);
}

CancelScope::~CancelScope()
{
    std::lock_guard<std::mutex> lock(m_registry.m_mutex);
    m_registry.m_calls.erase(std::find(m_registry.m_calls.begin(), m_registry.m_calls.end(), this));
}

void CancelScope::Arm(std::function<void()> wake)
{
    std::lock_guard<std::mutex> lock(m_registry.m_mutex);
    m_wake = std::move(wake);
}

const char s_cleartextRefusal[] =
    "Not sent: the server asks for the password in clear text (Basic over http), which this session refuses";

HttpClient::SendRequestResult RecordCutOffReply(HttpMessage& message, ReplyCollector& reply, int httpCode,
                                                std::size_t maxReplySize)
{
    message.SetHttpCode(httpCode);
    const SmartPtr<HttpMessageBuffer> body = reply.TakeBody();
    SmartPtr<HttpMessageBuffer> kept = new HttpMessageBuffer;
    kept->SetMessage(body->GetData(), std::min(body->GetLength(), HttpClient::s_keptPrefixOfRefusedReply));
    message.SetResponseBody(kept);
    message.SetReplyCutOff(true);
    message.SetTransportError("reply larger than " + std::to_string(maxReplySize) + " bytes");
    return HttpClient::SendRequest_ReplyTooLarge;
}

} // namespace detail
} // namespace zvrtkDorsaServiceLayer
