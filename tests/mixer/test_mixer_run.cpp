// The run's snapshot: kept for the run, never confused with a file another run
// left, kept on disk until every value is back, and offered back after a run
// that ended without putting the mixer back.
#include "MixerTestCard.h"
#include "mixer/MixerRun.h"
#include "mixer/MixerSetup.h"
#include "mixer/MixerTools.h"
#include "platform/files/directories.h"
#include "platform/text/ini_file.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TestDir.h"

#include <gmock/gmock.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace mixtest;
using ::testing::HasSubstr;
using ::testing::StartsWith;
namespace fs = std::filesystem;

namespace {

constexpr DWORD SPEAKERS = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
constexpr DWORD WAVEIN = MIXERLINE_COMPONENTTYPE_DST_WAVEIN;
constexpr DWORD MIC = MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE;
constexpr DWORD VOLUME = MIXERCONTROL_CONTROLTYPE_VOLUME;
constexpr DWORD MUTE = MIXERCONTROL_CONTROLTYPE_MUTE;

VirtualCardDesc TwoLineCard() {
    return Card({Mixer(
        {Line("Spk", SPEAKERS, {Volume(1000), Mute(true)}),
         Line("Rec", WAVEIN, {Volume(2000)}, {Line("Mic", MIC, {Volume(300), Mute(true)})})})});
}

std::vector<LONG> Controls(const CVirtualCard& card) {
    return {Value(card, 0, SPEAKERS, VOLUME), Value(card, 0, SPEAKERS, MUTE),
            Value(card, 0, WAVEIN, VOLUME), Value(card, 0, MIC, VOLUME)};
}

void ChangeEverything(CVirtualCard& card) {
    card.SetControlValues(0, card.FindControlId(0, SPEAKERS, VOLUME), {65535});
    card.SetControlValues(0, card.FindControlId(0, SPEAKERS, MUTE), {0});
    card.SetControlValues(0, card.FindControlId(0, WAVEIN, VOLUME), {65535});
    card.SetControlValues(0, card.FindControlId(0, MIC, VOLUME), {65535});
}

// Another wizard run, as a process of its own: this test program started
// again to run MixerRunChild.Run only, which takes the snapshot at `path` on
// its own card (speakers at 4242), prepares recording, says so with a file
// beside the snapshot, then ends ("exit") or waits to be killed ("hold").
constexpr const char* kChildVariable = "PELMORA_TEST_RUN_CHILD";

pid_t StartRun(const std::string& mode, const std::string& path) {
    const std::string ready = path + ".ready";
    fs::remove(ready);
    const pid_t child = ::fork();
    if (child == 0) {
        ::setenv(kChildVariable, (mode + ":" + path).c_str(), 1);
        ::execl("/proc/self/exe", "test_mixer_run", "--gtest_filter=MixerRunChild.Run",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    for (int i = 0; i < 1000 && !fs::exists(ready); ++i) {
        if (::waitpid(child, nullptr, WNOHANG) == child)
            return -1; // ended before it was ready
        ::usleep(10000);
    }
    return fs::exists(ready) ? child : -1;
}

TEST(MixerRunChild, Run) {
    const char* what = std::getenv(kChildVariable);
    if (what == nullptr)
        GTEST_SKIP() << "runs only as the child of a MixerRun test";
    const std::string request = what;
    const std::string mode = request.substr(0, request.find(':'));
    const std::string path = request.substr(request.find(':') + 1);
    auto own = Install(TwoLineCard());
    own->SetControlValues(0, own->FindControlId(0, SPEAKERS, VOLUME), {4242});
    CMixerSetup setup;
    ASSERT_EQ(setup.SaveSnapshot(path), 1) << setup.GetErrorText();
    ASSERT_EQ(setup.PrepareRecording(), 1) << setup.GetErrorText();
    std::ofstream(path + ".ready") << "ready";
    if (mode == "exit")
        ::_exit(0);
    for (;;)
        ::pause();
}

class MixerRun : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = FreshTestDir("mixer_run");
        m_path = (m_dir / "Mixer.ser").string();
        m_record = RunRecordPath(m_path);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    // A snapshot with the record of a process that is gone, as a killed run
    // leaves them: the settings of `card` as they are now.
    void LeaveEndedRun() {
        const pid_t child = StartRun("exit", m_path);
        ASSERT_GT(child, 0);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        fs::remove(m_path + ".ready");
    }

    fs::path m_dir;
    std::string m_path;
    std::string m_record;
};

TEST_F(MixerRun, SnapshotOfAnotherRunIsNeverAppliedByThisRun) {
    auto card = Install(TwoLineCard());
    {
        // An earlier run that finished keeping its changes left its file.
        CMixerSetup earlier;
        ASSERT_EQ(earlier.SaveSnapshot(m_path), 1);
        earlier.KeepChanges(m_path);
    }
    ASSERT_TRUE(fs::exists(m_path));
    EXPECT_FALSE(fs::exists(m_record));
    const std::string leftover = FileContents(m_path);
    ChangeEverything(*card);
    const auto now = Controls(*card);

    // Cancel before the sound-card test: nothing to restore, nothing applied.
    CMixerSetup setup;
    EXPECT_FALSE(setup.HasSnapshot());
    EXPECT_EQ(setup.RestoreSnapshot(m_path), 0);
    EXPECT_EQ(Controls(*card), now);
    EXPECT_EQ(FileContents(m_path), leftover);

    // This run's own snapshot replaces the inert file and is what comes back.
    ASSERT_EQ(setup.SaveSnapshot(m_path), 1);
    card->SetControlValues(0, card->FindControlId(0, SPEAKERS, VOLUME), {7});
    ASSERT_EQ(setup.RestoreSnapshot(m_path), 1) << setup.GetErrorText();
    EXPECT_EQ(Controls(*card), now);
    EXPECT_FALSE(fs::exists(m_path));
    EXPECT_FALSE(fs::exists(m_record));
}

TEST_F(MixerRun, SnapshotThatCannotBeWrittenStillServesCancel) {
    auto card = Install(TwoLineCard());
    const auto before = Controls(*card);
    // A directory that is not there: nothing can be written.
    m_path = (m_dir / "gone" / "Mixer.ser").string();
    CMixerSetup setup;
    EXPECT_EQ(setup.SaveSnapshot(m_path), 0);
    EXPECT_THAT(setup.GetErrorText(), StartsWith("Error : creating file " + m_path));
    EXPECT_THAT(setup.GetErrorText(), HasSubstr(std::strerror(ENOENT))) << "the reason is said";
    EXPECT_THAT(setup.GetErrorText(), HasSubstr("a crash could not be recovered"));
    EXPECT_TRUE(setup.HasSnapshot());
    EXPECT_EQ(setup.SnapshotFile(), "");

    ASSERT_EQ(setup.PrepareRecording(), 1) << setup.GetErrorText();
    ChangeEverything(*card);
    ASSERT_EQ(setup.RestoreSnapshot(m_path), 1) << setup.GetErrorText();
    EXPECT_EQ(Controls(*card), before);
    EXPECT_FALSE(fs::exists(m_dir / "gone"));

    // Without a private directory at all the run still holds its snapshot.
    CMixerSetup nowhere;
    EXPECT_EQ(nowhere.SaveSnapshot(""), 0);
    EXPECT_THAT(nowhere.GetErrorText(), HasSubstr("in memory only"));
    ChangeEverything(*card);
    ASSERT_EQ(nowhere.RestoreSnapshot(""), 1) << nowhere.GetErrorText();
    EXPECT_EQ(Controls(*card), before);
}

TEST_F(MixerRun, FailedRestoreKeepsFileAndRecordUntilEveryValueIsBack) {
    auto card = Install(TwoLineCard());
    const auto before = Controls(*card);
    CMixerSetup setup;
    ASSERT_EQ(setup.SaveSnapshot(m_path), 1) << setup.GetErrorText();
    ASSERT_TRUE(fs::exists(m_record));
    ChangeEverything(*card);

    card->FailCall("mixerSetControlDetails", MMSYSERR_NOTENABLED, 1);
    EXPECT_EQ(setup.RestoreSnapshot(m_path), 0);
    EXPECT_THAT(setup.GetErrorText(),
                StartsWith("InfoMix:SetMixerValue : mixerSetControlDetails failed : 3 (mixer 0 "
                           "\"Mix\": "));
    EXPECT_TRUE(fs::exists(m_path));
    EXPECT_TRUE(fs::exists(m_record));
    EXPECT_TRUE(setup.HasSnapshot());
    const std::string told = RestoreFailedText(setup.GetErrorText(), setup.SnapshotFile());
    EXPECT_THAT(told, HasSubstr(m_path));
    EXPECT_THAT(told, HasSubstr("pelmora --restore-mixer"));

    // The mixer answers again: the same run puts it back and cleans up.
    ASSERT_EQ(setup.RestoreSnapshot(m_path), 1) << setup.GetErrorText();
    EXPECT_EQ(Controls(*card), before);
    EXPECT_FALSE(fs::exists(m_path));
    EXPECT_FALSE(fs::exists(m_record));
}

TEST_F(MixerRun, KilledRunIsOfferedBackAndALivingOneIsNot) {
    auto card = Install(TwoLineCard());
    const pid_t child = StartRun("hold", m_path);
    ASSERT_GT(child, 0);

    // Alive: not taken for an ended run, and its snapshot is not overwritten.
    EXPECT_EQ(FindSnapshotOwner(m_path), SnapshotOwner::LivingRun);
    const std::string waiting = FileContents(m_path);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);

    RecordedRun run;
    ASSERT_EQ(FindSnapshotOwner(m_path, &run), SnapshotOwner::EndedRun);
    EXPECT_EQ(run.process.pid, child);
    EXPECT_GT(run.taken, 0);

    // The next run's Test keeps the waiting snapshot and holds its own in memory.
    CMixerSetup next;
    EXPECT_EQ(next.SaveSnapshot(m_path), 0);
    EXPECT_THAT(next.GetErrorText(), HasSubstr("still waiting"));
    EXPECT_TRUE(next.HasSnapshot());
    EXPECT_EQ(FileContents(m_path), waiting);
    EXPECT_EQ(FindSnapshotOwner(m_path), SnapshotOwner::EndedRun);
    next.KeepChanges(m_path);
    EXPECT_EQ(FindSnapshotOwner(m_path), SnapshotOwner::EndedRun);

    // Put back: every control as the killed run found it.
    ChangeEverything(*card);
    std::string error;
    ASSERT_EQ(RestoreWaitingSnapshot(m_path, error), 1) << error;
    EXPECT_EQ(Controls(*card), (std::vector<LONG>{4242, 1, 2000, 300}));
    EXPECT_FALSE(fs::exists(m_path));
    EXPECT_FALSE(fs::exists(m_record));
    EXPECT_EQ(FindSnapshotOwner(m_path), SnapshotOwner::None);
}

TEST_F(MixerRun, RecordOfAReusedProcessIdCountsAsEnded) {
    auto card = Install(TwoLineCard());
    LeaveEndedRun();
    // The id of a living process (ours), but another start time.
    CIniFile record;
    ASSERT_TRUE(record.Open(m_record));
    const plat::ProcessIdentity self = plat::CurrentProcess();
    record.SetLong("Run", "Pid", self.pid);
    record.SetString("Run", "Start", std::to_string(self.start + 1));
    ASSERT_TRUE(record.Save(m_record));
    EXPECT_EQ(FindSnapshotOwner(m_path), SnapshotOwner::EndedRun);
    // A record from another boot too.
    record.SetString("Run", "Start", std::to_string(self.start));
    record.SetString("Run", "Boot", "00000000-0000-0000-0000-000000000000");
    ASSERT_TRUE(record.Save(m_record));
    EXPECT_EQ(FindSnapshotOwner(m_path), SnapshotOwner::EndedRun);
    // A damaged record beside a snapshot: the snapshot may be all that is left.
    std::ofstream(m_record, std::ios::trunc) << "\x01\x02";
    EXPECT_EQ(FindSnapshotOwner(m_path), SnapshotOwner::EndedRun);
    // A record without its snapshot: nothing waits.
    fs::remove(m_path);
    EXPECT_EQ(FindSnapshotOwner(m_path), SnapshotOwner::None);
}

TEST_F(MixerRun, CommandLineRestoresWhatAnEndedRunLeftWaiting) {
    ::unsetenv("XDG_RUNTIME_DIR");
    ::setenv("TMPDIR", m_dir.c_str(), 1);
    m_path = MixerSnapshotPath();
    m_record = RunRecordPath(m_path);
    auto card = Install(TwoLineCard());
    std::ostringstream out, err;
    EXPECT_EQ(RunRestoreMixer({}, out, err), 1);
    EXPECT_THAT(err.str(), HasSubstr("no sound settings are waiting"));

    LeaveEndedRun();
    ChangeEverything(*card);
    card->FailCall("mixerOpen", MMSYSERR_NODRIVER, 1);
    err.str("");
    EXPECT_EQ(RunRestoreMixer({}, out, err), 1);
    EXPECT_THAT(err.str(), HasSubstr("the settings are kept in " + m_path));
    EXPECT_TRUE(fs::exists(m_path));

    err.str("");
    EXPECT_EQ(RunRestoreMixer({}, out, err), 0) << err.str();
    EXPECT_EQ(Controls(*card), (std::vector<LONG>{4242, 1, 2000, 300}));
    EXPECT_FALSE(fs::exists(m_path));
    EXPECT_FALSE(fs::exists(m_record));
    ::unsetenv("TMPDIR");
}

// A restore from a file changes the mixer a running wizard holds: it waits
// for no wizard, as the restore of what an ended run left does.
TEST_F(MixerRun, ARestoreFromAFileIsRefusedWhileAWizardRuns) {
    ::unsetenv("XDG_RUNTIME_DIR");
    ScopedEnv temp("TMPDIR", m_dir.string());
    auto card = Install(TwoLineCard());
    const std::string file = (m_dir / "by-hand.ser").string();
    std::ostringstream out, err;
    ASSERT_EQ(RunSaveMixer({file}, out, err), 0) << err.str();
    ChangeEverything(*card);
    const auto changed = Controls(*card);

    {
        CRunLock wizard;
        std::string error;
        ASSERT_TRUE(wizard.Acquire(MixerSnapshotPath(), error)) << error;
        EXPECT_EQ(RunRestoreMixer({file}, out, err), 1);
        EXPECT_THAT(err.str(), HasSubstr("already running"));
        EXPECT_EQ(Controls(*card), changed);
    }
    err.str("");
    EXPECT_EQ(RunRestoreMixer({file}, out, err), 0) << err.str();
    EXPECT_NE(Controls(*card), changed);
}

// Links planted in the private directory in place of the snapshot, its
// record and the run's lock: nothing is written or made where they lead, and
// each failure says it met a link.
TEST_F(MixerRun, LinksPlantedInThePrivateDirectoryAreNeverWrittenThrough) {
    auto card = Install(TwoLineCard());
    fs::create_directories(m_dir / "run");
    fs::permissions(m_dir / "run", fs::perms::owner_all);
    ScopedEnv runtime("XDG_RUNTIME_DIR", (m_dir / "run").string());
    const std::string temp = plat::GetTempPath();
    ASSERT_EQ(temp, (m_dir / "run" / "pelmora").string() + "/");
    const std::string snapshot = temp + "Mixer.ser";
    const fs::path victim = m_dir / "victim.txt";
    std::ofstream(victim) << "the user's own file";

    fs::create_symlink(victim, snapshot);
    {
        CMixerSetup setup;
        EXPECT_EQ(setup.SaveSnapshot(snapshot), 0);
        EXPECT_THAT(setup.GetErrorText(), HasSubstr("it is a link"));
    }
    EXPECT_EQ(FileContents(victim.string()), "the user's own file");
    fs::remove(snapshot);

    // The record beside a snapshot that could be written.
    fs::create_symlink(m_dir / "made-by-record", RunRecordPath(snapshot));
    {
        CMixerSetup setup;
        setup.SaveSnapshot(snapshot);
        EXPECT_FALSE(fs::exists(m_dir / "made-by-record"));
        setup.RestoreSnapshot(snapshot);
    }
    fs::remove(RunRecordPath(snapshot));

    fs::create_symlink(m_dir / "made-by-lock", temp + "Pelmora.lock");
    CRunLock lock;
    std::string error;
    EXPECT_FALSE(lock.Acquire(snapshot, error));
    EXPECT_THAT(error, HasSubstr("it is a link"));
    EXPECT_THAT(error, ::testing::Not(HasSubstr("already running")));
    EXPECT_FALSE(fs::exists(m_dir / "made-by-lock"));
}

TEST_F(MixerRun, OneWizardAtATime) {
    CRunLock first;
    std::string error;
    ASSERT_TRUE(first.Acquire(m_path, error)) << error;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        CRunLock second;
        std::string why;
        ::_exit(second.Acquire(m_path, why)                        ? 1
                : why.find("already running") != std::string::npos ? 0
                                                                   : 2);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

} // namespace
