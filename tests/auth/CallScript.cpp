#include "auth/CallScript.h"

#include "support/RecordingLogger.h"
#include "support/TestOperations.h"

#include <cstdio>
#include <string>

namespace dorsatest {

using namespace zvrtkDorsaServiceLayer;

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

void CallScript::Open(const std::string& url, const LogOn& logOn)
{
    std::vector<std::string> fields = {"open", url};
    fields.insert(fields.end(), logOn.Fields().begin(), logOn.Fields().end());
    Line(fields);
}

void CallScript::Apply(const LogOn& logOn)
{
    std::vector<std::string> fields = {"apply"};
    fields.insert(fields.end(), logOn.Fields().begin(), logOn.Fields().end());
    Line(fields);
}

void CallScript::Call(int times)
{
    for (int i = 0; i < times; ++i) {
        Line({"call"});
    }
}

void CallScript::Close()
{
    Line({"close"});
}

void CallScript::Line(std::vector<std::string> fields)
{
    for (size_t i = 0; i < fields.size(); ++i) {
        m_text += (i == 0 ? "" : "\t") + EscapeField(fields[i]);
    }
    m_text += "\n";
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

void WriteLine(std::ostream& stream, const std::vector<std::string>& fields)
{
    for (size_t i = 0; i < fields.size(); ++i) {
        stream << (i == 0 ? "" : "\t") << EscapeField(fields[i]);
    }
    stream << "\n";
}

} // namespace

bool RunCallScript(std::istream& script, std::ostream& results, std::string& error)
{
    RecordingLogger logger;
    SmartPtr<DorsaSession> session;
    for (std::string line; std::getline(script, line);) {
        std::vector<std::string> fields = SplitFields(line, '\t');
        for (std::string& field : fields) {
            field = UnescapeField(field);
        }
        const std::string command = fields[0];
        // What follows the command: for "open" the URL and the log-on, for "apply" the log-on.
        const std::vector<std::string> logOn(fields.begin() + (command == "open" ? 2 : 1), fields.end());
        const SmartPtr<IDorsaSLAuthModule> module =
            fields.size() > 1 && (command == "open" || command == "apply") ? LogOn::Module(logOn) : nullptr;
        const bool sessionOpen = session != nullptr;
        if (command == "open" && module) {
            session = nullptr; // the one before goes first, as when a host replaces its session
            session = DorsaSession::CreateOneWithLogger(fields[1], module, &logger);
        } else if (command == "apply" && module && sessionOpen) {
            session->ApplyAuthenticationModule(module);
        } else if (command == "call" && fields.size() == 1 && sessionOpen) {
            const CallResult call = MakeCall(*session);
            WriteLine(results, {"call", std::to_string(call.outcome), std::to_string(call.code), call.value,
                                std::to_string(call.count), call.transportError});
        } else if (command == "close" && fields.size() == 1) {
            session = nullptr;
        } else {
            error = "not understood here: " + line;
            return false;
        }
    }
    session = nullptr;
    for (const RecordingLogger::Line& logged : logger.Lines()) {
        WriteLine(results, {"log", std::to_string(logged.first), logged.second});
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
