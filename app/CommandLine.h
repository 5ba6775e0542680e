// The program's command line: --help, --version, --sound=CHOICE and the
// command-line tools of CommandLineTools().
#pragma once

#include <ostream>
#include <span>
#include <string>
#include <vector>

// A tool run instead of the wizard: `option` followed by `argCount` arguments,
// then up to `optionalArgs` more that do not start with "--". `run` returns the
// program's exit code.
struct CommandLineTool {
    const char* option;
    const char* argsHelp;
    const char* help;
    int argCount;
    int (*run)(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
    bool usesSound = true; // the sound backend is chosen (and announced) only for these
    int optionalArgs = 0;
};

// The tools the program offers (app/CommandLineTools.cpp).
std::span<const CommandLineTool> CommandLineTools();

struct CommandLine {
    bool exit = false; // --help, --version or an error: end with exitCode
    int exitCode = 0;
    std::string soundChoice; // from --sound=CHOICE, "" when absent
    const CommandLineTool* tool = nullptr;
    std::vector<std::string> toolArgs;
};

// Parses the arguments after the program name. Help, version and errors are
// written to out/err at once.
CommandLine ParseCommandLine(const std::vector<std::string>& args,
                             std::span<const CommandLineTool> tools, std::ostream& out,
                             std::ostream& err);

void PrintUsage(std::span<const CommandLineTool> tools, std::ostream& out);

// The exit code of a command line the program cannot follow: an unknown
// option, a missing argument, a sound system that cannot start, a wizard
// without a graphical session.
constexpr int kUsageExitCode = 2;

// Whether errors at start-up are also shown in a message box: the wizard (no
// command-line tool) started where a desktop shows windows (DISPLAY or
// WAYLAND_DISPLAY set; on Windows always) and without a terminal to read
// standard error in (plat::HasTerminal), so that a start from a menu does not
// end unseen while one from a terminal ends with its line there.
bool StartedFromDesktop(const CommandLine& commandLine);

// Why the wizard cannot show a window here, in one line for standard error
// with the ways to try it without a display; "" when it can try. On Linux:
// none of DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM is set (not for the
// command-line tools, which need no display).
std::string NoDisplayText(const CommandLine& commandLine);
// The same line when a display is named but cannot be opened (`reason`: the
// toolkit's words).
std::string DisplayFailedText(const std::string& reason);
