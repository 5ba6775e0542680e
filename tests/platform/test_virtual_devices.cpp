// The virtual card's device list: devices of a card file with their ids and
// forms, a headset plugged and unplugged by script with the watcher told on
// the main thread, a chosen device taking WAVE_MAPPER's opens, and open
// devices under plugging: renumbered, or ended when they are pulled out.
#include "platform/system/message_loop.h"
#include "platform/virtual/CardFile.h"
#include "platform/virtual/VirtualCard.h"
#include "tests/support/TestDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace plat;

namespace {

constexpr const char* kCard = R"([Card]
Name=Devices
[WaveOut 0]
Name=Built-in Speakers
FormFactor=built-in
[WaveOut 1]
Name=USB Headset Earphones
Id=headset-out
FormFactor=headset
Plugged=no
Formats=44100/16/2
[WaveIn 0]
Name=Built-in Microphone
Id=builtin-mic
FormFactor=BUILT-IN
[WaveIn 1]
Name=USB Headset Microphone
Id=headset-mic
FormFactor=headset
Plugged=no
)";

class VirtualDevices : public ::testing::Test {
protected:
    void SetUp() override {
        dir = FreshTestDir("pelmora-devices");
        std::string error;
        card = CVirtualCard::FromFile(Write(kCard), error, CVirtualCard::Clock::Manual);
        ASSERT_TRUE(card) << error;
        card->WatchDevices([this](const std::vector<SoundDevice>& list) {
            EXPECT_EQ(std::this_thread::get_id(), mainThread);
            heard.push_back(list);
        });
    }
    void TearDown() override {
        card.reset();
        std::filesystem::remove_all(dir);
    }

    std::string Write(const std::string& text) {
        const std::string path = (dir / "card.ini").string();
        std::ofstream(path) << text;
        return path;
    }

    // The lists the watcher heard of once the posted tasks ran.
    std::size_t Heard() {
        DispatchMessages(100);
        return heard.size();
    }

    static std::vector<std::string> Ids(const std::vector<SoundDevice>& list,
                                        DeviceDirection direction) {
        std::vector<std::string> ids;
        for (const SoundDevice& d : list)
            if (d.direction == direction)
                ids.push_back(d.id);
        return ids;
    }
    static const SoundDevice* Find(const std::vector<SoundDevice>& list, const std::string& id) {
        const auto it = std::find_if(list.begin(), list.end(),
                                     [&](const SoundDevice& d) { return d.id == id; });
        return it == list.end() ? nullptr : &*it;
    }

    std::filesystem::path dir;
    std::shared_ptr<CVirtualCard> card;
    std::vector<std::vector<SoundDevice>> heard;
    const std::thread::id mainThread = std::this_thread::get_id();
};

TEST_F(VirtualDevices, TheCardFileNamesTheDevicesAndTheirForms) {
    const std::vector<SoundDevice> list = card->ListDevices();
    EXPECT_EQ(Ids(list, DeviceDirection::Output), std::vector<std::string>{"waveout-0"});
    EXPECT_EQ(Ids(list, DeviceDirection::Input), std::vector<std::string>{"builtin-mic"});
    const SoundDevice* speakers = Find(list, "waveout-0");
    ASSERT_NE(speakers, nullptr);
    EXPECT_EQ(speakers->description, "Built-in Speakers");
    EXPECT_EQ(speakers->formFactor, DeviceFormFactor::BuiltIn);
    EXPECT_TRUE(speakers->isDefault);
    EXPECT_FALSE(speakers->monitor);
    EXPECT_EQ(card->waveOutGetNumDevs(), 1u);
    EXPECT_EQ(card->waveInGetNumDevs(), 1u);
    EXPECT_EQ(Heard(), 0u); // nothing changed
}

