// Logging on as the current user (Negotiate with Kerberos) against Apache httpd's
// GSS-API module, with tickets from a throwaway MIT Kerberos realm: each test makes its
// own KDC, with its database, its principals and the web service's key, on 127.0.0.1.
#include "auth/AuthTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace dorsatest {
namespace {

using namespace zvrtkDorsaServiceLayer;

const char* const s_realm = "TEST.LOCAL";
const char* const s_masterPassword = "kdc-master-7";
const char* const s_userPassword = "alice-pw-42";

class KerberosAuthTest : public ApacheTest {
protected:
    void SetUp() override
    {
        const std::string missing = MissingPrograms({"apache2", "krb5kdc", "kdb5_util", "kadmin.local", "kinit"});
        if (!missing.empty()) {
            GTEST_SKIP() << "Not installed: " << missing << " (scripts/auth-deps.sh installs them)";
        }
        if (!std::filesystem::exists("/usr/lib/apache2/modules/mod_auth_gssapi.so")) {
            GTEST_SKIP() << "Apache's GSS-API module is not installed (libapache2-mod-auth-gssapi; "
                            "scripts/auth-deps.sh installs it)";
        }
        AddSecret(m_secrets, s_masterPassword);
        AddSecret(m_secrets, s_userPassword);
        std::filesystem::create_directories(m_directory.File("kdc"));
        std::filesystem::create_directories(m_directory.File("logs"));
        m_kerberos = {{"KRB5_CONFIG", m_directory.File("krb5.conf")},
                      {"KRB5_KDC_PROFILE", m_directory.File("kdc/kdc.conf")}};
        WriteConfiguration(FreeLoopbackPort());
        const CommandResult created =
            RunCommand({"kdb5_util", "create", "-s", "-r", s_realm, "-P", s_masterPassword}, "", m_kerberos);
        ASSERT_EQ(created.exitCode, 0) << created.output;
        const std::string keytab = m_directory.File("http.keytab");
        const CommandResult principals =
            RunCommand({"kadmin.local", "-r", s_realm},
                       "addprinc -pw " + std::string(s_userPassword) + " alice\n"
                       "addprinc -randkey HTTP/localhost\n"
                       "ktadd -k " + keytab + " HTTP/localhost\n",
                       m_kerberos);
        ASSERT_EQ(principals.exitCode, 0) << principals.output;
        ASSERT_TRUE(std::filesystem::exists(keytab)) << principals.output;
        // Apache's children, which run as another user, read the service key.
        std::filesystem::permissions(keytab, std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                                                 std::filesystem::perms::others_read);

        std::string error;
        ASSERT_TRUE(StartKdc(error)) << error;

        WriteStaticReply(m_directory);
        // No replay cache: it would be a file outside the scratch directory.
        ASSERT_TRUE(m_apache.Start(m_directory, "auth/gssapi-site.conf.in", {{"REALM", s_realm}, {"KEYTAB", keytab}},
                                   {{"KRB5_CONFIG", m_directory.File("krb5.conf")}, {"KRB5RCACHETYPE", "none"}},
                                   error))
            << error;
        // libcurl's GSS-API reads the configuration and the ticket cache (KRB5CCNAME) from the
        // process environment when it makes a token; TearDown unsets both.
        setenv("KRB5_CONFIG", m_directory.File("krb5.conf").c_str(), 1);
    }

    // The client's and the KDC's configuration, for a KDC on `kdcPort`.
    void WriteConfiguration(int kdcPort)
    {
        const std::map<std::string, std::string> values = {
            {"ROOT", m_directory.Path()}, {"REALM", s_realm}, {"KDC_PORT", std::to_string(kdcPort)}};
        WriteFile(m_directory.File("krb5.conf"), FillTemplate("auth/krb5.conf.in", values));
        WriteFile(m_directory.File("kdc/kdc.conf"), FillTemplate("auth/kdc.conf.in", values));
        m_kdcPort = kdcPort;
    }

