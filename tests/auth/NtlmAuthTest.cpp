// Logging on with NTLM against the NTLM test server (ntlm_server.py), which ties what a
// handshake proves to its TCP connection as NTLM servers do, checks the client's NTLMv2
// response and logs, per connection, who logged on and what the client sent.
#include "auth/AuthTestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace dorsatest {
namespace {

using namespace zvrtkDorsaServiceLayer;
using Json = nlohmann::json;

const char* const s_python = "/usr/bin/python3"; // Debian's, for which python3-impacket installs

struct Account {
    const char* user;
    const char* password;
};
// The server's accounts, all in its own domain DORSA.
const Account s_accounts[] = {
    {"jo", "s3cret"},
    {"ann", "an0ther"},
    {"kim", u8"p\u00e4ssw\u00f6rd"}, // within Latin-1
    {"eve", u8"\u20acuro-pw"},        // "€" is beyond Latin-1
    {u8"j\u00f6rg", "j0rg-pw"},      // a user name beyond ASCII
};

class NtlmAuthTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const CommandResult impacket = RunCommand({s_python, "-c", "import impacket.ntlm"});
        if (impacket.exitCode != 0) {
            GTEST_SKIP() << s_python << " cannot import impacket.ntlm (python3-impacket; scripts/auth-deps.sh "
                         << "installs it): " << impacket.output;
        }
        Json accounts = Json::array();
        for (const Account& account : s_accounts) {
            accounts.push_back({{"domain", "DORSA"}, {"user", account.user}, {"password", account.password}});
            AddSecret(m_secrets, account.password);
        }
        WriteFile(m_directory.File("accounts.json"), Json{{"domain", "DORSA"}, {"accounts", accounts}}.dump());
        const std::string portFile = m_directory.File("port");
        std::string error;
        ASSERT_TRUE(m_server.Start({s_python, NTLM_SERVER_SCRIPT, "--config", m_directory.File("accounts.json"),
                                    "--log", m_directory.File("requests.log"), "--port-file", portFile},
                                   {}, m_directory.File("server.out"), error))
            << error;
        ASSERT_TRUE(WaitForFile(portFile, m_server))
            << "the server did not start: " << ReadFile(m_directory.File("server.out"));
        m_port = std::stoi(ReadFile(portFile));
        ASSERT_TRUE(WaitUntilListening(m_port, m_server));
    }

    void TearDown() override
    {
        m_server.Stop();
        for (const Json& entry : ServerLog()) {
            AddAuthorizationSecret(m_secrets, entry.value("authorization", ""));
        }
        EXPECT_EQ(LinesHoldingSecrets(m_logger, m_secrets), std::vector<std::string>());
        const std::string serverOutput = ReadFile(m_directory.File("server.out"));
        EXPECT_EQ(serverOutput, "") << "the server failed";
    }

    std::string Url() const { return "http://127.0.0.1:" + std::to_string(m_port); }

    SmartPtr<DorsaSession> Session(SmartPtr<IDorsaSLAuthModule> auth)
    {
        return DorsaSession::CreateOneWithLogger(Url(), auth, &m_logger);
    }

    // Every request the server logged so far (it logs each before answering it).
    std::vector<Json> ServerLog() const
    {
        std::vector<Json> entries;
        for (const std::string& line : SplitLines(ReadFile(m_directory.File("requests.log")))) {
            entries.push_back(Json::parse(line));
        }
        return entries;
    }

    // The logged requests of connection `connection`.
    std::vector<Json> RequestsOn(int connection) const
    {
        std::vector<Json> entries;
        for (const Json& entry : ServerLog()) {
            if (entry["connection"] == connection) {
                entries.push_back(entry);
            }
        }
        return entries;
    }

    // What the server found in the last authenticate message it was sent.
    Json LastAuthenticate() const
    {
        Json last;
        for (const Json& entry : ServerLog()) {
            if (entry.contains("authenticate")) {
                last = entry["authenticate"];
            }
        }
        return last;
    }

    ScratchDirectory m_directory;
    RecordingLogger m_logger;
    ServerProcess m_server;
    int m_port = 0;
    std::vector<std::string> m_secrets;
};

// The requests of one call that logs on: the try without credentials, the negotiate
// message, the authenticate message.
void ExpectHandshake(const std::vector<Json>& requests, const char* user, const char* domain)
{
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0]["authorization"], "");
    EXPECT_EQ(requests[0]["status"], 401);
    EXPECT_EQ(requests[1]["authorization"].get<std::string>().substr(0, 5), "NTLM ");
    EXPECT_EQ(requests[1]["status"], 401);
    ASSERT_TRUE(requests[2].contains("authenticate"));
    const Json& authenticate = requests[2]["authenticate"];
    EXPECT_EQ(authenticate["user"], user);
    EXPECT_EQ(authenticate["domain"], domain);
    EXPECT_EQ(authenticate["ntlm_version"], 2);
    EXPECT_EQ(authenticate["verified"], true);
    EXPECT_EQ(requests[2]["status"], 200);
}

