#include "mixer/MixerRun.h"

#include "mixer/MixerSetup.h"
#include "platform/files/paths.h"
#include "platform/text/ini_file.h"

#include <cstdlib>

namespace {

constexpr const char* kSection = "Run";

// The snapshot's directory with a trailing separator ("" for a bare name).
std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = plat::NativePath(path).rfind(plat::kPathSeparator);
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool ReadRunRecord(const std::string& path, RecordedRun& run) {
    CIniFile record;
    if (!record.Open(path) || !record.FindSection(kSection))
        return false;
    run.process.pid = record.GetLong("Pid");
    run.process.bootId = record.GetValue("Boot");
    run.process.start = std::strtoull(record.GetValue("Start").c_str(), nullptr, 10);
    run.taken = static_cast<std::time_t>(record.GetLong("Taken"));
    return run.process.pid > 0 && !run.process.bootId.empty();
}

} // namespace

std::string RunRecordPath(const std::string& snapshotPath) {
    const std::string dir = DirectoryOf(snapshotPath);
    std::string name = snapshotPath.substr(dir.size());
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.resize(dot);
    return dir + name + ".run";
}

bool WriteRunRecord(const std::string& snapshotPath, std::string& error) {
    const plat::ProcessIdentity self = plat::CurrentProcess();
    CIniFile record;
    record.SetLong(kSection, "Pid", self.pid);
    record.SetString(kSection, "Boot", self.bootId);
    record.SetString(kSection, "Start", std::to_string(self.start));
    record.SetLong(kSection, "Taken", static_cast<long>(std::time(nullptr)));
    const std::string path = RunRecordPath(snapshotPath);
    if (!record.Save(path)) {
        error = "Error : creating file " + path;
        return false;
    }
    return true;
}

void RemoveRunRecord(const std::string& snapshotPath) {
    plat::DeleteFile(RunRecordPath(snapshotPath));
}

SnapshotOwner FindSnapshotOwner(const std::string& snapshotPath, RecordedRun* run) {
    const std::string recordPath = RunRecordPath(snapshotPath);
    if (!plat::FileExists(recordPath) || !plat::FileExists(snapshotPath))
        return SnapshotOwner::None;
    RecordedRun found;
    const bool readable = ReadRunRecord(recordPath, found);
    if (run != nullptr)
        *run = found;
    if (!readable)
        return SnapshotOwner::EndedRun;
    const plat::ProcessIdentity self = plat::CurrentProcess();
    if (found.process.pid == self.pid && found.process.bootId == self.bootId &&
        found.process.start == self.start)
        return SnapshotOwner::ThisRun;
    return plat::IsProcessAlive(found.process) ? SnapshotOwner::LivingRun : SnapshotOwner::EndedRun;
}

bool CRunLock::Acquire(const std::string& snapshotPath, std::string& error) {
    const std::string path = DirectoryOf(snapshotPath) + "Pelmora.lock";
    if (m_lock.Acquire(path, true))
        return true;
    error = "The audio wizard is already running. Finish or cancel it before starting it again.";
    return false;
}

int RestoreWaitingSnapshot(const std::string& snapshotPath, std::string& error) {
    CMixerSetup setup;
    if (!setup.RestoreSnapshotFile(snapshotPath, true)) {
        error = setup.GetErrorText();
        return 0;
    }
    return 1;
}

void DiscardWaitingSnapshot(const std::string& snapshotPath) {
    RemoveRunRecord(snapshotPath);
    plat::DeleteFile(snapshotPath);
}

std::string RestoreFailedText(const std::string& error, const std::string& snapshotPath) {
    if (snapshotPath.empty())
        return "The sound settings could not be put back as they were before the wizard:\n" +
               error +
               "\n\nThey could not be kept on disk either: please set the volumes again in the "
               "sound settings of the desktop.";
    return "The sound settings could not be put back as they were before the wizard:\n" + error +
           "\n\nThey are kept in " + snapshotPath +
           ". The next start of the audio wizard offers to put them back; they can also be put "
           "back with the command\n    pelmora --restore-mixer";
}
