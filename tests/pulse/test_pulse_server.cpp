// The connection to a sound server of the test's own (a private PulseAudio
// daemon, then a private PipeWire daemon, each with a null sink and a null
// source): the lists read and kept up to
// date from the server's events, and the mixer calls writing to the server,
// checked with pactl.
#include "platform/device/ModelMixer.h"
#include "platform/pulse/PulseConnection.h"
#include "platform/pulse/PulseReport.h"
#include "platform/pulse/testing/PipeWireServerForTesting.h"
#include "platform/pulse/testing/PulseServerForTesting.h"
#include "tests/pulse/DesktopLists.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <thread>

using namespace plat;
using namespace plat::testing_lists;

namespace {

template <class Server> std::string ServerPrefix() {
    return "PulseAudio ";
}
template <> std::string ServerPrefix<CPipeWireServerForTesting>() {
    return "PipeWire ";
}

template <class Server> class PulseServer : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        if (!m_server.Start(error))
            GTEST_SKIP() << "no private " << ServerPrefix<Server>() << "daemon here: " << error;
        m_connection = CPulseConnection::Connect(error);
        ASSERT_NE(m_connection, nullptr) << error;
    }

    // True once `ready` holds on the kept lists, within ten seconds (the
    // daemon's events come late on a loaded machine).
    bool Eventually(const std::function<bool(const PulseLists&)>& ready) {
        for (int i = 0; i < 1000; ++i) {
            if (ready(m_connection->Lists()))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    std::string Pactl(const std::string& arguments) {
        std::string out;
        EXPECT_TRUE(m_server.Pactl(arguments, out)) << arguments << ": " << out;
        return out;
    }

    Server m_server;
    std::unique_ptr<CPulseConnection> m_connection;
};

} // namespace

using Servers = ::testing::Types<CPulseServerForTesting, CPipeWireServerForTesting>;
TYPED_TEST_SUITE(PulseServer, Servers);

TYPED_TEST(PulseServer, ListsNameTheServerAndItsNullDevices) {
    const std::string server = this->m_connection->ServerName();
    EXPECT_EQ(server.rfind(ServerPrefix<TypeParam>(), 0), 0u) << server;
    const PulseLists lists = this->m_connection->Lists();
    ASSERT_NE(lists.FindSink(TypeParam::kSink), nullptr);
    ASSERT_NE(lists.FindSource(TypeParam::kSource), nullptr);
    const PulseDevice* monitor = lists.FindSource(std::string(TypeParam::kSink) + ".monitor");
    ASSERT_NE(monitor, nullptr);
    EXPECT_TRUE(monitor->monitor);
    EXPECT_FALSE(lists.FindSource(TypeParam::kSource)->monitor);
    EXPECT_EQ(lists.defaultSink, this->Pactl("get-default-sink"));
    EXPECT_EQ(lists.defaultSource, this->Pactl("get-default-source"));
}

TYPED_TEST(PulseServer, ReportNamesTheServerAndEveryDevice) {
    const auto lines =
        DescribePulseServer(this->m_connection->ServerName(), this->m_connection->Lists());
    auto has = [&](const std::string& text) {
        for (const std::string& l : lines)
            if (l.find(text) != std::string::npos)
                return true;
        return false;
    };
    EXPECT_TRUE(has("Sound server: " + ServerPrefix<TypeParam>()));
    EXPECT_TRUE(
        has(std::string("Sink: ") + this->Pactl("list sinks | sed -n 's/.*Description: //p'")));
    EXPECT_TRUE(has(std::string("(") + TypeParam::kSource + ")"));
    EXPECT_TRUE(has(std::string("(") + TypeParam::kSink + ".monitor), monitor"));
}