struct LogOnCase {
    const char* name;
    SmartPtr<IDorsaSLAuthModule> module;
    const char* sentDomain; // in the authenticate message
};

TEST_F(NtlmAuthTest, TheRightPasswordLogsOn)
{
    const LogOnCase cases[] = {
        {"domain and user", DorsaSLAuth_Authenticated::CreateOne("DORSA", "jo", "s3cret"), "DORSA"},
        {"user with domain", DorsaSLAuth_Authenticated::CreateOne("DORSA\\jo", "s3cret"), "DORSA"},
        {"domain in lower case", DorsaSLAuth_Authenticated::CreateOne("dorsa", "jo", "s3cret"), "dorsa"},
        {"no domain: the server's own", DorsaSLAuth_Authenticated::CreateOne("jo", "s3cret"), ""},
    };
    for (const LogOnCase& c : cases) {
        SCOPED_TRACE(c.name);
        const CallResult result = MakeCall(*Session(c.module));
        EXPECT_TRUE(result.IsSuccess()) << result;
        EXPECT_EQ(result.value, "DORSA\\jo");
        ExpectHandshake(RequestsOn(result.count), "jo", c.sentDomain);
    }
}

TEST_F(NtlmAuthTest, AWrongPasswordEndsWith401)
{
    const LogOnCase cases[] = {
        {"wrong password", DorsaSLAuth_Authenticated::CreateOne("DORSA", "jo", "nope"), "DORSA"},
        {"unknown user", DorsaSLAuth_Authenticated::CreateOne("DORSA", "nobody", "s3cret"), "DORSA"},
        {"another domain", DorsaSLAuth_Authenticated::CreateOne("ELSEWHERE", "jo", "s3cret"), "ELSEWHERE"},
    };
    AddSecret(m_secrets, "nope");
    for (const LogOnCase& c : cases) {
        SCOPED_TRACE(c.name);
        const size_t before = ServerLog().size();
        const CallResult result = MakeCall(*Session(c.module));
        EXPECT_EQ(result.outcome, CallOutcomes::HttpFailure) << result;
        EXPECT_EQ(result.code, 401);
        EXPECT_EQ(result.value, "untouched");
        // The try without credentials, the negotiate and the refused authenticate
        // message: the client gives up there.
        const std::vector<Json> log = ServerLog();
        ASSERT_EQ(log.size() - before, 3u);
        EXPECT_EQ(log.back()["status"], 401);
        EXPECT_EQ(log.back()["authenticate"]["verified"], false);
        EXPECT_EQ(log.back()["authenticate"]["domain"], c.sentDomain);
    }
}

TEST_F(NtlmAuthTest, TheAuthenticatedConnectionServesTheLaterCalls)
{
    SmartPtr<DorsaSession> session = Session(DorsaSLAuth_Authenticated::CreateOne("DORSA", "jo", "s3cret"));
    std::set<int> connections;
    for (int call = 0; call < 3; ++call) {
        SCOPED_TRACE(call);
        const CallResult result = MakeCall(*session);
        EXPECT_TRUE(result.IsSuccess()) << result;
        EXPECT_EQ(result.value, "DORSA\\jo");
        connections.insert(result.count);
    }
    ASSERT_EQ(connections.size(), 1u);
    // The handshake once, then one request per call, without credentials: the connection
    // is authenticated.
    const std::vector<Json> requests = RequestsOn(*connections.begin());
    ASSERT_EQ(requests.size(), 5u);
    ExpectHandshake({requests.begin(), requests.begin() + 3}, "jo", "DORSA");
    for (size_t i = 3; i < requests.size(); ++i) {
        EXPECT_EQ(requests[i]["authorization"], "");
        EXPECT_EQ(requests[i]["status"], 200);
        EXPECT_EQ(requests[i]["identity"], "DORSA\\jo");
    }
    EXPECT_EQ(ServerLog().size(), 5u);
}

TEST_F(NtlmAuthTest, ANewIdentityNeverReusesAnAuthenticatedConnection)
{
    SmartPtr<DorsaSession> session = Session(DorsaSLAuth_Authenticated::CreateOne("DORSA", "jo", "s3cret"));
    const CallResult asJo = MakeCall(*session);
    ASSERT_TRUE(asJo.IsSuccess()) << asJo;
    ASSERT_EQ(asJo.value, "DORSA\\jo");
    const size_t joRequests = RequestsOn(asJo.count).size();

    session->ApplyAuthenticationModule(DorsaSLAuth_Authenticated::CreateOne("DORSA\\ann", "an0ther"));
    const CallResult asAnn = MakeCall(*session);
    EXPECT_TRUE(asAnn.IsSuccess()) << asAnn;
    EXPECT_EQ(asAnn.value, "DORSA\\ann");
    EXPECT_NE(asAnn.count, asJo.count);
    ExpectHandshake(RequestsOn(asAnn.count), "ann", "DORSA");

    // Back to the first identity: again a connection of its own, never jo's old one.
    session->ApplyAuthenticationModule(DorsaSLAuth_Authenticated::CreateOne("DORSA", "jo", "s3cret"));
    const CallResult asJoAgain = MakeCall(*session);
    EXPECT_TRUE(asJoAgain.IsSuccess()) << asJoAgain;
    EXPECT_EQ(asJoAgain.value, "DORSA\\jo");
    EXPECT_NE(asJoAgain.count, asJo.count);
    EXPECT_NE(asJoAgain.count, asAnn.count);
    // No request reached jo's first connection after the change.
    EXPECT_EQ(RequestsOn(asJo.count).size(), joRequests);
}

