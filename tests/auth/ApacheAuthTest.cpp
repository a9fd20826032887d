// Logging on with a user name and password against Apache httpd's Basic and Digest
// authentication: a real server, started by each test on 127.0.0.1.
#include "auth/AuthTestSupport.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace dorsatest {
namespace {

using namespace zvrtkDorsaServiceLayer;

// The accounts of both password files.
const Account s_accounts[] = {
    {"jo", "s3cret"},
    {"DORSA\\jo", "d0main-pw"},
    {"kim", u8"p\u00e4ssw\u00f6rd"},
};
const char* const s_realm = "Dorsa test";

struct LogOnCase {
    const char* path; // each case has a path of its own, to find its requests in the log
    LogOn logOn;
    const char* loggedUser; // as Apache logs it; null: refused
};

// The cases the client can pass. Wine's WinHTTP answers no Digest challenge (it sends the
// request again without credentials), so a Windows build under Wine is checked with Basic
// alone; Windows itself answers Digest.
template <typename Case>
std::vector<Case> ForThisClient(std::initializer_list<Case> cases)
{
    std::vector<Case> kept;
    for (const Case& c : cases) {
        if (!CallsRunUnderWine() || std::string(c.path).rfind("/digest", 0) != 0) {
            kept.push_back(c);
        }
    }
    return kept;
}

class ApacheAuthTest : public ApacheTest {
protected:
    void SetUp() override
    {
        const std::string missing = MissingPrograms({"apache2", "htpasswd", "md5sum"});
        if (!missing.empty()) {
            GTEST_SKIP() << "Not installed: " << missing << " (scripts/auth-deps.sh installs them)";
        }
        std::string basicUsers;
        std::string digestUsers;
        for (const Account& account : s_accounts) {
            const CommandResult entry = RunCommand({"htpasswd", "-nbB", account.user, account.password});
            ASSERT_EQ(entry.exitCode, 0) << entry.output;
            basicUsers += SplitLines(entry.output).front() + "\n";
            const std::string scope = std::string(account.user) + ":" + s_realm;
            digestUsers += scope + ":" + Md5Hex(scope + ":" + account.password) + "\n";
            AddSecret(m_secrets, account.password);
        }
        WriteFile(m_directory.File("basic-users"), basicUsers);
        WriteFile(m_directory.File("digest-users"), digestUsers);
        WriteStaticReply(m_directory);
        std::string error;
        ASSERT_TRUE(m_apache.Start(m_directory, "auth/password-site.conf.in", {{"REALM", s_realm}}, {}, error))
            << error;
    }

    std::string Url(const std::string& path) const
    {
        return "http://127.0.0.1:" + std::to_string(m_apache.Port()) + path;
    }

    // A session of its own for each case, with one call.
    CallScript OneCallEach(const std::vector<LogOnCase>& cases) const
    {
        CallScript script;
        for (const LogOnCase& c : cases) {
            script.Open(Url(c.path), c.logOn);
            script.Call();
        }
        script.Close();
        return script;
    }

