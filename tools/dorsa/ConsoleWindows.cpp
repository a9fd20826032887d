#include "Console.h"

#include <dorsa/platform/WideText.h>

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <stdexcept>
#include <string>

namespace dorsatool {

namespace {

UINT s_savedOutputCodePage = 0;
HANDLE s_input = INVALID_HANDLE_VALUE;
DWORD s_savedInputMode = 0;
bool s_echoOff = false;

bool IsConsole(DWORD stream)
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(stream), &mode) != 0;
}

// The console's code page is the console's, not the program's: the shell gets its own back.
void RestoreOutputCodePage()
{
    SetConsoleOutputCP(s_savedOutputCodePage);
}

// Ctrl+C or a closed console while the password is asked for: echo goes back on first.
BOOL WINAPI RestoreEcho(DWORD)
{
    if (s_echoOff) {
        SetConsoleMode(s_input, s_savedInputMode);
    }
    return FALSE;
}

// The system's text for an error, as strerror gives it on POSIX: no final full stop.
std::string ErrorText(DWORD error)
{
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = length ? std::wstring(buffer, length) : L"error " + std::to_wstring(error);
    LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L'.' || text.back() == L' ')) {
        text.pop_back();
    }
    try {
        return zvrtkDorsaServiceLayer::WideToUtf8(text);
    } catch (const std::range_error&) {
        return "error " + std::to_string(error);
    }
}

std::string LastErrorText()
{
    return ErrorText(GetLastError());
}

} // namespace

void SetUpConsole()
{
    if (IsConsole(STD_OUTPUT_HANDLE) || IsConsole(STD_ERROR_HANDLE)) {
        s_savedOutputCodePage = GetConsoleOutputCP();
        if (s_savedOutputCodePage != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) {
            std::atexit(&RestoreOutputCodePage);
        }
    }
    // The bytes as written: UTF-8, and "\n" without a "\r", as on every other platform.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

bool ErrorIsTerminal()
{
    return IsConsole(STD_ERROR_HANDLE);
}

bool OutputIsUtf8()
{
    return true;
}

bool AskWithoutEcho(const std::string& prompt, std::string& answer)
{
    s_input = GetStdHandle(STD_INPUT_HANDLE);
    if (!GetConsoleMode(s_input, &s_savedInputMode)) {
        return false;
    }
    SetConsoleCtrlHandler(&RestoreEcho, TRUE);
    s_echoOff = SetConsoleMode(s_input, (s_savedInputMode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) |
                                            ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT) != 0;
    if (!s_echoOff) {
        SetConsoleCtrlHandler(&RestoreEcho, FALSE);
        return false;
    }
    std::cerr << prompt << std::flush;
    // Read as UTF-16 from the console, whatever its input code page.
    std::wstring line;
    wchar_t buffer[256];
    DWORD count = 0;
    bool complete = false;
    while (!complete && ReadConsoleW(s_input, buffer, sizeof buffer / sizeof buffer[0], &count, nullptr) && count > 0) {
        line.append(buffer, count);
        complete = line.find(L'\n') != std::wstring::npos;
    }
    SetConsoleMode(s_input, s_savedInputMode);
    s_echoOff = false;
    SetConsoleCtrlHandler(&RestoreEcho, FALSE);
    std::cerr << "\n"; // the newline the user typed did not show
    if (!complete) {
        return false;
    }
    line.erase(line.find_first_of(L"\r\n"));
    try {
        answer = zvrtkDorsaServiceLayer::WideToUtf8(line);
    } catch (const std::range_error&) {
        return false;
    }
    return true;
}

bool PathExists(const std::string& path)
{
    try {
        return GetFileAttributesW(zvrtkDorsaServiceLayer::Utf8ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
    } catch (const std::range_error&) {
        return false;
    }
}

// The text is written and flushed to the disk, then the temporary file takes the name;
// without `replace`, MoveFileEx refuses a name that is taken.
std::string WriteWholeFile(const std::string& path, const std::string& text, bool replace)
{
    std::wstring target;
    try {
        target = zvrtkDorsaServiceLayer::Utf8ToWide(path);
    } catch (const std::range_error& error) {
        return error.what();
    }
    std::wstring temporary;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (unsigned attempt = 0; file == INVALID_HANDLE_VALUE && attempt < 100; ++attempt) {
        temporary = target + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(attempt);
        file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) {
            return LastErrorText();
        }
    }
    if (file == INVALID_HANDLE_VALUE) {
        return LastErrorText();
    }
    const auto fail = [&](DWORD error) {
        DeleteFileW(temporary.c_str());
        return ErrorText(error);
    };
    for (size_t written = 0; written < text.size();) {
        const DWORD piece = static_cast<DWORD>(std::min<size_t>(text.size() - written, 1u << 30));
        DWORD count = 0;
        if (!WriteFile(file, text.data() + written, piece, &count, nullptr)) {
            const DWORD error = GetLastError();
            CloseHandle(file);
            return fail(error);
        }
        written += count;
    }
    if (!FlushFileBuffers(file)) {
        const DWORD error = GetLastError();
        CloseHandle(file);
        return fail(error);
    }
    CloseHandle(file);
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    if (!MoveFileExW(temporary.c_str(), target.c_str(), flags)) {
        return fail(GetLastError());
    }
    return "";
}

} // namespace dorsatool
