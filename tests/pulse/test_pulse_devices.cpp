// The device list of the sound-server backend on a private PulseAudio daemon
// and on a private PipeWire daemon: a null sink and a null source loaded and
// unloaded with pactl reach the watcher on the main thread with the new list
// (ids, descriptions, directions, monitors), and a chosen device becomes the
// server's default.
#include "platform/pulse/PulseBackend.h"
#include "platform/pulse/testing/PipeWireServerForTesting.h"
#include "platform/pulse/testing/PulseServerForTesting.h"
#include "platform/system/message_loop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>
#include <type_traits>

using namespace plat;

namespace {

constexpr const char* kExtraSink = "pelmora_extra_sink";
constexpr const char* kExtraSinkDescription = "Pelmora Extra Speakers";
constexpr const char* kExtraSource = "pelmora_extra_source";
constexpr const char* kExtraSourceDescription = "Pelmora Extra Microphone";

const SoundDevice* Find(const std::vector<SoundDevice>& list, const std::string& id) {
    const auto it =
        std::find_if(list.begin(), list.end(), [&](const SoundDevice& d) { return d.id == id; });
    return it == list.end() ? nullptr : &*it;
}

template <class Server> class PulseDevices : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        if (!m_server.Start(error))
            GTEST_SKIP() << "no private sound server here: " << error;
        m_backend = OpenPulseBackend(error);
        ASSERT_NE(m_backend, nullptr) << error;
        m_backend->WatchDevices([this](const std::vector<SoundDevice>& list) {
            EXPECT_EQ(std::this_thread::get_id(), m_mainThread);
            m_heard.push_back(list);
        });
    }
    void TearDown() override {
        for (const std::string& module : m_modules)
            m_server.UnloadModule(module);
    }

    // The last list the watcher heard of once `ready` holds for it, running
    // the main thread's posted tasks meanwhile (ten seconds at most: the
    // daemons' events come late on a loaded machine); empty when none did.
    std::vector<SoundDevice>
    HeardUntil(const std::function<bool(const std::vector<SoundDevice>&)>& ready) {
        for (int i = 0; i < 500; ++i) {
            WaitDispatching(20);
            if (!m_heard.empty() && ready(m_heard.back()))
                return m_heard.back();
        }
        return {};
    }

    std::string Load(bool source, const std::string& name, const std::string& description) {
        const std::string module = m_server.LoadNullDevice(source, name, description);
        EXPECT_FALSE(module.empty()) << "cannot load " << name;
        m_modules.push_back(module);
        return module;
    }

    std::string Pactl(const std::string& arguments) {
        std::string out;
        EXPECT_TRUE(m_server.Pactl(arguments, out)) << arguments << ": " << out;
        return out;
    }

    Server m_server;
    std::shared_ptr<SoundBackend> m_backend;
    std::vector<std::vector<SoundDevice>> m_heard;
    std::vector<std::string> m_modules;
    const std::thread::id m_mainThread = std::this_thread::get_id();
};

} // namespace

using Servers = ::testing::Types<CPulseServerForTesting, CPipeWireServerForTesting>;
TYPED_TEST_SUITE(PulseDevices, Servers);

TYPED_TEST(PulseDevices, ListsTheSinksAndSourcesWithTheDefaults) {
    const std::vector<SoundDevice> list = this->m_backend->ListDevices();
    const SoundDevice* sink = Find(list, TypeParam::kSink);
    const SoundDevice* source = Find(list, TypeParam::kSource);
    const SoundDevice* monitor = Find(list, std::string(TypeParam::kSink) + ".monitor");
    ASSERT_TRUE(sink && source && monitor);
    EXPECT_EQ(sink->description, TypeParam::kSinkDescription);
    EXPECT_EQ(sink->direction, DeviceDirection::Output);
    EXPECT_TRUE(sink->isDefault);
    EXPECT_FALSE(sink->monitor);
    EXPECT_EQ(source->description, TypeParam::kSourceDescription);
    EXPECT_EQ(source->direction, DeviceDirection::Input);
    EXPECT_TRUE(source->isDefault);
    EXPECT_FALSE(source->monitor);
    EXPECT_EQ(monitor->direction, DeviceDirection::Input);
    EXPECT_TRUE(monitor->monitor);
    EXPECT_FALSE(monitor->isDefault);

    this->Pactl(std::string("set-sink-volume ") + TypeParam::kSink + " 32768");
    this->Pactl(std::string("set-sink-mute ") + TypeParam::kSink + " 1");
    const std::vector<SoundDevice> heard = this->HeardUntil([](const std::vector<SoundDevice>& l) {
        const SoundDevice* s = Find(l, TypeParam::kSink);
        return s && s->mute;
    });
    ASSERT_FALSE(heard.empty()) << "no list with the sink muted came";
    ASSERT_TRUE(Find(heard, TypeParam::kSink)->hasVolume);
    EXPECT_NEAR(Find(heard, TypeParam::kSink)->volume, 0x7FFF, 2);
}

