// The start of a test of the wizard on a sound server of the test's own (a
// private PulseAudio daemon, or a private PipeWire daemon with its PulseAudio
// server): the daemon with its null sink and source, the sound-server
// backend chosen as the program chooses it (plat::SelectSoundBackend), and
// pactl to read and change what the server holds.
//
// The backend chooses the daemon's null pair; a second null sink and source
// are then loaded and made the server's defaults, as when the user switched
// to other devices after the wizard started.
#pragma once

#include "platform/pulse/testing/PipeWireServerForTesting.h"
#include "platform/pulse/testing/PulseServerForTesting.h"
#include "platform/sound_backend.h"
#include "platform/sound_choice.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <regex>
#include <string>
#include <thread>

namespace wizardserver {

constexpr const char* kOtherSink = "pelmora_other_sink";
constexpr const char* kOtherSinkDescription = "Pelmora Other Speakers";
constexpr const char* kOtherSource = "pelmora_other_source";
constexpr const char* kOtherSourceDescription = "Pelmora Other Microphone";

using Servers = ::testing::Types<plat::CPulseServerForTesting, plat::CPipeWireServerForTesting>;

template <class Server> class WizardServer {
protected:
    // False (the test then skips) when the daemon cannot start here.
    bool StartServer(std::string& why) {
        if (!m_server.Start(why))
            return false;
        std::string error;
        EXPECT_TRUE(plat::SelectSoundBackend("pulse", error)) << error;
        EXPECT_FALSE(m_server.LoadNullDevice(false, kOtherSink, kOtherSinkDescription).empty());
        EXPECT_FALSE(m_server.LoadNullDevice(true, kOtherSource, kOtherSourceDescription).empty());
        EXPECT_TRUE(Eventually([&] {
            return Pactl("list short sinks").find(kOtherSink) != std::string::npos &&
                   Pactl("list short sources").find(kOtherSource) != std::string::npos;
        }));
        SetDefaults(kOtherSink, kOtherSource);
        return true;
    }
    void StopServer() {
        // The backend goes before its server.
        plat::InstallSoundBackend(nullptr);
        m_server.Stop();
    }

    // What pactl printed, without the line end; a failure counts against the
    // test.
    std::string Pactl(const std::string& arguments) const {
        std::string out;
        EXPECT_TRUE(m_server.Pactl(arguments, out)) << arguments << ": " << out;
        return out;
    }
    // The raw volume of the first channel of a sink or source ("sink",
    // "source"), -1 when pactl does not tell.
    long Volume(const std::string& kind, const std::string& name) const {
        static const std::regex volume(R"(Volume:\s*[a-z-]+:\s*(\d+))");
        const std::string out = Pactl("get-" + kind + "-volume " + name);
        std::smatch m;
        return std::regex_search(out, m, volume) ? std::stol(m[1]) : -1;
    }
    bool Muted(const std::string& kind, const std::string& name) const {
        return Pactl("get-" + kind + "-mute " + name) == "Mute: yes";
    }
    std::string Default(const std::string& kind) const { return Pactl("get-default-" + kind); }
    // The default `kind` ("sink", "source") becomes `name`: PipeWire's session
    // manager applies a new default a little after the request is answered
    // (seconds later on a machine busy with the sanitizer build's tests).
    void ExpectDefault(const std::string& kind, const std::string& name) const {
        EXPECT_TRUE(Eventually([&] { return Default(kind) == name; }, 10000))
            << "default " << kind << " " << Default(kind) << ", not " << name << "\n"
            << m_server.Diagnosis();
    }

    // Makes `name` the default `kind` ("sink", "source"), waiting until
    // the server has taken it.
    // The wizard's own connection hears of it too before the test goes on:
    // on PipeWire its news of a new default may come a while after pactl
    // sees it, and a sheet opened meanwhile would take the old one.
    void SetDefault(const std::string& kind, const std::string& name) const {
        EXPECT_TRUE(m_server.SetDefaultDevice(kind == "source", name))
            << "default " << kind << " " << Default(kind) << ", not " << name << "\n"
            << m_server.Diagnosis();
        const plat::DeviceDirection direction =
            kind == "source" ? plat::DeviceDirection::Input : plat::DeviceDirection::Output;
        EXPECT_TRUE(Eventually(
            [&] {
                for (const plat::SoundDevice& d : plat::CurrentSoundBackend().ListDevices())
                    if (d.id == name && d.direction == direction)
                        return d.isDefault;
                return false;
            },
            10000))
            << "the wizard's connection did not hear that " << name << " is the default " << kind;
    }
    void SetDefaults(const std::string& sink, const std::string& source) const {
        SetDefault("sink", sink);
        SetDefault("source", source);
    }

    // True once `ready` holds, within `ms` (the server's events reach the
    // backend's lists a little after pactl returns).
    static bool Eventually(const std::function<bool()>& ready, int ms = 3000) {
        for (int t = 0; t < ms; t += 10) {
            if (ready())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return ready();
    }

    Server m_server;
};

} // namespace wizardserver
