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

// The dorsa tool to run: DORSA_TOOL, else this build's ("" when it builds none).
std::string Tool()
{
    const char* tool = std::getenv("DORSA_TOOL");
    return tool && *tool ? tool : DORSA_TOOL_PATH;
}

// Runs Tool() (through DORSA_TOOL_LAUNCHER when set, as "wine") with --url `url` and `arguments`.
CommandResult RunTool(const std::string& url, const std::vector<std::string>& arguments,
                      const Environment& environment = Environment())
{
    std::vector<std::string> command = LaunchedCommand("DORSA_TOOL_LAUNCHER", Tool());
    command.insert(command.end(), {"--url", url});
    command.insert(command.end(), arguments.begin(), arguments.end());
    return RunCommand(command, std::string(), environment);
}

using Configure = std::function<void(CallScript&)>;

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

    // One call by a session of its own on `url`, its settings made by `configure`. Each runs
    // in a client process of its own, since Wine shares one connection pool among a
    // process's WinHTTP sessions whatever their settings.
    CallResult OneCall(const std::string& url, const Configure& configure)
    {
        CallScript script;
        script.Open(url, LogOn::Anonymous());
        if (configure) {
            configure(script);
        }
        script.Call();
        return RunOneCall(script, m_logger);
    }

    ScratchDirectory m_directory;
    TestCertificates m_certificates;
    NginxServer m_nginx;
    RecordingLogger m_logger;
};

struct TlsCase {
    const char* name;
    std::string url;
    Configure configure;
    CallOutcomes::eCallOutcome outcome;
    int code;            // when the outcome is not a transport failure
    const char* because; // a part of the transport failure's reason
    const char* winHttpBecause = nullptr; // where WinHTTP's reason differs
};

