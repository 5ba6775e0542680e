// The recorder on the virtual card with a clock stepped by hand.
#include "audio/AudioEngine.h"
#include "audio/MeasureLevel.h"
#include "audio/WaveHeader.h"
#include "audio/WaveRecorder.h"
#include "platform/sound_backend.h"
#include "platform/system/message_loop.h"
#include "platform/virtual/Microphone.h"
#include "platform/virtual/VirtualCard.h"
#include "tests/support/TestDir.h"
#if !defined(_WIN32)
#include "tests/support/FileSizeLimit.h"
#endif

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

using namespace plat;
namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr DWORD kBuffer = CWaveRecorder::kBufferSize;

Bytes Load(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

MicrophoneSignal Sine(double amplitude) {
    MicrophoneSignal s;
    s.kind = MicrophoneSignal::Kind::Sine;
    s.amplitude = amplitude;
    s.frequency = 440;
    return s;
}

MicrophoneSignal Silence() {
    MicrophoneSignal s;
    s.kind = MicrophoneSignal::Kind::Silence;
    return s;
}

// Whole buffers the device fills in ms milliseconds of the fixed format.
DWORD BuffersIn(DWORD ms) {
    return ms * 22050 / 1000 / kBuffer;
}

class RecorderTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A card without mixers records the microphone at full gain, so the
        // samples are those the microphone makes.
        VirtualCardDesc desc = DefaultCardDesc();
        desc.mixers.clear();
        m_card = std::make_shared<CVirtualCard>(desc, CVirtualCard::Clock::Manual);
        m_card->SetMicrophone(Sine(8000));
        InstallSoundBackend(m_card);
        m_dir = FreshTestDir("pelmora_rec");
    }
    void TearDown() override {
        m_recorder.reset();
        m_card->WaitCallbacks();
        InstallSoundBackend(std::make_shared<CVirtualCard>());
        fs::remove_all(m_dir);
    }

    std::string Path(const char* name) const { return (m_dir / name).string(); }

    // What the microphone delivers from the start of a recording.
    static Bytes MicrophoneBytes(const MicrophoneSignal& signal, DWORD bytes) {
        CMicrophone microphone;
        std::string error;
        EXPECT_TRUE(microphone.SetSignal(signal, error)) << error;
        Bytes out(bytes);
        microphone.Fill(CWaveRecorder::RecordFormat(), 0, out.data(), bytes / 2, 1.0);
        return out;
    }

    std::shared_ptr<CVirtualCard> m_card;
    std::unique_ptr<CWaveRecorder> m_recorder = std::make_unique<CWaveRecorder>();
    fs::path m_dir;
};

} // namespace

TEST_F(RecorderTest, FiveSecondsGiveWholeBuffersOfTheMicrophonesSamples) {
    const std::string path = Path("User.wav");
    ASSERT_EQ(m_recorder->Start(path), 1) << m_recorder->GetLastError();
    EXPECT_TRUE(m_recorder->IsRecording());

    // While recording the file holds the provisional header.
    const WAVEFORMATEX format = CWaveRecorder::RecordFormat();
    const auto provisional = BuildWaveHeader(2, format);
    Bytes onDisk = Load(path);
    ASSERT_EQ(onDisk.size(), kWaveHeaderSize);
    EXPECT_TRUE(std::equal(provisional.begin(), provisional.end(), onDisk.begin()));
    EXPECT_EQ(onDisk[4], 38);

    m_card->AdvanceClock(5000);
    const DWORD k = BuffersIn(5000);
    EXPECT_EQ(m_recorder->GetBytesWritten(), k * kBuffer);
    const Bytes expected = MicrophoneBytes(Sine(8000), k * kBuffer);
    const Bytes lastBuffer(expected.end() - kBuffer, expected.end());
    EXPECT_EQ(m_recorder->GetLevel(), MeasureLevel(lastBuffer.data(), kBuffer, format));
    EXPECT_GT(m_recorder->GetLevel(), 0);

    ASSERT_EQ(m_recorder->Stop(), 1) << m_recorder->GetLastError();
    EXPECT_FALSE(m_recorder->IsRecording());
    EXPECT_EQ(m_recorder->GetLevel(), -1);
    EXPECT_EQ(m_card->OpenWaveHandles(), 0u);

    onDisk = Load(path);
    ASSERT_EQ(onDisk.size(), kWaveHeaderSize + k * kBuffer);
    const auto header = BuildWaveHeader(k * kBuffer, format);
    EXPECT_TRUE(std::equal(header.begin(), header.end(), onDisk.begin()));
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), onDisk.begin() + kWaveHeaderSize));
}

TEST_F(RecorderTest, EveryBufferIsMeasuredAndSilenceIsZero) {
    ASSERT_EQ(m_recorder->Start(""), 1) << m_recorder->GetLastError();
    m_card->AdvanceClock(480);
    const int loud = m_recorder->GetLevel();
    EXPECT_GE(loud, 7000);

    m_card->SetMicrophone(Silence());
    // A buffer that straddles the change may still hold sound.
    m_card->AdvanceClock(160);
    for (int i = 0; i < 20; ++i) {
        m_card->AdvanceClock(160);
        ASSERT_EQ(m_recorder->GetLevel(), 0) << "buffer " << i;
    }
    EXPECT_EQ(m_recorder->Stop(), 1);
}

