// Runs a shell command on the machine the tests run on, to make inputs with
// the tools real users have (sox, iconv, python3). A Windows test program
// runs under Wine, which starts a Linux program for CreateProcess but hands
// back no process to wait for: the command runs from a script through
// /bin/sh, which writes its exit status to a file the caller waits for.
#pragma once

#include <filesystem>
#include <string>

namespace hostcmd {

// The path as the machine's own tools see it: under Wine, through Wine's
// own wine_get_unix_file_name (C: lives in the prefix, Z: is the root).
std::string HostPath(const std::filesystem::path& path);

// Runs `command` with /bin/sh and returns its exit status (-1 when no shell
// started or it never ended). What it wrote to stdout goes to *output, or to
// this program's stdout when output is null; its stderr to this program's.
int Run(const std::string& command, std::string* output = nullptr);

// Whether the machine has the program, as `command -v` finds it.
bool Have(const std::string& program);

} // namespace hostcmd
