// The ALSA backend; the program and tests make it through AlsaSound.h.
#pragma once

#include "platform/alsa/AlsaMixerCard.h"
#include "platform/alsa/AlsaPcm.h"
#include "platform/alsa/AlsaSound.h"
#include "platform/device/DeviceBackend.h"

#include <mutex>
#include <vector>

namespace plat {

// The cards and PCM devices are listed on first use, and again on
// RefreshDevices (ALSA tells of no hot-plugging here).
class CAlsaBackend : public CDeviceBackend {
public:
    CAlsaBackend();

    std::string Name() const override { return "alsa"; }
    void RefreshDevices() override;

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
    void ListOnceLocked();

    std::mutex m_mutex; // guards the lists
    bool m_listed = false;
    std::vector<AlsaMixerEndpoint> m_mixers;
    std::vector<WaveEndpoint> m_outs;
    std::vector<WaveEndpoint> m_ins;
};

} // namespace plat
