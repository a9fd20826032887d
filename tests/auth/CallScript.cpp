#include "auth/CallScript.h"

#include "support/RecordingLogger.h"
#include "support/TestOperations.h"

#include <cstdio>
#include <functional>
#include <map>
#include <string>

namespace dorsatest {

using namespace zvrtkDorsaServiceLayer;

namespace {

// One line of the script or of its results: the fields, escaped, between tabs.
std::string Joined(const std::vector<std::string>& fields)
{
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) {
        line += (i == 0 ? "" : "\t") + EscapeField(fields[i]);
    }
    return line + "\n";
}

} // namespace

SmartPtr<IDorsaSLAuthModule> LogOn::Module(const std::vector<std::string>& fields)
{
    const std::string kind = fields.empty() ? std::string() : fields[0];
    if (kind == "anonymous" && fields.size() == 1) {
        return DorsaSLAuth_Annonymous::CreateOne();
    }
    if (kind == "automatic" && fields.size() == 1) {
        return DorsaSLAuth_AutoLoginAuth::CreateOne();
    }
    if (kind == "user" && fields.size() == 3) {
        return DorsaSLAuth_Authenticated::CreateOne(fields[1], fields[2]);
    }
    if (kind == "domain-user" && fields.size() == 4) {
        return DorsaSLAuth_Authenticated::CreateOne(fields[1], fields[2], fields[3]);
    }
    return nullptr;
}

void CallScript::Call(int times)
{
    for (int i = 0; i < times; ++i) {
        Line({"call"});
    }
}

void CallScript::Line(std::vector<std::string> fields, const std::vector<std::string>& more)
{
    fields.insert(fields.end(), more.begin(), more.end());
    m_text += Joined(fields);
}

CallResult MakeCall(DorsaSession& session)
{
    KeyOperation operation(&session);
    ValueResponse response;
    operation.Call(new KeyRequest("K"), &response);
    CallResult result;
    if (const auto outcome = response.GetServiceLayerResponse()) {
        result.outcome = outcome->GetOutcome();
        result.code = outcome->GetResponseCode();
        result.transportError = outcome->GetTransportError();
    }
    result.value = response.m_value;
    result.count = response.m_count;
    return result;
}

namespace {

using Arguments = std::vector<std::string>;

void WriteResult(std::ostream& stream, const CallResult& result)
{
    stream << Joined({"call", std::to_string(result.outcome), std::to_string(result.code), result.value,
                       std::to_string(result.count), result.transportError});
}

CallResult UploadResult(const SmartPtr<ServiceLayerResponse>& outcome)
{
    CallResult result;
    result.outcome = outcome->GetOutcome();
    result.code = outcome->GetResponseCode();
    result.transportError = outcome->GetTransportError();
    result.value = outcome->GetResponseMessage();
    return result;
}

struct SessionCommand {
    size_t arguments;
    std::function<void(DorsaSession&, const Arguments&, std::ostream& results)> run;
};

// The commands on the open session, by name.
const std::map<std::string, SessionCommand>& SessionCommands()
{
    static const std::map<std::string, SessionCommand> commands = {
        {"call", {0, [](DorsaSession& s, const Arguments&, std::ostream& out) { WriteResult(out, MakeCall(s)); }}},
        {"authorities",
         {3, [](DorsaSession& s, const Arguments& a, std::ostream&) { s.SetCertificateAuthorities(a[0], a[1], a[2] == "1"); }}},
        {"client-certificate",
         {3, [](DorsaSession& s, const Arguments& a, std::ostream&) { s.SetClientCertificate(a[0], a[1], a[2]); }}},
        {"certificate-checks-off",
         {0, [](DorsaSession& s, const Arguments&, std::ostream&) { s.SetCertificateChecksOffForTestsOnly(true); }}},
        {"proxy", {2, [](DorsaSession& s, const Arguments& a, std::ostream&) { s.SetProxy(a[0], a[1]); }}},
        {"proxy-credentials",
         {2, [](DorsaSession& s, const Arguments& a, std::ostream&) { s.SetProxyCredentials(a[0], a[1]); }}},
        {"put-bytes",
         {3,
          [](DorsaSession& s, const Arguments& a, std::ostream& out) {
              WriteResult(out, UploadResult(ContentUpload::PutBytes(s, a[0], a[1], a[2])));
          }}},
        {"put-file",
         {3,
          [](DorsaSession& s, const Arguments& a, std::ostream& out) {
              WriteResult(out, UploadResult(ContentUpload::PutFile(s, a[0], a[1], a[2])));
          }}},
    };
    return commands;
}

} // namespace

bool RunCallScript(std::istream& script, std::ostream& results, std::string& error)
{
    RecordingLogger logger;
    SmartPtr<DorsaSession> session;
    for (std::string line; std::getline(script, line);) {
        Arguments arguments = SplitFields(line, '\t');
        for (std::string& argument : arguments) {
            argument = UnescapeField(argument);
        }
        const std::string command = arguments[0];
        arguments.erase(arguments.begin());
        const auto onSession = SessionCommands().find(command);
        if (onSession != SessionCommands().end() && session && arguments.size() == onSession->second.arguments) {
            onSession->second.run(*session, arguments, results);
        } else if (command == "open" && !arguments.empty() && LogOn::Module({arguments.begin() + 1, arguments.end()})) {
            session = nullptr; // the one before goes first, as when a host replaces its session
            session = DorsaSession::CreateOneWithLogger(
                arguments[0], LogOn::Module({arguments.begin() + 1, arguments.end()}), &logger);
        } else if (command == "apply" && session && LogOn::Module(arguments)) {
            session->ApplyAuthenticationModule(LogOn::Module(arguments));
        } else if (command == "close" && arguments.empty()) {
            session = nullptr;
        } else {
            error = "not understood here: " + line;
            return false;
        }
    }
    session = nullptr;
    for (const RecordingLogger::Line& logged : logger.Lines()) {
        results << Joined({"log", std::to_string(logged.first), logged.second});
    }
    return true;
}

std::string EscapeField(const std::string& text)
{
    std::string escaped;
    for (const char c : text) {
        if (c == '\\') {
            escaped += "\\\\";
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char code[5];
            std::snprintf(code, sizeof code, "\\x%02x", static_cast<unsigned char>(c));
            escaped += code;
        } else {
            escaped += c;
        }
    }
    return escaped;
}

std::string UnescapeField(const std::string& text)
{
    std::string plain;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            plain += text[i];
        } else if (text[i + 1] == 'x' && i + 3 < text.size()) {
            plain += static_cast<char>(std::stoi(text.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            plain += text[++i];
        }
    }
    return plain;
}

std::vector<std::string> SplitFields(const std::string& line, char separator)
{
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t end; (end = line.find(separator, start)) != std::string::npos; start = end + 1) {
        fields.push_back(line.substr(start, end - start));
    }
    fields.push_back(line.substr(start));
    return fields;
}

} // namespace dorsatest
