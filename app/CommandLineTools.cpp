// The command-line tools of the program, one line each:
//   {"--option", "ARGS", "what it does", argument count, &RunFunction},
#include "app/CommandLine.h"
#include "app/MixerReport.h"
#include "audio/DeviceReport.h"
#include "audio/RecordingVerdict.h"
#include "config/RegistryTools.h"
#include "mixer/MixerTools.h"
#include "pages/RecordingVerdictLine.h"

namespace {

// --import-registry FILE.reg / --export-registry KEY FILE.reg: register an
// installation in the registry, or save a key and everything below it.
int RunImportRegistry(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return ImportRegistryFile(args.at(0), out, err);
}

int RunExportRegistry(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return ExportRegistryKey(args.at(0), args.at(1), out, err);
}

// --report: the sound devices, then the description of every mixer (in
// English; the trace keeps the walk's French).
int RunReport(const std::vector<std::string>&, std::ostream& out, std::ostream&) {
    const bool devices = ReportDevices(out);
    out << '\n';
    const bool mixers = ReportMixerInEnglish(out) != 0;
    return devices && mixers ? 0 : 1;
}

// --verdict FILE: the recording's verdict, and what the speech recogniser
// understood of page 4's sentence in the language of the texts in use.
int RunVerdictTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return RunVerdict(args, out, err, PageSentence());
}

} // namespace

std::span<const CommandLineTool> CommandLineTools() {
    static const CommandLineTool tools[] = {
        {"--import-registry", "FILE.reg", "apply a REGEDIT4 file to the registry, then exit", 1,
         &RunImportRegistry, false},
        {"--export-registry", "KEY FILE.reg",
         "write KEY and everything below it as REGEDIT4, then exit", 2, &RunExportRegistry, false},
        {"--report", nullptr, "print the sound devices and mixers, then exit", 0, &RunReport},
        {"--save-mixer", "FILE", "save every mixer control to FILE, then exit", 1, &RunSaveMixer},
        {"--restore-mixer", "[FILE]",
         "put every mixer control back from FILE (the file is kept), or without FILE the "
         "settings a wizard that ended badly left waiting, then exit",
         0, &RunRestoreMixer, true, 1},
        {"--verdict", "FILE",
         "judge a recording (a PCM WAVE file) as page 4 does and print its figures and the words "
         "a speech recogniser understood, then exit (0 when it suits speech recognition)",
         1, &RunVerdictTool, false},
        {nullptr, nullptr, nullptr, 0, nullptr}, // end marker, keeps the table non-empty
    };
    return std::span<const CommandLineTool>(tools, std::size(tools) - 1);
}
