// A PipeWire daemon of a test's own, with its PulseAudio server: pipewire,
// wireplumber and pipewire-pulse started with their own runtime directory,
// home and D-Bus session bus, a null sink and a null source loaded through
// pactl, and PULSE_SERVER pointed at it. The same interface as
// CPulseServerForTesting, so a test can run on both.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace plat {

class CPipeWireServerForTesting {
public:
    static constexpr const char* kSink = "pelmora_sink";
    static constexpr const char* kSource = "pelmora_source";
    static constexpr const char* kSinkDescription = "Pelmora Test Speakers";
    static constexpr const char* kSourceDescription = "Pelmora Test Microphone";
    static constexpr const char* kServerName = "PipeWire ";

    CPipeWireServerForTesting() = default;
    ~CPipeWireServerForTesting(); // stops the daemons and removes the directory
    CPipeWireServerForTesting(const CPipeWireServerForTesting&) = delete;
    CPipeWireServerForTesting& operator=(const CPipeWireServerForTesting&) = delete;

    // False with `error` set when the daemons cannot start here.
    bool Start(std::string& error);
    void Stop();
    // Ends the PulseAudio server (pipewire-pulse) at once (SIGKILL), as a
    // crash would; false when it was not running.
    bool Kill();

    bool Pactl(const std::string& arguments, std::string& output) const;
    // Another null sink, or a virtual source, shown as `description`; the
    // module's index, "" when it failed.
    std::string LoadNullDevice(bool source, const std::string& name,
                               const std::string& description) const;
    long SinkVolume() const;

private:
    bool Run(const std::string& command, std::string* output) const;
    bool Spawn(const char* program, std::string& error);

    std::string m_dir;
    std::vector<std::string> m_environment;
    std::vector<pid_t> m_children; // pipewire, wireplumber, pipewire-pulse
    pid_t m_bus = 0;               // the private dbus-daemon
};

} // namespace plat
