#include "network/NetworkTestSupport.h"

#include <filesystem>
#include <sstream>

namespace dorsatest {

const char s_clientKeyPassword[] = "k3y-pass";

namespace {

// Runs openssl with `arguments`; false, with its output, when it fails.
bool OpenSsl(const std::vector<std::string>& arguments, std::string& error)
{
    std::vector<std::string> command = {"openssl"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    const CommandResult result = RunCommand(command);
    if (result.exitCode != 0) {
        error = "openssl " + arguments.front() + " failed: " + result.output;
        return false;
    }
    return true;
}

// A key and a certificate signed by the CA, for `subjectAltName` (empty: a client's).
bool Sign(const ScratchDirectory& directory, const std::string& name, const std::string& subjectAltName,
          std::string& error)
{
    const std::string extensions = directory.File(name + ".ext");
    WriteFile(extensions, subjectAltName.empty() ? "extendedKeyUsage=clientAuth\n"
                                                 : "subjectAltName=" + subjectAltName + "\n");
    // A client's key is RSA, the one kind the Windows build presents.
    const std::vector<std::string> key = subjectAltName.empty()
                                             ? std::vector<std::string>{"-newkey", "rsa:2048"}
                                             : std::vector<std::string>{"-newkey", "ec", "-pkeyopt",
                                                                        "ec_paramgen_curve:prime256v1"};
    std::vector<std::string> request = {"req"};
    request.insert(request.end(), key.begin(), key.end());
    request.insert(request.end(), {"-nodes", "-keyout", directory.File(name + ".key"), "-out",
                                   directory.File(name + ".csr"), "-subj", "/CN=" + name});
    return OpenSsl(request, error) &&
           OpenSsl({"x509", "-req", "-in", directory.File(name + ".csr"), "-CA", directory.File("ca.pem"), "-CAkey",
                    directory.File("ca.key"), "-CAcreateserial", "-days", "2", "-extfile", extensions, "-out",
                    directory.File(name + ".pem")},
                   error);
}

} // namespace

bool MakeTestCertificates(const ScratchDirectory& directory, TestCertificates& made, std::string& error)
{
    made.caFile = directory.File("ca.pem");
    made.caFolder = directory.File("ca-folder");
    std::filesystem::create_directories(made.caFolder);
    // The CA's key is RSA: Wine's check of an ECDSA signature fails when its r or s is
    // shorter than the curve (about one signature in a hundred), and the Windows build's
    // tests run under Wine.
    const bool done =
        OpenSsl({"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", directory.File("ca.key"), "-out",
                 made.caFile, "-days", "2", "-subj", "/CN=Dorsa Test CA"},
                error) &&
        Sign(directory, "server", "IP:127.0.0.1,DNS:localhost", error) &&
        Sign(directory, "other", "DNS:elsewhere.invalid", error) && Sign(directory, "client", "", error) &&
        OpenSsl({"pkey", "-in", directory.File("client.key"), "-aes256", "-passout",
                 std::string("pass:") + s_clientKeyPassword, "-out", directory.File("client-locked.key")},
                error);
    if (!done) {
        return false;
    }
    std::filesystem::copy_file(made.caFile, made.caFolder + "/ca.pem");
    if (!OpenSsl({"rehash", made.caFolder}, error)) {
        return false;
    }
    made.serverFile = directory.File("server.pem");
    made.serverKey = directory.File("server.key");
    made.otherHostFile = directory.File("other.pem");
    made.otherHostKey = directory.File("other.key");
    made.clientFile = directory.File("client.pem");
    made.clientKey = directory.File("client.key");
    made.clientKeyLocked = directory.File("client-locked.key");
    made.clientWithKey = directory.File("client-with-key.pem");
    WriteFile(made.clientWithKey, ReadFile(made.clientFile) + ReadFile(made.clientKey));
    made.caKey = directory.File("ca.key");
    return true;
}

bool NginxServer::Start(const ScratchDirectory& directory, const TestCertificates& certificates, std::string& error)
{
    const std::string root = directory.Path() + "/nginx";
    std::filesystem::create_directories(root + "/temp");
    for (int& port : m_ports) {
        port = FreeLoopbackPort();
    }
    WriteFile(root + "/nginx.conf",
              FillTemplate("network/nginx.conf.in",
                           {{"ROOT", root}, {"REPLY", s_servedReply}, {"HTTP_PORT", std::to_string(m_ports[0])},
                            {"HTTPS_PORT", std::to_string(m_ports[1])}, {"OTHER_HOST_PORT", std::to_string(m_ports[2])},
                            {"CLIENT_CERTIFICATE_PORT", std::to_string(m_ports[3])},
                            {"SERVER_FILE", certificates.serverFile}, {"SERVER_KEY", certificates.serverKey},
                            {"OTHER_HOST_FILE", certificates.otherHostFile},
                            {"OTHER_HOST_KEY", certificates.otherHostKey}, {"CA_FILE", certificates.caFile}}));
    const std::string output = root + "/nginx.out";
    if (!m_process.Start({"nginx", "-p", root, "-c", root + "/nginx.conf"}, {}, output, error)) {
        return false;
    }
    for (const int port : m_ports) {
        if (!WaitUntilListening(port, m_process)) {
            error = "nginx did not start: " + ReadFile(output) + ReadFile(root + "/error.log");
            return false;
        }
    }
    return true;
}

std::string NginxServer::HttpUrl(const std::string& host) const
{
    return "http://" + host + ":" + std::to_string(m_ports[0]) + "/dorsa";
}

std::string NginxServer::TlsUrl(int site) const
{
    return "https://127.0.0.1:" + std::to_string(m_ports[site]) + "/dorsa";
}

bool SquidServer::Start(const ScratchDirectory& directory, const std::string& user, const std::string& password,
                        std::string& error)
{
    const std::string root = directory.Path() + "/squid";
    std::filesystem::create_directories(root);
    // Squid drops root for its own user, which must be able to write its logs here.
    std::filesystem::permissions(root, std::filesystem::perms::all);
    const CommandResult hash = RunCommand({"openssl", "passwd", "-apr1", password});
    if (hash.exitCode != 0) {
        error = "openssl passwd failed: " + hash.output;
        return false;
    }
    WriteFile(root + "/users", user + ":" + SplitLines(hash.output).front() + "\n");
    m_openPort = FreeLoopbackPort();
    m_lockedPort = FreeLoopbackPort();
    m_accessLog = root + "/access.log";
    WriteFile(root + "/squid.conf",
              FillTemplate("network/squid.conf.in", {{"ROOT", root},
                                                     {"OPEN_PORT", std::to_string(m_openPort)},
                                                     {"LOCKED_PORT", std::to_string(m_lockedPort)}}));
    const std::string output = root + "/squid.out";
    if (!m_process.Start({"squid", "-N", "-f", root + "/squid.conf"}, {}, output, error)) {
        return false;
    }
    if (!WaitUntilListening(m_openPort, m_process, std::chrono::seconds(30)) ||
        !WaitUntilListening(m_lockedPort, m_process, std::chrono::seconds(30))) {
        error = "squid did not start: " + ReadFile(output) + ReadFile(root + "/cache.log");
        return false;
    }
    return true;
}

std::vector<std::string> SquidServer::StopAndReadAccessLog()
{
    // Squid writes its access log as it goes and closes it when it stops.
    m_process.Stop(SIGTERM);
    std::vector<std::string> entries;
    for (const std::string& line : SplitLines(ReadFile(m_accessLog))) {
        std::istringstream fields(line);
        std::string time, elapsed, client, status, bytes, method, url, user;
        fields >> time >> elapsed >> client >> status >> bytes >> method >> url >> user;
        entries.push_back(method + " " + url + " " + status.substr(status.find('/') + 1) + " " + user);
    }
    return entries;
}

} // namespace dorsatest