TEST_F(VirtualDevices, AHeadsetPluggedAndUnpluggedIsHeardOfWithTheNewList) {
    std::string error;
    ASSERT_TRUE(card->SetPlugged(DeviceDirection::Output, "headset-out", true, error)) << error;
    ASSERT_EQ(Heard(), 1u);
    EXPECT_EQ(Ids(heard[0], DeviceDirection::Output),
              (std::vector<std::string>{"waveout-0", "headset-out"}));
    const SoundDevice* headset = Find(heard[0], "headset-out");
    ASSERT_NE(headset, nullptr);
    EXPECT_EQ(headset->description, "USB Headset Earphones");
    EXPECT_EQ(headset->formFactor, DeviceFormFactor::Headset);
    EXPECT_FALSE(headset->isDefault);
    EXPECT_EQ(card->waveOutGetNumDevs(), 2u);
    WAVEOUTCAPSA caps{};
    ASSERT_EQ(card->waveOutGetDevCaps(1, &caps, sizeof caps), MMSYSERR_NOERROR);
    EXPECT_STREQ(caps.szPname, "USB Headset Earphones");

    ASSERT_TRUE(card->SetPlugged(DeviceDirection::Input, "headset-mic", true, error)) << error;
    ASSERT_EQ(Heard(), 2u);
    EXPECT_EQ(Ids(heard[1], DeviceDirection::Input),
              (std::vector<std::string>{"builtin-mic", "headset-mic"}));

    // Plugging what is plugged changes nothing, and nobody hears of it.
    ASSERT_TRUE(card->SetPlugged(DeviceDirection::Input, "headset-mic", true, error));
    EXPECT_EQ(Heard(), 2u);

    ASSERT_TRUE(card->SetPlugged(DeviceDirection::Output, "headset-out", false, error)) << error;
    ASSERT_TRUE(card->SetPlugged(DeviceDirection::Input, "headset-mic", false, error)) << error;
    ASSERT_EQ(Heard(), 4u);
    EXPECT_EQ(Ids(heard[3], DeviceDirection::Output), std::vector<std::string>{"waveout-0"});
    EXPECT_EQ(Ids(heard[3], DeviceDirection::Input), std::vector<std::string>{"builtin-mic"});
    EXPECT_EQ(card->waveOutGetNumDevs(), 1u);
    EXPECT_EQ(card->waveOutGetDevCaps(1, &caps, sizeof caps), MMSYSERR_BADDEVICEID);
}

