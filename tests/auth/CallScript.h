#pragma once

#include "dorsa/ServiceLayer.h"

#include <istream>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

// The calls of a test of real servers (tests/auth, tests/network) written down as lines of
// text, so that the same calls run in the test's own process or in dorsa_call_client, a
// program of another build of the library (the Windows DLL over WinHTTP, run under Wine)
// that the test starts. The servers and every check stay with the test.
namespace dorsatest {

// How one call of the test operation (KeyOperation) ended.
struct CallResult {
    zvrtkDorsaServiceLayer::CallOutcomes::eCallOutcome outcome = zvrtkDorsaServiceLayer::CallOutcomes::NotCalled;
    int code = 0;
    std::string value; // the reply's "value"
    int count = 0;     // the reply's "count"
    std::string transportError;

    bool IsSuccess() const { return outcome == zvrtkDorsaServiceLayer::CallOutcomes::Success; }
};
// One call of the test operation on `session`.
CallResult MakeCall(zvrtkDorsaServiceLayer::DorsaSession& session);

// How a session logs on, as one of the script's fields.
class LogOn final {
public:
    static LogOn Anonymous() { return LogOn({"anonymous"}); }
    static LogOn AsUser(const std::string& user, const std::string& password)
    {
        return LogOn({"user", user, password});
    }
    static LogOn AsUser(const std::string& domain, const std::string& user, const std::string& password)
    {
        return LogOn({"domain-user", domain, user, password});
    }
    static LogOn Automatic() { return LogOn({"automatic"}); }

    const std::vector<std::string>& Fields() const { return m_fields; }
    // The module the fields describe; null when they describe none.
    static zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::IDorsaSLAuthModule>
    Module(const std::vector<std::string>& fields);

private:
    explicit LogOn(std::vector<std::string> fields) : m_fields(std::move(fields)) {}
    std::vector<std::string> m_fields;
};

// Builds a script: sessions opened one after another, each dropping the one before.
class CallScript final {
public:
    void Open(const std::string& url, const LogOn& logOn) { Line({"open", url}, logOn.Fields()); }
    // Replaces the open session's authentication module.
    void Apply(const LogOn& logOn) { Line({"apply"}, logOn.Fields()); }
    // One call of the test operation (KeyOperation) on the open session, `times` times.
    void Call(int times = 1);
    // Drops the open session.
    void Close() { Line({"close"}); }

    // The open session's settings, as DorsaSession's setters of the same names take them.
    void SetCertificateAuthorities(const std::string& file, const std::string& folder = std::string(),
                                   bool withSystemStore = true)
    {
        Line({"authorities", file, folder, withSystemStore ? "1" : "0"});
    }
    void SetClientCertificate(const std::string& certificate, const std::string& key, const std::string& password)
    {
        Line({"client-certificate", certificate, key, password});
    }
    void SetCertificateChecksOffForTestsOnly() { Line({"certificate-checks-off"}); }
    void SetProxy(const std::string& url, const std::string& bypass = std::string()) { Line({"proxy", url, bypass}); }
    void SetProxyCredentials(const std::string& user, const std::string& password)
    {
        Line({"proxy-credentials", user, password});
    }
    // PUTs `bytes`, or the file at `path`, to `url` with the open session: a result as a
    // call's, the response message as its value.
    void PutBytes(const std::string& url, const std::string& bytes, const std::string& contentType)
    {
        Line({"put-bytes", url, bytes, contentType});
    }
    void PutFile(const std::string& url, const std::string& path, const std::string& contentType)
    {
        Line({"put-file", url, path, contentType});
    }

    const std::string& Text() const { return m_text; }

private:
    // Adds the line of `fields`, followed by `more`.
    void Line(std::vector<std::string> fields, const std::vector<std::string>& more = {});
    std::string m_text;
};

// Runs the script read from `script`; writes one line per call or put ("call", outcome, HTTP
// code, the reply's value and count, transport error) and then one per line the library logged
// ("log", level, text). False, with the reason in `error`, when a line is not understood.
bool RunCallScript(std::istream& script, std::ostream& results, std::string& error);

// A field with backslashes and control characters written as "\\" and "\xhh", so that it
// holds neither a tab nor a line break; Unescape reads that form (and Apache's log items).
std::string EscapeField(const std::string& text);
std::string UnescapeField(const std::string& text);
std::vector<std::string> SplitFields(const std::string& line, char separator);

} // namespace dorsatest
