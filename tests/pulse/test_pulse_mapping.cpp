// The mapping of the sound server's lists onto mixer devices, and the mixer
// calls answered from it, on the lists of typical desktops.
#include "tests/pulse/DesktopLists.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <random>

using namespace plat;

using namespace plat::testing_lists;

TEST(PulseMappingDevices, LaptopAndUsbHeadsetGiveOneMixerPerCardWithTheirNames) {
    const auto mixers = MapPulseMixers(Laptop());
    ASSERT_EQ(mixers.size(), 3u); // two cards and the defaults
    EXPECT_EQ(mixers[0].name, "Built-in Audio");
    EXPECT_EQ(mixers[1].name, "USB Headset");
    EXPECT_EQ(mixers[2].name, kPulseDefaults);

    const ModelLine* speakers = Destination(mixers[0], MIXERLINE_COMPONENTTYPE_DST_SPEAKERS);
    ASSERT_NE(speakers, nullptr);
    EXPECT_EQ(speakers->name, "Built-in Audio Analog Stereo");
    EXPECT_EQ(speakers->targetType, MIXERLINE_TARGETTYPE_WAVEOUT);
    EXPECT_NE(ControlOf(*speakers, MIXERCONTROL_CONTROLTYPE_VOLUME), nullptr);
    EXPECT_NE(ControlOf(*speakers, MIXERCONTROL_CONTROLTYPE_MUTE), nullptr);
    ASSERT_EQ(speakers->sources.size(), 1u);
    EXPECT_EQ(speakers->sources[0].componentType, MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT);

    // The monitor is no input; the two microphone ports are the MUX items.
    EXPECT_EQ(std::count_if(mixers[0].model.destinations.begin(),
                            mixers[0].model.destinations.end(),
                            [](const ModelLine& d) {
                                return d.componentType == MIXERLINE_COMPONENTTYPE_DST_WAVEIN;
                            }),
              1);
    const ModelLine* waveIn = Destination(mixers[0], MIXERLINE_COMPONENTTYPE_DST_WAVEIN);
    ASSERT_NE(waveIn, nullptr);
    const ModelControl* mux = ControlOf(*waveIn, MIXERCONTROL_CONTROLTYPE_MUX);
    ASSERT_NE(mux, nullptr);
    EXPECT_EQ(mux->items, (std::vector<std::string>{"Internal Microphone", "Headset Microphone"}));
    ASSERT_EQ(waveIn->sources.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(waveIn->sources[i].componentType, MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE);
        EXPECT_EQ(mux->itemLines[i], waveIn->sources[i].id);
        EXPECT_EQ(mux->itemTypes[i], MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE);
    }
    const ModelLine* usbIn = Destination(mixers[1], MIXERLINE_COMPONENTTYPE_DST_WAVEIN);
    ASSERT_NE(usbIn, nullptr);
    EXPECT_EQ(usbIn->sources.at(0).name, "Microphone");
}

TEST(PulseMappingDevices, DesktopLineInIsALineAndHdmiHasNoInput) {
    const auto mixers = MapPulseMixers(Desktop());
    const PulseMixerMap* hdmi = Mixer(mixers, "HDA NVidia");
    const PulseMixerMap* analog = Mixer(mixers, "Built-in Audio");
    ASSERT_TRUE(hdmi && analog);
    EXPECT_NE(Destination(*hdmi, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS), nullptr);
    EXPECT_EQ(Destination(*hdmi, MIXERLINE_COMPONENTTYPE_DST_WAVEIN), nullptr);
    const ModelLine* in = Destination(*analog, MIXERLINE_COMPONENTTYPE_DST_WAVEIN);
    ASSERT_NE(in, nullptr);
    ASSERT_EQ(in->sources.size(), 2u);
    EXPECT_EQ(in->sources[0].name, "Line In");
    EXPECT_EQ(in->sources[0].componentType, MIXERLINE_COMPONENTTYPE_SRC_LINE);
    EXPECT_EQ(in->sources[1].componentType, MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE);
}

TEST(PulseMappingDevices, BluetoothHeadsetHasAMicrophoneOnlyInItsHeadsetProfile) {
    const auto music = MapPulseMixers(Bluetooth(false));
    ASSERT_NE(Mixer(music, "WH-Headset"), nullptr);
    EXPECT_EQ(Destination(*Mixer(music, "WH-Headset"), MIXERLINE_COMPONENTTYPE_DST_WAVEIN),
              nullptr);
    const auto call = MapPulseMixers(Bluetooth(true));
    ASSERT_NE(Mixer(call, "WH-Headset"), nullptr);
    const ModelLine* in =
        Destination(*Mixer(call, "WH-Headset"), MIXERLINE_COMPONENTTYPE_DST_WAVEIN);
    ASSERT_NE(in, nullptr);
    EXPECT_EQ(in->sources.at(0).componentType, MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE);
}

