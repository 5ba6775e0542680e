#include "app/RunStart.h"

#include "mixer/MixerSetup.h"
#include "platform/files/directories.h"
#include "platform/system/local_time.h"
#include "platform/system/trace.h"
#include "texts/UiTexts.h"
#include "ui/WinApp.h"
#include "ui/Wnd.h"

#include <ctime>
#include <iostream>

namespace {

constexpr const char* kModule = "RunStart";

bool Stamp(std::time_t taken, const char* format, std::string& text) {
    if (taken <= 0)
        return false;
    std::tm local{};
    if (!plat::LocalTime(taken, local))
        return false;
    char buffer[32];
    if (std::strftime(buffer, sizeof buffer, format, &local) == 0)
        return false;
    text = buffer;
    return true;
}

// Another wizard holds the lock: it comes to the front, or the user is told.
void RefuseSecondRun(const std::string& error) {
    if (CWinApp::RequestActivation(ActivationEndpoint())) {
        TRACE_LOG(1, kModule, __LINE__, "Another wizard runs: brought to the front");
        std::cerr << "Pelmora is already running; its window was brought to the front.\n";
        return;
    }
    TRACE_LOG(2, kModule, __LINE__, "%s", error.c_str());
    CWnd owner;
    owner.MessageBox(error, "", MB_OK | MB_ICONEXCLAMATION);
}

} // namespace

std::string ActivationEndpoint() {
    const std::string temp = plat::GetTempPath();
    return temp.empty() ? std::string() : temp + "wizard.socket";
}

std::string RecoveryQuestionText(const RecordedRun& run) {
    std::string day, time;
    const std::string what = Stamp(run.taken, "%Y-%m-%d", day) && Stamp(run.taken, "%H:%M", time)
                                 ? FormatUiText(UiText("Recovery", "EndedAt"), {day, time})
                                 : UiText("Recovery", "Ended");
    return what + "\n\n" + UiText("Recovery", "Question");
}

std::vector<std::string> RecoveryButtonTexts() {
    return {UiText("Recovery", "PutBack"), UiText("Recovery", "Keep"), UiText("Recovery", "Later")};
}

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
        RefuseSecondRun(error);
        return false;
    }
    RecordedRun run;
    if (FindSnapshotOwner(path, &run) != SnapshotOwner::EndedRun)
        return true;
    TRACE_LOG(1, kModule, __LINE__, "Snapshot of an ended run waiting: %s", path.c_str());
    // The question in the user's language (the texts are read once a run).
    LoadUiTexts();
    switch (owner.MessageBox(RecoveryQuestionText(run), "", MB_YESNOCANCEL | MB_ICONQUESTION,
                             RecoveryButtonTexts())) {
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
