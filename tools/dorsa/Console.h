#pragma once

// What the tool asks of the operating system: the console and the file system. One
// source per platform (ConsolePosix.cpp, ConsoleWindows.cpp), chosen by CMake.

#include <string>

namespace dorsatool {

// Sets the standard streams up once, before anything is printed: on Windows the console
// shows UTF-8 and standard output carries the bytes the tool writes, unchanged.
void SetUpConsole();

// Whether standard error is a terminal (the progress line is shown only there).
bool ErrorIsTerminal();

// Whether printed text may hold UTF-8 beyond ASCII (the tree's box-drawing lines): on
// POSIX when the environment's locale says so, on Windows always (SetUpConsole).
bool OutputIsUtf8();

// Prints `prompt` on standard error and reads a line from the terminal of standard input
// with echo off; false when standard input is no terminal or the echo cannot be turned off.
bool AskWithoutEcho(const std::string& prompt, std::string& answer);

// Whether anything (a file, a folder, a dangling link) has this name.
bool PathExists(const std::string& path);

// Writes `text` to `path` through a temporary file beside it, so that `path` is either
// left as it was or holds the whole text. Without `replace` an existing `path` is kept
// and the write fails. Empty on success, else why it failed.
std::string WriteWholeFile(const std::string& path, const std::string& text, bool replace);

} // namespace dorsatool
