// The level of a source through the server's peak detection, on a private
// PulseAudio daemon and on a private PipeWire daemon: a null sink stands for
// the room, and its monitor hears what is played into it, as does a headset
// microphone remapped from that monitor. Silent, the level
// stays low; the test sentence played into the sink with paplay moves it;
// the source removed or the server killed ends the watch once, and a watch
// ended by its owner is heard no more.
#include "platform/pulse/PulseBackend.h"
#include "platform/pulse/testing/PipeWireServerForTesting.h"
#include "platform/pulse/testing/PulseServerForTesting.h"
#include "platform/system/message_loop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

using namespace plat;

namespace {

constexpr const char* kRoom = "pelmora_room";
constexpr const char* kRoomDescription = "Pelmora Room";
// A microphone (no monitor) that hears the room: the room's monitor remapped.
constexpr const char* kHeadset = "pelmora_headset_mic";
constexpr const char* kHeadsetDescription = "USB Headset Microphone";

template <class Server> class PulseLevel : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        if (!m_server.Start(error))
            GTEST_SKIP() << "no private sound server here: " << error;
        m_backend = OpenPulseBackend(error);
        ASSERT_NE(m_backend, nullptr) << error;
        m_module = m_server.LoadNullDevice(false, kRoom, kRoomDescription);
        ASSERT_FALSE(m_module.empty());
        ASSERT_TRUE(Until([this] {
            for (const SoundDevice& d : m_backend->ListDevices())
                if (d.id == Monitor())
                    return true;
            return false;
        })) << "the room's monitor never came";
    }
    void TearDown() override {
        StopPlaying();
        m_watch.reset();
        if (!m_headsetModule.empty())
            m_server.UnloadModule(m_headsetModule);
        if (!m_module.empty())
            m_server.UnloadModule(m_module);
    }

    // Loads the headset's microphone, a source (no monitor) remapped from
    // the room's monitor; false where the daemon cannot.
    bool LoadHeadset() {
        const std::string load = std::string("load-module module-remap-source source_name=") +
                                 kHeadset + " master=" + Monitor();
        std::string index;
        if (!m_server.Pactl(load + " 'source_properties=device.description=\"" +
                                kHeadsetDescription + "\"'",
                            index) &&
            !m_server.Pactl(load, index))
            return false;
        m_headsetModule = index;
        return Until([this] {
            for (const SoundDevice& d : m_backend->ListDevices())
                if (d.id == kHeadset)
                    return !d.monitor;
            return false;
        });
    }

    static std::string Monitor() { return std::string(kRoom) + ".monitor"; }

    void Watch(const std::string& source) {
        m_watch = m_backend->WatchInputLevel(source, [this](const InputLevel& level) {
            EXPECT_EQ(std::this_thread::get_id(), m_mainThread);
            m_heard.push_back(level);
        });
    }

    // Runs the posted tasks until `done` holds, ten seconds at most (the
    // daemons answer late on a loaded machine).
    static bool Until(const std::function<bool()>& done) {
        for (int i = 0; i < 500 && !done(); ++i)
            WaitDispatching(20);
        return done();
    }

    // The loudest peak heard from reading `from` on.
    double LoudestSince(std::size_t from) const {
        double loudest = 0;
        for (std::size_t i = from; i < m_heard.size(); ++i)
            loudest = std::max(loudest, m_heard[i].peak);
        return loudest;
    }

    // Plays the test sentence (3.3 s) into the room, until it ends or
    // StopPlaying.
    void PlaySentence() {
        const std::string file =
            std::string(std::getenv("PELMORA_SOURCE_DIR")) + "/resources/voice/voice.wav";
        const std::string device = std::string("--device=") + kRoom;
        const char* argv[] = {"paplay", device.c_str(), file.c_str(), nullptr};
        ASSERT_EQ(
            posix_spawnp(&m_player, "paplay", nullptr, nullptr, const_cast<char**>(argv), environ),
            0);
    }
    void StopPlaying() {
        if (m_player <= 0)
            return;
        ::kill(m_player, SIGTERM);
        ::waitpid(m_player, nullptr, 0);
        m_player = 0;
    }

    Server m_server;
    std::shared_ptr<SoundBackend> m_backend;
    std::unique_ptr<InputLevelWatch> m_watch;
    std::vector<InputLevel> m_heard;
    std::string m_module;
    std::string m_headsetModule;
    pid_t m_player = 0;
    const std::thread::id m_mainThread = std::this_thread::get_id();
};

} // namespace

using Servers = ::testing::Types<CPulseServerForTesting, CPipeWireServerForTesting>;
TYPED_TEST_SUITE(PulseLevel, Servers);