TYPED_TEST(PulseDevices, AHandsFreeHeadsetTellsItsRateAndProfile) {
    // A Bluetooth headset's microphone in its hands-free profile, as each
    // server's Bluetooth module names it, at the 8 kHz of its first codec
    // (PulseAudio's null source takes no properties: a remap source stands in).
    const bool pipewire = std::is_same_v<TypeParam, CPipeWireServerForTesting>;
    const std::string name = "pelmora_bt_headset";
    const std::string module = this->Pactl(
        pipewire ? "load-module module-null-sink media.class=Audio/Source/Virtual rate=8000 "
                   "sink_name=" +
                       name +
                       " \"sink_properties='device.description=\\\"BT Headset\\\" "
                       "api.bluez5.profile=headset-head-unit'\""
                 : "load-module module-remap-source rate=8000 source_name=" + name +
                       " master=" + TypeParam::kSink +
                       ".monitor \"source_properties='device.description=BT_Headset "
                       "bluetooth.protocol=headset_head_unit'\"");
    ASSERT_FALSE(module.empty());
    this->m_modules.push_back(module);
    const std::vector<SoundDevice> heard = this->HeardUntil(
        [&](const std::vector<SoundDevice>& l) { return Find(l, name) != nullptr; });
    const SoundDevice* headset = Find(heard, name);
    ASSERT_NE(headset, nullptr) << "the headset never came";
    EXPECT_EQ(headset->rate, 8000u);
    EXPECT_TRUE(headset->handsFree);
    // The null source the server started with is no headset, at a wide rate.
    const SoundDevice* source = Find(heard, TypeParam::kSource);
    ASSERT_NE(source, nullptr);
    EXPECT_FALSE(source->handsFree);
    EXPECT_GE(source->rate, 16000u);
}

TYPED_TEST(PulseDevices, ANullSinkAndSourceComeAndGoInTheWatchersList) {
    const std::string sinkModule = this->Load(false, kExtraSink, kExtraSinkDescription);
    const std::string sourceModule = this->Load(true, kExtraSource, kExtraSourceDescription);
    const std::vector<SoundDevice> plugged =
        this->HeardUntil([](const std::vector<SoundDevice>& l) {
            return Find(l, kExtraSink) && Find(l, kExtraSource) &&
                   Find(l, std::string(kExtraSink) + ".monitor");
        });
    ASSERT_FALSE(plugged.empty()) << "the watcher did not hear of the new devices";
    const SoundDevice* sink = Find(plugged, kExtraSink);
    EXPECT_EQ(sink->description, kExtraSinkDescription);
    EXPECT_EQ(sink->direction, DeviceDirection::Output);
    EXPECT_FALSE(sink->monitor);
    EXPECT_FALSE(sink->isDefault);
    const SoundDevice* source = Find(plugged, kExtraSource);
    EXPECT_EQ(source->description, kExtraSourceDescription);
    EXPECT_EQ(source->direction, DeviceDirection::Input);
    EXPECT_FALSE(source->monitor);
    const SoundDevice* monitor = Find(plugged, std::string(kExtraSink) + ".monitor");
    EXPECT_EQ(monitor->direction, DeviceDirection::Input);
    EXPECT_TRUE(monitor->monitor);
    // The list's order is no part of an id.
    EXPECT_NE(Find(plugged, TypeParam::kSink), nullptr);

    ASSERT_TRUE(this->m_server.UnloadModule(sinkModule));
    ASSERT_TRUE(this->m_server.UnloadModule(sourceModule));
    this->m_modules.clear();
    const std::vector<SoundDevice> unplugged =
        this->HeardUntil([](const std::vector<SoundDevice>& l) {
            return !Find(l, kExtraSink) && !Find(l, kExtraSource) &&
                   !Find(l, std::string(kExtraSink) + ".monitor");
        });
    ASSERT_FALSE(unplugged.empty()) << "the watcher did not hear of the devices going";
    EXPECT_NE(Find(unplugged, TypeParam::kSink), nullptr);
    EXPECT_NE(Find(unplugged, TypeParam::kSource), nullptr);
}

