#include "app/CommandLine.h"

#include "platform/system.h"

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
    result.exitCode = 2;
    return result;
}

} // namespace

void PrintUsage(std::span<const CommandLineTool> tools, std::ostream& out) {
    out << "Usage: pelmora [OPTION]...\n"
           "Prepares the sound card, the listening volume and the recording volume for\n"
           "speech-based language learning.\n\n"
           "  --sound=CHOICE    sound hardware: virtual[:CARD.ini] or alsa\n"
           "                    (default: ALSA when a device answers, else the virtual card)\n";
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
                return Failure(err, "--sound needs a choice (virtual[:CARD.ini] or alsa)");
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
    if (commandLine.tool != nullptr)
        return false;
#if defined(_WIN32)
    // Every Windows session shows windows, and a program started from the
    // Start menu has no console to read.
    return true;
#else
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0')
            return true;
    }
    return false;
#endif
}