TYPED_TEST(PulseServer, VolumeMuteAndDefaultWritesReachTheServer) {
    const auto mixers = MapPulseMixers(this->m_connection->Lists());
    const PulseMixerMap* other = Mixer(mixers, kPulseOtherDevices);
    ASSERT_NE(other, nullptr);
    CModelMixer mixer(other->name, other->model,
                      std::make_unique<CPulseElementAccess>(other->elements, *this->m_connection));
    const ModelLine* speakers = nullptr;
    for (const ModelLine& d : other->model.destinations)
        if (d.componentType == MIXERLINE_COMPONENTTYPE_DST_SPEAKERS)
            speakers = &d;
    ASSERT_NE(speakers, nullptr);

    // The writes are sent, not waited for: the server has them a moment later.
    auto soon = [](const std::function<bool()>& done) {
        for (int i = 0; i < 250 && !done(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return done();
    };
    ASSERT_EQ(SetValues(mixer, *ControlOf(*speakers, MIXERCONTROL_CONTROLTYPE_VOLUME), {0x8000}),
              MMSYSERR_NOERROR);
    EXPECT_TRUE(soon([&] { return std::abs(this->m_server.SinkVolume() - 0x8000) <= 2; }))
        << this->m_server.SinkVolume();
    ASSERT_EQ(SetValues(mixer, *ControlOf(*speakers, MIXERCONTROL_CONTROLTYPE_MUTE), {1}),
              MMSYSERR_NOERROR);
    EXPECT_TRUE(soon([&] {
        return this->Pactl(std::string("get-sink-mute ") + TypeParam::kSink) == "Mute: yes";
    }));

    // The defaults mixer makes the null source the default input.
    const PulseMixerMap* defaults = Mixer(mixers, kPulseDefaults);
    ASSERT_NE(defaults, nullptr);
    CModelMixer defaultsMixer(
        defaults->name, defaults->model,
        std::make_unique<CPulseElementAccess>(defaults->elements, *this->m_connection));
    const ModelControl& source = defaults->model.destinations.at(0).controls.at(1);
    const auto& choices = defaults->elements[source.element].choices;
    std::vector<DWORD> pick(choices.size(), 0);
    for (std::size_t i = 0; i < choices.size(); ++i)
        pick[i] = choices[i] == TypeParam::kSource ? 1 : 0;
    ASSERT_TRUE(this->m_server.SetDefaultDevice(true, std::string(TypeParam::kSink) + ".monitor"));
    ASSERT_EQ(SetValues(defaultsMixer, source, pick), MMSYSERR_NOERROR);
    EXPECT_EQ(this->m_server.DefaultDevice(true, TypeParam::kSource), TypeParam::kSource);
}

TYPED_TEST(PulseServer, ChangesMadeElsewhereReachTheKeptLists) {
    this->Pactl(std::string("set-sink-volume ") + TypeParam::kSink + " 25%");
    EXPECT_TRUE(this->Eventually([](const PulseLists& l) {
        const PulseDevice* s = l.FindSink(TypeParam::kSink);
        return s && std::abs(s->volume - 0x4000) <= 2;
    }));
    this->Pactl("load-module module-null-sink sink_name=pelmora_headset");
    EXPECT_TRUE(
        this->Eventually([](const PulseLists& l) { return l.FindSink("pelmora_headset"); }));
    ASSERT_TRUE(this->m_server.SetDefaultDevice(false, "pelmora_headset"));
    EXPECT_TRUE(
        this->Eventually([](const PulseLists& l) { return l.defaultSink == "pelmora_headset"; }));
    this->Pactl("unload-module module-null-sink");
    EXPECT_TRUE(this->Eventually([](const PulseLists& l) {
        return !l.FindSink("pelmora_headset") && !l.FindSink(TypeParam::kSink);
    }));
}

TYPED_TEST(PulseServer, AWriteToADeviceThatIsGoneFailsAndAServerThatIsGoneIsSeen) {
    EXPECT_EQ(this->m_connection->SetVolume(false, "no_such_sink", 0x1000), -ENODEV);
    EXPECT_TRUE(this->m_connection->Connected());
    this->m_server.Stop();
    EXPECT_TRUE(
        this->Eventually([this](const PulseLists&) { return !this->m_connection->Connected(); }));
    EXPECT_NE(this->m_connection->SetVolume(false, TypeParam::kSink, 0x1000), 0);
}

// A daemon that stops answering (here: stopped with SIGSTOP) costs a
// connection a bounded wait and a write none or one bounded wait, not a
// frozen wizard: volume and mute writes go without waiting, the latest value
// of each reaching the server once it goes on; a port or default write waits
// half a second once, and every write after it fails at once until the server
// answers.
TYPED_TEST(PulseServer, AStoppedServerCostsWritesNoWaitAndGetsTheLatestValueWhenItGoesOn) {
    const auto mixers = MapPulseMixers(this->m_connection->Lists());
    const PulseMixerMap* other = Mixer(mixers, kPulseOtherDevices);
    ASSERT_NE(other, nullptr);
    CModelMixer mixer(other->name, other->model,
                      std::make_unique<CPulseElementAccess>(other->elements, *this->m_connection));
    const ModelLine* speakers = Destination(*other, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS);
    ASSERT_NE(speakers, nullptr);
    const ModelControl& volume = *ControlOf(*speakers, MIXERCONTROL_CONTROLTYPE_VOLUME);
    CServerStop stop(this->m_server);
    ASSERT_TRUE(stop.Stop());

    using Clock = std::chrono::steady_clock;
    using Seconds = std::chrono::duration<double>;
    const auto first = Clock::now();
    for (DWORD value : {0x3000u, 0x4000u, 0x5000u}) {
        const auto start = Clock::now();
        EXPECT_EQ(SetValues(mixer, volume, {value}), MMSYSERR_NOERROR);
        const double took = Seconds(Clock::now() - start).count();
        std::printf("volume write to the stopped server: %.3f s\n", took);
        EXPECT_LT(took, 0.5);
    }
    const double total = Seconds(Clock::now() - first).count();
    std::printf("three volume writes: %.3f s\n", total);
    EXPECT_LT(total, 1.5);
    // The value on its way is what a read answers.
    MMRESULT read = MMSYSERR_ERROR;
    EXPECT_EQ(GetValues(mixer, volume, read), std::vector<DWORD>{0x5000});
    EXPECT_EQ(read, MMSYSERR_NOERROR);

    auto start = Clock::now();
    EXPECT_EQ(this->m_connection->SetDefault(true, TypeParam::kSource), -ETIMEDOUT);
    const double waited = Seconds(Clock::now() - start).count();
    std::printf("default write to the stopped server: %.3f s\n", waited);
    EXPECT_LT(waited, 1.5);
    EXPECT_FALSE(this->m_connection->Answering());
    start = Clock::now();
    EXPECT_EQ(this->m_connection->SetDefault(false, TypeParam::kSink), -ETIMEDOUT);
    EXPECT_EQ(this->m_connection->SetMute(false, TypeParam::kSink, true), -ETIMEDOUT);
    EXPECT_EQ(this->m_connection->SetVolume(false, TypeParam::kSink, 0x6000), -ETIMEDOUT);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500)) << "once is enough";
    EXPECT_TRUE(this->Eventually([this](const PulseLists&) {
        return this->m_connection->LastWriteFailure().find("has not answered") != std::string::npos;
    })) << this->m_connection->LastWriteFailure();

    ASSERT_TRUE(stop.GoOn());
    EXPECT_TRUE(this->Eventually([this](const PulseLists&) {
        return this->m_server.SinkVolume() == 0x6000 &&
               this->m_connection->LastWriteFailure().empty();
    })) << this->m_server.SinkVolume()
        << " " << this->m_connection->LastWriteFailure();
    EXPECT_EQ(this->Pactl(std::string("get-sink-mute ") + TypeParam::kSink), "Mute: yes");
    EXPECT_TRUE(this->m_connection->Answering());
    EXPECT_EQ(this->m_connection->SetDefault(false, TypeParam::kSink), 0);
}