    // The logged requests for paths under `prefix`.
    std::vector<AccessLogEntry> RequestsUnder(const std::string& prefix) const
    {
        std::vector<AccessLogEntry> found;
        for (const AccessLogEntry& entry : m_accessLog) {
            if (entry.path.compare(0, prefix.size(), prefix) == 0) {
                found.push_back(entry);
            }
        }
        return found;
    }
};


// Each case logs on with a first try without credentials, which the server answers with its
// challenge, then one with them, on one connection; refused credentials end there with 401:
// the client does not try again.
TEST_F(ApacheAuthTest, TheRightPasswordLogsOnAndAWrongOneEndsWith401)
{
    const std::vector<LogOnCase> cases = ForThisClient<LogOnCase>({
        {"/basic/user", LogOn::AsUser("jo", "s3cret"), "jo"},
        {"/basic/domain-and-user", LogOn::AsUser("DORSA", "jo", "d0main-pw"), "DORSA\\jo"},
        {"/basic/user-with-domain", LogOn::AsUser("DORSA\\jo", "d0main-pw"), "DORSA\\jo"},
        {"/basic/non-ascii-password", LogOn::AsUser("kim", u8"p\u00e4ssw\u00f6rd"), "kim"},
        {"/digest/user", LogOn::AsUser("jo", "s3cret"), "jo"},
        {"/digest/domain-and-user", LogOn::AsUser("DORSA", "jo", "d0main-pw"), "DORSA\\jo"},
        {"/digest/user-with-domain", LogOn::AsUser("DORSA\\jo", "d0main-pw"), "DORSA\\jo"},
        {"/digest/non-ascii-password", LogOn::AsUser("kim", u8"p\u00e4ssw\u00f6rd"), "kim"},
        {"/basic/wrong-password", LogOn::AsUser("jo", "nope"), nullptr},
        {"/basic/unknown-user", LogOn::AsUser("nobody", "s3cret"), nullptr},
        {"/basic/wrong-domain", LogOn::AsUser("ELSEWHERE", "jo", "d0main-pw"), nullptr},
        {"/digest/wrong-password", LogOn::AsUser("jo", "nope"), nullptr},
        {"/digest/unknown-user", LogOn::AsUser("nobody", "s3cret"), nullptr},
        {"/digest/wrong-domain", LogOn::AsUser("ELSEWHERE", "jo", "d0main-pw"), nullptr},
    });
    AddSecret(m_secrets, "nope");
    const std::vector<CallResult> results = RunCalls(OneCallEach(cases), m_logger);
    ASSERT_EQ(results.size(), cases.size());
    FinishCalls();
    for (size_t i = 0; i < cases.size(); ++i) {
        const LogOnCase& c = cases[i];
        SCOPED_TRACE(c.path);
        const bool accepted = c.loggedUser != nullptr;
        EXPECT_EQ(results[i].outcome, accepted ? CallOutcomes::Success : CallOutcomes::HttpFailure) << results[i];
        EXPECT_EQ(results[i].code, accepted ? 200 : 401);
        EXPECT_EQ(results[i].value, accepted ? "served" : "untouched");
        const std::vector<AccessLogEntry> requests = RequestsUnder(c.path + std::string("/"));
        ASSERT_EQ(requests.size(), 2u);
        EXPECT_EQ(requests[0].status, 401);
        EXPECT_EQ(requests[0].authorization, "-");
        EXPECT_EQ(requests[1].status, accepted ? 200 : 401);
        const std::string scheme = c.path[1] == 'b' ? "Basic " : "Digest ";
        EXPECT_EQ(requests[1].authorization.substr(0, scheme.size()), scheme);
        EXPECT_EQ(requests[1].clientPort, requests[0].clientPort);
        if (accepted) {
            EXPECT_EQ(requests[1].user, c.loggedUser);
        }
    }
}

struct LaterCallsCase {
    const char* path;
    const char* authorization; // what every later request's Authorization starts with
    bool countsKeptAliveRequests;
};

// The first call learns from its 401 what the server wants: Basic is then sent with each
// later call's one request; Digest answers with the nonce of that first challenge (and a
// growing nonce count). All of them go over one connection.
TEST_F(ApacheAuthTest, LaterCallsNeedOneRequestEach)
{
    const std::vector<LaterCallsCase> cases = ForThisClient<LaterCallsCase>({
        {"/basic", "Basic am86czNjcmV0", true},
        {"/digest", "Digest ", false},
    });
    CallScript script;
    for (const LaterCallsCase& c : cases) {
        script.Open(Url(c.path), LogOn::AsUser("jo", "s3cret"));
        script.Call(4);
    }
    script.Close();
    for (const CallResult& result : RunCalls(script, m_logger)) {
        EXPECT_TRUE(result.IsSuccess()) << result;
    }
    FinishCalls();
    for (const LaterCallsCase& c : cases) {
        SCOPED_TRACE(c.path);
        const std::vector<AccessLogEntry> requests = RequestsUnder(c.path);
        ASSERT_EQ(requests.size(), 5u);
        EXPECT_EQ(requests[0].status, 401);
        EXPECT_EQ(requests[0].authorization, "-");
        for (size_t i = 0; i < requests.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(requests[i].clientPort, requests[0].clientPort);
            if (c.countsKeptAliveRequests) {
                EXPECT_EQ(requests[i].keepAliveRequests, static_cast<int>(i));
            }
            if (i > 0) {
                EXPECT_EQ(requests[i].status, 200);
                EXPECT_EQ(requests[i].authorization.rfind(c.authorization, 0), 0u) << requests[i].authorization;
            }
        }
    }
}

TEST_F(ApacheAuthTest, GoingAnonymousSendsNoCredentials)
{
    CallScript script;
    script.Open(Url("/basic"), LogOn::AsUser("jo", "s3cret"));
    script.Call();
    script.Apply(LogOn::Anonymous());
    script.Call();
    script.Close();
    const std::vector<CallResult> results = RunCalls(script, m_logger);
    ASSERT_EQ(results.size(), 2u);
    EXPECT_TRUE(results[0].IsSuccess()) << results[0];
    EXPECT_EQ(results[1].outcome, CallOutcomes::HttpFailure) << results[1];
    EXPECT_EQ(results[1].code, 401);
    const std::vector<AccessLogEntry>& requests = FinishCalls();
    // jo's challenge and log-on on one connection, then the anonymous call alone on one
    // of its own. (Each connection's requests are logged in order, but two connections'
    // requests may be logged in either order.) Wine shares one connection pool among all
    // of a process's WinHTTP sessions: there the anonymous call may reuse jo's connection.
    ASSERT_EQ(requests.size(), 3u);
    std::vector<AccessLogEntry> joRequests;
    std::vector<AccessLogEntry> otherRequests;
    for (const AccessLogEntry& request : requests) {
        const bool joConnection = request.clientPort == requests[0].clientPort;
        (joConnection && (joRequests.size() < 2 || !CallsRunUnderWine()) ? joRequests : otherRequests)
            .push_back(request);
    }
    ASSERT_EQ(joRequests.size(), 2u);
    EXPECT_EQ(joRequests[1].user, "jo");
    ASSERT_EQ(otherRequests.size(), 1u);
    EXPECT_EQ(otherRequests[0].authorization, "-");
    EXPECT_EQ(otherRequests[0].status, 401);
}

} // namespace
} // namespace dorsatest