TEST_F(NtlmAuthTest, GoingAnonymousNeverReusesAnAuthenticatedConnection)
{
    SmartPtr<DorsaSession> session = Session(DorsaSLAuth_Authenticated::CreateOne("DORSA", "jo", "s3cret"));
    const CallResult asJo = MakeCall(*session);
    ASSERT_TRUE(asJo.IsSuccess()) << asJo;
    const size_t joRequests = RequestsOn(asJo.count).size();

    session->ApplyAuthenticationModule(DorsaSLAuth_Annonymous::CreateOne());
    const CallResult anonymous = MakeCall(*session);
    EXPECT_EQ(anonymous.outcome, CallOutcomes::HttpFailure) << anonymous;
    EXPECT_EQ(anonymous.code, 401);
    EXPECT_EQ(RequestsOn(asJo.count).size(), joRequests);
    for (const Json& entry : ServerLog()) {
        if (entry["connection"] != asJo.count) {
            EXPECT_EQ(entry["status"], 401) << entry.dump();
            EXPECT_FALSE(entry.contains("authenticate")) << entry.dump();
        }
    }
}

// libcurl 7.88 computes the NT hash from the password's bytes, each widened to one UTF-16
// unit: it reads them as Latin-1, so the UTF-8 form of a password beyond ASCII never
// verifies (the server finds the response computed from "pÃ¤sswÃ¶rd"). A password within
// Latin-1 has a form that does: the client must end up sending that one, and give up after
// it rather than loop.
TEST_F(NtlmAuthTest, APasswordWithinLatin1LogsOn)
{
    const CallResult result =
        MakeCall(*Session(DorsaSLAuth_Authenticated::CreateOne("DORSA", "kim", u8"p\u00e4ssw\u00f6rd")));
    EXPECT_TRUE(result.IsSuccess()) << result;
    EXPECT_EQ(result.value, "DORSA\\kim");
    std::vector<Json> authenticates;
    for (const Json& entry : ServerLog()) {
        if (entry.contains("authenticate")) {
            authenticates.push_back(entry["authenticate"]);
        }
    }
    ASSERT_FALSE(authenticates.empty());
    EXPECT_LE(authenticates.size(), 2u);
    const Json asSet = {{"password", "as set"}, {"user_upper", "unicode"}};
    EXPECT_EQ(authenticates.back()["computed_from"], asSet);
    EXPECT_EQ(authenticates.back()["verified"], true);
}

// A password beyond Latin-1 has no such form ("€" is U+20AC; libcurl can only make U+0000
// to U+00FF of a byte): it goes as its UTF-8 bytes, widened, and is refused once.
TEST_F(NtlmAuthTest, APasswordBeyondLatin1IsRefused)
{
    const size_t before = ServerLog().size();
    const CallResult result =
        MakeCall(*Session(DorsaSLAuth_Authenticated::CreateOne("DORSA", "eve", u8"\u20acuro-pw")));
    EXPECT_EQ(result.outcome, CallOutcomes::HttpFailure) << result;
    EXPECT_EQ(result.code, 401);
    EXPECT_EQ(ServerLog().size() - before, 3u);
    const Json authenticate = LastAuthenticate();
    EXPECT_EQ(authenticate["user"], "eve");
    EXPECT_EQ(authenticate["verified"], false);
    const Json widened = {{"password", "utf-8 bytes widened"}, {"user_upper", "unicode"}};
    EXPECT_EQ(authenticate["computed_from"], widened);
}

// The user name goes in the authenticate message as its bytes (libcurl asks for the OEM
// character set and writes the name as it is given), and into the NTLMv2 key upper-cased
// by ASCII rules only: a name beyond ASCII names no account.
TEST_F(NtlmAuthTest, ANonAsciiUserNameCannotLogOn)
{
    const CallResult result =
        MakeCall(*Session(DorsaSLAuth_Authenticated::CreateOne("DORSA", u8"j\u00f6rg", "j0rg-pw")));
    EXPECT_EQ(result.code, 401) << result;
    const Json authenticate = LastAuthenticate();
    EXPECT_EQ(authenticate["encoding"], "oem");
    EXPECT_EQ(authenticate["user_bytes"], "6ac3b67267");
    EXPECT_EQ(authenticate["account_found"], false);
    EXPECT_EQ(authenticate["verified"], false);
}

} // namespace
} // namespace dorsatest