    // Another test may take the free port before the KDC binds it: then it tries another.
    bool StartKdc(std::string& error)
    {
        const std::string output = m_directory.File("logs/kdc.out");
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (attempt > 0) {
                WriteConfiguration(FreeLoopbackPort());
            }
            WriteFile(output, "");
            if (!m_kdc.Start({"krb5kdc", "-n", "-r", s_realm}, m_kerberos, output, error)) {
                return false;
            }
            if (WaitUntilListening(m_kdcPort, m_kdc)) {
                return true;
            }
            m_kdc.Stop();
            error = "the KDC did not start: " + ReadFile(output) + ReadFile(m_directory.File("logs/kdc.log"));
            if (error.find("in use") == std::string::npos) {
                return false;
            }
        }
        return false;
    }

    void TearDown() override
    {
        ApacheTest::TearDown();
        m_kdc.Stop();
        unsetenv("KRB5CCNAME");
        unsetenv("KRB5_CONFIG");
    }

    // Takes the user's tickets into a cache of its own and makes it the process's.
    void LogOnAsAlice()
    {
        const std::string cache = "FILE:" + m_directory.File("alice.ccache");
        Environment environment = m_kerberos;
        environment.emplace_back("KRB5CCNAME", cache);
        const CommandResult kinit = RunCommand({"kinit", "alice@" + std::string(s_realm)},
                                               std::string(s_userPassword) + "\n", environment);
        ASSERT_EQ(kinit.exitCode, 0) << kinit.output;
        setenv("KRB5CCNAME", cache.c_str(), 1);
    }

    // The server's URL: its host must be the one of the service principal, HTTP/localhost.
    SmartPtr<DorsaSession> Session()
    {
        return DorsaSession::CreateOneWithLogger("http://localhost:" + std::to_string(m_apache.Port()),
                                                 DorsaSLAuth_AutoLoginAuth::CreateOne(), &m_logger);
    }

    Environment m_kerberos;
    int m_kdcPort = 0;
    ServerProcess m_kdc;
};

TEST_F(KerberosAuthTest, WithATicketAutomaticLogOnSucceeds)
{
    LogOnAsAlice();
    SmartPtr<DorsaSession> session = Session();
    for (int call = 0; call < 3; ++call) {
        SCOPED_TRACE(call);
        const CallResult result = MakeCall(*session);
        EXPECT_TRUE(result.IsSuccess()) << result;
        EXPECT_EQ(result.code, 200);
        EXPECT_EQ(result.value, "served");
    }
    session = nullptr;
    const std::vector<AccessLogEntry>& requests = FinishCalls();
    // Negotiate is the only mechanism asked for, so every call sends a token with its one
    // request, over the one connection.
    ASSERT_EQ(requests.size(), 3u);
    for (const AccessLogEntry& request : requests) {
        EXPECT_EQ(request.status, 200);
        EXPECT_EQ(request.user, "alice@TEST.LOCAL");
        EXPECT_EQ(request.authorization.substr(0, 10), "Negotiate ");
        EXPECT_EQ(request.clientPort, requests[0].clientPort);
    }
}

TEST_F(KerberosAuthTest, WithoutATicketTheCallEndsWith401)
{
    // A cache that holds nothing: no ticket to make a token from.
    setenv("KRB5CCNAME", ("FILE:" + m_directory.File("empty.ccache")).c_str(), 1);
    SmartPtr<DorsaSession> session = Session();
    const CallResult result = MakeCall(*session);
    EXPECT_EQ(result.outcome, CallOutcomes::HttpFailure) << result;
    EXPECT_EQ(result.code, 401);
    EXPECT_EQ(result.value, "untouched");
    session = nullptr;
    const std::vector<AccessLogEntry>& requests = FinishCalls();
    // No token could be made, so the one request goes without one and the refusal stands.
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].status, 401);
    EXPECT_EQ(requests[0].authorization, "-");
}

} // namespace
} // namespace dorsatest
