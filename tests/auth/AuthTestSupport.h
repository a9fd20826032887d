#pragma once

#include "auth/CallScript.h"
#include "dorsa/ServiceLayer.h"
#include "support/RecordingLogger.h"

#include <gtest/gtest.h>
#include <sys/types.h>

#include <chrono>
#include <csignal>
#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

// Helpers of the authentication tests: real servers (Apache httpd, an MIT Kerberos KDC,
// the NTLM test server) started in a scratch directory, on 127.0.0.1 only, and stopped
// by their process id whatever the test's result.
namespace dorsatest {

using Environment = std::vector<std::pair<std::string, std::string>>;

// A fresh directory under the temporary directory, removed with all it holds. It is
// readable by everyone: Apache's children read their files in it as another user.
class ScratchDirectory final {
public:
    ScratchDirectory();
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// Full path of an installed program (searched on PATH, then in /usr/sbin and /sbin), or "".
std::string FindProgram(const std::string& name);
// The programs of `names` that are not installed, comma-separated; "" when all are.
std::string MissingPrograms(const std::vector<std::string>& names);

// `program` as a command, after the launcher that the environment variable `launcherVariable`
// names when it is set (as "wine").
std::vector<std::string> LaunchedCommand(const char* launcherVariable, const std::string& program);

struct CommandResult {
    int exitCode = -1; // -1 when it could not run or was killed
    std::string output; // its standard output and error, interleaved
};
// Runs a program to its end with `input` on its standard input and `extra` added to the
// environment. One that has not ended after 30 seconds is killed.
CommandResult RunCommand(const std::vector<std::string>& command, const std::string& input = std::string(),
                         const Environment& extra = Environment());

// A server process in a session (and so a process group) of its own: what it signals to
// its group never reaches the test. The destructor stops it.
class ServerProcess final {
public:
    ServerProcess() = default;
    ~ServerProcess() { Stop(); }
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // Starts `command` with `extra` added to the environment, its output appended to
    // `outputFile`; false with the reason in `error` when it cannot start.
    bool Start(const std::vector<std::string>& command, const Environment& extra, const std::string& outputFile,
               std::string& error);
    // Whether it still runs (an ended process is reaped).
    bool Running();
    // Sends `signal` to the process, waits a few seconds for it to end, then kills
    // whatever is left of its process group.
    void Stop(int signal = SIGTERM);
    pid_t Pid() const { return m_pid; }

private:
    pid_t m_pid = -1;
};

// A port of 127.0.0.1 free for both TCP and UDP a moment ago.
int FreeLoopbackPort();
// Polls until 127.0.0.1:`port` accepts a TCP connection; false when `server` ends first
// or `limit` passes.
bool WaitUntilListening(int port, ServerProcess& server, std::chrono::milliseconds limit = std::chrono::seconds(10));
// Polls until `path` exists; false when `server` ends first or `limit` passes.
bool WaitForFile(const std::string& path, ServerProcess& server,
                 std::chrono::milliseconds limit = std::chrono::seconds(10));

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& content, mode_t mode = 0644);
std::vector<std::string> SplitLines(const std::string& text);

// A configuration template under tests/ (as "auth/httpd.conf.in") with each @NAME@ replaced; a name without a
// value is an error, so a template and its test cannot drift apart unnoticed.
std::string FillTemplate(const std::string& templateName, const std::map<std::string, std::string>& values);

// Hex digest of `text` (for htdigest files).
std::string Md5Hex(const std::string& text);

// An account of a test server.
struct Account {
    const char* user;
    const char* password;
};

// What must never show in the library's log: `password`, and each Authorization value
// with its credentials alone ("Basic QWxh..." and "QWxh...").
void AddSecret(std::vector<std::string>& secrets, const std::string& password);
void AddAuthorizationSecret(std::vector<std::string>& secrets, const std::string& authorization);
// The lines of `logger` that hold one of `secrets`, each with the secret it holds.
std::vector<std::string> LinesHoldingSecrets(const RecordingLogger& logger, const std::vector<std::string>& secrets);

// Runs `script` in this process or, when DORSA_CALL_CLIENT names a dorsa_call_client of
// another build, by that program (started through DORSA_CALL_CLIENT_LAUNCHER when set, as
// "wine"). The results of its calls in order; what the library logged joins `logger`.
std::vector<CallResult> RunCalls(const CallScript& script, RecordingLogger& logger);
// The first result of RunCalls; a NotCalled one when there is none, so that the checks fail.
CallResult RunOneCall(const CallScript& script, RecordingLogger& logger);
// Whether RunCalls makes the calls in this process (DORSA_CALL_CLIENT is not set).
bool CallsRunInThisProcess();
// Whether RunCalls hands the calls to a Windows build under Wine, whose HTTP stack does
// not do all that Windows does.
bool CallsRunUnderWine();
// For failure messages: outcome, code and transport error.
std::ostream& operator<<(std::ostream& stream, const CallResult& result);

// One request as Apache logged it.
struct AccessLogEntry {
    std::string method;
    std::string path;
    int status = 0;
    std::string clientPort;   // tells the TCP connections apart
    int keepAliveRequests = 0; // requests served on the connection before this one
    std::string user;          // as authenticated, "-" when not
    std::string authorization; // the header as received, "-" when absent
};

// The SOAP reply the test servers give to every request they let through: its "value" is "served".
extern const char s_servedReply[];
// s_servedReply as Apache serves it, in htdocs/reply.xml.
void WriteStaticReply(const ScratchDirectory& directory);

// Apache httpd on 127.0.0.1, in the foreground (prefork, a handful of children), with
// its own ServerRoot in a scratch directory. `site` is the site template's name: it
// holds the locations; @ROOT@ and @PORT@ are filled in everywhere, `values` besides.
class ApacheServer final {
public:
    ApacheServer() = default;
    ~ApacheServer() { m_process.Stop(SIGTERM); }
    ApacheServer(const ApacheServer&) = delete;
    ApacheServer& operator=(const ApacheServer&) = delete;

    bool Start(const ScratchDirectory& directory, const std::string& site, std::map<std::string, std::string> values,
               const Environment& environment, std::string& error);
    int Port() const { return m_port; }
    // Stops gracefully, so that every request served is in the log, and reads the log.
    // Requests on a connection that never sent one (readiness probes) are left out.
    std::vector<AccessLogEntry> StopAndReadAccessLog();

private:
    ServerProcess m_process;
    int m_port = 0;
    std::string m_accessLog;
};

// A test against Apache. When it ends, neither a password of m_secrets nor anything the
// client sent to prove one may show in the library's log.
class ApacheTest : public ::testing::Test {
protected:
    void TearDown() override;
    // Ends the test's calls (the caller drops its sessions first) and stops the server:
    // the access log is then complete.
    const std::vector<AccessLogEntry>& FinishCalls();

    ScratchDirectory m_directory;
    RecordingLogger m_logger;
    ApacheServer m_apache;
    std::vector<std::string> m_secrets;
    std::vector<AccessLogEntry> m_accessLog;

private:
    bool m_finished = false;
};

} // namespace dorsatest
