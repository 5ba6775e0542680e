// pelmora: parses the command line, binds the trace library, then runs a
// command-line tool or the wizard (whose sheet loads the UI texts).
#include "app/CommandLine.h"
#include "app/WizardApp.h"
#include "platform/mmsystem.h"
#include "platform/sound_choice.h"
#include "platform/system/program.h"
#include "platform/system/trace.h"
#include "resources/ProgramResources.h"
#include "ui/MessageBox.h"
#include "ui/WinApp.h"

#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

namespace {

// A display is named but cannot be opened: one line instead of the toolkit's
// abort.
[[noreturn]] void DisplayFailed(const std::string& reason) {
    std::cerr << DisplayFailedText(reason) << std::endl;
    std::_Exit(kUsageExitCode);
}

} // namespace

int main(int argc, char** argv) {
    plat::UseParentConsole();
    plat::FailWritesPastTheFileSizeLimit();
    const std::vector<std::string> args(argv + 1, argv + argc);
    const CommandLine commandLine =
        ParseCommandLine(args, CommandLineTools(), std::cout, std::cerr);
    if (commandLine.exit)
        return commandLine.exitCode;
    // The wizard needs a display; the command-line tools do not.
    if (const std::string noDisplay = NoDisplayText(commandLine); !noDisplay.empty()) {
        std::cerr << noDisplay << "\n";
        return kUsageExitCode;
    }
    SetStartFailureHandler(&DisplayFailed);

    std::string error;
    const bool usesSound = commandLine.tool == nullptr || commandLine.tool->usesSound;
    const bool probing =
        usesSound && commandLine.tool == nullptr && commandLine.soundChoice.empty();
    if (probing) {
        // The wizard's automatic choice probes the sound server and the
        // cards beside the toolkit's start (below), off the window's path;
        // the first use of the sound system waits for it, or makes it.
        plat::SelectSoundBackendOnFirstUse();
    } else if (usesSound && !plat::SelectSoundBackend(commandLine.soundChoice, error)) {
        std::cerr << "pelmora: " << error << "\n";
        // A backend asked for that cannot start: started from a menu, the
        // user would never read standard error; from a terminal the line
        // there is enough.
        if (StartedFromDesktop(commandLine))
            AfxMessageBox(argc, argv, "The sound system cannot be used: " + error,
                          MB_OK | MB_ICONHAND);
        return kUsageExitCode;
    }

    RegisterProgramResources();
    plat::LoadTraceLibrary();
    TRACE_LOG(0, "PropSheet", __LINE__, "Démarrage de Pelmora %s",
              plat::GetProductVersion().c_str());
    // Started once the trace library is in place: the probe traces too.
    std::thread probe;
    if (probing)
        probe = std::thread([] { plat::MakePendingSoundBackend(); });

    int exitCode = 0;
    if (commandLine.tool != nullptr) {
        exitCode = commandLine.tool->run(commandLine.toolArgs, std::cout, std::cerr);
    } else {
        // The wizard: the application object starts the user interface and
        // runs the sheet modally.
        CWizardApp app;
        exitCode = app.Run(argc, argv);
    }

    // A sound still playing (page 3's loop when the wizard is closed) is
    // stopped and its player's thread joined before the process ends.
    if (usesSound)
        plat::PlaySound(nullptr, nullptr, 0);
    if (probe.joinable())
        probe.join();
    plat::UnloadTraceLibrary();
    return exitCode;
}
