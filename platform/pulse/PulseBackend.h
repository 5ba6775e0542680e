// The sound backend for the desktop's sound server (PulseAudio, or
// PipeWire's PulseAudio server), on one kept connection.
//
// Mixer devices: the devices the wizard works on are chosen when the backend
// is made (ChoosePulseDevices: a headset first), then by each ChooseDevice,
// and follow the server's default where a chosen one goes
// (FollowPulseChoice); the mixers are those of MapChosenPulseMixers for the
// server's current lists and that choice, each answered by
// CModelMixer through CPulseElementAccess. Wave devices: one
// wave-out on the default sink and one wave-in from the default source,
// named by their descriptions; the streams follow the defaults
// (PulseStream.h). The server converts rates, sample formats and channels,
// so every PCM format a wave device can carry is accepted.
#pragma once

#include "platform/device/DeviceBackend.h"
#include "platform/pulse/PulseChoice.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace plat {

class CPulseConnection;

class CPulseBackend : public CDeviceBackend {
public:
    explicit CPulseBackend(std::shared_ptr<CPulseConnection> connection);
    ~CPulseBackend() override;

    std::string Name() const override { return "pulse"; }
    bool ChosenDevices(std::string& microphone, std::string& speakers) override;
    // The server, its cards, sinks, sources and ports, and the devices chosen.
    std::vector<std::string> DescribeDevices() override;
    // The connection's words for the last volume or mute it could not set.
    std::string LastMixerWriteFailure() override;
    // The connection to the server is lost.
    bool SoundSystemGone() override;
    // The sinks and sources, by their names; choosing one makes it the
    // server's default sink or source, which the wave streams follow, and
    // the device of its kind the mixers and ChosenDevices are of. The
    // server's events keep the list fresh, and a watcher hears of each change.
    std::vector<SoundDevice> ListDevices() override;
    bool ChooseDevice(DeviceDirection direction, const std::string& id,
                      std::string& error) override;
    // The source's level through the server's peak detection (PulseLevel.h).
    std::unique_ptr<InputLevelWatch> WatchInputLevel(const std::string& id,
                                                     InputLevelListener listener) override;

protected:
    std::size_t MixerCount() override;
    std::string MixerName(std::size_t index) override;
    std::shared_ptr<CModelMixer> OpenMixer(std::size_t index, int& error) override;
    std::vector<WaveEndpoint> Endpoints(bool input) override;
    int QueryFormat(const WaveEndpoint& endpoint, bool input, const WAVEFORMATEX& format) override;
    int OpenChannel(const WaveEndpoint& endpoint, bool input, const WAVEFORMATEX& format,
                    std::unique_ptr<CPcmChannel>& channel) override;
    std::string ErrorWords(int error) override;

private:
    std::vector<PulseMixerMap> Mixers();
    // The choice as the server's current lists leave it (FollowPulseChoice).
    PulseChoice Choice(const PulseLists& lists);

    std::shared_ptr<CPulseConnection> m_connection;
    std::mutex m_choiceMutex; // guards m_choice: the mixer calls come from any thread
    PulseChoice m_choice;
    std::mutex m_endpointMutex;
    std::string m_endpoint[2]; // the wave-out's and wave-in's last description
};

// The form of a sink or source from the server's words for it (its
// device.form_factor and device.bus, its ports' and its own names).
DeviceFormFactor PulseFormFactor(const PulseDevice& device);
// Whether a sink or source is a Bluetooth headset's in its hands-free (or
// headset) profile, from the profile the server names.
bool PulseHandsFree(const PulseDevice& device);

// The factory sound_choice calls for --sound=pulse and the automatic choice:
// the backend, or null with `error` set when no server answers; `unanswered`
// (when given) is set when a server is there but does not answer in time.
std::shared_ptr<SoundBackend> OpenPulseBackend(std::string& error, bool* unanswered = nullptr);

} // namespace plat
