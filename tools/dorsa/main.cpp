// dorsa: the Dorsa service from the command line.

#include "Commands.h"

#include <iostream>
#include <map>

using namespace dorsatool;

int main(int argc, char** argv)
{
    CLI::App app{"dorsa - browse a Dorsa materials database service"};
    app.require_subcommand(1);
    GlobalOptions options;
    app.add_option("--url", options.url, "base URL of the service, e.g. http://server/dorsa")->required();
    CLI::Option* user = app.add_option("--user", options.user, "log on with this user name");
    app.add_option("--password", options.password, "password of --user")->needs(user);
    app.add_option("--domain", options.domain, "Windows domain of --user")->needs(user);
    app.add_flag("--autologon", options.autologon, "log on as the current user (Negotiate)")->excludes(user);
    app.add_option("--app-name", options.applicationName, "application name sent with every call");
    app.add_option("--timeout", options.timeoutSeconds, "seconds to wait for the server (connect and each stall)")
        ->check(CLI::PositiveNumber);
    app.add_flag("--json", options.json, "print JSON instead of columns");
    app.add_flag("--verbose", options.verbose, "log the SOAP traffic to stderr");

    std::map<CLI::App*, Runner> runners;
    for (const Command& command : AllCommands()) {
        CLI::App* sub = app.add_subcommand(command.name, command.help);
        runners[sub] = command.define(*sub);
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::ParseError& error) {
        app.exit(error);
        return Exit_BadArguments;
    }
    zvrtkDorsaServiceLayer::Initialize();
    int exitCode = Exit_HttpFailure;
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