TEST(PulseMappingDevices, CardlessNullDevicesGetAMixerOfTheirOwn) {
    PulseLists l;
    l.sinks = {Device("pelmora_sink", "Null Output", "")};
    l.sources = {Device("pelmora_sink.monitor", "Monitor of Null Output", "", {}, true),
                 Device("pelmora_source", "Null Input", "")};
    const auto mixers = MapPulseMixers(l);
    const PulseMixerMap* other = Mixer(mixers, kPulseOtherDevices);
    ASSERT_NE(other, nullptr);
    const ModelLine* in = Destination(*other, MIXERLINE_COMPONENTTYPE_DST_WAVEIN);
    ASSERT_NE(in, nullptr);
    EXPECT_EQ(in->name, "Null Input");
    // The source is its own single input, a microphone to the wizard.
    ASSERT_EQ(in->sources.size(), 1u);
    EXPECT_EQ(in->sources[0].componentType, MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE);
}

TEST(PulseMappingIds, ControlIdsFollowTheDeviceNotTheListOrder) {
    PulseLists shuffled = Laptop();
    std::mt19937 random(7);
    std::shuffle(shuffled.cards.begin(), shuffled.cards.end(), random);
    std::reverse(shuffled.sinks.begin(), shuffled.sinks.end());
    std::reverse(shuffled.sources.begin(), shuffled.sources.end());
    shuffled.defaultSink = shuffled.sinks[0].name;

    const auto before = MapPulseMixers(Laptop());
    const auto after = MapPulseMixers(shuffled);
    for (const char* name : {"Built-in Audio", "USB Headset"}) {
        ASSERT_TRUE(Mixer(before, name) && Mixer(after, name));
        EXPECT_EQ(ControlIds(*Mixer(before, name)), ControlIds(*Mixer(after, name))) << name;
        // Every id of a mixer is distinct and never 0.
        auto list = ControlIds(*Mixer(before, name));
        std::sort(list.begin(), list.end());
        EXPECT_EQ(std::adjacent_find(list.begin(), list.end()), list.end());
        EXPECT_NE(list.front(), 0u);
    }
    // A headset unplugged leaves the built-in card's ids as they were.
    PulseLists unplugged = Laptop();
    unplugged.cards.pop_back();
    unplugged.sinks.pop_back();
    unplugged.sources.pop_back();
    EXPECT_EQ(ControlIds(*Mixer(MapPulseMixers(unplugged), "Built-in Audio")),
              ControlIds(*Mixer(before, "Built-in Audio")));
}

TEST(PulseMappingIds, ANewDeviceLeavesTheIdsOfTheOthersAlone) {
    PulseLists l;
    l.sinks = {Device("pelmora_sink", "Null Output", "")};
    l.sources = {Device("pelmora_source", "Null Input", "")};
    const auto before = MapPulseMixers(l);
    // A device whose name sorts first appears (a headset without a card).
    l.sinks.insert(l.sinks.begin(), Device("a_new_sink", "New Output", ""));
    l.sources.insert(l.sources.begin(), Device("a_new_source", "New Input", ""));
    const auto after = MapPulseMixers(l);
    const auto old = ControlIds(*Mixer(before, kPulseOtherDevices));
    const auto now = ControlIds(*Mixer(after, kPulseOtherDevices));
    for (DWORD id : old)
        EXPECT_NE(std::find(now.begin(), now.end(), id), now.end()) << id;
}

TEST(PulseMappingCalls, VolumeMapsTheServersHundredPercentOntoTheControlBounds) {
    CFakeServer server(Laptop());
    const auto mixers = MapPulseMixers(server.lists);
    CModelMixer mixer = Open(mixers[0], server);
    const ModelLine* speakers = Destination(mixers[0], MIXERLINE_COMPONENTTYPE_DST_SPEAKERS);
    const ModelControl& volume = *ControlOf(*speakers, MIXERCONTROL_CONTROLTYPE_VOLUME);

    ASSERT_EQ(SetValues(mixer, volume, {0xFFFF}), MMSYSERR_NOERROR);
    EXPECT_EQ(server.lists.sinks[0].volume, kPulseVolumeNorm);
    ASSERT_EQ(SetValues(mixer, volume, {0x8000}), MMSYSERR_NOERROR);
    EXPECT_NEAR(server.lists.sinks[0].volume, kPulseVolumeNorm / 2, 1);
    EXPECT_EQ(server.requests, 2); // one request a write, nothing reloaded
    EXPECT_EQ(SetValues(mixer, volume, {0x10000}), MIXERR_INVALVALUE);

    // Amplified above 100 %: the control shows its top.
    server.lists.sinks[0].volume = kPulseVolumeNorm * 3 / 2;
    MMRESULT result;
    EXPECT_EQ(GetValues(mixer, volume, result)[0], 0xFFFFu);
    EXPECT_EQ(result, MMSYSERR_NOERROR);

    // The wave-out line is the sink volume again.
    const ModelControl& wave = speakers->sources[0].controls.at(0);
    ASSERT_EQ(SetValues(mixer, wave, {0x4000}), MMSYSERR_NOERROR);
    EXPECT_NEAR(server.lists.sinks[0].volume, kPulseVolumeNorm / 4, 1);
    EXPECT_NEAR(GetValues(mixer, volume, result)[0], 0x4000, 1);
}

