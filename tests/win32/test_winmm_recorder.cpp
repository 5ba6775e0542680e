// The recorder of audio/ on the winmm backend: it hands each buffer back
// to the device from winmm's own callback, and stops it from another
// thread while buffers keep coming.
#include "audio/WaveRecorder.h"
#include "platform/sound_backend.h"
#include "platform/win32/winmm_backend.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace std::chrono_literals;

TEST(WinmmRecorder, RecordsBufferAfterBufferAndStops) {
    std::string error;
    std::shared_ptr<plat::SoundBackend> backend = plat::OpenWinmmBackend(error);
    ASSERT_TRUE(backend) << error;
    plat::InstallSoundBackend(backend);
    {
        CWaveRecorder recorder;
        for (int round = 0; round < 2; ++round) {
            ASSERT_EQ(recorder.Start(""), 1) << recorder.GetLastError();
            // More buffers than the device holds at once: each came back
            // through the callback and was queued again.
            const auto deadline = std::chrono::steady_clock::now() + 30s;
            while (recorder.GetBufferCount() < CWaveRecorder::kBufferCount + 5 &&
                   std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(20ms);
            EXPECT_GE(recorder.GetBufferCount(), CWaveRecorder::kBufferCount + 5u);
            EXPECT_EQ(recorder.Stop(), 1) << recorder.GetLastError();
            EXPECT_FALSE(recorder.IsRecording());
        }
    }
    plat::InstallSoundBackend(nullptr);
}
