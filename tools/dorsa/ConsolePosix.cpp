#include "Console.h"

#include <langinfo.h>
#include <locale.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>

namespace dorsatool {

namespace {

// Terminal echo off for the lifetime of the object. A signal that ends the tool meanwhile
// turns it back on first, so the shell is not left without echo.
class EchoOff final {
public:
    EchoOff()
    {
        if (tcgetattr(STDIN_FILENO, &s_saved) != 0) {
            return;
        }
        termios quiet = s_saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL; // the newline the user types still shows
        m_oldInterrupt = std::signal(SIGINT, &Restore);
        m_oldTerminate = std::signal(SIGTERM, &Restore);
        m_active = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
    }
    ~EchoOff()
    {
        if (m_active) {
            tcsetattr(STDIN_FILENO, TCSAFLUSH, &s_saved);
            std::signal(SIGINT, m_oldInterrupt);
            std::signal(SIGTERM, m_oldTerminate);
        }
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

    bool Active() const { return m_active; }

private:
    static void Restore(int signal)
    {
        tcsetattr(STDIN_FILENO, TCSANOW, &s_saved);
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }

    static termios s_saved;
    bool m_active = false;
    void (*m_oldInterrupt)(int) = SIG_DFL;
    void (*m_oldTerminate)(int) = SIG_DFL;
};

termios EchoOff::s_saved{};

} // namespace

void SetUpConsole()
{
}

bool ErrorIsTerminal()
{
    return isatty(STDERR_FILENO) != 0;
}

bool OutputIsUtf8()
{
    // Asked of the environment's locale without making it the program's.
    const locale_t locale = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
    if (!locale) {
        return false;
    }
    const std::string codeset = nl_langinfo_l(CODESET, locale);
    freelocale(locale);
    return codeset == "UTF-8";
}

bool AskWithoutEcho(const std::string& prompt, std::string& answer)
{
    if (!isatty(STDIN_FILENO)) {
        return false;
    }
    const EchoOff echoOff;
    if (!echoOff.Active()) {
        return false;
    }
    std::cerr << prompt << std::flush;
    return static_cast<bool>(std::getline(std::cin, answer));
}

bool PathExists(const std::string& path)
{
    struct stat status;
    return lstat(path.c_str(), &status) == 0;
}

// The text is written and synced, then the temporary file takes the name. Without `replace` it takes the name only while no
// file has it (link fails on an existing name); the temporary file goes in every case.
std::string WriteWholeFile(const std::string& path, const std::string& text, bool replace)
{
    std::string temporary = path + ".XXXXXX";
    const int descriptor = mkstemp(temporary.data());
    if (descriptor < 0) {
        return std::strerror(errno);
    }
    const auto fail = [&](int error) {
        unlink(temporary.c_str());
        return std::string(std::strerror(error));
    };
    for (size_t written = 0; written < text.size();) {
        const ssize_t count = write(descriptor, text.data() + written, text.size() - written);
        if (count < 0 && errno != EINTR) {
            const int error = errno;
            close(descriptor);
            return fail(error);
        }
        written += count > 0 ? static_cast<size_t>(count) : 0;
    }
    // mkstemp makes the file private; an exported file gets the usual permissions.
    const mode_t mask = umask(0);
    umask(mask);
    if (fchmod(descriptor, 0666 & ~mask) != 0 || fsync(descriptor) != 0) {
        const int error = errno;
        close(descriptor);
        return fail(error);
    }
    if (close(descriptor) != 0) {
        return fail(errno);
    }
    if (replace ? rename(temporary.c_str(), path.c_str()) != 0 : link(temporary.c_str(), path.c_str()) != 0) {
        return fail(errno);
    }
    if (!replace) {
        unlink(temporary.c_str());
    }
    return "";
}

} // namespace dorsatool
