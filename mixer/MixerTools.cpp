#include "mixer/MixerTools.h"

#include "mixer/InfoMix.h"
#include "mixer/MixerRun.h"
#include "mixer/MixerSetup.h"
#include "platform/files/directories.h"
#include "platform/system/trace.h"

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
    if (!setup.WriteSnapshotFile(args[0])) {
        err << "pelmora: " << setup.GetErrorText() << '\n';
        return 1;
    }
    out << "Mixer saved to " << args[0] << '\n';
    return 0;
}

namespace {

// --restore-mixer without a file: the settings a wizard that ended badly left
// waiting, put back as the next start of the wizard would.
int RestoreWaiting(std::ostream& out, std::ostream& err) {
    std::string error;
    if (plat::GetTempPath(&error).empty()) {
        err << "pelmora: " << error << '\n';
        return 1;
    }
    const std::string path = MixerSnapshotPath();
    CRunLock lock;
    if (!lock.Acquire(path, error)) {
        err << "pelmora: " << error << '\n';
        return 1;
    }
    if (FindSnapshotOwner(path) != SnapshotOwner::EndedRun) {
        err << "pelmora: no sound settings are waiting to be put back (" << path << ")\n";
        return 1;
    }
    if (!RestoreWaitingSnapshot(path, error)) {
        err << "pelmora: " << error << "\npelmora: the settings are kept in " << path << '\n';
        return 1;
    }
    out << "Mixer restored from " << path << '\n';
    return 0;
}

} // namespace

int RunRestoreMixer(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty())
        return RestoreWaiting(out, err);
    if (args.size() != 1) {
        err << "pelmora: --restore-mixer takes at most one file name\n";
        return 2;
    }
    // A wizard that runs holds the mixer: a restore beneath it would be
    // undone by its cancel, or would undo what the user sets there. Without
    // a private directory no wizard can hold the lock either.
    CRunLock lock;
    std::string error;
    if (!plat::GetTempPath().empty() && !lock.Acquire(MixerSnapshotPath(), error)) {
        err << "pelmora: " << error << '\n';
        return 1;
    }
    CMixerSetup setup;
    if (!setup.RestoreSnapshotFile(args[0], false)) {
        err << "pelmora: " << setup.GetErrorText() << '\n';
        return 1;
    }
    out << "Mixer restored from " << args[0] << '\n';
    return 0;
}
