// The command-line tools of the program, one line each:
//   {"--option", "ARGS", "what it does", argument count, &RunFunction},
#include "app/CommandLine.h"

std::span<const CommandLineTool> CommandLineTools() {
    static const CommandLineTool tools[] = {
        {nullptr, nullptr, nullptr, 0, nullptr}, // end marker, keeps the table non-empty
    };
    return std::span<const CommandLineTool>(tools, std::size(tools) - 1);
}
