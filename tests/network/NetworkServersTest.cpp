// TLS and proxy settings of a session against real servers started by the tests on
// 127.0.0.1: nginx with certificates of a throw-away CA, and squid with and without
// Basic proxy authentication.
#include "network/NetworkTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace dorsatest {
namespace {

using namespace zvrtkDorsaServiceLayer;

bool Holds(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

class NetworkServersTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string missing = MissingPrograms({"nginx", "openssl"});
        if (!missing.empty()) {
            GTEST_SKIP() << "Not installed: " << missing << " (scripts/network-deps.sh installs them)";
        }
        std::string error;
        ASSERT_TRUE(MakeTestCertificates(m_directory, m_certificates, error)) << error;
        ASSERT_TRUE(m_nginx.Start(m_directory, m_certificates, error)) << error;
    }

    // A session on `url` + `path`, its settings made by `configure`.
    SmartPtr<DorsaSession> Session(const std::string& url, const std::function<void(DorsaSession&)>& configure)
    {
        SmartPtr<DorsaSession> session = DorsaSession::CreateOneWithLogger(url, nullptr, &m_logger);
        if (configure) {
            configure(*session);
        }
        return session;
    }

    ScratchDirectory m_directory;
    TestCertificates m_certificates;
    NginxServer m_nginx;
    RecordingLogger m_logger;
};

struct TlsCase {
    const char* name;
    std::string url;
    std::function<void(DorsaSession&)> configure;
    CallOutcomes::eCallOutcome outcome;
    int code;            // when the outcome is not a transport failure
    const char* because; // a part of the transport failure's reason
};

TEST_F(NetworkServersTest, TlsSettingsDecideWhichServersAreTrusted)
{
    const TestCertificates& certs = m_certificates;
    const std::string locked = certs.clientKeyLocked;
    const auto client = [&](const std::string& key, const std::string& password) {
        return [=](DorsaSession& session) {
            session.SetCertificateAuthorities(certs.caFile);
            session.SetClientCertificate(certs.clientFile, key, password);
        };
    };
    const TlsCase cases[] = {
        {"CA file beside the system store", m_nginx.HttpsUrl(),
         [&](DorsaSession& s) { s.SetCertificateAuthorities(certs.caFile); }, CallOutcomes::Success, 200, ""},
        {"CA folder instead of the system store", m_nginx.HttpsUrl(),
         [&](DorsaSession& s) { s.SetCertificateAuthorities("", certs.caFolder, false); }, CallOutcomes::Success, 200,
         ""},
        {"no CA setting", m_nginx.HttpsUrl(), nullptr, CallOutcomes::TransportFailure, 0,
         "SSL certificate problem: unable to get local issuer certificate"},
        {"system store left out", m_nginx.HttpsUrl(),
         [&](DorsaSession& s) { s.SetCertificateAuthorities("", "", false); }, CallOutcomes::TransportFailure, 0,
         "certificate"},
        {"unreadable CA file", m_nginx.HttpsUrl(),
         [&](DorsaSession& s) { s.SetCertificateAuthorities(m_directory.File("none.pem")); },
         CallOutcomes::TransportFailure, 0, "none.pem cannot be read"},
        {"certificate of another host", m_nginx.OtherHostUrl(),
         [&](DorsaSession& s) { s.SetCertificateAuthorities(certs.caFile); }, CallOutcomes::TransportFailure, 0,
         "certificate subject name"},
        {"checks off, for tests only", m_nginx.OtherHostUrl(),
         [&](DorsaSession& s) { s.SetCertificateChecksOffForTestsOnly(true); }, CallOutcomes::Success, 200, ""},
        {"client certificate", m_nginx.ClientCertificateUrl(), client(certs.clientKey, ""), CallOutcomes::Success,
         200, ""},
        {"client certificate, key with a password", m_nginx.ClientCertificateUrl(),
         client(locked, s_clientKeyPassword), CallOutcomes::Success, 200, ""},
        {"no client certificate", m_nginx.ClientCertificateUrl(),
         [&](DorsaSession& s) { s.SetCertificateAuthorities(certs.caFile); }, CallOutcomes::HttpFailure, 400, ""},
        {"wrong key password", m_nginx.ClientCertificateUrl(), client(locked, "not-it"),
         CallOutcomes::TransportFailure, 0, "the client certificate or its key cannot be used (is the key password right?)"},
    };
    for (const TlsCase& c : cases) {
        SCOPED_TRACE(c.name);
        const CallResult result = MakeCall(*Session(c.url, c.configure));
        EXPECT_EQ(result.outcome, c.outcome) << result;
        if (c.outcome == CallOutcomes::TransportFailure) {
            EXPECT_TRUE(Holds(result.transportError, c.because)) << result;
        } else {
            EXPECT_EQ(result.code, c.code) << result;
        }
        if (c.outcome == CallOutcomes::Success) {
            EXPECT_EQ(result.value, "served");
        }
    }
}

