// A PipeWire daemon of a test's own, with its PulseAudio server: pipewire,
// wireplumber and pipewire-pulse started with their own runtime directory,
// home and D-Bus session bus, a null sink and a null source loaded through
// pactl, and PULSE_SERVER pointed at it.
#pragma once

#include "platform/pulse/testing/SoundServerForTesting.h"

namespace plat {

class CPipeWireServerForTesting : public CSoundServerForTesting {
public:
    static constexpr const char* kServerName = "PipeWire ";

    CPipeWireServerForTesting() = default;
    ~CPipeWireServerForTesting() override; // stops the daemons

    bool Start(std::string& error) override;
    void Stop() override;
    // Ends pipewire-pulse, as a crash would; false when it was not running.
    bool Kill() override;
    bool Restart(std::string& error) override;

    // Another null sink, or a virtual source (a null sink of the source
    // class), shown as `description`.
    std::string LoadNullDevice(bool source, const std::string& name, const std::string& description,
                               const std::string& formFactor = "") const override;

protected:
    pid_t ServerPid() const override; // pipewire-pulse's
    // The "default" metadata: the defaults asked for and those taken.
    std::string ServerState() const override;

private:
    // pipewire-pulse and the null devices, `again` after Kill.
    bool StartPulseServer(bool again, std::string& error);

    pid_t m_bus = 0; // the private dbus-daemon
};

} // namespace plat
