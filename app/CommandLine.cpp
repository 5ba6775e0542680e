#include "app/CommandLine.h"

#include "platform/system/program.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace {

constexpr std::string_view kSoundOption = "--sound=";

const CommandLineTool* FindTool(std::span<const CommandLineTool> tools, const std::string& option) {
    for (const CommandLineTool& tool : tools) {
        if (option == tool.option)
            return &tool;
    }
    return nullptr;
}

CommandLine Failure(std::ostream& err, const std::string& message) {
    err << "pelmora: " << message << "\nTry 'pelmora --help' for more information.\n";
    CommandLine result;
    result.exit = true;
    result.exitCode = kUsageExitCode;
    return result;
}

#if !defined(_WIN32)
// Windows has no display variables: every session shows windows.
bool EnvironmentSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}
#endif

// How to see the wizard without a display.
constexpr const char* kWithoutDisplay =
    "to try it without one: QT_QPA_PLATFORM=offscreen pelmora, or render_pages DIR (built with "
    "the tests) for every page as a picture";

#if defined(_WIN32)
constexpr const char* kSoundHelp =
    "  --sound=CHOICE    the sound system: winmm (Windows' own), virtual (the\n"
    "                    built-in virtual sound card) or virtual:CARD.ini (a\n"
    "                    virtual card described by a card file); default: winmm\n"
    "                    when it has a wave device, else the virtual card\n";
constexpr const char* kSoundChoices = "winmm, virtual or virtual:CARD.ini";
#else
constexpr const char* kSoundHelp =
    "  --sound=CHOICE    the sound system: pulse (the desktop's sound server:\n"
    "                    PulseAudio, or PipeWire's), alsa, virtual (the built-in\n"
    "                    virtual sound card) or virtual:CARD.ini (a virtual card\n"
    "                    described by a card file); default: the sound server\n"
    "                    when one answers, else ALSA when a card answers, else\n"
    "                    the virtual card\n";
constexpr const char* kSoundChoices = "pulse, alsa, virtual or virtual:CARD.ini";
#endif

} // namespace

void PrintUsage(std::span<const CommandLineTool> tools, std::ostream& out) {
    out << "Usage: pelmora [OPTION]...\n"
           "Prepares the sound card, the listening volume and the recording volume for\n"
           "speech-based language learning.\n\n"
        << kSoundHelp;
    for (const CommandLineTool& tool : tools) {
        std::string left = std::string(tool.option);
        if (tool.argsHelp != nullptr && tool.argsHelp[0] != '\0')
            left += std::string(" ") + tool.argsHelp;
        out << "  " << left;
        if (left.size() < 16)
            out << std::string(18 - left.size(), ' ');
        else
            out << "\n" << std::string(20, ' ');
        out << tool.help << "\n";
    }
    out << "  --help            show this help and exit\n"
           "  --version         show the version and exit\n";
}

CommandLine ParseCommandLine(const std::vector<std::string>& args,
                             std::span<const CommandLineTool> tools, std::ostream& out,
                             std::ostream& err) {
    CommandLine result;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            PrintUsage(tools, out);
            result.exit = true;
            result.exitCode = 0;
            return result;
        }
        if (arg == "--version") {
            const std::string version = plat::GetProductVersion();
            out << "pelmora " << (version.empty() ? "(no version)" : version) << "\n";
            result.exit = true;
            result.exitCode = 0;
            return result;
        }
        if (arg.starts_with(kSoundOption)) {
            result.soundChoice = arg.substr(kSoundOption.size());
            if (result.soundChoice.empty())
                return Failure(err, std::string("--sound needs a choice (") + kSoundChoices + ")");
            continue;
        }
        if (const CommandLineTool* tool = FindTool(tools, arg)) {
            if (result.tool != nullptr)
                return Failure(err, "only one of " + std::string(result.tool->option) + " and " +
                                        arg + " may be given");
            std::size_t count = tool->argCount > 0 ? static_cast<std::size_t>(tool->argCount) : 0;
            if (args.size() - i - 1 < count)
                return Failure(err, arg + " needs " + std::to_string(count) + " argument" +
                                        (count == 1 ? "" : "s"));
            for (int extra = 0; extra < tool->optionalArgs && i + 1 + count < args.size() &&
                                !args[i + 1 + count].starts_with("--");
                 ++extra)
                ++count;
            result.tool = tool;
            result.toolArgs.assign(args.begin() + static_cast<std::ptrdiff_t>(i + 1),
                                   args.begin() + static_cast<std::ptrdiff_t>(i + 1 + count));
            i += count;
            continue;
        }
        return Failure(err, "unknown option '" + arg + "'");
    }
    return result;
}

bool StartedFromDesktop(const CommandLine& commandLine) {
    if (commandLine.tool != nullptr || plat::HasTerminal())
        return false;
#if defined(_WIN32)
    // Every Windows session shows windows.
    return true;
#else
    return EnvironmentSet("DISPLAY") || EnvironmentSet("WAYLAND_DISPLAY");
#endif
}

std::string NoDisplayText(const CommandLine& commandLine) {
#if defined(_WIN32)
    (void)commandLine;
    return "";
#else
    // QT_QPA_PLATFORM names a platform that needs no display (offscreen, vnc
    // ...) or says which display to open: the toolkit then tries.
    if (commandLine.tool != nullptr || EnvironmentSet("DISPLAY") ||
        EnvironmentSet("WAYLAND_DISPLAY") || EnvironmentSet("QT_QPA_PLATFORM"))
        return "";
    return std::string("pelmora: the wizard needs a graphical session (X11 or Wayland), and "
                       "neither DISPLAY nor WAYLAND_DISPLAY is set; ") +
           kWithoutDisplay;
#endif
}

std::string DisplayFailedText(const std::string& reason) {
    std::string why = reason;
    std::replace(why.begin(), why.end(), '\n', ' ');
    return "pelmora: the wizard cannot open a window (" + why + "); " + kWithoutDisplay;
}
