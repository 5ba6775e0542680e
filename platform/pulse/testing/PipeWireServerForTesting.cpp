#include "platform/pulse/testing/PipeWireServerForTesting.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace plat {

CPipeWireServerForTesting::~CPipeWireServerForTesting() {
    Stop();
}

std::string CPipeWireServerForTesting::LoadNullDevice(bool source, const std::string& name,
                                                      const std::string& description,
                                                      const std::string& formFactor) const {
    // A source is a null sink of the source class: what it records is silence.
    std::string index;
    const std::string form = formFactor.empty() ? "" : " device.form_factor=" + formFactor;
    if (!Pactl(
            std::string("load-module module-null-sink ") +
                (source ? "media.class=Audio/Source/Virtual " : "") + "sink_name=" + Quoted(name) +
                " " +
                Quoted("sink_properties='device.description=\"" + description + "\"" + form + "'"),
            index))
        return "";
    return index;
}

bool CPipeWireServerForTesting::Start(std::string& error) {
    for (const char* program : {"pipewire", "wireplumber", "pipewire-pulse", "dbus-daemon"})
        if (!Run(std::string("command -v ") + program, nullptr)) {
            error = std::string(program) + " is not installed";
            return false;
        }
    if (!MakeDirectory("pelmora-pipewire", error))
        return false;
    const std::string runtime = m_dir + "/run";
    std::filesystem::create_directories(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    setenv("HOME", m_dir.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (m_dir + "/config").c_str(), 1);
    setenv("XDG_STATE_HOME", (m_dir + "/state").c_str(), 1);
    setenv("PULSE_SERVER", ("unix:" + runtime + "/pulse/native").c_str(), 1);

    std::string bus;
    if (!Run("dbus-daemon --session --fork --print-address=1 --print-pid=1", &bus)) {
        error = "the private D-Bus session bus did not start: " + bus;
        return false;
    }
    const std::size_t newline = bus.find('\n');
    m_bus = static_cast<pid_t>(std::atol(bus.c_str() + newline + 1));
    setenv("DBUS_SESSION_BUS_ADDRESS", bus.substr(0, newline).c_str(), 1);

    // The session manager watches logind's seats for Bluetooth, and ends
    // where no logind runs (a container, a build machine): the private
    // session has no Bluetooth.
    const std::string bluetooth = m_dir + "/config/wireplumber/bluetooth.lua.d";
    std::filesystem::create_directories(bluetooth);
    if (std::FILE* file = std::fopen((bluetooth + "/60-pelmora.lua").c_str(), "w")) {
        std::fputs("bluez_monitor.enabled = false\n", file);
        std::fclose(file);
    }

    if (!Spawn("pipewire", error))
        return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return Spawn("wireplumber", error) && StartPulseServer(false, error);
}

bool CPipeWireServerForTesting::Restart(std::string& error) {
    return m_children.size() == 2 && StartPulseServer(true, error);
}

// pipewire-pulse, then the null devices loaded through it (they go with it).
bool CPipeWireServerForTesting::StartPulseServer(bool again, std::string& error) {
    if (!Spawn("pipewire-pulse", error))
        return false;
    std::string out;
    bool answers = false;
    for (int i = 0; i < 50 && !answers; ++i) {
        answers = Pactl("info", out);
        if (!answers)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (!answers) {
        error = "pipewire-pulse does not answer: " + out;
        return false;
    }
    // The devices of a killed pipewire-pulse linger a little in PipeWire: a
    // device of the same name loaded meanwhile would not show.
    for (int i = 0; i < 50; ++i) {
        std::string sinks, sources;
        if (Pactl("list short sinks", sinks) && Pactl("list short sources", sources) &&
            sinks.find(kSink) == std::string::npos && sources.find(kSource) == std::string::npos)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (LoadNullDevice(false, kSink, kSinkDescription).empty() ||
        LoadNullDevice(true, kSource, kSourceDescription).empty()) {
        error = "null devices cannot be loaded";
        return false;
    }
    // The devices appear once the session manager has seen them, and it
    // makes them the defaults a little later (until then the server names
    // its defaults "@DEFAULT_SINK@" and "@DEFAULT_SOURCE@").
    // A server started again may find the session manager keeping other
    // defaults from before: they are made the null devices.
    std::string sink, source;
    for (int i = 0; i < 100; ++i) {
        if (again && Pactl("list short sources", out) && out.find(kSource) != std::string::npos) {
            Pactl(std::string("set-default-sink ") + kSink, sink);
            Pactl(std::string("set-default-source ") + kSource, source);
        }
        if (Pactl("list short sources", out) && out.find(kSource) != std::string::npos &&
            out.find(std::string(kSink) + ".monitor") != std::string::npos &&
            Pactl("get-default-sink", sink) && sink.find(kSink) == 0 &&
            Pactl("get-default-source", source) && source.find(kSource) == 0)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::string sinks;
    Pactl("list short sinks", sinks);
    error = "the null devices did not appear as the defaults: " + out + " / " + sinks + " / " +
            sink + " / " + source;
    return false;
}

std::string CPipeWireServerForTesting::ServerState() const {
    std::string metadata;
    Run("timeout 5 pw-metadata -n default", &metadata);
    return "--- pw-metadata -n default:\n" + metadata;
}

pid_t CPipeWireServerForTesting::ServerPid() const {
    // pipewire-pulse, started last, once all three run.
    return m_children.size() >= 3 ? m_children.back() : 0;
}

bool CPipeWireServerForTesting::Kill() {
    // pipewire-pulse, started last, once all three run.
    return m_children.size() >= 3 && KillLastChild();
}

void CPipeWireServerForTesting::Stop() {
    StopChildren();
    if (m_bus > 0)
        kill(m_bus, SIGTERM);
    m_bus = 0;
}

} // namespace plat
