#pragma once

#include <dorsa/ServiceLayer.h>

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace dorsatool {

// Exit codes, one per kind of failure. Both ways of getting no reply share one code:
// a script retries either later, while 4 and 5 are answers it has to read.
enum ExitCode {
    Exit_Ok = 0,
    Exit_Internal = 1,     // the tool or the library failed in itself
    Exit_BadArguments = 2, // also a unit or table the database does not know
    Exit_NoReply = 3,      // cannot connect, or connected but no complete reply came
    Exit_HttpFailure = 4,  // a failure status (authentication included) or a reply that is no service reply
    Exit_SoapFault = 5,
    Exit_Interrupted = 130, // Ctrl-C, as a shell reports a process ended by SIGINT
};

struct GlobalOptions {
    std::string url;
    std::string user;
    std::string password;
    std::string domain;
    bool autologon = false;
    bool refuseCleartextCredentials = false;
    std::string applicationName;
    int timeoutSeconds = 60;
    // TLS: a CA bundle trusted beside the system's, and a client certificate with its key.
    std::string caFile;
    std::string certificateFile;
    std::string keyFile;
    std::string keyPassword;
    // The proxy's URL; empty: the environment's (http_proxy, https_proxy, no_proxy).
    std::string proxy;
    bool noProxy = false;
    bool json = false;
    bool verbose = false;
};

// `url` without a user name and password in it, as the tool shows it: credentials given
// in the URL are used but never printed.
std::string WithoutUserInfo(const std::string& url);

// Echoes the library's log lines to stderr when verbose.
class ToolLogger final : public zvrtkDorsaServiceLayer::ILogger {
public:
    explicit ToolLogger(bool verbose) : m_verbose(verbose) {}
    void Flush() override;
    void Log(int level, const std::string& message) override;

private:
    bool m_verbose;
};

// A table printed with aligned columns. A cell may hold several lines.
struct TextTable {
    std::vector<std::string> headers;
    std::vector<std::vector<std::string>> rows;
};

// The table as aligned lines, headers first, each line ended by a newline.
std::string FormatTable(const TextTable& table);

// What every command works with: the session, the options, and the output.
class ToolContext final {
public:
    explicit ToolContext(const GlobalOptions& options);

    zvrtkDorsaServiceLayer::DorsaSession* Session() const { return m_session.get(); }
    const GlobalOptions& Options() const { return m_options; }

    // Judges a finished call: prints one error line and returns its exit code, or Exit_Ok.
    int Outcome(const std::string& operation,
                const zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::ServiceLayerResponse>& outcome) const;
    // Runs operation `Impl` with `request` (none for an operation that sends none) into
    // `response`, and judges the call as Outcome does.
    template <class Impl, class Response, class... Request>
    int Call(Response& response, const Request&... request) const
    {
        Impl(Session()).ExecuteRequest(request..., &response);
        return Outcome(Impl::s_soapAction, response.GetServiceLayerResponse());
    }
    // Prints the result: `json` with --json, else `table`.
    void Print(const TextTable& table, const nlohmann::json& json) const;
    int Fail(ExitCode code, const std::string& message) const;

private:
    GlobalOptions m_options;
    ToolLogger m_logger;
    zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::DorsaSession> m_session;
};

} // namespace dorsatool
