// The question a start asks about a run that ended before it put the sound
// settings back: with the day and time of that run when its record tells
// them, and in words without a time when the record cannot be read.
#include "app/RunStart.h"
#include "mixer/MixerRun.h"
#include "tests/support/TestDir.h"
#include "texts/UiTexts.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

void Write(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

} // namespace

TEST(RecoveryQuestion, ARecordThatCannotBeReadAsksWithoutATime) {
    const fs::path dir = FreshTestDir("pelmora-run-start");
    const fs::path snapshot = dir / "Mixer.ser";
    Write(snapshot, "snapshot");
    // What a killed write or a damaged disk leaves in place of the record.
    Write(RunRecordPath(snapshot.string()), std::string("\x01\xff\x00garbage\n", 11));
    RecordedRun run;
    run.taken = 123;
    EXPECT_EQ(FindSnapshotOwner(snapshot.string(), &run), SnapshotOwner::EndedRun);
    const std::string question = RecoveryQuestionText(run);
    EXPECT_THAT(question, StartsWith(UiText("Recovery", "Ended")));
    EXPECT_THAT(question, HasSubstr(UiText("Recovery", "Question")));
    EXPECT_THAT(question, ::testing::Not(HasSubstr("started ended")));
}

TEST(RecoveryQuestion, ARunWhoseRecordTellsItsTimeIsNamedByIt) {
    RecordedRun run;
    run.taken = 1'800'000'000; // 2027-01-15 08:00 UTC: the 14th or 15th wherever
    const std::string question = RecoveryQuestionText(run);
    EXPECT_THAT(question, HasSubstr("2027-01-1"));
    EXPECT_THAT(question, ::testing::Not(HasSubstr(UiText("Recovery", "Ended"))));
}
