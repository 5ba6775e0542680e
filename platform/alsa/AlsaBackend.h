// The ALSA backend; the program and tests make it through AlsaSound.h.
#pragma once

#include "platform/alsa/AlsaMixerCard.h"
#include "platform/alsa/AlsaPcm.h"
#include "platform/alsa/AlsaSound.h"
#include "platform/device/DeviceBackend.h"

#include <vector>

namespace plat {

class CAlsaBackend : public CDeviceBackend {
public:
    CAlsaBackend();

    std::string Name() const override { return "alsa"; }

protected:
    std::size_t MixerCount() override { return m_mixers.size(); }
    std::string MixerName(std::size_t index) override { return m_mixers[index].ctlName; }
    std::shared_ptr<CModelMixer> OpenMixer(std::size_t index, int& error) override;
    std::vector<WaveEndpoint> Endpoints(bool input) override { return input ? m_ins : m_outs; }
    int QueryFormat(const WaveEndpoint& endpoint, bool input, const WAVEFORMATEX& format) override;
    int OpenChannel(const WaveEndpoint& endpoint, bool input, const WAVEFORMATEX& format,
                    std::unique_ptr<CPcmChannel>& channel) override;
    std::string ErrorWords(int error) override;

private:
    std::vector<AlsaMixerEndpoint> m_mixers;
    std::vector<WaveEndpoint> m_outs;
    std::vector<WaveEndpoint> m_ins;
};

} // namespace plat
