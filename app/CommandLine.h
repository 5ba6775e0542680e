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

// Whether errors at start-up are also shown in a message box: the wizard (no
// command-line tool) started where a desktop shows windows (DISPLAY or
// WAYLAND_DISPLAY set; on Windows always), so that a start from a menu does
// not end unseen.
bool StartedFromDesktop(const CommandLine& commandLine);
