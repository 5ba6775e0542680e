// The live level of an input device through the wave-in calls (the default
// of every backend but the sound server's), on the virtual card in real
// time: each device's own signal moves its level and a silent one stays at
// zero, on the main thread; unplugging the device ends the watch once, with
// a reason; a device that cannot be opened ends it at once; a watch
// destroyed closes its device and is heard no more.
#include "platform/system/message_loop.h"
#include "platform/virtual/VirtualCard.h"
#include "tests/support/TestDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace plat;

namespace {

// A built-in microphone that hears nothing and a headset that hears a
// 440 Hz tone at half the full scale, neither through the card's mixer.
constexpr const char* kCard = R"([Card]
Name=Levels
Microphone=voice
[WaveOut 0]
Name=Speakers
[WaveIn 0]
Name=Built-in Microphone
Id=builtin-mic
Microphone=silence
[WaveIn 1]
Name=USB Headset Microphone
Id=headset-mic
FormFactor=headset
Microphone=sine 16384 440
[WaveIn 2]
Name=Line In
Id=line-in
[WaveIn 3]
Name=Studio Microphone
Id=studio-mic
Formats=48000/16/2
Microphone=sine 8192 1000
)";

class VirtualLevel : public ::testing::Test {
protected:
    void SetUp() override {
        dir = FreshTestDir("pelmora-level");
        const std::string path = (dir / "card.ini").string();
        std::ofstream(path) << kCard;
        std::string error;
        card = CVirtualCard::FromFile(path, error);
        ASSERT_TRUE(card) << error;
    }
    void TearDown() override {
        card.reset();
        std::filesystem::remove_all(dir);
    }

    // A watch whose readings go into `into`, checked to come on this thread.
    std::unique_ptr<InputLevelWatch> Watch(const std::string& id,
                                           std::vector<plat::InputLevel>& into) {
        return card->WatchInputLevel(id, [this, &into](const plat::InputLevel& level) {
            EXPECT_EQ(std::this_thread::get_id(), mainThread);
            into.push_back(level);
        });
    }

    // Runs the posted tasks until `done` holds, five seconds at most.
    static bool Until(const std::function<bool()>& done) {
        for (int i = 0; i < 250 && !done(); ++i)
            WaitDispatching(20);
        return done();
    }

    static double Loudest(const std::vector<plat::InputLevel>& readings) {
        double loudest = 0;
        for (const plat::InputLevel& r : readings)
            loudest = std::max(loudest, r.peak);
        return loudest;
    }

    std::filesystem::path dir;
    std::shared_ptr<CVirtualCard> card;
    const std::thread::id mainThread = std::this_thread::get_id();
};

} // namespace

TEST_F(VirtualLevel, EachDeviceShowsItsOwnSignalAndSilenceStaysAtZero) {
    std::vector<plat::InputLevel> headset, builtIn;
    auto headsetWatch = Watch("headset-mic", headset);
    auto builtInWatch = Watch("builtin-mic", builtIn);
    ASSERT_TRUE(Until([&] { return headset.size() >= 10 && builtIn.size() >= 10; }))
        << headset.size() << " and " << builtIn.size() << " readings";
    // 16384 of 32768, whatever buffer the tone's crest falls in.
    EXPECT_NEAR(Loudest(headset), 0.5, 0.01);
    for (const plat::InputLevel& r : headset) {
        EXPECT_FALSE(r.ended) << r.error;
        EXPECT_GT(r.peak, 0.45);
    }
    EXPECT_EQ(Loudest(builtIn), 0.0);
    EXPECT_TRUE(std::none_of(builtIn.begin(), builtIn.end(),
                             [](const plat::InputLevel& r) { return r.ended; }));
    // About 25 readings a second, not one a sample.
    const std::size_t before = headset.size();
    WaitDispatching(400);
    EXPECT_GE(headset.size() - before, 5u);
    EXPECT_LE(headset.size() - before, 15u);
}

TEST_F(VirtualLevel, UnpluggingTheDeviceEndsItsWatchOnceAndLeavesTheOthers) {
    std::vector<plat::InputLevel> headset, line;
    auto headsetWatch = Watch("headset-mic", headset);
    auto lineWatch = Watch("line-in", line);
    ASSERT_TRUE(Until([&] { return headset.size() >= 3 && line.size() >= 3; }));

    std::string error;
    ASSERT_TRUE(card->SetPlugged(DeviceDirection::Input, "headset-mic", false, error)) << error;
    ASSERT_TRUE(Until([&] { return !headset.empty() && headset.back().ended; }))
        << "the watch of an unplugged device went on";
    EXPECT_FALSE(headset.back().error.empty());
    const std::size_t heardThen = headset.size();
    // The line in, numbered 1 now, still records.
    const std::size_t lineThen = line.size();
    WaitDispatching(300);
    EXPECT_EQ(headset.size(), heardThen);
    EXPECT_GT(line.size(), lineThen);
    EXPECT_FALSE(line.back().ended);
    // The ended watch closed its device; the line's stays open.
    headsetWatch.reset();
    EXPECT_EQ(card->OpenWaveHandles(), 1u);
}

TEST_F(VirtualLevel, ADeviceWithoutTheLowRatesIsWatchedAtARateItTakes) {
    std::vector<plat::InputLevel> studio;
    auto watch = Watch("studio-mic", studio);
    ASSERT_TRUE(Until([&] { return studio.size() >= 5; }))
        << (studio.empty() ? "no reading" : studio.back().error);
    EXPECT_NEAR(Loudest(studio), 0.25, 0.01);
    EXPECT_FALSE(studio.back().ended);
}

TEST_F(VirtualLevel, ADeviceThatCannotBeOpenedEndsTheWatchAtOnce) {
    std::vector<plat::InputLevel> unknown, busy;
    auto unknownWatch = Watch("no-such-mic", unknown);
    card->SetBusy(true, 1, 1);
    auto busyWatch = Watch("headset-mic", busy);
    ASSERT_TRUE(Until([&] { return unknown.size() == 1 && busy.size() == 1; }));
    EXPECT_TRUE(unknown[0].ended);
    EXPECT_NE(unknown[0].error.find("\"no-such-mic\""), std::string::npos) << unknown[0].error;
    EXPECT_TRUE(busy[0].ended);
    EXPECT_EQ(busy[0].error, StandardMmErrorText(MMSYSERR_ALLOCATED));
    WaitDispatching(100);
    EXPECT_EQ(unknown.size(), 1u);
    EXPECT_EQ(busy.size(), 1u);
}

TEST_F(VirtualLevel, ADestroyedWatchClosesItsDeviceAndIsHeardNoMore) {
    std::vector<plat::InputLevel> headset;
    auto watch = Watch("headset-mic", headset);
    ASSERT_TRUE(Until([&] { return headset.size() >= 2; }));
    EXPECT_EQ(card->OpenWaveHandles(), 1u);
    // Readings posted before the end never arrive.
    WaitDispatching(0);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    watch.reset();
    const std::size_t heard = headset.size();
    EXPECT_EQ(card->OpenWaveHandles(), 0u);
    WaitDispatching(200);
    EXPECT_EQ(headset.size(), heard);
}
