#include "app/RunStart.h"

#include "mixer/MixerSetup.h"
#include "platform/local_time.h"
#include "platform/system.h"
#include "platform/trace.h"
#include "ui/Wnd.h"

#include <ctime>

namespace {

constexpr const char* kModule = "RunStart";

std::string WhenTaken(std::time_t taken) {
    if (taken <= 0)
        return "";
    std::tm local{};
    if (!plat::LocalTime(taken, local))
        return "";
    char text[64];
    if (std::strftime(text, sizeof text, " on %Y-%m-%d at %H:%M", &local) == 0)
        return "";
    return text;
}

std::string QuestionText(const RecordedRun& run) {
    return "The audio wizard started" + WhenTaken(run.taken) +
           " ended before it could put your sound settings back.\n\n"
           "Put the sound settings back as they were before that run?\n\n"
           "Yes: put them back.\n"
           "No: keep them as they are now.\n"
           "Cancel: ask again at the next start.";
}

} // namespace

bool StartRun(CRunLock& lock) {
    CWnd owner;
    std::string error;
    const std::string temp = plat::GetTempPath(&error);
    if (temp.empty()) {
        // No private directory: no snapshot can wait there, and the sound-card
        // test says why none can be written.
        TRACE_LOG(1, kModule, __LINE__, "%s", error.c_str());
        return true;
    }
    const std::string path = MixerSnapshotPath();
    if (!lock.Acquire(path, error)) {
        TRACE_LOG(2, kModule, __LINE__, "%s", error.c_str());
        owner.MessageBox(error, "", MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    RecordedRun run;
    if (FindSnapshotOwner(path, &run) != SnapshotOwner::EndedRun)
        return true;
    TRACE_LOG(1, kModule, __LINE__, "Snapshot of an ended run waiting: %s", path.c_str());
    switch (owner.MessageBox(QuestionText(run), "", MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES:
        if (!RestoreWaitingSnapshot(path, error))
            owner.MessageBox(RestoreFailedText(error, path), "", MB_OK | MB_ICONWARNING);
        break;
    case IDNO:
        DiscardWaitingSnapshot(path);
        break;
    default: // asked again at the next start; this run's Test leaves it alone
        break;
    }
    return true;
}
