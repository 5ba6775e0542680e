// Which devices the wizard works on among the server's, on the lists of
// typical desktops, and what choosing the microphone does to the defaults.
#include "platform/pulse/PulseChoice.h"
#include "tests/pulse/DesktopLists.h"

#include <gtest/gtest.h>

using namespace plat;
using namespace plat::testing_lists;

namespace {

const char* kUsbSink = "alsa_output.usb-Logitech_USB_Headset-00.analog-stereo";
const char* kUsbSource = "alsa_input.usb-Logitech_USB_Headset-00.mono-fallback";
const char* kBuiltInSink = "alsa_output.pci-0000_00_1f.3.analog-stereo";
const char* kBuiltInSource = "alsa_input.pci-0000_00_1f.3.analog-stereo";

std::vector<std::string> Names(const std::vector<PulseMixerMap>& mixers) {
    std::vector<std::string> names;
    for (const PulseMixerMap& m : mixers)
        names.push_back(m.name);
    return names;
}

// Selects the item named `item` of the first wave-in destination's MUX.
MMRESULT SelectInput(const PulseMixerMap& map, CFakeServer& server, const std::string& item) {
    const ModelLine* in = Destination(map, MIXERLINE_COMPONENTTYPE_DST_WAVEIN);
    if (!in)
        return MIXERR_INVALLINE;
    const ModelControl& mux = *ControlOf(*in, MIXERCONTROL_CONTROLTYPE_MUX);
    std::vector<DWORD> values(mux.ItemCount(), 0);
    const auto it = std::find(mux.items.begin(), mux.items.end(), item);
    if (it == mux.items.end())
        return MIXERR_INVALVALUE;
    values[static_cast<std::size_t>(it - mux.items.begin())] = 1;
    CModelMixer mixer = Open(map, server);
    return SetValues(mixer, mux, values);
}

} // namespace

TEST(PulseChoiceDevices, APluggedInUsbHeadsetIsPreferredToTheBuiltInCard) {
    const PulseLists laptop = Laptop(); // the built-in sink and a monitor are the defaults
    const PulseChoice choice = ChoosePulseDevices(laptop);
    EXPECT_EQ(choice.sink, kUsbSink);
    EXPECT_EQ(choice.source, kUsbSource);
    EXPECT_EQ(choice.microphone, "USB Headset");
    EXPECT_EQ(choice.speakers, "USB Headset");
    EXPECT_EQ(Names(MapChosenPulseMixers(laptop, choice)),
              (std::vector<std::string>{"USB Headset", kPulseDefaults}));
}

TEST(PulseChoiceDevices, WithoutAHeadsetTheDefaultSinksCardIsUsedWithItsMicrophone) {
    PulseLists laptop = Laptop();
    laptop.cards.pop_back();
    laptop.sinks.pop_back();
    laptop.sources.pop_back();
    const PulseChoice choice = ChoosePulseDevices(laptop);
    EXPECT_EQ(choice.sink, kBuiltInSink);
    EXPECT_EQ(choice.source, kBuiltInSource) << "the default source is a monitor";
    EXPECT_EQ(choice.microphone, "Built-in Audio");

    // HDMI plays and has no input: the microphone comes from the other card.
    const PulseLists desktop = Desktop();
    const PulseChoice split = ChoosePulseDevices(desktop);
    EXPECT_EQ(split.sink, "alsa_output.pci-0000_01_00.1.hdmi-stereo");
    EXPECT_EQ(split.source, "alsa_input.pci-0000_00_14.2.analog-stereo");
    EXPECT_EQ(Names(MapChosenPulseMixers(desktop, split)),
              (std::vector<std::string>{"HDA NVidia", "Built-in Audio", kPulseDefaults}));
}

TEST(PulseChoiceDevices, ABluetoothHeadsetCountsOnlyInTheProfileWithAMicrophone) {
    PulseLists music = Laptop();
    music.cards.pop_back();
    music.sinks.pop_back();
    music.sources.pop_back();
    const PulseLists bt = Bluetooth(false);
    music.cards.push_back(bt.cards[0]);
    music.sinks.push_back(bt.sinks[0]);
    music.sources.push_back(bt.sources[0]);
    music.defaultSink = bt.sinks[0].name;
    PulseChoice choice = ChoosePulseDevices(music);
    EXPECT_EQ(choice.sink, bt.sinks[0].name) << "the user listens there";
    EXPECT_EQ(choice.source, kBuiltInSource) << "the headset has no microphone in this profile";

    const PulseLists headset = Bluetooth(true);
    choice = ChoosePulseDevices(headset);
    EXPECT_EQ(choice.sink, headset.sinks[0].name);
    EXPECT_EQ(choice.source, headset.sources[1].name);
    EXPECT_EQ(choice.microphone, "WH-Headset");
}