TYPED_TEST(PulseDevices, AChosenDeviceBecomesTheServersDefault) {
    this->Load(false, kExtraSink, kExtraSinkDescription);
    this->Load(true, kExtraSource, kExtraSourceDescription);
    ASSERT_FALSE(this->HeardUntil([](const std::vector<SoundDevice>& l) {
                         return Find(l, kExtraSink) && Find(l, kExtraSource);
                     })
                     .empty());
    std::string error;
    ASSERT_TRUE(this->m_backend->ChooseDevice(DeviceDirection::Output, kExtraSink, error)) << error;
    ASSERT_TRUE(this->m_backend->ChooseDevice(DeviceDirection::Input, kExtraSource, error))
        << error;
    EXPECT_EQ(this->m_server.DefaultDevice(false, kExtraSink), kExtraSink);
    EXPECT_EQ(this->m_server.DefaultDevice(true, kExtraSource), kExtraSource);
    const std::vector<SoundDevice> chosen = this->HeardUntil([](const std::vector<SoundDevice>& l) {
        const SoundDevice* sink = Find(l, kExtraSink);
        const SoundDevice* source = Find(l, kExtraSource);
        return sink && source && sink->isDefault && source->isDefault;
    });
    ASSERT_FALSE(chosen.empty()) << "the watcher did not hear of the new defaults";
    EXPECT_FALSE(Find(chosen, TypeParam::kSink)->isDefault);
    EXPECT_FALSE(Find(chosen, TypeParam::kSource)->isDefault);

    // What is not there, or not of that direction, is refused and changes nothing.
    EXPECT_FALSE(this->m_backend->ChooseDevice(DeviceDirection::Output, kExtraSource, error));
    EXPECT_NE(error.find(kExtraSource), std::string::npos) << error;
    EXPECT_FALSE(this->m_backend->ChooseDevice(DeviceDirection::Input, "no_such_source", error));
    EXPECT_EQ(this->m_server.DefaultDevice(false, kExtraSink), kExtraSink);
}

TYPED_TEST(PulseDevices, AWatcherOfAGoneBackendHearsNothing) {
    this->m_backend.reset();
    this->Load(false, kExtraSink, kExtraSinkDescription);
    WaitDispatching(1000);
    EXPECT_TRUE(this->m_heard.empty());
}

// The server dies and comes back: the watcher hears of an empty list while
// it is gone (a choice then fails at once, naming the device), and of the
// devices again once the backend is connected to the new server, where a
// choice reaches the server again.
TYPED_TEST(PulseDevices, AServerThatDiesAndComesBackIsListedAgain) {
    auto both = [](const std::vector<SoundDevice>& l) {
        return Find(l, TypeParam::kSink) && Find(l, TypeParam::kSource);
    };
    ASSERT_TRUE(both(this->m_backend->ListDevices()));
    ASSERT_TRUE(this->m_server.Kill());
    this->HeardUntil([](const std::vector<SoundDevice>& l) { return l.empty(); });
    EXPECT_TRUE(!this->m_heard.empty() && this->m_heard.back().empty())
        << "the watcher did not hear of the devices going with their server";
    EXPECT_TRUE(this->m_backend->ListDevices().empty());
    std::string error;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(this->m_backend->ChooseDevice(DeviceDirection::Output, TypeParam::kSink, error));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_NE(error.find(TypeParam::kSink), std::string::npos) << error;

    ASSERT_TRUE(this->m_server.Restart(error)) << error;
    const auto back = this->HeardUntil(both);
    ASSERT_FALSE(back.empty()) << "the devices of the new server were not heard of";
    EXPECT_EQ(Find(back, TypeParam::kSink)->description, TypeParam::kSinkDescription);
    this->Load(false, kExtraSink, kExtraSinkDescription);
    ASSERT_FALSE(this->HeardUntil([](const std::vector<SoundDevice>& l) {
                         return Find(l, kExtraSink) != nullptr;
                     })
                     .empty())
        << "the new server's events are not heard";
    ASSERT_TRUE(this->m_backend->ChooseDevice(DeviceDirection::Output, kExtraSink, error)) << error;
    EXPECT_EQ(this->m_server.DefaultDevice(false, kExtraSink), kExtraSink);
}

// A choice on a server that stopped answering (SIGSTOP) costs the user at
// most half a second once, and nothing after it until the server answers.
TYPED_TEST(PulseDevices, AChoiceOnAStoppedServerEndsInTime) {
    ASSERT_NE(Find(this->m_backend->ListDevices(), TypeParam::kSource), nullptr);
    CServerStop stop(this->m_server);
    ASSERT_TRUE(stop.Stop());
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::string error;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(
            this->m_backend->ChooseDevice(DeviceDirection::Input, TypeParam::kSource, error));
        const double took =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("choice on the stopped server, attempt %d: %.3f s: %s\n", attempt + 1, took,
                    error.c_str());
        EXPECT_LT(took, attempt == 0 ? 1.5 : 0.2);
        EXPECT_NE(error.find(TypeParam::kSource), std::string::npos) << error;
    }
    ASSERT_TRUE(stop.GoOn());
}