TEST_F(RecorderTest, EachBufferHasItsPeakAndClippingStaysUntilTheNextStart) {
    ASSERT_EQ(m_recorder->Start(""), 1) << m_recorder->GetLastError();
    m_card->AdvanceClock(480);
    EXPECT_NEAR(m_recorder->GetPeak(), 8000, 2);
    EXPECT_FALSE(m_recorder->HasClipped()) << "a sine of 8000 never reaches full scale";
    const std::uint64_t buffers = m_recorder->GetBufferCount();
    EXPECT_EQ(buffers, BuffersIn(480));

    // A sine far beyond full scale is cut flat at its tops.
    m_card->SetMicrophone(Sine(90000));
    m_card->AdvanceClock(320);
    EXPECT_EQ(m_recorder->GetPeak(), 32768);
    EXPECT_TRUE(m_recorder->HasClipped());
    m_card->SetMicrophone(Sine(4000));
    m_card->AdvanceClock(480);
    EXPECT_NEAR(m_recorder->GetPeak(), 4000, 2);
    EXPECT_TRUE(m_recorder->HasClipped()) << "latched for the rest of the recording";
    ASSERT_EQ(m_recorder->Stop(), 1);
    EXPECT_EQ(m_recorder->GetPeak(), -1);
    EXPECT_TRUE(m_recorder->HasClipped()) << "kept after Stop";

    ASSERT_EQ(m_recorder->Start(""), 1);
    EXPECT_FALSE(m_recorder->HasClipped()) << "a new recording starts clean";
    EXPECT_EQ(m_recorder->GetBufferCount(), 0u);
    EXPECT_EQ(m_recorder->Stop(), 1);
}

TEST_F(RecorderTest, AnEmptyNameRecordsAndMeasuresWithoutAFile) {
    ASSERT_EQ(m_recorder->Start(""), 1) << m_recorder->GetLastError();
    m_card->AdvanceClock(1000);
    EXPECT_GT(m_recorder->GetLevel(), 0);
    EXPECT_EQ(m_recorder->GetBytesWritten(), 0u);
    EXPECT_EQ(m_recorder->Stop(), 1) << m_recorder->GetLastError();
    EXPECT_TRUE(fs::is_empty(m_dir));
}

TEST_F(RecorderTest, StoppingBeforeTheFirstBufferLeavesNoFile) {
    const std::string path = Path("User.wav");
    ASSERT_EQ(m_recorder->Start(path), 1);
    m_card->AdvanceClock(150);
    EXPECT_EQ(m_recorder->Stop(), 0);
    EXPECT_EQ(m_recorder->GetLastError(), "Error : Writing record file");
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(m_card->OpenWaveHandles(), 0u);
}

#if !defined(_WIN32)
// A disk that fills while the user speaks (a file-size limit stands in for
// it): the recording is dropped and the text says why.
TEST_F(RecorderTest, AFullDiskEndsTheRecordingWithTheSystemsReason) {
    const std::string path = Path("User.wav");
    {
        FileSizeLimit disk(kWaveHeaderSize + kBuffer / 2);
        ASSERT_EQ(m_recorder->Start(path), 1) << m_recorder->GetLastError();
        m_card->AdvanceClock(500);
    }
    EXPECT_EQ(m_recorder->Stop(), 0);
    EXPECT_EQ(m_recorder->GetLastError(),
              std::string("Error : Writing record file (") + std::strerror(EFBIG) + ")");
    EXPECT_FALSE(fs::exists(path));
}
#endif

TEST_F(RecorderTest, DeviceFailuresReportTheirTextAndLeaveNothingOpen) {
    const std::string path = Path("User.wav");
    struct Case {
        const char* call;
        MMRESULT code;
        std::string text;
    };
    const Case cases[] = {
        {"waveInOpen", MMSYSERR_ALLOCATED, StandardMmErrorText(MMSYSERR_ALLOCATED)},
        {"waveInOpen", 99, "ERROR : waveInOpen = 99"},
        {"waveInAddBuffer", 98, "ERROR : waveInAddBuffer = 98"},
        {"waveInStart", 97, "ERROR : waveInStart = 97"},
    };
    for (const Case& c : cases) {
        ASSERT_FALSE(c.text.empty());
        m_card->ClearFailures();
        m_card->FailCall(c.call, c.code, 1);
        EXPECT_EQ(m_recorder->Start(path), 0) << c.call;
        EXPECT_EQ(m_recorder->GetLastError(), c.text);
        EXPECT_FALSE(m_recorder->IsRecording());
        EXPECT_EQ(m_recorder->GetLevel(), -1);
        EXPECT_EQ(m_card->OpenWaveHandles(), 0u) << c.call;
        EXPECT_FALSE(fs::exists(path)) << c.call;
    }
    // The card works again: so does the recorder.
    m_card->ClearFailures();
    ASSERT_EQ(m_recorder->Start(path), 1);
    m_card->AdvanceClock(400);
    EXPECT_EQ(m_recorder->Stop(), 1);
    EXPECT_EQ(fs::file_size(path), kWaveHeaderSize + BuffersIn(400) * kBuffer);
}

