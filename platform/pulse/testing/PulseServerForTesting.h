// A PulseAudio daemon of a test's own, so the backends can be tested against
// a real sound server without sound hardware: a null sink and a null source,
// its own runtime directory, PULSE_SERVER pointed at it, and ALSA's `default`
// PCM and control device pointed at it too (the `pulse` plugins). Must be
// started before the first ALSA call of the process, since ALSA reads its
// configuration once.
#pragma once

#include "platform/pulse/testing/SoundServerForTesting.h"

namespace plat {

class CPulseServerForTesting : public CSoundServerForTesting {
public:
    CPulseServerForTesting() = default;
    ~CPulseServerForTesting() override; // stops the daemon

    bool Start(std::string& error) override;
    void Stop() override;
    bool Kill() override;
    bool Restart(std::string& error) override;
    bool Running() const { return m_running; }

    std::string LoadNullDevice(bool source, const std::string& name, const std::string& description,
                               const std::string& formFactor = "") const override;

protected:
    pid_t ServerPid() const override; // the daemon's, 0 when not running

    bool m_running = false;
};

} // namespace plat
