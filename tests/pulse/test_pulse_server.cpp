// The connection to a sound server of the test's own (a private PulseAudio
// daemon with a null sink and a null source): the lists read and kept up to
// date from the server's events, and the mixer calls writing to the server,
// checked with pactl.
#include "platform/alsa/ModelMixer.h"
#include "platform/alsa/testing/PulseServerForTesting.h"
#include "platform/pulse/PulseConnection.h"
#include "platform/pulse/PulseReport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

using namespace plat;

namespace {

class PulseServer : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        if (!m_server.Start(error))
            GTEST_SKIP() << "no private PulseAudio daemon here: " << error;
        m_connection = CPulseConnection::Connect(error);
        ASSERT_NE(m_connection, nullptr) << error;
    }

    // True once `ready` holds on the kept lists, within two seconds.
    bool Eventually(const std::function<bool(const PulseLists&)>& ready) {
        for (int i = 0; i < 200; ++i) {
            if (ready(m_connection->Lists()))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    std::string Pactl(const std::string& arguments) {
        std::string out;
        EXPECT_TRUE(m_server.Pactl(arguments, out)) << arguments << ": " << out;
        while (!out.empty() && (out.back() == '\n' || out.back() == ' '))
            out.pop_back();
        return out;
    }

    CPulseServerForTesting m_server;
    std::unique_ptr<CPulseConnection> m_connection;
};

const PulseMixerMap* Mixer(const std::vector<PulseMixerMap>& mixers, const std::string& name) {
    for (const PulseMixerMap& m : mixers)
        if (m.name == name)
            return &m;
    return nullptr;
}

const ModelControl* ControlOf(const ModelLine& line, DWORD type) {
    for (const ModelControl& c : line.controls)
        if (c.type == type)
            return &c;
    return nullptr;
}

MMRESULT SetValues(CModelMixer& mixer, const ModelControl& c, std::vector<DWORD> values) {
    MIXERCONTROLDETAILS d{};
    d.cbStruct = sizeof d;
    d.dwControlID = c.id;
    d.cChannels = 1;
    d.cMultipleItems = c.items.empty() ? 0 : c.ItemCount();
    d.cbDetails = sizeof(DWORD);
    d.paDetails = values.data();
    return mixer.SetControlDetails(&d, MIXER_SETCONTROLDETAILSF_VALUE);
}

} // namespace

TEST_F(PulseServer, ListsNameTheServerAndItsNullDevices) {
    const std::string server = m_connection->ServerName();
    EXPECT_EQ(server.rfind("PulseAudio ", 0), 0u) << server;
    const PulseLists lists = m_connection->Lists();
    ASSERT_NE(lists.FindSink(CPulseServerForTesting::kSink), nullptr);
    ASSERT_NE(lists.FindSource(CPulseServerForTesting::kSource), nullptr);
    const PulseDevice* monitor =
        lists.FindSource(std::string(CPulseServerForTesting::kSink) + ".monitor");
    ASSERT_NE(monitor, nullptr);
    EXPECT_TRUE(monitor->monitor);
    EXPECT_FALSE(lists.FindSource(CPulseServerForTesting::kSource)->monitor);
    EXPECT_EQ(lists.defaultSink, Pactl("get-default-sink"));
    EXPECT_EQ(lists.defaultSource, Pactl("get-default-source"));
}

TEST_F(PulseServer, ReportNamesTheServerAndEveryDevice) {
    const auto lines = DescribePulseServer(m_connection->ServerName(), m_connection->Lists());
    auto has = [&](const std::string& text) {
        for (const std::string& l : lines)
            if (l.find(text) != std::string::npos)
                return true;
        return false;
    };
    EXPECT_TRUE(has("Sound server: PulseAudio "));
    EXPECT_TRUE(has(std::string("Sink: ") + Pactl("list sinks | sed -n 's/.*Description: //p'")));
    EXPECT_TRUE(has(std::string("(") + CPulseServerForTesting::kSource + ")"));
    EXPECT_TRUE(has(std::string("(") + CPulseServerForTesting::kSink + ".monitor), monitor"));
}

