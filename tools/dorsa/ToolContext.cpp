#include "ToolContext.h"

#include <algorithm>
#include <iostream>

namespace dorsatool {

using namespace zvrtkDorsaServiceLayer;

namespace {

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

// Columns on a terminal: UTF-8 characters, not bytes.
size_t DisplayWidth(const std::string& text)
{
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

// The lines of a table cell; a cell without a line break is one line.
std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    lines.push_back(text.substr(start));
    return lines;
}

// An exit code with the error line that explains it.
struct Verdict {
    ExitCode code;
    std::string message;
};

Verdict TransportVerdict(const std::string& url, const ServiceLayerResponse& outcome)
{
    const std::string reason = outcome.GetTransportError().empty() ? "no reply" : outcome.GetTransportError();
    const std::string what = outcome.ReachedServer() ? "no complete reply from " : "cannot connect to ";
    return {Exit_NoReply, what + url + ": " + reason};
}

// The address a call of `operation` posts to: the endpoint of its service under `url`, or
// `url` itself for the probe of `ping`.
std::string EndpointOf(const std::string& operation, const std::string& url)
{
    for (const CatalogueRow* row : Catalogue::s_rows) {
        if (operation == row->name) {
            return url + WideToUtf8(row->service->path);
        }
    }
    return url + "/";
}

// A reply that is no success: its status explains it best; a 2xx one was not a service reply.
// A 404 mostly means a --url that misses the service's path, so the address tried is shown.
Verdict StatusVerdict(const std::string& operation, const std::string& url, int code)
{
    const std::string status = "HTTP " + std::to_string(code);
    if (code == 404) {
        return {Exit_HttpFailure, operation + " failed with " + status + " from " + EndpointOf(operation, url) +
                                      ": --url is probably not the service's base URL (such as http://server/dorsa)"};
    }
    if (code == 401) {
        return {Exit_HttpFailure, "authentication failed (" + status + ")"};
    }
    if (code == 407) {
        return {Exit_HttpFailure, "proxy authentication failed (" + status + ")"};
    }
    if (code < 200 || code > 299) {
        return {Exit_HttpFailure, operation + " failed with " + status};
    }
    return {Exit_HttpFailure, "the reply to " + operation + " is not a readable service reply (" + status +
                                  "); --verbose shows it"};
}

Verdict FaultVerdict(const std::string& operation, ServiceLayerResponse& outcome)
{
    // The fault string comes as written in the reply; people read it translated.
    const std::string fault = TranslatedReferences(outcome.GetErrorMessage());
    return {Exit_SoapFault, "SOAP fault from " + operation + (fault.empty() ? " without a fault string" : ": " + fault)};
}

Verdict Judge(const std::string& operation, const std::string& url, ServiceLayerResponse& outcome)
{
    switch (outcome.GetOutcome()) {
    case CallOutcomes::Success:
        return {Exit_Ok, ""};
    case CallOutcomes::TransportFailure:
        return TransportVerdict(url, outcome);
    case CallOutcomes::SoapFault:
        return FaultVerdict(operation, outcome);
    case CallOutcomes::HttpFailure:
    case CallOutcomes::UnreadableReply:
        return StatusVerdict(operation, url, outcome.GetResponseCode());
    case CallOutcomes::NotCalled:
        break;
    }
    return {Exit_Internal, operation + " ended without an outcome"};
}

void EchoTraffic(const ServiceLayerResponse& outcome)
{
    if (!outcome.GetRequestMessage().empty()) {
        std::cerr << "> " << outcome.GetRequestMessage() << "\n";
    }
    std::cerr << "< " << outcome.GetResponseMessage() << "\n";
}

} // namespace

void ToolLogger::Flush()
{
    std::cerr.flush();
}

void ToolLogger::Log(int level, const std::string& message)
{
    if (m_verbose) {
        std::cerr << "[" << level << "] " << message << "\n";
    }
}

std::string WithoutUserInfo(const std::string& url)
{
    const size_t schemeEnd = url.find("://");
    const size_t authorityStart = schemeEnd == std::string::npos ? 0 : schemeEnd + 3;
    const size_t authorityEnd = std::min(url.find('/', authorityStart), url.size());
    const size_t at = url.rfind('@', authorityEnd - 1);
    return at == std::string::npos || at < authorityStart ? url : url.substr(0, authorityStart) + url.substr(at + 1);
}

std::string FormatTable(const TextTable& table)
{
    std::vector<size_t> widths;
    for (const std::string& header : table.headers) {
        widths.push_back(DisplayWidth(header));
    }
    for (const auto& row : table.rows) {
        for (size_t column = 0; column < row.size() && column < widths.size(); ++column) {
            for (const std::string& line : Lines(row[column])) {
                widths[column] = std::max(widths[column], DisplayWidth(line));
            }
        }
    }
    std::string text;
    const auto addLine = [&](const std::vector<std::string>& cells) {
        std::string line;
        for (size_t column = 0; column < cells.size() && column < widths.size(); ++column) {
            line += cells[column] + std::string(widths[column] - DisplayWidth(cells[column]) + 2, ' ');
        }
        // Padding only separates columns: none after the last cell with text.
        line.erase(line.find_last_not_of(' ') + 1);
        text += line + "\n";
    };
    // A cell of several lines makes its row as tall; the other cells are blank below their first line.
    const auto addRow = [&](const std::vector<std::string>& cells) {
        std::vector<std::vector<std::string>> split;
        size_t height = 1;
        for (const std::string& cell : cells) {
            split.push_back(Lines(cell));
            height = std::max(height, split.back().size());
        }
        for (size_t index = 0; index < height; ++index) {
            std::vector<std::string> line;
            for (const auto& cellLines : split) {
                line.push_back(index < cellLines.size() ? cellLines[index] : "");
            }
            addLine(line);
        }
    };
    addRow(table.headers);
    for (const auto& row : table.rows) {
        addRow(row);
    }
    return text;
}

ToolContext::ToolContext(const GlobalOptions& options)
    : m_options(options),
      m_logger(options.verbose),
      m_session(DorsaSession::CreateOneWithLogger(options.url, AuthenticationFor(options), &m_logger))
{
    // Connecting may take resolve + connect: all of --timeout goes to the connect part, so
    // that connecting, like every stall afterwards, ends after --timeout.
    const int timeoutMs = options.timeoutSeconds * 1000;
    m_session->SetTimeouts(0, timeoutMs, timeoutMs, timeoutMs);
    m_session->SetApplicationName(options.applicationName);
    m_session->SetRefuseCleartextCredentials(options.refuseCleartextCredentials);
    if (!options.caFile.empty()) {
        m_session->SetCertificateAuthorities(options.caFile);
    }
    if (!options.certificateFile.empty()) {
        m_session->SetClientCertificate(options.certificateFile, options.keyFile, options.keyPassword);
    }
    if (options.noProxy || !options.proxy.empty()) {
        m_session->SetProxy(options.noProxy ? "none" : options.proxy);
    }
}

int ToolContext::Outcome(const std::string& operation, const SmartPtr<ServiceLayerResponse>& outcome) const
{
    if (!outcome) {
        return Fail(Exit_Internal, operation + " was not sent");
    }
    if (m_options.verbose) {
        EchoTraffic(*outcome);
    }
    const Verdict verdict = Judge(operation, WithoutUserInfo(m_options.url), *outcome);
    return verdict.code == Exit_Ok ? Exit_Ok : Fail(verdict.code, verdict.message);
}

void ToolContext::Print(const TextTable& table, const nlohmann::json& json) const
{
    std::cout << (m_options.json ? json.dump(2) + "\n" : FormatTable(table));
}

int ToolContext::Fail(ExitCode code, const std::string& message) const
{
    std::cerr << "dorsa: " << message << "\n";
    return code;
}

} // namespace dorsatool
