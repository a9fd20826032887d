#include "ToolContext.h"

#include <algorithm>
#include <iostream>

namespace dorsatool {

using namespace zvrtkDorsaServiceLayer;

namespace {

const int s_failureLevel = 1;

SmartPtr<IDorsaSLAuthModule> AuthenticationFor(const GlobalOptions& options)
{
    if (options.autologon) {
        return DorsaSLAuth_AutoLoginAuth::CreateOne();
    }
    if (!options.user.empty()) {
        return DorsaSLAuth_Authenticated::CreateOne(options.domain, options.user, options.password);
    }
    return DorsaSLAuth_Annonymous::CreateOne();
}

// The part of a logged failure after "<operation>: ".
std::string WithoutOperation(const std::string& line)
{
    const size_t colon = line.find(": ");
    return colon == std::string::npos ? line : line.substr(colon + 2);
}

// The transport's reason in a logged send failure.
std::string TransportReason(const std::string& line)
{
    const std::string marker = "Could not send the request: ";
    const size_t found = line.find(marker);
    return found == std::string::npos ? WithoutOperation(line) : line.substr(found + marker.size());
}

// Columns on a terminal: UTF-8 characters, not bytes.
size_t DisplayWidth(const std::string& text)
{
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

} // namespace

void ToolLogger::Flush()
{
    std::cerr.flush();
}

void ToolLogger::Log(int level, const std::string& message)
{
    if (level == s_failureLevel) {
        m_failures.push_back(message);
    }
    if (m_verbose) {
        std::cerr << "[" << level << "] " << message << "\n";
    }
}

std::vector<std::string> ToolLogger::TakeFailures()
{
    std::vector<std::string> failures;
    failures.swap(m_failures);
    return failures;
}

ToolContext::ToolContext(const GlobalOptions& options)
    : m_options(options),
      m_logger(options.verbose),
      m_session(DorsaSession::CreateOneWithLogger(options.url, AuthenticationFor(options), &m_logger))
{
    const int timeoutMs = std::max(options.timeoutSeconds, 1) * 1000;
    m_session->SetTimeouts(timeoutMs, timeoutMs, timeoutMs, timeoutMs);
    m_session->SetApplicationName(options.applicationName);
}

int ToolContext::Outcome(const std::string& operation, const SmartPtr<ServiceLayerResponse>& outcome)
{
    const std::vector<std::string> failures = m_logger.TakeFailures();
    if (m_options.verbose && outcome) {
        std::cerr << "> " << outcome->GetRequestMessage() << "\n< " << outcome->GetResponseMessage() << "\n";
    }
    if (!outcome) {
        return Fail(Exit_HttpFailure, operation + " was not sent");
    }
    if (outcome->GetResponseMessage() == operation + " FAILED") {
        const std::string reason = failures.empty() ? "no reply" : TransportReason(failures.front());
        return Fail(Exit_CannotConnect, "cannot connect to " + m_options.url + ": " + reason);
    }
    const std::string fault = outcome->GetErrorMessage();
    if (!fault.empty()) {
        return Fail(Exit_SoapFault, "SOAP fault from " + operation + ": " + fault);
    }
    if (outcome->GetResponseCode() != 200 || !failures.empty()) {
        const std::string detail = failures.empty() ? "" : " (" + WithoutOperation(failures.front()) + ")";
        return Fail(Exit_HttpFailure,
                    operation + " failed with HTTP " + std::to_string(outcome->GetResponseCode()) + detail);
    }
    return Exit_Ok;
}

void ToolContext::Print(const TextTable& table, const nlohmann::json& json) const
{
    if (m_options.json) {
        std::cout << json.dump(2) << "\n";
        return;
    }
    std::vector<size_t> widths;
    for (const std::string& header : table.headers) {
        widths.push_back(DisplayWidth(header));
    }
    for (const auto& row : table.rows) {
        for (size_t column = 0; column < row.size() && column < widths.size(); ++column) {
            widths[column] = std::max(widths[column], DisplayWidth(row[column]));
        }
    }
    const auto printRow = [&](const std::vector<std::string>& cells) {
        for (size_t column = 0; column < cells.size(); ++column) {
            const bool last = column + 1 == cells.size();
            std::cout << (last ? cells[column] : cells[column] + std::string(widths[column] - DisplayWidth(cells[column]) + 2, ' '));
        }
        std::cout << "\n";
    };
    printRow(table.headers);
    for (const auto& row : table.rows) {
        printRow(row);
    }
}

int ToolContext::Fail(ExitCode code, const std::string& message) const
{
    std::cerr << "dorsa: " << message << "\n";
    return code;
}

} // namespace dorsatool
