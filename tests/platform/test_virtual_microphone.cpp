// What the virtual card's microphone delivers, how the recording mixer shapes
// it, and what the card writes of what it played.
#include "platform/mmsystem.h"
#include "platform/sound_backend.h"
#include "platform/virtual/VirtualCard.h"
#include "platform/virtual/WaveData.h"
#include "tests/support/TestDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace plat;

namespace {

class MicrophoneTest : public ::testing::Test {
protected:
    void SetUp() override {
        card = std::make_shared<CVirtualCard>(DefaultCardDesc(), CVirtualCard::Clock::Manual);
        InstallSoundBackend(card);
        mux = card->FindControlId(0, MIXERLINE_COMPONENTTYPE_DST_WAVEIN,
                                  MIXERCONTROL_CONTROLTYPE_MUX);
        recordingVolume = card->FindControlId(0, MIXERLINE_COMPONENTTYPE_DST_WAVEIN,
                                              MIXERCONTROL_CONTROLTYPE_VOLUME);
        micVolume = card->FindControlId(0, MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE,
                                        MIXERCONTROL_CONTROLTYPE_VOLUME,
                                        MIXERLINE_COMPONENTTYPE_DST_WAVEIN);
        ASSERT_NE(mux, 0u);
        ASSERT_NE(recordingVolume, 0u);
        ASSERT_NE(micVolume, 0u);
        dir = FreshTestDir("pelmora-mic");
    }
    void TearDown() override {
        InstallSoundBackend(nullptr);
        std::filesystem::remove_all(dir);
    }

    void Select(bool microphone, LONG recording, LONG mic) {
        ASSERT_TRUE(card->SetControlValues(0, mux, {microphone ? 1 : 0, microphone ? 0 : 1}));
        ASSERT_TRUE(card->SetControlValues(0, recordingVolume, {recording, recording}));
        ASSERT_TRUE(card->SetControlValues(0, micVolume, {mic}));
    }