TEST_F(PulseServer, VolumeMuteAndDefaultWritesReachTheServer) {
    const auto mixers = MapPulseMixers(m_connection->Lists());
    const PulseMixerMap* other = Mixer(mixers, kPulseOtherDevices);
    ASSERT_NE(other, nullptr);
    CModelMixer mixer(other->name, other->model,
                      std::make_unique<CPulseElementAccess>(other->elements, *m_connection));
    const ModelLine* speakers = nullptr;
    for (const ModelLine& d : other->model.destinations)
        if (d.componentType == MIXERLINE_COMPONENTTYPE_DST_SPEAKERS)
            speakers = &d;
    ASSERT_NE(speakers, nullptr);

    ASSERT_EQ(SetValues(mixer, *ControlOf(*speakers, MIXERCONTROL_CONTROLTYPE_VOLUME), {0x8000}),
              MMSYSERR_NOERROR);
    EXPECT_NEAR(m_server.SinkVolume(), 0x8000, 2);
    ASSERT_EQ(SetValues(mixer, *ControlOf(*speakers, MIXERCONTROL_CONTROLTYPE_MUTE), {1}),
              MMSYSERR_NOERROR);
    EXPECT_EQ(Pactl(std::string("get-sink-mute ") + CPulseServerForTesting::kSink), "Mute: yes");

    // The defaults mixer makes the null source the default input.
    const PulseMixerMap* defaults = Mixer(mixers, kPulseDefaults);
    ASSERT_NE(defaults, nullptr);
    CModelMixer defaultsMixer(
        defaults->name, defaults->model,
        std::make_unique<CPulseElementAccess>(defaults->elements, *m_connection));
    const ModelControl& source = defaults->model.destinations.at(0).controls.at(1);
    const auto& choices = defaults->elements[source.element].choices;
    std::vector<DWORD> pick(choices.size(), 0);
    for (std::size_t i = 0; i < choices.size(); ++i)
        pick[i] = choices[i] == CPulseServerForTesting::kSource ? 1 : 0;
    Pactl(std::string("set-default-source ") + CPulseServerForTesting::kSink + ".monitor");
    ASSERT_EQ(SetValues(defaultsMixer, source, pick), MMSYSERR_NOERROR);
    EXPECT_EQ(Pactl("get-default-source"), CPulseServerForTesting::kSource);
}

TEST_F(PulseServer, ChangesMadeElsewhereReachTheKeptLists) {
    Pactl(std::string("set-sink-volume ") + CPulseServerForTesting::kSink + " 25%");
    EXPECT_TRUE(Eventually([](const PulseLists& l) {
        const PulseDevice* s = l.FindSink(CPulseServerForTesting::kSink);
        return s && s->volume == 0x4000;
    }));
    Pactl("load-module module-null-sink sink_name=pelmora_headset");
    EXPECT_TRUE(Eventually([](const PulseLists& l) { return l.FindSink("pelmora_headset"); }));
    Pactl("set-default-sink pelmora_headset");
    EXPECT_TRUE(Eventually([](const PulseLists& l) { return l.defaultSink == "pelmora_headset"; }));
    Pactl("unload-module module-null-sink");
    EXPECT_TRUE(Eventually([](const PulseLists& l) {
        return !l.FindSink("pelmora_headset") && !l.FindSink(CPulseServerForTesting::kSink);
    }));
}

TEST_F(PulseServer, AWriteToADeviceThatIsGoneFailsAndAServerThatIsGoneIsSeen) {
    EXPECT_EQ(m_connection->SetVolume(false, "no_such_sink", 0x1000), -ENODEV);
    EXPECT_TRUE(m_connection->Connected());
    m_server.Stop();
    EXPECT_TRUE(Eventually([&](const PulseLists&) { return !m_connection->Connected(); }));
    EXPECT_NE(m_connection->SetVolume(false, CPulseServerForTesting::kSink, 0x1000), 0);
}
