// The format survey and the device inventory on purpose-made virtual cards.
#include "audio/TestSoundCard.h"
#include "audio/AudioEngine.h"
#include "platform/system/trace.h"
#include "platform/virtual/VirtualCard.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace plat;

namespace {

VirtualWaveDevice Device(const std::string& name, std::vector<PcmFormat> formats) {
    VirtualWaveDevice d;
    d.name = name;
    d.version = 0x0203;
    d.channels = 2;
    d.formats = std::move(formats);
    return d;
}

std::vector<PcmFormat> AllBut(PcmFormat refused) {
    auto all = AllPcmFormats();
    all.erase(std::remove(all.begin(), all.end(), refused), all.end());
    return all;
}

class TestSoundCardTest : public ::testing::Test {
protected:
    void Install(VirtualCardDesc desc) {
        card = std::make_shared<CVirtualCard>(std::move(desc), CVirtualCard::Clock::Manual);
        InstallSoundBackend(card);
    }
    void SetUp() override {
        tester.SetWait([this](DWORD ms) { waits.push_back(ms); });
        SetTraceListener([this](int severity, const char* module, int, const char* text) {
            if (std::string(module) == "TestSoundCard")
                trace.push_back(std::to_string(severity) + " " + text);
        });
    }
    void TearDown() override {
        SetTraceListener({});
        InstallSoundBackend(std::make_shared<CVirtualCard>());
    }
    std::shared_ptr<CVirtualCard> card;
    CTestSoundCard tester;
    std::vector<DWORD> waits;
    std::vector<std::string> trace;
    std::vector<std::string> in{"stale"}, out{"stale"};
};

TEST_F(TestSoundCardTest, FormatsAreVisitedInMatrixOrder) {
    const auto formats = SurveyFormats();
    EXPECT_EQ(FormatText(formats[0]), "8000Hz, 8bit, 1 channels");
    EXPECT_EQ(FormatText(formats[1]), "8000Hz, 8bit, 2 channels");
    EXPECT_EQ(FormatText(formats[2]), "8000Hz, 16bit, 1 channels");
    EXPECT_EQ(FormatText(formats[4]), "11025Hz, 8bit, 1 channels");
    EXPECT_EQ(FormatText(formats[15]), "44100Hz, 16bit, 2 channels");
    EXPECT_EQ(formats[15].nBlockAlign, 4);
    EXPECT_EQ(formats[15].nAvgBytesPerSec, 176400u);
    EXPECT_EQ(formats[5].nAvgBytesPerSec, 22050u);
}

TEST_F(TestSoundCardTest, CardAcceptingEverythingLeavesBothListsEmpty) {
    Install(DefaultCardDesc());
    EXPECT_EQ(tester.TestFormats(in, out), 1);
    EXPECT_TRUE(in.empty());
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(waits.empty());
    EXPECT_EQ(card->OpenWaveHandles(), 0u);
}

TEST_F(TestSoundCardTest, OnlyTheRefusedOutputFormatIsListed) {
    VirtualCardDesc desc = DefaultCardDesc();
    desc.waveOut = {Device("Out", AllBut(PcmFormat{44100, 16, 2}))};
    Install(desc);
    EXPECT_EQ(tester.TestFormats(in, out), 1);
    EXPECT_TRUE(in.empty());
    EXPECT_EQ(out, std::vector<std::string>{"44100Hz, 16bit, 2 channels"});
}

TEST_F(TestSoundCardTest, DeviceBusyForGoodFailsAfterTwentyAttempts) {
    Install(DefaultCardDesc());
    card->SetBusy(true, 0, 1000);
    WAVEFORMATEX format = SurveyFormats()[5];
    bool supported = true;
    EXPECT_EQ(tester.QueryFormat(true, format, &supported, 0), 0);
    EXPECT_EQ(card->CallCount("waveInOpen"), 20);
    EXPECT_EQ(waits, std::vector<DWORD>(19, 500));
    EXPECT_TRUE(supported); // untouched
    EXPECT_EQ(tester.GetLastError(), StandardMmErrorText(MMSYSERR_ALLOCATED));
    ASSERT_FALSE(trace.empty());
    EXPECT_EQ(trace.back(), "2 " + tester.GetLastError());
}

TEST_F(TestSoundCardTest, BusyForAWhileIsRetried) {
    Install(DefaultCardDesc());
    card->SetBusy(false, 0, 3);
    bool supported = false;
    EXPECT_EQ(tester.QueryFormat(false, SurveyFormats()[0], &supported, 0), 1);
    EXPECT_TRUE(supported);
    EXPECT_EQ(waits.size(), 3u);
}

TEST_F(TestSoundCardTest, InputFailureStopsBeforeThatFormatsOutputQuery) {
    Install(DefaultCardDesc());
    // The third input query (8000 Hz 16-bit mono) fails for good.
    card->AddFailure(VirtualFailure{"waveInOpen", MMSYSERR_NODRIVER, -1, -1, 2});
    CAudioEngine engine;
    engine.Tester().SetWait([](DWORD) {});
    EXPECT_EQ(engine.TestSoundCard(in, out), 0);
    EXPECT_EQ(card->CallCount("waveInOpen"), 3);
    EXPECT_EQ(card->CallCount("waveOutOpen"), 2);
    EXPECT_EQ(engine.GetLastError(), StandardMmErrorText(MMSYSERR_NODRIVER));
    EXPECT_TRUE(in.empty());
    EXPECT_TRUE(out.empty());
}

TEST_F(TestSoundCardTest, UnknownCodeGetsTheCallsText) {
    Install(DefaultCardDesc());
    card->FailCall("waveOutOpen", 4242);
    bool supported = false;
    EXPECT_EQ(tester.QueryFormat(false, SurveyFormats()[0], &supported, WAVE_MAPPER), 0);
    EXPECT_EQ(tester.GetLastError(), "ERROR : waveOutOpen = 4242");
}

TEST_F(TestSoundCardTest, InventoryListsDevicesAndTheirFormats) {
    VirtualCardDesc desc = DefaultCardDesc();
    desc.waveIn.clear();
    desc.waveOut = {Device("Speakers", AllBut(PcmFormat{8000, 8, 2})),
                    Device("Phones", AllPcmFormats())};
    Install(desc);
    const CTestSoundCard::Inventory* inv = tester.GetDevices();
    ASSERT_NE(inv, nullptr);
    EXPECT_EQ(inv->inCount, 0u);
    ASSERT_EQ(inv->outCount, 2u);
    EXPECT_STREQ(inv->outDevices[0].caps.szPname, "Speakers");
    EXPECT_EQ(inv->outDevices[0].supported.size(), 15u);
    ASSERT_EQ(inv->outDevices[0].unsupported.size(), 1u);
    EXPECT_EQ(inv->outDevices[0].unsupported[0]->nSamplesPerSec, 8000u);
    EXPECT_EQ(inv->outDevices[0].unsupported[0]->nChannels, 2);
    EXPECT_EQ(inv->outDevices[1].supported.size(), 16u);

    ASSERT_GE(trace.size(), 3u);
    EXPECT_EQ(trace[0], "0 ************ Devices Audio ******************");
    EXPECT_EQ(trace[1], "0 IN : 0 devices");
    EXPECT_EQ(trace[2], "0 OUT : 2 devices");
    EXPECT_EQ(trace[3], "0 -------- Device audio OUT n\u00b0 0 --------");
    EXPECT_EQ(trace[4], "0 Nom : Speakers");
    EXPECT_EQ(trace[5], "0 Version : 2,3");
    EXPECT_EQ(trace[6], "0 Cannaux : 2");
    EXPECT_EQ(trace[7], "0 Sup : 8000 Hz, 8 Bit, 1 Cannaux");
    EXPECT_EQ(trace[8], "0 UNSup : 8000 Hz, 8 Bit, 2 Cannaux");
    EXPECT_EQ(std::count_if(trace.begin(), trace.end(),
                            [](const std::string& t) {
                                return t.find("Device audio IN") != std::string::npos;
                            }),
              0);

    // Kept: a second call neither rebuilds nor traces.
    const std::size_t lines = trace.size();
    EXPECT_EQ(tester.GetDevices(), inv);
    EXPECT_EQ(trace.size(), lines);
}

TEST_F(TestSoundCardTest, InventoryStopsOnACapabilitiesFailure) {
    Install(DefaultCardDesc());
    card->FailCall("waveInGetDevCaps", MMSYSERR_NOMEM);
    EXPECT_EQ(tester.GetDevices(), nullptr);
    EXPECT_EQ(tester.GetLastError(), StandardMmErrorText(MMSYSERR_NOMEM));
    // The failed build is kept (counts set) and returned as it is.
    EXPECT_NE(tester.GetDevices(), nullptr);
}

} // namespace