    // Records `ms` of 16-bit mono at `rate` in one buffer (no callback).
    std::vector<std::int16_t> Record(DWORD rate, DWORD ms) {
        const WAVEFORMATEX w = MakePcmFormat(rate, 16, 1);
        HWAVEIN in = nullptr;
        EXPECT_EQ(waveInOpen(&in, 0, &w, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
        std::vector<std::int16_t> samples(rate * ms / 1000);
        WAVEHDR h{};
        h.lpData = reinterpret_cast<char*>(samples.data());
        h.dwBufferLength = DWORD(samples.size() * 2);
        EXPECT_EQ(waveInPrepareHeader(in, &h, sizeof(h)), MMSYSERR_NOERROR);
        EXPECT_EQ(waveInAddBuffer(in, &h, sizeof(h)), MMSYSERR_NOERROR);
        EXPECT_EQ(waveInStart(in), MMSYSERR_NOERROR);
        card->AdvanceClock(ms);
        EXPECT_EQ(h.dwFlags & WHDR_DONE, WHDR_DONE);
        EXPECT_EQ(h.dwBytesRecorded, h.dwBufferLength);
        EXPECT_EQ(waveInReset(in), MMSYSERR_NOERROR);
        EXPECT_EQ(waveInUnprepareHeader(in, &h, sizeof(h)), MMSYSERR_NOERROR);
        EXPECT_EQ(waveInClose(in), MMSYSERR_NOERROR);
        return samples;
    }

    static int Peak(const std::vector<std::int16_t>& s) {
        int peak = 0;
        for (std::int16_t v : s)
            peak = std::max(peak, std::abs(int(v)));
        return peak;
    }

    std::shared_ptr<CVirtualCard> card;
    DWORD mux = 0, recordingVolume = 0, micVolume = 0;
    std::filesystem::path dir;
};

TEST_F(MicrophoneTest, TheSentenceIsHeardOnlyThroughTheSelectedMicrophone) {
    Select(false, 65535, 65535); // line-in selected
    EXPECT_EQ(Peak(Record(11025, 3300)), 0);
    Select(true, 65535, 65535);
    const std::vector<std::int16_t> full = Record(11025, 3300);
    EXPECT_GT(Peak(full), 10000); // the sentence is loud at full volume
    // The sentence is followed by a pause: the loop is not one long sound.
    const auto quiet = std::count_if(full.begin(), full.end(),
                                     [](std::int16_t v) { return std::abs(int(v)) < 50; });
    EXPECT_GT(quiet, 11025 / 2);
}

TEST_F(MicrophoneTest, SineIsScaledByTheRecordingVolumes) {
    MicrophoneSignal sine;
    sine.kind = MicrophoneSignal::Kind::Sine;
    sine.amplitude = 16000;
    sine.frequency = 1000;
    card->SetMicrophone(sine);
    Select(true, 65535, 65535);
    EXPECT_NEAR(Peak(Record(44100, 100)), 16000, 10);
    Select(true, 65535, 32768); // half the microphone volume
    EXPECT_NEAR(Peak(Record(44100, 100)), 8000, 10);
    Select(true, 0, 65535);
    EXPECT_EQ(Peak(Record(44100, 100)), 0);
}

TEST_F(MicrophoneTest, WaveFileLoopsAndIsConvertedToTheDeviceFormat) {
    // 8 kHz 8-bit stereo, 100 frames: left rises, right is silent (128).
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < 100; ++i) {
        bytes.push_back(std::uint8_t(128 + i));
        bytes.push_back(128);
    }
    const std::string path = (dir / "ramp.wav").string();
    std::string error;
    ASSERT_TRUE(WriteWaveFile(path, MakePcmFormat(8000, 8, 2), bytes, error)) << error;
    MicrophoneSignal file;
    file.kind = MicrophoneSignal::Kind::File;
    file.file = path;
    card->SetMicrophone(file);
    Select(true, 65535, 65535);
    const std::vector<std::int16_t> s = Record(8000, 50); // 400 frames: four loops
    ASSERT_EQ(s.size(), 400u);
    for (std::size_t i = 0; i < s.size(); ++i)
        ASSERT_EQ(s[i], int(i % 100) * 256 / 2) << i; // mono mix of the two channels

    file.file = (dir / "absent.wav").string();
    card->SetMicrophone(file); // unreadable: silence, not a crash
    EXPECT_EQ(Peak(Record(8000, 50)), 0);
}

TEST_F(MicrophoneTest, WhatWasPlayedIsWrittenToTheOutputFileOnClose) {
    VirtualCardDesc desc = DefaultCardDesc();
    desc.outputFile = (dir / "played.wav").string();
    card = std::make_shared<CVirtualCard>(desc, CVirtualCard::Clock::Manual);
    InstallSoundBackend(card);

    const WAVEFORMATEX w = MakePcmFormat(22050, 16, 2);
    HWAVEOUT out = nullptr;
    ASSERT_EQ(waveOutOpen(&out, 0, &w, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    std::vector<char> data(8820); // 100 ms
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = char(i * 13);
    WAVEHDR h{};
    h.lpData = data.data();
    h.dwBufferLength = DWORD(data.size());
    ASSERT_EQ(waveOutPrepareHeader(out, &h, sizeof(h)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutWrite(out, &h, sizeof(h)), MMSYSERR_NOERROR);
    card->AdvanceClock(60); // part played, then reset: only that part was heard
    ASSERT_EQ(waveOutReset(out), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutUnprepareHeader(out, &h, sizeof(h)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutClose(out), MMSYSERR_NOERROR);

    WaveData written;
    std::string error;
    ASSERT_TRUE(ReadWaveFile(desc.outputFile, written, error)) << error;
    EXPECT_EQ(written.format.nSamplesPerSec, 22050u);
    EXPECT_EQ(written.format.nChannels, 2);
    ASSERT_EQ(written.samples.size(), 5292u); // 60 ms of whole frames
    EXPECT_TRUE(std::equal(written.samples.begin(), written.samples.end(),
                           reinterpret_cast<const std::uint8_t*>(data.data())));
}

} // namespace