TEST_F(NetworkServersTest, AnUploadTheServerRefusesIsARecordedFailure)
{
    SmartPtr<DorsaSession> session =
        Session(m_nginx.HttpsUrl(), [&](DorsaSession& s) { s.SetCertificateAuthorities(m_certificates.caFile); });
    // nginx takes bodies up to 1 KB.
    const SmartPtr<ServiceLayerResponse> outcome =
        ContentUpload::PutBytes(*session, m_nginx.HttpsUrl() + "/files/x", std::string(4096, 'x'), "text/plain");
    EXPECT_EQ(outcome->GetOutcome(), CallOutcomes::HttpFailure);
    EXPECT_EQ(outcome->GetResponseCode(), 413);
    EXPECT_TRUE(Holds(outcome->GetResponseMessage(), "413"));
    const std::vector<std::string> failures = m_logger.At(1);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_TRUE(Holds(failures.front(), "with HTTP code 413")) << failures.front();
}

struct ProxyCase {
    const char* path; // each case has its own, to find its requests in squid's log
    std::string host; // of the server's URL
    std::function<void(DorsaSession&)> configure;
    CallOutcomes::eCallOutcome outcome;
    int code;
    const char* logged; // squid's log line for the call ("method url-part status user"), "" for none
};

TEST_F(NetworkServersTest, CallsGoThroughTheProxyUnlessBypassedOrTurnedOff)
{
    const std::string missing = MissingPrograms({"squid"});
    if (!missing.empty()) {
        GTEST_SKIP() << "Not installed: " << missing << " (scripts/network-deps.sh installs it)";
    }
    SquidServer squid;
    std::string error;
    ASSERT_TRUE(squid.Start(m_directory, "pat", "pr0xy-pw", error)) << error;
    const std::string open = squid.OpenUrl();
    const std::string lockedUrl = squid.LockedUrl();
    const std::string ca = m_certificates.caFile;
    const ProxyCase cases[] = {
        {"/through", "127.0.0.1", [&](DorsaSession& s) { s.SetProxy(open); }, CallOutcomes::Success, 200,
         "POST /through/ 200 -"},
        {"/bypassed", "localhost", [&](DorsaSession& s) { s.SetProxy(open, "example.invalid,localhost"); },
         CallOutcomes::Success, 200, ""},
        {"/logged-on", "127.0.0.1",
         [&](DorsaSession& s) {
             s.SetProxy(lockedUrl);
             s.SetProxyCredentials("pat", "pr0xy-pw");
         },
         CallOutcomes::Success, 200, "POST /logged-on/ 200 pat"},
        // Credentials set before the proxy are carried over to the client made for it.
        {"/wrong-password", "127.0.0.1",
         [&](DorsaSession& s) {
             s.SetProxyCredentials("pat", "not-it");
             s.SetProxy(lockedUrl);
         },
         CallOutcomes::HttpFailure, 407, "POST /wrong-password/ 407 pat"},
        {"/no-credentials", "127.0.0.1", [&](DorsaSession& s) { s.SetProxy(lockedUrl); }, CallOutcomes::HttpFailure,
         407, "POST /no-credentials/ 407 -"},
    };
    for (const ProxyCase& c : cases) {
        SCOPED_TRACE(c.path);
        const CallResult result = MakeCall(*Session(m_nginx.HttpUrl(c.host) + c.path, c.configure));
        EXPECT_EQ(result.outcome, c.outcome) << result;
        EXPECT_EQ(result.code, c.code) << result;
    }

    // https tunnels through the proxy: squid sees a CONNECT, never the call itself.
    const CallResult tunnelled = MakeCall(*Session(m_nginx.HttpsUrl(), [&](DorsaSession& s) {
        s.SetProxy(open);
        s.SetCertificateAuthorities(ca);
    }));
    EXPECT_TRUE(tunnelled.IsSuccess()) << tunnelled;

    // Without a setting the environment decides; "none" ignores it.
    setenv("http_proxy", open.c_str(), 1);
    const CallResult fromEnvironment = MakeCall(*Session(m_nginx.HttpUrl() + "/environment", nullptr));
    const CallResult direct =
        MakeCall(*Session(m_nginx.HttpUrl() + "/none", [](DorsaSession& s) { s.SetProxy("none"); }));
    unsetenv("http_proxy");
    EXPECT_TRUE(fromEnvironment.IsSuccess()) << fromEnvironment;
    EXPECT_TRUE(direct.IsSuccess()) << direct;

    const std::vector<std::string> log = squid.StopAndReadAccessLog();
    const auto logged = [&](const std::string& method, const std::string& part) {
        std::vector<std::string> found;
        for (const std::string& line : log) {
            if (line.compare(0, method.size() + 1, method + " ") == 0 && Holds(line, part)) {
                found.push_back(line);
            }
        }
        return found;
    };
    for (const ProxyCase& c : cases) {
        SCOPED_TRACE(c.path);
        const std::vector<std::string> found = logged("POST", std::string(c.path) + "/");
        if (*c.logged == '\0') {
            EXPECT_EQ(found, std::vector<std::string>());
            continue;
        }
        ASSERT_FALSE(found.empty());
        const std::string& line = found.back();
        const std::string expected = c.logged;
        const std::size_t afterPath = expected.find(' ', 5);
        EXPECT_TRUE(Holds(line, expected.substr(afterPath))) << line;
    }
    EXPECT_EQ(logged("CONNECT", "127.0.0.1:").size(), 1u);
    EXPECT_EQ(logged("POST", "/environment/").size(), 1u);
    EXPECT_EQ(logged("POST", "/none/").size(), 0u);
}

} // namespace
} // namespace dorsatest
