#include "auth/AuthTestSupport.h"
#include "auth/CallScript.h"
#include "support/Sockets.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace dorsatest {

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds s_pollInterval(10);

// A file descriptor, closed when it goes.
class Descriptor final {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0) {
            close(m_fd);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int Get() const { return m_fd; }

private:
    int m_fd;
};

// The environment of a child: ours, with `extra` replacing or adding variables.
std::vector<std::string> ChildEnvironment(const Environment& extra)
{
    std::vector<std::string> variables;
    for (char** entry = environ; *entry; ++entry) {
        const std::string variable = *entry;
        const std::string name = variable.substr(0, variable.find('='));
        if (std::none_of(extra.begin(), extra.end(), [&](const auto& added) { return added.first == name; })) {
            variables.push_back(variable);
        }
    }
    for (const auto& added : extra) {
        variables.push_back(added.first + "=" + added.second);
    }
    return variables;
}

std::vector<char*> Pointers(std::vector<std::string>& texts)
{
    std::vector<char*> pointers;
    for (std::string& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

// Spawns `command` in a new session with default signal handling (the test runner may
// ignore SIGPIPE, which a child would inherit) and the given standard streams.
pid_t Spawn(const std::vector<std::string>& command, const Environment& extra, int input, int output,
            std::string& error)
{
    const std::string program = command.empty() ? std::string() : FindProgram(command.front());
    if (program.empty()) {
        error = command.empty() ? "no command" : command.front() + " is not installed";
        return -1;
    }
    std::vector<std::string> arguments = command;
    std::vector<std::string> variables = ChildEnvironment(extra);
    std::vector<char*> argv = Pointers(arguments);
    std::vector<char*> envp = Pointers(variables);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    posix_spawn_file_actions_adddup2(&actions, input, 0);
    posix_spawn_file_actions_adddup2(&actions, output, 1);
    posix_spawn_file_actions_adddup2(&actions, output, 2);
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (failed != 0) {
        error = "could not start " + program + ": " + std::strerror(failed);
        return -1;
    }
    return pid;
}

// Polls until `done` holds (true) or `limit` passes (false).
template <class Condition>
bool PollUntil(Condition done, std::chrono::milliseconds limit)
{
    const Clock::time_point deadline = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(s_pollInterval);
    }
    return true;
}

// Polls until `done` holds; false when `server` ends first or `limit` passes.
template <class Condition>
bool PollWhileRunning(ServerProcess& server, Condition done, std::chrono::milliseconds limit)
{
    bool ended = false;
    return PollUntil([&] { return done() || (ended = !server.Running()); }, limit) && !ended;
}

// Waits at most `limit` for `pid` to end; true (with its status) when it did.
bool WaitForExit(pid_t pid, std::chrono::milliseconds limit, int& status)
{
    return PollUntil(
        [&] {
            const pid_t done = waitpid(pid, &status, WNOHANG);
            return done == pid || (done < 0 && errno == ECHILD);
        },
        limit);
}

// Waits at most `limit` for every process of group `group` to end.
bool WaitForEmptyGroup(pid_t group, std::chrono::milliseconds limit)
{
    return PollUntil([&] { return kill(-group, 0) != 0 && errno == ESRCH; }, limit);
}

std::string MemoryFileText(int fd)
{
    std::string text;
    lseek(fd, 0, SEEK_SET);
    char chunk[4096];
    ssize_t n;
    while ((n = read(fd, chunk, sizeof chunk)) > 0) {
        text.append(chunk, static_cast<size_t>(n));
    }
    return text;
}

sockaddr_in LoopbackAddress(int port)
{
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    return address;
}

// Whether a socket of `type` can be bound to 127.0.0.1:`port`.
bool Bindable(int type, int port)
{
    const Descriptor socket(::socket(AF_INET, type, 0));
    sockaddr_in address = LoopbackAddress(port);
    return socket.Get() >= 0 && bind(socket.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
}

bool Connectable(int port)
{
    const Socket socket = ConnectToLoopback(port);
    if (socket != s_noSocket) {
        CloseSocket(socket);
    }
    return socket != s_noSocket;
}

} // namespace

ScratchDirectory::ScratchDirectory()
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/dorsa-auth-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        throw std::runtime_error("cannot make a scratch directory: " + std::string(std::strerror(errno)));
    }
    m_path = pattern;
    chmod(m_path.c_str(), 0755);
}