TEST(PulseChoiceDevices, OfTwoHeadsetsTheOneOfTheDefaultSinkWins) {
    PulseLists two = Laptop();
    const PulseLists bt = Bluetooth(true);
    two.cards.push_back(bt.cards[0]);
    two.sinks.push_back(bt.sinks[0]);
    for (const PulseDevice& s : bt.sources)
        two.sources.push_back(s);
    two.defaultSink = bt.sinks[0].name;
    EXPECT_EQ(ChoosePulseDevices(two).source, bt.sources[1].name);
    two.defaultSink = kUsbSink;
    EXPECT_EQ(ChoosePulseDevices(two).source, kUsbSource);
}

TEST(PulseChoiceDevices, NullDevicesOfNoCardAreChosenWithTheirOwnMixer) {
    PulseLists lists;
    PulseDevice sink = Device("pelmora_sink", "Null Output", "");
    PulseDevice monitor = Device("pelmora_sink.monitor", "Monitor of Null Output", "", {}, true);
    PulseDevice other = Device("another_source", "Another Input", "");
    PulseDevice source = Device("pelmora_source", "Null Input", "");
    lists.sinks = {sink};
    lists.sources = {monitor, other, source};
    lists.defaultSink = sink.name;
    lists.defaultSource = source.name;
    const PulseChoice choice = ChoosePulseDevices(lists);
    EXPECT_EQ(choice.source, "pelmora_source");
    EXPECT_EQ(choice.microphone, "Null Input");
    const auto mixers = MapChosenPulseMixers(lists, choice);
    ASSERT_EQ(Names(mixers), (std::vector<std::string>{kPulseOtherDevices, kPulseDefaults}));
    // The mixer calls take the first wave-in destination: it is the chosen one.
    EXPECT_EQ(Destination(mixers[0], MIXERLINE_COMPONENTTYPE_DST_WAVEIN)->name, "Null Input");

    const PulseChoice none = ChoosePulseDevices(PulseLists{});
    EXPECT_TRUE(none.sink.empty() && none.source.empty());
    EXPECT_TRUE(MapChosenPulseMixers(PulseLists{}, none).empty());
}

TEST(PulseChoiceDefaults, ChoosingTheMicrophoneMakesThePairTheServersDefaults) {
    CFakeServer server(Laptop());
    const PulseChoice choice = ChoosePulseDevices(server.lists);
    const auto mixers = MapChosenPulseMixers(server.lists, choice);
    ASSERT_EQ(SelectInput(mixers[0], server, "Microphone"), MMSYSERR_NOERROR);
    EXPECT_EQ(server.lists.defaultSource, kUsbSource);
    EXPECT_EQ(server.lists.defaultSink, kUsbSink);

    // The defaults mixer puts them back, as a restore does after the cards.
    CModelMixer defaults = Open(mixers[1], server);
    const ModelLine& dest = mixers[1].model.destinations.at(0);
    for (const ModelControl& c : dest.controls) {
        const auto& choices = mixers[1].elements[c.element].choices;
        const std::string& old =
            c.name == "Default Output" ? Laptop().defaultSink : Laptop().defaultSource;
        std::vector<DWORD> values(c.ItemCount(), 0);
        values[static_cast<std::size_t>(std::find(choices.begin(), choices.end(), old) -
                                        choices.begin())] = 1;
        ASSERT_EQ(SetValues(defaults, c, values), MMSYSERR_NOERROR) << c.name;
    }
    EXPECT_EQ(server.lists.defaultSink, Laptop().defaultSink);
    EXPECT_EQ(server.lists.defaultSource, Laptop().defaultSource);
}

TEST(PulseChoiceDefaults, ALineInOrADeviceNotChosenLeavesTheDefaultsAlone) {
    CFakeServer server(Desktop());
    const PulseChoice choice = ChoosePulseDevices(server.lists);
    const auto mixers = MapChosenPulseMixers(server.lists, choice);
    server.lists.defaultSource = "";
    ASSERT_EQ(SelectInput(mixers[1], server, "Line In"), MMSYSERR_NOERROR);
    EXPECT_EQ(server.lists.defaultSource, "");
    EXPECT_EQ(server.lists.sources[0].activePort, "analog-input-linein");

    // The built-in card of the laptop is shown by the full mapping, but the
    // wizard does not record there: its microphone makes nothing default.
    CFakeServer laptop(Laptop());
    const auto all = MapPulseMixers(laptop.lists);
    ASSERT_EQ(SelectInput(all[0], laptop, "Headset Microphone"), MMSYSERR_NOERROR);
    EXPECT_EQ(laptop.lists.defaultSink, kBuiltInSink);
    EXPECT_EQ(laptop.lists.defaultSource, Laptop().defaultSource);
}

