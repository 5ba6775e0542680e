#include "mixer/MixerTools.h"

#include "mixer/InfoMix.h"
#include "mixer/MixerSetup.h"
#include "platform/trace.h"

int ReportMixer(std::ostream& out) {
    plat::SetTraceListener([&out](int, const char* module, int, const char* text) {
        if (std::string(module) == "InfoMix")
            out << text << '\n';
    });
    CMixerInfo info;
    const int result = info.FillMixerInfoTree();
    plat::SetTraceListener({});
    out.flush();
    return result;
}

int RunSaveMixer(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 1) {
        err << "pelmora: --save-mixer needs one file name\n";
        return 2;
    }
    CMixerSetup setup;
    if (!setup.SaveSnapshot(args[0])) {
        err << "pelmora: " << setup.GetErrorText() << '\n';
        return 1;
    }
    out << "Mixer saved to " << args[0] << '\n';
    return 0;
}

int RunRestoreMixer(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 1) {
        err << "pelmora: --restore-mixer needs one file name\n";
        return 2;
    }
    CMixerSetup setup;
    if (!setup.RestoreSnapshotKeepingFile(args[0])) {
        err << "pelmora: " << setup.GetErrorText() << '\n';
        return 1;
    }
    out << "Mixer restored from " << args[0] << '\n';
    return 0;
}