TEST_F(NetworkServersTest, TlsSettingsDecideWhichServersAreTrusted)
{
    const TestCertificates& certs = m_certificates;
    const std::string locked = certs.clientKeyLocked;
    const auto client = [&](const std::string& key, const std::string& password) {
        return [=](CallScript& session) {
            session.SetCertificateAuthorities(certs.caFile);
            session.SetClientCertificate(certs.clientFile, key, password);
        };
    };
    const TlsCase cases[] = {
        {"CA file beside the system store", m_nginx.HttpsUrl(),
         [&](CallScript& s) { s.SetCertificateAuthorities(certs.caFile); }, CallOutcomes::Success, 200, ""},
        {"CA folder instead of the system store", m_nginx.HttpsUrl(),
         [&](CallScript& s) { s.SetCertificateAuthorities("", certs.caFolder, false); }, CallOutcomes::Success, 200,
         ""},
        {"no CA setting", m_nginx.HttpsUrl(), nullptr, CallOutcomes::TransportFailure, 0,
         "SSL certificate problem: unable to get local issuer certificate", "certificate"},
        {"system store left out", m_nginx.HttpsUrl(),
         [&](CallScript& s) { s.SetCertificateAuthorities("", "", false); }, CallOutcomes::TransportFailure, 0,
         "certificate"},
        {"unreadable CA file", m_nginx.HttpsUrl(),
         [&](CallScript& s) { s.SetCertificateAuthorities(m_directory.File("none.pem")); },
         CallOutcomes::TransportFailure, 0, "none.pem cannot be read"},
        {"certificate of another host", m_nginx.OtherHostUrl(),
         [&](CallScript& s) { s.SetCertificateAuthorities(certs.caFile); }, CallOutcomes::TransportFailure, 0,
         "certificate subject name", "the server's certificate is for another host name"},
        {"checks off, for tests only", m_nginx.OtherHostUrl(),
         [&](CallScript& s) { s.SetCertificateChecksOffForTestsOnly(); }, CallOutcomes::Success, 200, ""},
        {"client certificate", m_nginx.ClientCertificateUrl(), client(certs.clientKey, ""), CallOutcomes::Success,
         200, ""},
        {"client certificate, key with a password", m_nginx.ClientCertificateUrl(),
         client(locked, s_clientKeyPassword), CallOutcomes::Success, 200, ""},
        {"no client certificate", m_nginx.ClientCertificateUrl(),
         [&](CallScript& s) { s.SetCertificateAuthorities(certs.caFile); }, CallOutcomes::HttpFailure, 400, ""},
        {"client certificate and key in one file", m_nginx.ClientCertificateUrl(),
         [&](CallScript& s) {
             s.SetCertificateAuthorities(certs.caFile);
             s.SetClientCertificate(certs.clientWithKey, "", "");
         },
         CallOutcomes::Success, 200, ""},
        {"key of another certificate", m_nginx.ClientCertificateUrl(), client(certs.caKey, ""),
         CallOutcomes::TransportFailure, 0, "the client certificate or its key cannot be used"},
        {"wrong key password", m_nginx.ClientCertificateUrl(), client(locked, "not-it"),
         CallOutcomes::TransportFailure, 0, "the client certificate or its key cannot be used (is the key password right?)"},
    };
    const bool winHttp = CallsRunUnderWine();
    for (TlsCase c : cases) {
        SCOPED_TRACE(c.name);
        if (winHttp && c.winHttpBecause) {
            c.because = c.winHttpBecause;
        }
        const CallResult result = OneCall(c.url, c.configure);
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

struct ToolCase {
    const char* name;
    std::string url;
    std::vector<std::string> arguments;
    Environment environment;
    int exitCode;
};

// The tool's options reach the same settings (its proxy options are in the proxy test).
TEST_F(NetworkServersTest, TheToolsTlsOptions)
{
    if (Tool().empty()) {
        GTEST_SKIP() << "this build makes no dorsa tool";
    }
    const TestCertificates& certs = m_certificates;
    const std::vector<std::string> withCertificate = {"--ca-file", certs.caFile, "--cert", certs.clientFile, "--key",
                                                      certs.clientKeyLocked, "tables", "K"};
    const ToolCase cases[] = {
        {"--ca-file", m_nginx.HttpsUrl(), {"--ca-file", certs.caFile, "tables", "K"}, {}, 0},
        {"no --ca-file", m_nginx.HttpsUrl(), {"tables", "K"}, {}, 3},
        {"--cert and --key, its password from DORSA_KEY_PASSWORD", m_nginx.ClientCertificateUrl(), withCertificate,
         {{"DORSA_KEY_PASSWORD", s_clientKeyPassword}}, 0},
        {"a wrong DORSA_KEY_PASSWORD", m_nginx.ClientCertificateUrl(), withCertificate,
         {{"DORSA_KEY_PASSWORD", "not-it"}}, 3},
    };
    for (const ToolCase& c : cases) {
        SCOPED_TRACE(c.name);
        const CommandResult run = RunTool(c.url, c.arguments, c.environment);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.output;
    }
}

TEST_F(NetworkServersTest, AnUploadTheServerRefusesIsARecordedFailure)
{
    // nginx takes bodies up to 1 KB.
    CallScript script;
    script.Open(m_nginx.HttpsUrl(), LogOn::Anonymous());
    script.SetCertificateAuthorities(m_certificates.caFile);
    script.PutBytes(m_nginx.HttpsUrl() + "/files/x", std::string(4096, 'x'), "text/plain");
    const CallResult outcome = RunOneCall(script, m_logger);
    EXPECT_EQ(outcome.outcome, CallOutcomes::HttpFailure);
    EXPECT_EQ(outcome.code, 413);
    EXPECT_TRUE(Holds(outcome.value, "413")) << outcome.value;
    const std::vector<std::string> failures = m_logger.At(1);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_TRUE(Holds(failures.front(), "with HTTP code 413")) << failures.front();
}

struct ProxyCase {
    const char* path; // each case has its own, to find its requests in squid's log
    std::string host; // of the server's URL
    Configure configure;
    CallOutcomes::eCallOutcome outcome;
    int code;
    const char* logged; // the status and user of squid's log line for the call's POST, "" for none
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
        {"/through", "127.0.0.1", [&](CallScript& s) { s.SetProxy(open); }, CallOutcomes::Success, 200, "200 -"},
        {"/bypassed", "localhost", [&](CallScript& s) { s.SetProxy(open, "example.invalid,localhost"); },
         CallOutcomes::Success, 200, ""},
        {"/logged-on", "127.0.0.1",
         [&](CallScript& s) {
             s.SetProxy(lockedUrl);
             s.SetProxyCredentials("pat", "pr0xy-pw");
         },
         CallOutcomes::Success, 200, "200 pat"},
        // Credentials set before the proxy are carried over to the client made for it.
        {"/wrong-password", "127.0.0.1",
         [&](CallScript& s) {
             s.SetProxyCredentials("pat", "not-it");
             s.SetProxy(lockedUrl);
         },
         CallOutcomes::HttpFailure, 407, "407 pat"},
        {"/no-credentials", "127.0.0.1", [&](CallScript& s) { s.SetProxy(lockedUrl); }, CallOutcomes::HttpFailure, 407,
         "407 -"},
    };
    for (const ProxyCase& c : cases) {
        SCOPED_TRACE(c.path);
        const CallResult result = OneCall(m_nginx.HttpUrl(c.host) + c.path, c.configure);
        EXPECT_EQ(result.outcome, c.outcome) << result;
        EXPECT_EQ(result.code, c.code) << result;
    }

    // https tunnels through the proxy: squid sees a CONNECT, never the call itself.
    const CallResult tunnelled = OneCall(m_nginx.HttpsUrl(), [&](CallScript& s) {
        s.SetProxy(open);
        s.SetCertificateAuthorities(ca);
    });
    EXPECT_TRUE(tunnelled.IsSuccess()) << tunnelled;

    // Without a setting the environment decides (on Linux; WinHTTP takes the system's
    // settings, never http_proxy); "none" ignores it.
    setenv("http_proxy", open.c_str(), 1);
    const CallResult fromEnvironment = OneCall(m_nginx.HttpUrl() + "/environment", nullptr);
    const CallResult direct = OneCall(m_nginx.HttpUrl() + "/none", [](CallScript& s) { s.SetProxy("none"); });
    unsetenv("http_proxy");
    EXPECT_TRUE(fromEnvironment.IsSuccess()) << fromEnvironment;
    EXPECT_TRUE(direct.IsSuccess()) << direct;

    if (Tool().empty()) {
        return; // this build makes no dorsa tool
    }
    const CommandResult toolThrough = RunTool(m_nginx.HttpUrl() + "/tool", {"--proxy", open, "tables", "K"});
    const CommandResult toolDirect =
        RunTool(m_nginx.HttpUrl() + "/tool-direct", {"--no-proxy", "tables", "K"}, {{"http_proxy", open}});
    EXPECT_EQ(toolThrough.exitCode, 0) << toolThrough.output;
    EXPECT_EQ(toolDirect.exitCode, 0) << toolDirect.output;

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
        EXPECT_TRUE(Holds(found.back(), std::string(" ") + c.logged)) << found.back();
    }
    EXPECT_EQ(logged("CONNECT", "127.0.0.1:").size(), 1u);
    EXPECT_EQ(logged("POST", "/environment/").size(), CallsRunUnderWine() ? 0u : 1u);
    EXPECT_EQ(logged("POST", "/none/").size(), 0u);
    EXPECT_EQ(logged("POST", "/tool/").size(), 1u);
    EXPECT_EQ(logged("POST", "/tool-direct/").size(), 0u);
}

} // namespace
} // namespace dorsatest