TEST(PulseChoiceDefaults, AChosenCardThatIsUnpluggedKeepsItsPlaceWithoutLines) {
    PulseLists lists = Laptop();
    const PulseChoice choice = ChoosePulseDevices(lists);
    lists.cards.pop_back();
    lists.sinks.pop_back();
    lists.sources.pop_back();
    const auto mixers = MapChosenPulseMixers(lists, choice);
    ASSERT_EQ(Names(mixers), (std::vector<std::string>{"USB Headset", kPulseDefaults}));
    EXPECT_TRUE(mixers[0].model.destinations.empty());
}

TEST(PulseChoiceByUser, AChosenDeviceTakesItsCardsMixerAndName) {
    const PulseLists laptop = Laptop();
    PulseChoice choice = ChoosePulseDevices(laptop); // the USB headset
    choice = ChoosePulseDevice(laptop, choice, true, kBuiltInSource);
    EXPECT_EQ(choice.source, kBuiltInSource);
    EXPECT_EQ(choice.sourceCard, "alsa_card.pci-0000_00_1f.3");
    EXPECT_EQ(choice.microphone, "Built-in Audio");
    EXPECT_EQ(choice.sink, kUsbSink) << "the other side stays";
    // The sink's card first, then the microphone's, then the defaults; the
    // wave-in destination the mixer calls find is the chosen source's.
    auto mixers = MapChosenPulseMixers(laptop, choice);
    ASSERT_EQ(Names(mixers),
              (std::vector<std::string>{"USB Headset", "Built-in Audio", kPulseDefaults}));
    EXPECT_EQ(Destination(mixers[1], MIXERLINE_COMPONENTTYPE_DST_WAVEIN)->name,
              "Built-in Audio Analog Stereo");

    choice = ChoosePulseDevice(laptop, choice, false, kBuiltInSink);
    EXPECT_EQ(choice.speakers, "Built-in Audio");
    // The headset's mixer stays, after the chosen card's, so Cancel can put
    // back what the wizard set there; the walk finds no destination in it,
    // so a volume meant for the built-in card never reaches the headset.
    mixers = MapChosenPulseMixers(laptop, choice);
    ASSERT_EQ(Names(mixers),
              (std::vector<std::string>{"Built-in Audio", "USB Headset", kPulseDefaults}));
    for (DWORD type : {MIXERLINE_COMPONENTTYPE_DST_WAVEIN, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS}) {
        EXPECT_NE(Destination(mixers[0], type), nullptr) << type;
        EXPECT_EQ(Destination(mixers[1], type), nullptr) << type;
    }
    ASSERT_FALSE(mixers[1].model.destinations.empty());
    EXPECT_FALSE(mixers[1].model.destinations[0].controls.empty()) << "its controls stay";
    EXPECT_EQ(FollowPulseChoice(laptop, choice).source, kBuiltInSource) << "nothing went";

    // A monitor is no microphone, and what is not there changes nothing.
    EXPECT_EQ(ChoosePulseDevice(laptop, choice, true, laptop.sources[0].name).source,
              kBuiltInSource);
    EXPECT_EQ(ChoosePulseDevice(laptop, choice, false, kUsbSource).sink, kBuiltInSink);
}

TEST(PulseChoiceByUser, AChosenDeviceThatGoesGivesWayToTheServersNewDefault) {
    PulseLists lists = Laptop();
    PulseChoice choice = ChoosePulseDevices(lists); // the USB headset
    // Unplugged: the server lists the built-in card only, and names its new
    // defaults a little later.
    lists.cards.pop_back();
    lists.sinks.pop_back();
    lists.sources.pop_back();
    choice = FollowPulseChoice(lists, choice);
    EXPECT_EQ(choice.sink, kBuiltInSink);
    EXPECT_EQ(choice.source, kBuiltInSource) << "the default is a monitor: the first microphone";
    EXPECT_EQ(choice.microphone, "Built-in Audio");
    EXPECT_EQ(Names(MapChosenPulseMixers(lists, choice)),
              (std::vector<std::string>{"Built-in Audio", kPulseDefaults}));

    // From then on the side follows the default, until the user chooses.
    lists.sinks.push_back(Device("bluez_sink.00", "Speaker Box", ""));
    lists.defaultSink = "bluez_sink.00";
    EXPECT_EQ(FollowPulseChoice(lists, choice).sink, "bluez_sink.00");
    choice = ChoosePulseDevice(lists, choice, false, kBuiltInSink);
    EXPECT_EQ(FollowPulseChoice(lists, choice).sink, kBuiltInSink);

    // Nothing left to choose: nothing chosen.
    const PulseChoice none = FollowPulseChoice(PulseLists{}, choice);
    EXPECT_TRUE(none.sink.empty() && none.source.empty() && none.microphone.empty());
}