TEST(PulseMappingCalls, MuteAndPortChoiceReachTheServer) {
    CFakeServer server(Laptop());
    const auto mixers = MapPulseMixers(server.lists);
    CModelMixer mixer = Open(mixers[0], server);
    const ModelLine* in = Destination(mixers[0], MIXERLINE_COMPONENTTYPE_DST_WAVEIN);
    const ModelControl& mute = *ControlOf(*in, MIXERCONTROL_CONTROLTYPE_MUTE);
    const ModelControl& mux = *ControlOf(*in, MIXERCONTROL_CONTROLTYPE_MUX);
    const char* name = "alsa_input.pci-0000_00_1f.3.analog-stereo";

    ASSERT_EQ(SetValues(mixer, mute, {1}), MMSYSERR_NOERROR);
    EXPECT_TRUE(server.Find(true, name)->mute);
    MMRESULT result;
    EXPECT_EQ(GetValues(mixer, mute, result), std::vector<DWORD>{1});
    ASSERT_EQ(SetValues(mixer, mute, {0}), MMSYSERR_NOERROR);
    EXPECT_FALSE(server.Find(true, name)->mute);

    ASSERT_EQ(SetValues(mixer, mux, {0, 1}), MMSYSERR_NOERROR);
    EXPECT_EQ(server.Find(true, name)->activePort, "analog-input-headset-mic");
    EXPECT_EQ(GetValues(mixer, mux, result), (std::vector<DWORD>{0, 1}));
    EXPECT_EQ(SetValues(mixer, mux, {1, 1}), MIXERR_INVALVALUE);
    EXPECT_EQ(server.Find(true, name)->activePort, "analog-input-headset-mic");
}

TEST(PulseMappingCalls, DefaultsMixerChoosesTheDefaultSinkAndSource) {
    CFakeServer server(Laptop());
    const auto mixers = MapPulseMixers(server.lists);
    const PulseMixerMap& defaults = *Mixer(mixers, kPulseDefaults);
    CModelMixer mixer = Open(defaults, server);
    const ModelLine& dest = defaults.model.destinations.at(0);
    ASSERT_EQ(dest.controls.size(), 2u);
    const ModelControl& sink = dest.controls[0];
    const ModelControl& source = dest.controls[1];
    EXPECT_EQ(sink.ItemCount(), 2u);
    EXPECT_EQ(source.ItemCount(), 3u); // a monitor can be the default too

    MMRESULT result;
    std::vector<DWORD> values = GetValues(mixer, source, result);
    ASSERT_EQ(result, MMSYSERR_NOERROR);
    const auto chosen = std::find(values.begin(), values.end(), 1u) - values.begin();
    EXPECT_EQ(defaults.elements[source.element].choices.at(static_cast<std::size_t>(chosen)),
              server.lists.defaultSource);

    const auto& choices = defaults.elements[sink.element].choices;
    const char* usbSink = "alsa_output.usb-Logitech_USB_Headset-00.analog-stereo";
    std::vector<DWORD> usb(sink.ItemCount(), 0);
    usb[static_cast<std::size_t>(std::find(choices.begin(), choices.end(), usbSink) -
                                 choices.begin())] = 1;
    ASSERT_EQ(SetValues(mixer, sink, usb), MMSYSERR_NOERROR);
    EXPECT_EQ(server.lists.defaultSink, usbSink);
}

TEST(PulseMappingCalls, ADeviceThatIsGoneIsAnErrorAndTouchesNothingElse) {
    CFakeServer server(Laptop());
    const auto mixers = MapPulseMixers(server.lists);
    CModelMixer mixer = Open(mixers[1], server); // the USB headset
    const ModelLine* speakers = Destination(mixers[1], MIXERLINE_COMPONENTTYPE_DST_SPEAKERS);
    const ModelControl& volume = *ControlOf(*speakers, MIXERCONTROL_CONTROLTYPE_VOLUME);
    const long builtIn = server.lists.sinks[0].volume;
    server.lists.sinks.pop_back(); // unplugged
    server.lists.sources.pop_back();
    MMRESULT result;
    GetValues(mixer, volume, result);
    EXPECT_EQ(result, MMSYSERR_ERROR);
    EXPECT_EQ(mixer.LastAlsaError(), -ENODEV);
    EXPECT_EQ(SetValues(mixer, volume, {0x1000}), MMSYSERR_ERROR);
    EXPECT_EQ(server.lists.sinks[0].volume, builtIn);
}