ScratchDirectory::~ScratchDirectory()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string FindProgram(const std::string& name)
{
    if (name.find('/') != std::string::npos) {
        return access(name.c_str(), X_OK) == 0 ? name : std::string();
    }
    const char* path = std::getenv("PATH");
    std::vector<std::string> directories = SplitFields(path ? path : "", ':');
    directories.insert(directories.end(), {"/usr/sbin", "/sbin"});
    for (const std::string& directory : directories) {
        const std::string candidate = directory + "/" + name;
        if (!directory.empty() && access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return std::string();
}

std::string MissingPrograms(const std::vector<std::string>& names)
{
    std::string missing;
    for (const std::string& name : names) {
        if (FindProgram(name).empty()) {
            missing += (missing.empty() ? "" : ", ") + name;
        }
    }
    return missing;
}

std::vector<std::string> LaunchedCommand(const char* launcherVariable, const std::string& program)
{
    const char* launcher = std::getenv(launcherVariable);
    std::vector<std::string> command;
    if (launcher && *launcher) {
        command.push_back(launcher);
    }
    command.push_back(program);
    return command;
}

CommandResult RunCommand(const std::vector<std::string>& command, const std::string& input, const Environment& extra)
{
    CommandResult result;
    // Memory files rather than pipes: nothing can block on a full pipe either way.
    const Descriptor in(memfd_create("dorsa-command-input", MFD_CLOEXEC));
    const Descriptor out(memfd_create("dorsa-command-output", MFD_CLOEXEC));
    if (in.Get() < 0 || out.Get() < 0 ||
        write(in.Get(), input.data(), input.size()) != static_cast<ssize_t>(input.size())) {
        result.output = "cannot make the command's streams";
    } else {
        lseek(in.Get(), 0, SEEK_SET);
        std::string error;
        const pid_t pid = Spawn(command, extra, in.Get(), out.Get(), error);
        int status = 0;
        if (pid < 0) {
            result.output = error;
        } else if (!WaitForExit(pid, std::chrono::seconds(30), status)) {
            kill(-pid, SIGKILL);
            waitpid(pid, &status, 0);
            result.output = MemoryFileText(out.Get()) + "\n(killed after 30 s)";
        } else {
            result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            result.output = MemoryFileText(out.Get());
        }
    }
    return result;
}

bool ServerProcess::Start(const std::vector<std::string>& command, const Environment& extra,
                          const std::string& outputFile, std::string& error)
{
    Stop();
    const Descriptor in(open("/dev/null", O_RDONLY | O_CLOEXEC));
    const Descriptor out(open(outputFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
    if (in.Get() < 0 || out.Get() < 0) {
        error = "cannot open the streams of " + command.front();
    } else {
        m_pid = Spawn(command, extra, in.Get(), out.Get(), error);
    }
    return m_pid > 0;
}

bool ServerProcess::Running()
{
    if (m_pid <= 0) {
        return false;
    }
    int status = 0;
    if (waitpid(m_pid, &status, WNOHANG) == 0) {
        return true;
    }
    // Ended: whatever it left in its group goes too.
    kill(-m_pid, SIGKILL);
    m_pid = -1;
    return false;
}

void ServerProcess::Stop(int signal)
{
    if (m_pid <= 0) {
        return;
    }
    int status = 0;
    kill(m_pid, signal);
    if (!WaitForExit(m_pid, std::chrono::seconds(5), status)) {
        kill(-m_pid, SIGKILL);
        waitpid(m_pid, &status, 0);
    }
    // Its children (Apache's) normally end with it; any that linger are killed.
    if (!WaitForEmptyGroup(m_pid, std::chrono::seconds(2))) {
        kill(-m_pid, SIGKILL);
        WaitForEmptyGroup(m_pid, std::chrono::seconds(2));
    }
    m_pid = -1;
}

int FreeLoopbackPort()
{
    for (int attempt = 0; attempt < 50; ++attempt) {
        const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address = LoopbackAddress(0);
        socklen_t length = sizeof address;
        int port = 0;
        if (socket >= 0 && bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            port = ntohs(address.sin_port);
        }
        if (socket >= 0) {
            close(socket);
        }
        if (port > 0 && Bindable(SOCK_DGRAM, port) && Bindable(SOCK_STREAM, port)) {
            return port;
        }
    }
    throw std::runtime_error("no free port on 127.0.0.1");
}

bool WaitUntilListening(int port, ServerProcess& server, std::chrono::milliseconds limit)
{
    return PollWhileRunning(server, [&] { return Connectable(port); }, limit);
}

bool WaitForFile(const std::string& path, ServerProcess& server, std::chrono::milliseconds limit)
{
    return PollWhileRunning(server, [&] { return access(path.c_str(), F_OK) == 0; }, limit);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

void WriteFile(const std::string& path, const std::string& content, mode_t mode)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << content;
    file.close();
    if (!file || chmod(path.c_str(), mode) != 0) {
        throw std::runtime_error("cannot write " + path);
    }
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        if (!line.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
}

std::string FillTemplate(const std::string& templateName, const std::map<std::string, std::string>& values)
{
    const std::string path = std::string(DORSA_TESTS_DIR) + "/" + templateName;
    std::string text = ReadFile(path);
    if (text.empty()) {
        throw std::runtime_error("missing template " + path);
    }
    std::string filled;
    size_t start = 0;
    for (size_t open; (open = text.find('@', start)) != std::string::npos;) {
        const size_t close = text.find('@', open + 1);
        const std::string name = close == std::string::npos ? std::string() : text.substr(open + 1, close - open - 1);
        const auto value = values.find(name);
        const bool isName = !name.empty() && name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ_") == std::string::npos;
        if (!isName) {
            filled += text.substr(start, open + 1 - start);
            start = open + 1;
            continue;
        }
        if (value == values.end()) {
            throw std::runtime_error(templateName + " needs a value for @" + name + "@");
        }
        filled += text.substr(start, open - start) + value->second;
        start = close + 1;
    }
    return filled + text.substr(start);
}

std::string Md5Hex(const std::string& text)
{
    const CommandResult digest = RunCommand({"md5sum"}, text);
    return digest.exitCode == 0 ? digest.output.substr(0, 32) : std::string();
}

void AddSecret(std::vector<std::string>& secrets, const std::string& password)
{
    if (!password.empty()) {
        secrets.push_back(password);
    }
}

void AddAuthorizationSecret(std::vector<std::string>& secrets, const std::string& authorization)
{
    if (authorization.empty() || authorization == "-") {
        return;
    }
    secrets.push_back(authorization);
    const size_t space = authorization.find(' ');
    if (space != std::string::npos && authorization.size() - space > 8) {
        secrets.push_back(authorization.substr(space + 1));
    }
}

std::vector<std::string> LinesHoldingSecrets(const RecordingLogger& logger, const std::vector<std::string>& secrets)
{
    const std::set<std::string> distinct(secrets.begin(), secrets.end());
    std::vector<std::string> found;
    for (const RecordingLogger::Line& line : logger.Lines()) {
        for (const std::string& secret : distinct) {
            if (!secret.empty() && line.second.find(secret) != std::string::npos) {
                found.push_back("[" + secret + "] in: " + line.second);
            }
        }
    }
    return found;
}

std::vector<CallResult> RunCalls(const CallScript& script, RecordingLogger& logger)
{
    std::string output;
    if (!CallsRunInThisProcess()) {
        const char* client = std::getenv("DORSA_CALL_CLIENT");
        const CommandResult run = RunCommand(LaunchedCommand("DORSA_CALL_CLIENT_LAUNCHER", client), script.Text());
        if (run.exitCode != 0) {
            throw std::runtime_error(std::string(client) + " failed: " + run.output);
        }
        output = run.output;
    } else {
        std::istringstream input(script.Text());
        std::ostringstream results;
        std::string error;
        if (!RunCallScript(input, results, error)) {
            throw std::runtime_error(error);
        }
        output = results.str();
    }
    std::vector<CallResult> calls;
    // The client's standard error shares the stream: lines of neither kind are its own.
    for (const std::string& line : SplitLines(output)) {
        std::vector<std::string> fields = SplitFields(line, '\t');
        for (std::string& field : fields) {
            field = UnescapeField(field);
        }
        if (fields[0] == "call" && fields.size() == 6) {
            CallResult call;
            call.outcome = static_cast<zvrtkDorsaServiceLayer::CallOutcomes::eCallOutcome>(std::stoi(fields[1]));
            call.code = std::stoi(fields[2]);
            call.value = fields[3];
            call.count = std::stoi(fields[4]);
            call.transportError = fields[5];
            calls.push_back(call);
        } else if (fields[0] == "log" && fields.size() == 3) {
            logger.Log(std::stoi(fields[1]), fields[2]);
        }
    }
    return calls;
}

CallResult RunOneCall(const CallScript& script, RecordingLogger& logger)
{
    const std::vector<CallResult> results = RunCalls(script, logger);
    return results.empty() ? CallResult() : results.front();
}

bool CallsRunInThisProcess()
{
    const char* client = std::getenv("DORSA_CALL_CLIENT");
    return !client || !*client;
}

bool CallsRunUnderWine()
{
    const char* launcher = std::getenv("DORSA_CALL_CLIENT_LAUNCHER");
    return !CallsRunInThisProcess() && launcher && std::string(launcher).find("wine") != std::string::npos;
}

std::ostream& operator<<(std::ostream& stream, const CallResult& result)
{
    stream << zvrtkDorsaServiceLayer::CallOutcomes::eCallOutcome_ToString(result.outcome) << ", HTTP " << result.code;
    if (!result.transportError.empty()) {
        stream << " (" << result.transportError << ")";
    }
    return stream;
}

const char s_servedReply[] =
    "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body>"
    "<GetTablesResponse><value>served</value></GetTablesResponse></s:Body></s:Envelope>";

void WriteStaticReply(const ScratchDirectory& directory)
{
    std::filesystem::create_directories(directory.File("htdocs"));
    WriteFile(directory.File("htdocs/reply.xml"), std::string(s_servedReply) + "\n");
}

bool ApacheServer::Start(const ScratchDirectory& directory, const std::string& site,
                         std::map<std::string, std::string> values, const Environment& environment, std::string& error)
{
    m_accessLog = directory.File("logs/access.log");
    std::filesystem::create_directories(directory.File("logs"));
    std::filesystem::create_directories(directory.File("run"));
    values["ROOT"] = directory.Path();
    values["MODULES"] = "/usr/lib/apache2/modules";
    // Started as root, Apache serves from children that run as an ordinary user.
    values["RUN_AS"] = geteuid() == 0 ? "User www-data\nGroup www-data" : "";
    const std::string configuration = directory.File("httpd.conf");
    const std::string output = directory.File("logs/apache.out");
    // Another test may take the free port before Apache binds it: then it tries another.
    for (int attempt = 0; attempt < 3; ++attempt) {
        m_port = FreeLoopbackPort();
        values["PORT"] = std::to_string(m_port);
        try {
            values["SITE"] = FillTemplate(site, values);
            WriteFile(configuration, FillTemplate("auth/httpd.conf.in", values));
        } catch (const std::exception& failure) {
            error = failure.what();
            return false;
        }
        WriteFile(output, "");
        // -DFOREGROUND keeps the parent as the process started here, so its pid stops it.
        if (!m_process.Start({"apache2", "-f", configuration, "-DFOREGROUND"}, environment, output, error)) {
            return false;
        }
        if (WaitUntilListening(m_port, m_process)) {
            return true;
        }
        m_process.Stop();
        error = "Apache did not start: " + ReadFile(output) + ReadFile(directory.File("logs/error.log"));
        if (error.find("Address already in use") == std::string::npos) {
            return false;
        }
    }
    return false;
}

std::vector<AccessLogEntry> ApacheServer::StopAndReadAccessLog()
{
    // SIGWINCH is Apache's graceful stop: each child ends once it has served and logged
    // the request it is on.
    m_process.Stop(SIGWINCH);
    std::vector<AccessLogEntry> entries;
    for (const std::string& line : SplitLines(ReadFile(m_accessLog))) {
        const std::vector<std::string> fields = SplitFields(line, '\t');
        if (fields.size() != 7 || fields[0] == "-") {
            continue;
        }
        AccessLogEntry entry;
        entry.method = fields[0];
        entry.path = fields[1];
        entry.status = std::atoi(fields[2].c_str());
        entry.clientPort = fields[3];
        entry.keepAliveRequests = std::atoi(fields[4].c_str());
        entry.user = UnescapeField(fields[5]);
        entry.authorization = UnescapeField(fields[6]);
        entries.push_back(entry);
    }
    return entries;
}

void ApacheTest::TearDown()
{
    if (!m_finished) {
        FinishCalls();
    }
    for (const AccessLogEntry& entry : m_accessLog) {
        AddAuthorizationSecret(m_secrets, entry.authorization);
    }
    EXPECT_EQ(LinesHoldingSecrets(m_logger, m_secrets), std::vector<std::string>());
}

const std::vector<AccessLogEntry>& ApacheTest::FinishCalls()
{
    m_finished = true;
    m_accessLog = m_apache.StopAndReadAccessLog();
    return m_accessLog;
}

} // namespace dorsatest