TYPED_TEST(PulseLevel, SilenceStaysLowAndTheSentenceMovesTheLevel) {
    this->Watch(this->Monitor());
    ASSERT_TRUE(this->Until([this] { return this->m_heard.size() >= 10; }))
        << this->m_heard.size() << " readings";
    // Nothing is played: the monitor hears silence.
    EXPECT_LT(this->LoudestSince(0), 0.01);
    EXPECT_TRUE(std::none_of(this->m_heard.begin(), this->m_heard.end(),
                             [](const InputLevel& l) { return l.ended; }));

    const std::size_t silent = this->m_heard.size();
    this->PlaySentence();
    // The sentence peaks at 22948 of 32768 (-3 dBFS); its loud words are
    // well above the verdict's -40 dBFS for a voice.
    EXPECT_TRUE(this->Until([&] { return this->LoudestSince(silent) > 0.3; }))
        << "loudest " << this->LoudestSince(silent);
    // The readings stay about 25 a second.
    const std::size_t before = this->m_heard.size();
    WaitDispatching(1000);
    EXPECT_GE(this->m_heard.size() - before, 12u);
    EXPECT_LE(this->m_heard.size() - before, 40u);
    this->StopPlaying();
}

TYPED_TEST(PulseLevel, AMicrophoneThatHearsTheRoomShowsTheSentence) {
    if (!this->LoadHeadset())
        GTEST_SKIP() << "this daemon cannot remap a source";
    this->Watch(kHeadset);
    ASSERT_TRUE(this->Until([this] { return this->m_heard.size() >= 5; }));
    EXPECT_LT(this->LoudestSince(0), 0.01);
    const std::size_t silent = this->m_heard.size();
    this->PlaySentence();
    EXPECT_TRUE(this->Until([&] { return this->LoudestSince(silent) > 0.3; }))
        << "loudest " << this->LoudestSince(silent);
    this->StopPlaying();
}

TYPED_TEST(PulseLevel, TheSourceRemovedEndsTheWatchOnce) {
    this->Watch(this->Monitor());
    ASSERT_TRUE(this->Until([this] { return !this->m_heard.empty(); }));
    ASSERT_TRUE(this->m_server.UnloadModule(this->m_module));
    this->m_module.clear();
    ASSERT_TRUE(this->Until([this] { return this->m_heard.back().ended; }))
        << "the watch of a removed source went on";
    EXPECT_FALSE(this->m_heard.back().error.empty());
    const std::size_t heard = this->m_heard.size();
    WaitDispatching(300);
    EXPECT_EQ(this->m_heard.size(), heard);
    EXPECT_EQ(std::count_if(this->m_heard.begin(), this->m_heard.end(),
                            [](const InputLevel& l) { return l.ended; }),
              1);
}

TYPED_TEST(PulseLevel, AnUnknownSourceEndsTheWatchAtOnce) {
    this->Watch("pelmora_no_such_source");
    ASSERT_TRUE(this->Until([this] { return !this->m_heard.empty(); }));
    EXPECT_TRUE(this->m_heard[0].ended);
    EXPECT_FALSE(this->m_heard[0].error.empty());
}

TYPED_TEST(PulseLevel, TheServerKilledEndsTheWatchAndAnEndedWatchIsHeardNoMore) {
    std::vector<InputLevel> other;
    auto second = this->m_backend->WatchInputLevel(
        TypeParam::kSource, [&other](const InputLevel& level) { other.push_back(level); });
    this->Watch(this->Monitor());
    ASSERT_TRUE(this->Until([&] { return !this->m_heard.empty() && !other.empty(); }));
    // Ended by its owner: what was posted meanwhile never arrives.
    second.reset();
    const std::size_t otherHeard = other.size();

    ASSERT_TRUE(this->m_server.Kill());
    this->m_module.clear();
    EXPECT_TRUE(this->Until([this] { return this->m_heard.back().ended; }))
        << "the watch went on without its server";
    EXPECT_EQ(other.size(), otherHeard);
    // Ending a watch whose server is gone takes no time.
    const auto start = std::chrono::steady_clock::now();
    this->m_watch.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
}

namespace {

// The server's recording streams of this program ("list short
// source-outputs"), one a line.
template <class Server> std::size_t RecordingStreams(const Server& server) {
    std::string out;
    if (!server.Pactl("list short source-outputs", out) || out.empty())
        return 0;
    return static_cast<std::size_t>(std::count(out.begin(), out.end(), '\n')) + 1;
}

} // namespace

// A watch ended before the server has made its stream (the user clicks the
// sound-card test as soon as page 2 shows): the stream is ended once made,
// and the microphone is not left recording for the rest of the run.
TYPED_TEST(PulseLevel, AWatchEndedAtOnceLeavesNoStreamBehind) {
    for (int i = 0; i < 5; ++i)
        this->m_backend->WatchInputLevel(TypeParam::kSource, [](const InputLevel&) {}).reset();
    this->Watch(this->Monitor());
    ASSERT_TRUE(this->Until([this] { return !this->m_heard.empty(); }));
    EXPECT_EQ(RecordingStreams(this->m_server), 1u) << "only the watch still running";
    this->m_watch.reset();
    EXPECT_TRUE(this->Until([this] { return RecordingStreams(this->m_server) == 0; }))
        << RecordingStreams(this->m_server) << " streams left";
}