TEST_F(RecorderTest, ALinkPlantedAsTheRecordingIsReplacedNeverWrittenThrough) {
    const std::string victim = Path("victim.txt");
    std::ofstream(victim) << "precious";
    const std::string path = Path("User.wav");
    std::error_code linkError;
    fs::create_symlink(victim, path, linkError);
    if (linkError)
        GTEST_SKIP() << "this system makes no symbolic links here: " << linkError.message();
    ASSERT_EQ(m_recorder->Start(path), 1) << m_recorder->GetLastError();
    m_card->AdvanceClock(400);
    ASSERT_EQ(m_recorder->Stop(), 1) << m_recorder->GetLastError();

    EXPECT_EQ(Load(victim), Bytes({'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'}));
    EXPECT_FALSE(fs::is_symlink(path));
    EXPECT_EQ(fs::file_size(path), kWaveHeaderSize + BuffersIn(400) * kBuffer);
    // The user's voice is readable by the user alone.
    EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(RecorderTest, AFileThatCannotBeCreatedIsReportedBeforeTheDeviceOpens) {
    EXPECT_EQ(m_recorder->Start(Path("missing-folder/User.wav")), 0);
    // The text names the file and the system's reason.
    EXPECT_EQ(m_recorder->GetLastError().rfind("Error : Opening record file (", 0), 0u);
    EXPECT_NE(m_recorder->GetLastError().find("missing-folder"), std::string::npos);
    EXPECT_EQ(m_card->CallCount("waveInOpen"), 0);
    EXPECT_FALSE(m_recorder->IsRecording());
}

TEST_F(RecorderTest, AFailedRequeueStopsOnTheMainThreadAndKeepsTheBuffersWritten) {
    const std::string path = Path("User.wav");
    ASSERT_EQ(m_recorder->Start(path), 1);
    m_card->AdvanceClock(330); // two buffers back and queued again
    m_card->FailCall("waveInAddBuffer", 96, 1);
    m_card->AdvanceClock(160); // the third cannot be queued again
    DispatchMessages();
    EXPECT_FALSE(m_recorder->IsRecording());
    EXPECT_EQ(m_recorder->GetLastError(), "ERROR : waveInAddBuffer = 96");
    EXPECT_EQ(m_card->OpenWaveHandles(), 0u);
    EXPECT_EQ(fs::file_size(path), kWaveHeaderSize + 3 * kBuffer);
    // The stop the caller makes next tells why the recording ended, once.
    EXPECT_EQ(m_recorder->Stop(), 0);
    EXPECT_EQ(m_recorder->GetLastError(), "ERROR : waveInAddBuffer = 96");
    EXPECT_EQ(m_recorder->Stop(), 1);
}

TEST_F(RecorderTest, StartingAgainFinishesTheRunningRecording) {
    ASSERT_EQ(m_recorder->Start(Path("first.wav")), 1);
    m_card->AdvanceClock(500);
    ASSERT_EQ(m_recorder->Start(Path("second.wav")), 1);
    m_card->AdvanceClock(200);
    ASSERT_EQ(m_recorder->Stop(), 1);
    EXPECT_EQ(fs::file_size(Path("first.wav")), kWaveHeaderSize + BuffersIn(500) * kBuffer);
    EXPECT_EQ(fs::file_size(Path("second.wav")), kWaveHeaderSize + BuffersIn(200) * kBuffer);
}

TEST_F(RecorderTest, TheEngineForwardsAndCopiesTheRecordersText) {
    m_recorder.reset();
    CAudioEngine engine;
    EXPECT_EQ(engine.GetRecordLevel(), -1);
    EXPECT_EQ(engine.StartRecording(Path("no/such/dir/User.wav")), 0);
    EXPECT_EQ(engine.GetLastError().rfind("Error : Opening record file (", 0), 0u)
        << engine.GetLastError();
    EXPECT_NE(engine.GetLastError().find("User.wav"), std::string::npos) << engine.GetLastError();

    ASSERT_EQ(engine.StartRecording(Path("User.wav")), 1) << engine.GetLastError();
    m_card->AdvanceClock(100);
    EXPECT_EQ(engine.StopRecording(), 0);
    EXPECT_EQ(engine.GetLastError(), "Error : Writing record file");

    ASSERT_EQ(engine.StartRecording(Path("User.wav")), 1);
    m_card->AdvanceClock(200);
    EXPECT_GT(engine.GetRecordLevel(), 0);
    EXPECT_EQ(engine.StopRecording(), 1);
    EXPECT_EQ(engine.GetRecordLevel(), -1);
}
