// dorsa: the Dorsa service from the command line.

#include "Commands.h"
#include "Console.h"

#include <dorsa/Version.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <iostream>
#include <map>
#include <optional>

using namespace dorsatool;

namespace {

const char* const s_passwordVariable = "DORSA_PASSWORD";

const char* const s_footer =
    "The password of --user comes from --password, else from the environment variable\n"
    "DORSA_PASSWORD, else it is asked for when standard input is a terminal. On the command\n"
    "line every user of the machine can read it.\n"
    "\n"
    "Exit codes:\n"
    "  0  success\n"
    "  1  the tool failed in itself\n"
    "  2  bad arguments, a missing password, or a unit or table the database does not know\n"
    "  3  no reply: cannot connect, or the connection broke or timed out before the reply was complete\n"
    "  4  the server answered with a failure status (authentication failed included),\n"
    "     or with something that is not a service reply\n"
    "  5  the server answered with a SOAP fault";

// Why a port is not one, or empty.
std::string PortProblem(const std::string& port)
{
    const bool digits = !port.empty() && port.size() <= 5 &&
                        std::all_of(port.begin(), port.end(), [](unsigned char c) { return std::isdigit(c); });
    if (digits && std::stoi(port) >= 1 && std::stoi(port) <= 65535) {
        return "";
    }
    return "port '" + port + "' is not a number from 1 to 65535";
}

// Why "host", "host:port", "[v6]" or "[v6]:port" names no server, or empty.
std::string AuthorityProblem(const std::string& authority)
{
    const bool bracketed = !authority.empty() && authority.front() == '[';
    const size_t hostEnd = bracketed ? authority.find(']') : authority.rfind(':');
    if (bracketed && hostEnd == std::string::npos) {
        return "the IPv6 address has no closing ']'";
    }
    const size_t portStart = bracketed ? hostEnd + 1 : hostEnd;
    const std::string host = authority.substr(bracketed ? 1 : 0, bracketed ? hostEnd - 1 : hostEnd);
    if (host.empty()) {
        return "the URL has no host";
    }
    if (portStart >= authority.size()) {
        return "";
    }
    if (authority[portStart] != ':') {
        return "unexpected text after the IPv6 address";
    }
    return PortProblem(authority.substr(portStart + 1));
}

// Why `url` is no base URL of a service, or empty: http or https, a host, an optional port and path.
std::string UrlProblem(const std::string& url)
{
    const size_t schemeEnd = url.find("://");
    if (schemeEnd == std::string::npos) {
        return "not a URL: expected http://host/path or https://host/path";
    }
    std::string scheme = url.substr(0, schemeEnd);
    std::transform(scheme.begin(), scheme.end(), scheme.begin(), [](unsigned char c) { return std::tolower(c); });
    if (scheme != "http" && scheme != "https") {
        return "the URL scheme '" + scheme + "' is neither http nor https";
    }
    if (std::any_of(url.begin(), url.end(), [](unsigned char c) { return c <= ' ' || c == 0x7f; })) {
        return "the URL holds a space or a control character";
    }
    if (url.find_first_of("?#") != std::string::npos) {
        return "a base URL takes no query or fragment";
    }
    const std::string authority = WithoutUserInfo(url).substr(schemeEnd + 3);
    return AuthorityProblem(authority.substr(0, authority.find('/')));
}

// Asks for the password on the terminal of standard input; false without one.
bool AskPassword(const GlobalOptions& options, std::string& password)
{
    const std::string who = options.domain.empty() ? options.user : options.domain + "\\" + options.user;
    return AskWithoutEcho("Password for " + who + ": ", password);
}

// Fills the password of --user when the command line has none; false when nothing gives one.
bool FindPassword(GlobalOptions& options)
{
    const char* fromEnvironment = std::getenv(s_passwordVariable);
    if (fromEnvironment && *fromEnvironment) {
        options.password = fromEnvironment;
        return true;
    }
    return AskPassword(options, options.password);
}

void AddGlobalOptions(CLI::App& app, GlobalOptions& options)
{
    app.set_version_flag("--version", std::string("dorsa ") + DORSA_VERSION_STRING, "print the version and exit");
    app.add_option("--url", options.url, "base URL of the service, e.g. http://server/dorsa")
        ->required()
        ->check(CLI::Validator([](std::string& url) { return UrlProblem(url); }, "URL"));
    CLI::Option* user = app.add_option("--user", options.user, "log on with this user name");
    app.add_option("--password", options.password, "password of --user (other users of the machine can read it: see below)")
        ->needs(user);
    app.add_option("--domain", options.domain, "Windows domain of --user")->needs(user);
    app.add_flag("--autologon", options.autologon, "log on as the current user (Negotiate)")->excludes(user);
    app.add_flag("--no-cleartext-credentials", options.refuseCleartextCredentials,
                 "never send the password readable (Basic) over plain http");
    app.add_option("--app-name", options.applicationName, "application name sent with every call");
    app.add_option("--timeout", options.timeoutSeconds,
                   "seconds to wait for the server to connect, and at most between two parts of a reply")
        ->check(CLI::Range(1, 86400));
    app.add_flag("--json", options.json, "print JSON instead of columns");
    app.add_flag("--verbose", options.verbose, "log the SOAP traffic to stderr");
    app.footer(s_footer);
}

// Parses the command line; empty to go on, else the code to end with (Exit_Ok after --help or --version).
std::optional<int> Parse(CLI::App& app, int argc, char** argv)
{
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& done) {
        app.exit(done);
        return Exit_Ok;
    } catch (const CLI::ParseError& error) {
        app.exit(error);
        return Exit_BadArguments;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv)
{
    SetUpConsole();
    CLI::App app{"dorsa - browse a Dorsa materials database service"};
    app.require_subcommand(1);
    // Options are "--name" everywhere: on Windows a path such as "/data/x.json" stays a path.
    app.allow_windows_style_options(false);
    GlobalOptions options;
    AddGlobalOptions(app, options);
    std::map<CLI::App*, Runner> runners;
    for (const Command& command : AllCommands()) {
        CLI::App* sub = app.add_subcommand(command.name, command.help);
        runners[sub] = command.define(*sub);
    }
    if (const std::optional<int> done = Parse(app, argc, argv)) {
        return *done;
    }
    if (!options.user.empty() && app.count("--password") == 0 && !FindPassword(options)) {
        std::cerr << "dorsa: --user " << options.user << " needs a password: set " << s_passwordVariable
                  << ", run on a terminal to be asked, or give --password\n";
        return Exit_BadArguments;
    }
    zvrtkDorsaServiceLayer::Initialize();
    int exitCode = Exit_Internal;
    try {
        ToolContext context(options);
        exitCode = runners.at(app.get_subcommands().front())(context);
    } catch (const std::exception& error) {
        // A URL that is not UTF-8, or a reply field the library could not convert.
        std::cerr << "dorsa: " << error.what() << "\n";
    }
    zvrtkDorsaServiceLayer::Shutdown();
    return exitCode;
}
