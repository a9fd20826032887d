#include "support/SessionFixture.h"
#include "support/TestOperations.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace dorsatest {
namespace {

using namespace zvrtkDorsaServiceLayer;

class DorsaSessionTest : public SessionFixture {
protected:
    // Runs one operation call and returns its HTTP code.
    int CallCode()
    {
        KeyOperation operation(m_session.get());
        ValueResponse response;
        operation.Call(new KeyRequest("K"), &response);
        return response.GetServiceLayerResponse()->GetResponseCode();
    }
};

// Counts how often the session applies it.
class CountingModule final : public IDorsaSLAuthModule {
public:
    void ApplyAuthentication(SmartPtr<HttpClient> client) override { m_applied += client ? 1 : 0; }
    int m_applied = 0;
};

TEST_F(DorsaSessionTest, ConnectionIsValidReportsTheStatus)
{
    eHttpStatusCode status = eHttpStatus_Redirect;
    Reply("home page");
    EXPECT_TRUE(m_session->ConnectionIsValid(&status));
    EXPECT_EQ(status, eHttpStatus_Success);
    EXPECT_EQ(m_server.LastRequest().method, "GET");
    EXPECT_EQ(m_server.LastRequest().path, "/");

    Reply("down", 503);
    EXPECT_FALSE(m_session->ConnectionIsValid(&status));
    EXPECT_EQ(status, eHttpStatus_ServerError);
    EXPECT_FALSE(m_session->ConnectionIsValid(nullptr));

    SmartPtr<DorsaSession> nowhere = DorsaSession::CreateOne(LoopbackServer::RefusingUrl(), nullptr);
    EXPECT_FALSE(nowhere->ConnectionIsValid(&status));
    EXPECT_EQ(status, eHttpStatus_NotSent);
}

TEST_F(DorsaSessionTest, AUrlThatIsNotUtf8IsRefused)
{
    EXPECT_THROW(DorsaSession::CreateOne("http://bad\xff/", nullptr), std::range_error);
}

struct LogOnCase {
    const char* name;
    SmartPtr<IDorsaSLAuthModule> module;
    int code;
    const char* authorization; // last Authorization header the server saw
};

TEST_F(DorsaSessionTest, UserNameModulesAnswerABasicChallenge)
{
    m_server.RequireBasicAuth("CORP\\jo", "s3cret");
    Reply(Envelope("<GetTablesResponse/>"));
    const LogOnCase cases[] = {
        {"domain and user", DorsaSLAuth_Authenticated::CreateOne("CORP", "jo", "s3cret"), 200, "Basic Q09SUFxqbzpzM2NyZXQ="},
        {"user with domain", DorsaSLAuth_Authenticated::CreateOne("CORP\\jo", "s3cret"), 200, "Basic Q09SUFxqbzpzM2NyZXQ="},
        {"empty domain", DorsaSLAuth_Authenticated::CreateOne("", "jo", "s3cret"), 401, "Basic am86czNjcmV0"},
        {"wrong password", DorsaSLAuth_Authenticated::CreateOne("CORP", "jo", "nope"), 401, "Basic Q09SUFxqbzpub3Bl"},
        {"anonymous", DorsaSLAuth_Annonymous::CreateOne(), 401, ""},
        {"automatic log-on", DorsaSLAuth_AutoLoginAuth::CreateOne(), 401, ""},
    };
    for (const LogOnCase& c : cases) {
        SCOPED_TRACE(c.name);
        m_session = DorsaSession::CreateOneWithLogger(m_server.Url(), c.module, &m_logger);
        const size_t before = m_server.Requests().size();
        EXPECT_EQ(CallCode(), c.code);
        // One unauthenticated try, then at most one with the credentials: a refusal does not loop.
        EXPECT_LE(m_server.Requests().size() - before, 2u);
        EXPECT_EQ(m_server.LastRequest().Header("Authorization"), c.authorization);
    }
}

TEST_F(DorsaSessionTest, AModuleIsAppliedOnceWhenItChanges)
{
    SmartPtr<CountingModule> first = new CountingModule;
    m_session = DorsaSession::CreateOne(m_server.Url(), first);
    EXPECT_EQ(first->m_applied, 1);
    m_session->ApplyAuthenticationModule(first);
    EXPECT_EQ(first->m_applied, 1);
    SmartPtr<CountingModule> second = new CountingModule;
    m_session->ApplyAuthenticationModule(second);
    EXPECT_EQ(second->m_applied, 1);
    m_session->ApplyAuthenticationModule(nullptr);
    EXPECT_EQ(first->m_applied + second->m_applied, 2);
}

TEST_F(DorsaSessionTest, ANewIdentityGetsANewConnection)
{
    if (RunningUnderWine()) {
        GTEST_SKIP() << "Wine's WinHTTP keeps one pool of connections for all its sessions";
    }
    Reply(Envelope("<GetTablesResponse/>"));
    CallCode();
    CallCode();
    EXPECT_EQ(m_server.ConnectionCount(), 1u);
    m_session->ApplyAuthenticationModule(DorsaSLAuth_Authenticated::CreateOne("jo", "pw"));
    CallCode();
    EXPECT_EQ(m_server.ConnectionCount(), 2u);
}

} // namespace
} // namespace dorsatest
