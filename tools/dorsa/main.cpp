// dorsa: the Dorsa service from the command line.

#include "Commands.h"
#include "Console.h"
#include "Interrupt.h"

#include <dorsa/Version.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <optional>
#include <vector>

using namespace dorsatool;

namespace {

const char* const s_passwordVariable = "DORSA_PASSWORD";
const char* const s_keyPasswordVariable = "DORSA_KEY_PASSWORD";

const char* const s_footer =
    "The password of --user comes from --password, else from the environment variable\n"
    "DORSA_PASSWORD, else it is asked for when standard input is a terminal. On the command\n"
    "line every user of the machine can read it. The password of an encrypted --key comes\n"
    "from DORSA_KEY_PASSWORD, else it is asked for likewise.\n"
    "Without --proxy or --no-proxy, the environment's http_proxy, https_proxy and no_proxy apply.\n"
    "\n"
    "Exit codes:\n"
    "  0  success\n"
    "  1  the tool failed in itself\n"
    "  2  bad arguments, a missing password, or a unit or table the database does not know\n"
    "  3  no reply: cannot connect, or the connection broke or timed out before the reply was complete\n"
    "  4  the server answered with a failure status (authentication failed included),\n"
    "     or with something that is not a service reply\n"
    "  5  the server answered with a SOAP fault\n"
    "  130 interrupted (Ctrl-C): calls in progress were cancelled, no output file was left";

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

// Fills the password of --user when the command line has none; false when nothing gives one.
bool FindPassword(GlobalOptions& options)
{
    const char* fromEnvironment = std::getenv(s_passwordVariable);
    if (fromEnvironment && *fromEnvironment) {
        options.password = fromEnvironment;
        return true;
    }
    const std::string who = options.domain.empty() ? options.user : options.domain + "\\" + options.user;
    return AskWithoutEcho("Password for " + who + ": ", options.password);
}

// Fills the pass phrase of an encrypted client key; false when one is needed and nothing gives it.
bool FindKeyPassword(GlobalOptions& options)
{
    const std::string key = options.keyFile.empty() ? options.certificateFile : options.keyFile;
    std::ifstream file(key, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (text.find("ENCRYPTED") == std::string::npos) {
        return true;
    }
    const char* fromEnvironment = std::getenv(s_keyPasswordVariable);
    if (fromEnvironment && *fromEnvironment) {
        options.keyPassword = fromEnvironment;
        return true;
    }
    return AskWithoutEcho("Pass phrase of " + key + ": ", options.keyPassword);
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
    app.add_option("--ca-file", options.caFile, "trust the CA certificates of this PEM file too (https)")
        ->check(CLI::ExistingFile);
    CLI::Option* certificate = app.add_option("--cert", options.certificateFile,
                                              "present this client certificate (PEM; may hold the key)")
                                   ->check(CLI::ExistingFile);
    app.add_option("--key", options.keyFile, "the client certificate's private key (PEM)")
        ->needs(certificate)
        ->check(CLI::ExistingFile);
    CLI::Option* proxy = app.add_option("--proxy", options.proxy, "send calls through this proxy, e.g. http://proxy:3128");
    app.add_flag("--no-proxy", options.noProxy, "send calls directly, whatever the environment says")->excludes(proxy);
    app.add_flag("--json", options.json, "print JSON instead of columns");
    app.add_flag("--verbose", options.verbose, "log the SOAP traffic to stderr");
    app.footer(s_footer);
}

// How many single-letter edits turn `from` into `to`.
size_t EditDistance(const std::string& from, const std::string& to)
{
    std::vector<size_t> row(to.size() + 1);
    for (size_t column = 0; column < row.size(); ++column) {
        row[column] = column;
    }
    for (size_t line = 1; line <= from.size(); ++line) {
        size_t diagonal = row[0];
        row[0] = line;
        for (size_t column = 1; column <= to.size(); ++column) {
            const size_t above = row[column];
            row[column] = std::min({above + 1, row[column - 1] + 1, diagonal + (from[line - 1] != to[column - 1])});
            diagonal = above;
        }
    }
    return row.back();
}

// The command whose name is closest to `word`.
std::string ClosestCommand(const std::string& word)
{
    const std::vector<Command>& commands = AllCommands();
    const auto closest = std::min_element(commands.begin(), commands.end(), [&word](const Command& a, const Command& b) {
        return EditDistance(word, a.name) < EditDistance(word, b.name);
    });
    return closest->name;
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
        // A word where the command belongs that names none: say which, rather than that a command is missing.
        const std::vector<std::string> words = app.remaining();
        if (app.get_subcommands().empty() && !words.empty() && words.front().rfind('-', 0) != 0) {
            std::cerr << "dorsa: unknown command '" << words.front() << "'; the closest is '"
                      << ClosestCommand(words.front()) << "' (dorsa --help lists them all)\n";
        } else {
            app.exit(error);
        }
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
    // Global options may come after the command too: a command passes those it does not know on.
    app.fallthrough();
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
    if (!options.certificateFile.empty() && !FindKeyPassword(options)) {
        std::cerr << "dorsa: the key of --cert needs a pass phrase: set " << s_keyPasswordVariable
                  << " or run on a terminal to be asked\n";
        return Exit_BadArguments;
    }
    zvrtkDorsaServiceLayer::Initialize();
    int exitCode = Exit_Internal;
    {
        InterruptWatcher interrupts;
        try {
            ToolContext context(options);
            interrupts.Watch(context.Session());
            exitCode = runners.at(app.get_subcommands().front())(context);
            interrupts.Watch(nullptr);
        } catch (const std::exception& error) {
            // A URL that is not UTF-8, or a reply field the library could not convert.
            std::cerr << "dorsa: " << error.what() << "\n";
        }
        if (interrupts.Interrupted()) {
            std::cerr << "dorsa: interrupted\n";
            exitCode = Exit_Interrupted;
        }
    }
    zvrtkDorsaServiceLayer::Shutdown();
    return exitCode;
}
