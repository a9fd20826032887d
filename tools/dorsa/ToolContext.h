#pragma once

#include <dorsa/ServiceLayer.h>

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace dorsatool {

// Exit codes, one per kind of failure.
enum ExitCode {
    Exit_Ok = 0,
    Exit_BadArguments = 2,
    Exit_CannotConnect = 3,
    Exit_HttpFailure = 4,
    Exit_SoapFault = 5,
};

struct GlobalOptions {
    std::string url;
    std::string user;
    std::string password;
    std::string domain;
    bool autologon = false;
    std::string applicationName;
    int timeoutSeconds = 60;
    bool json = false;
    bool verbose = false;
};

// Keeps the library's failure lines for the error message; echoes everything to
// stderr when verbose.
class ToolLogger final : public zvrtkDorsaServiceLayer::ILogger {
public:
    explicit ToolLogger(bool verbose) : m_verbose(verbose) {}
    void Flush() override;
    void Log(int level, const std::string& message) override;

    // Takes the failure lines logged so far.
    std::vector<std::string> TakeFailures();

private:
    bool m_verbose;
    std::vector<std::string> m_failures;
};

// A table printed with aligned columns.
struct TextTable {
    std::vector<std::string> headers;
    std::vector<std::vector<std::string>> rows;
};

// What every command works with: the session, the options, and the output.
class ToolContext final {
public:
    explicit ToolContext(const GlobalOptions& options);

    zvrtkDorsaServiceLayer::DorsaSession* Session() const { return m_session.get(); }
    const GlobalOptions& Options() const { return m_options; }

    // Judges a finished call: prints one error line and returns its exit code, or Exit_Ok.
    int Outcome(const std::string& operation,
                const zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::ServiceLayerResponse>& outcome);
    // Prints the result: `json` with --json, else `table`.
    void Print(const TextTable& table, const nlohmann::json& json) const;
    int Fail(ExitCode code, const std::string& message) const;

private:
    GlobalOptions m_options;
    ToolLogger m_logger;
    zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::DorsaSession> m_session;
};

} // namespace dorsatool