// A slider dragged across its range: every write answers at once, those the
// server has not answered yet are replaced by the newest, and the server ends
// with the last; the same while it is stopped half-way through.
TYPED_TEST(PulseServer, ManyQuickWritesEndWithTheServerHoldingTheLast) {
    using Clock = std::chrono::steady_clock;
    CServerStop stop(this->m_server);
    const auto start = Clock::now();
    long last = 0;
    for (long v = 0x100; v <= 0xF000; v += 0x100) {
        ASSERT_EQ(this->m_connection->SetVolume(false, TypeParam::kSink, v), 0);
        if (v == 0x8000) {
            ASSERT_TRUE(stop.Stop());
        }
        last = v;
    }
    ASSERT_EQ(this->m_connection->SetMute(false, TypeParam::kSink, true), 0);
    ASSERT_EQ(this->m_connection->SetMute(false, TypeParam::kSink, false), 0);
    const double took = std::chrono::duration<double>(Clock::now() - start).count();
    ASSERT_TRUE(stop.GoOn());
    std::printf("%ld volume writes and two mutes: %.3f s\n", last / 0x100, took);
    EXPECT_LT(took, 1.0);
    EXPECT_EQ(this->m_connection->Lists().FindSink(TypeParam::kSink)->volume, last);
    EXPECT_TRUE(this->Eventually([this, last](const PulseLists&) {
        return this->m_server.SinkVolume() == last;
    })) << this->m_server.SinkVolume();
    EXPECT_EQ(this->Pactl(std::string("get-sink-mute ") + TypeParam::kSink), "Mute: no");
    EXPECT_TRUE(this->Eventually([](const PulseLists& l) {
        const PulseDevice* s = l.FindSink(TypeParam::kSink);
        return s && s->volume == 0xF000 && !s->mute;
    }));
}

