// The running program: its file, its version, and where its output goes.
#pragma once

#include <string>

namespace plat {

// Full path of the running program, and its directory with a trailing separator.
std::string GetModuleFileName();
std::string GetModuleDirectory();

// The product version of the program, from the build ("1.0.0"); empty when the
// build carries none.
std::string GetProductVersion();

// Gives standard output and error a place to go when the program was started
// without them: the Windows program is a windows one (a start from the menu
// opens no console), so a command-line tool run from a console writes to
// the console of the shell that started it; output sent to a file or a pipe
// stays there. Nothing to do on POSIX.
void UseParentConsole();

// A file-size limit (ulimit -f) makes a write past it fail, as a full disk
// does, instead of ending the program: on POSIX the signal it sends is
// ignored. Nothing to do on Windows.
void FailWritesPastTheFileSizeLimit();

// Whether the user can read what the program writes to standard error where
// it was started: on POSIX standard input or standard error is a terminal;
// on Windows the program has a console (its parent's, see UseParentConsole).
bool HasTerminal();

} // namespace plat