TEST_F(VirtualDevices, AChosenDeviceTakesTheMappersOpensUntilItIsUnplugged) {
    std::string error;
    ASSERT_TRUE(card->SetPlugged(DeviceDirection::Output, "headset-out", true, error)) << error;
    ASSERT_TRUE(card->ChooseDevice(DeviceDirection::Output, "headset-out", error)) << error;
    ASSERT_EQ(Heard(), 2u);
    EXPECT_TRUE(Find(heard[1], "headset-out")->isDefault);
    EXPECT_FALSE(Find(heard[1], "waveout-0")->isDefault);

    WAVEFORMATEX format{WAVE_FORMAT_PCM, 2, 44100, 44100 * 4, 4, 16, 0};
    HWAVEOUT out = nullptr;
    ASSERT_EQ(card->waveOutOpen(&out, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    std::vector<char> samples(4000, 1);
    WAVEHDR header{};
    header.lpData = samples.data();
    header.dwBufferLength = static_cast<DWORD>(samples.size());
    ASSERT_EQ(card->waveOutPrepareHeader(out, &header, sizeof header), MMSYSERR_NOERROR);
    ASSERT_EQ(card->waveOutWrite(out, &header, sizeof header), MMSYSERR_NOERROR);
    card->AdvanceClock(100);
    EXPECT_EQ(card->CapturedOutput(1).size(), samples.size()); // the headset played it
    EXPECT_TRUE(card->CapturedOutput(0).empty());

    // Pulled out while it plays: what was queued comes back at once, and the
    // device takes nothing more until it is closed.
    ASSERT_EQ(card->waveOutWrite(out, &header, sizeof header), MMSYSERR_NOERROR);
    ASSERT_TRUE(card->SetPlugged(DeviceDirection::Output, "headset-out", false, error)) << error;
    EXPECT_TRUE(header.dwFlags & WHDR_DONE);
    EXPECT_FALSE(header.dwFlags & WHDR_INQUEUE);
    EXPECT_EQ(card->waveOutWrite(out, &header, sizeof header), MMSYSERR_NODRIVER);
    EXPECT_EQ(card->waveOutRestart(out), MMSYSERR_NODRIVER);
    card->AdvanceClock(100);
    EXPECT_EQ(card->CapturedOutput(1).size(), samples.size()); // nothing more was played
    ASSERT_EQ(card->waveOutReset(out), MMSYSERR_NOERROR);
    ASSERT_EQ(card->waveOutUnprepareHeader(out, &header, sizeof header), MMSYSERR_NOERROR);
    ASSERT_EQ(card->waveOutClose(out), MMSYSERR_NOERROR);
    ASSERT_EQ(Heard(), 3u);
    EXPECT_TRUE(Find(heard[2], "waveout-0")->isDefault);
}

TEST_F(VirtualDevices, AnOpenDeviceRecordsOnWhileAnotherIsPluggedAndUnplugged) {
    std::string error;
    ASSERT_TRUE(card->SetPlugged(DeviceDirection::Input, "headset-mic", true, error)) << error;
    WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, 11025, 22050, 2, 16, 0};
    HWAVEIN in = nullptr;
    ASSERT_EQ(card->waveInOpen(&in, 1, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    std::vector<char> samples(2205 * 2, 0);
    WAVEHDR header{};
    header.lpData = samples.data();
    header.dwBufferLength = static_cast<DWORD>(samples.size());
    ASSERT_EQ(card->waveInPrepareHeader(in, &header, sizeof header), MMSYSERR_NOERROR);
    ASSERT_EQ(card->waveInAddBuffer(in, &header, sizeof header), MMSYSERR_NOERROR);
    ASSERT_EQ(card->waveInStart(in), MMSYSERR_NOERROR);
    card->AdvanceClock(50);

    // The built-in microphone goes: the headset's is number 0 now, and its
    // recording goes on into the same buffer.
    ASSERT_TRUE(card->SetPlugged(DeviceDirection::Input, "builtin-mic", false, error)) << error;
    EXPECT_FALSE(header.dwFlags & WHDR_DONE);
    card->AdvanceClock(160); // the buffer holds 200 ms
    EXPECT_TRUE(header.dwFlags & WHDR_DONE);
    EXPECT_EQ(header.dwBytesRecorded, samples.size());
    EXPECT_EQ(card->waveInAddBuffer(in, &header, sizeof header), MMSYSERR_NOERROR);
    ASSERT_TRUE(card->SetPlugged(DeviceDirection::Input, "builtin-mic", true, error)) << error;
    card->AdvanceClock(200);
    EXPECT_TRUE(header.dwFlags & WHDR_DONE);

    // Then its own goes, and with it the recording.
    EXPECT_EQ(card->waveInAddBuffer(in, &header, sizeof header), MMSYSERR_NOERROR);
    ASSERT_TRUE(card->SetPlugged(DeviceDirection::Input, "headset-mic", false, error)) << error;
    EXPECT_TRUE(header.dwFlags & WHDR_DONE);
    EXPECT_EQ(card->waveInAddBuffer(in, &header, sizeof header), MMSYSERR_NODRIVER);
    EXPECT_EQ(card->waveInStart(in), MMSYSERR_NODRIVER);
    EXPECT_EQ(card->waveInStop(in), MMSYSERR_NOERROR);
    ASSERT_EQ(card->waveInReset(in), MMSYSERR_NOERROR);
    ASSERT_EQ(card->waveInUnprepareHeader(in, &header, sizeof header), MMSYSERR_NOERROR);
    ASSERT_EQ(card->waveInClose(in), MMSYSERR_NOERROR);
    EXPECT_EQ(card->OpenWaveHandles(), 0u);
}

TEST_F(VirtualDevices, UnknownDevicesAreRefusedWithTheirName) {
    std::string error;
    EXPECT_FALSE(card->ChooseDevice(DeviceDirection::Input, "waveout-0", error));
    EXPECT_NE(error.find("input device \"waveout-0\""), std::string::npos) << error;
    EXPECT_FALSE(card->ChooseDevice(DeviceDirection::Output, "headset-out", error)); // unplugged
    EXPECT_FALSE(card->SetPlugged(DeviceDirection::Output, "speakers", true, error));
    EXPECT_NE(error.find("\"speakers\""), std::string::npos) << error;
    EXPECT_EQ(Heard(), 0u);
}

TEST_F(VirtualDevices, AReplacedWatcherHearsNothingMore) {
    card->WatchDevices(nullptr);
    std::string error;
    ASSERT_TRUE(card->SetPlugged(DeviceDirection::Output, "headset-out", true, error));
    EXPECT_EQ(Heard(), 0u);
    // A list posted before the card is gone never reaches the watcher.
    card->WatchDevices([this](const std::vector<SoundDevice>& list) { heard.push_back(list); });
    ASSERT_TRUE(card->SetPlugged(DeviceDirection::Output, "headset-out", false, error));
    card.reset();
    EXPECT_EQ(Heard(), 0u);
}

TEST_F(VirtualDevices, MuteMonitorRateAndHandsFreeReachTheList) {
    std::string error;
    auto muted = CVirtualCard::FromFile(Write("[WaveIn 0]\nName=Built-in Microphone\nMute=yes\n"
                                              "[WaveIn 1]\nName=Monitor of Built-in Speakers\n"
                                              "Monitor=yes\nMute=no\n[WaveIn 2]\nName=Line\n"),
                                        error);
    ASSERT_TRUE(muted) << error;
    const std::vector<SoundDevice> list = muted->ListDevices();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_TRUE(list[0].hasVolume && list[0].mute && !list[0].monitor);
    EXPECT_TRUE(list[1].hasVolume && !list[1].mute && list[1].monitor);
    // Without the key the mute is unknown.
    EXPECT_FALSE(list[2].hasVolume || list[2].mute || list[2].monitor);

    // A hands-free headset at 8 kHz; the rate is otherwise untold.
    auto headset = CVirtualCard::FromFile(
        Write("[WaveIn 0]\nName=BT Headset\nRate=8000\nHandsFree=yes\n[WaveIn 1]\nName=Line\n"),
        error);
    ASSERT_TRUE(headset) << error;
    const std::vector<SoundDevice> devices = headset->ListDevices();
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_TRUE(devices[0].rate == 8000 && devices[0].handsFree);
    EXPECT_TRUE(devices[1].rate == 0 && !devices[1].handsFree);
}

TEST_F(VirtualDevices, WrongDeviceKeysAreRefused) {
    VirtualCardDesc desc;
    std::string error;
    EXPECT_FALSE(ReadCardFile(Write("[WaveOut 0]\nFormFactor=earbuds\n"), desc, error));
    EXPECT_NE(error.find("[WaveOut 0] FormFactor: \"earbuds\""), std::string::npos) << error;
    EXPECT_FALSE(ReadCardFile(Write("[WaveIn 0]\nPlugged=maybe\n"), desc, error));
    EXPECT_NE(error.find("[WaveIn 0] Plugged"), std::string::npos) << error;
    EXPECT_FALSE(ReadCardFile(Write("[WaveIn 0]\nMute=perhaps\n"), desc, error));
    EXPECT_NE(error.find("[WaveIn 0] Mute"), std::string::npos) << error;
    EXPECT_FALSE(ReadCardFile(Write("[WaveOut 0]\nMonitor=yes\n"), desc, error));
    EXPECT_NE(error.find("[WaveOut 0] Monitor"), std::string::npos) << error;
    EXPECT_FALSE(ReadCardFile(Write("[WaveIn 0]\nRate=-8000\n"), desc, error));
    EXPECT_NE(error.find("[WaveIn 0] Rate: \"-8000\" is not a rate"), std::string::npos) << error;
    EXPECT_FALSE(ReadCardFile(Write("[WaveIn 0]\nRate=fast\n"), desc, error));
    EXPECT_NE(error.find("[WaveIn 0] Rate"), std::string::npos) << error;
    EXPECT_FALSE(ReadCardFile(Write("[WaveIn 0]\nHandsFree=sometimes\n"), desc, error));
    EXPECT_NE(error.find("[WaveIn 0] HandsFree"), std::string::npos) << error;
    EXPECT_FALSE(ReadCardFile(Write("[WaveOut 0]\nId=waveout-1\n[WaveOut 1]\n"), desc, error));
    EXPECT_NE(error.find("already names another device"), std::string::npos) << error;
}

} // namespace