// A connection to a daemon that answers nothing ends in time with a reason,
// and the kept connection works again once the daemon goes on.
TEST(PulseServerHung, ConnectionsToAServerThatAnswersNothingEndInTime) {
    CPulseServerForTesting server;
    std::string error;
    if (!server.Start(error))
        GTEST_SKIP() << "no private PulseAudio daemon here: " << error;
    auto connection = CPulseConnection::Connect(error);
    ASSERT_NE(connection, nullptr) << error;
    CServerStop stop(server);
    ASSERT_TRUE(stop.Stop());
    using Clock = std::chrono::steady_clock;
    auto start = Clock::now();
    EXPECT_NE(connection->SetPort(false, CPulseServerForTesting::kSink, "none"), 0);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(4));

    start = Clock::now();
    EXPECT_EQ(CPulseConnection::Connect(error), nullptr);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(8));
    EXPECT_EQ(error, "the sound server does not answer in time");

    // Going on again, the daemon answers the kept connection.
    ASSERT_TRUE(stop.GoOn());
    for (int i = 0; i < 300 && !connection->Answering(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(connection->SetVolume(false, CPulseServerForTesting::kSink, 0x2000), 0);
    for (int i = 0; i < 300 && server.SinkVolume() != 0x2000; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(server.SinkVolume(), 0x2000);
}

// The server dies and another starts in its place: the connection sees it
// gone (empty lists, writes refused at once), connects to the new one on its
// own, reads its lists again and writes to it.
TYPED_TEST(PulseServer, AServerThatComesBackIsConnectedToAgain) {
    ASSERT_TRUE(this->m_server.Kill());
    EXPECT_TRUE(this->Eventually([this](const PulseLists& lists) {
        return !this->m_connection->Connected() && lists.sinks.empty() && lists.sources.empty();
    }));
    EXPECT_EQ(this->m_connection->SetVolume(false, TypeParam::kSink, 0x1000), -ECONNRESET);
    EXPECT_EQ(this->m_connection->SetDefault(false, TypeParam::kSink), -ECONNRESET);

    std::string error;
    ASSERT_TRUE(this->m_server.Restart(error)) << error;
    EXPECT_TRUE(this->Eventually([this](const PulseLists& lists) {
        return this->m_connection->Connected() && lists.FindSink(TypeParam::kSink) &&
               lists.FindSource(TypeParam::kSource) && !lists.defaultSink.empty();
    }));
    EXPECT_EQ(this->m_connection->SetVolume(false, TypeParam::kSink, 0x2000), 0);
    EXPECT_TRUE(this->Eventually([this](const PulseLists&) {
        return this->m_server.SinkVolume() == 0x2000;
    })) << this->m_server.SinkVolume();
}
