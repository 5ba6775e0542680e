#include "platform/alsa/AlsaPcm.h"

#include <cctype>

namespace plat {

namespace {

constexpr unsigned BUFFER_US = 200000;
constexpr unsigned PERIOD_US = 25000;

snd_pcm_format_t PcmFormatOf(const WAVEFORMATEX& f) {
    switch (f.wBitsPerSample) {
    case 8:
        return SND_PCM_FORMAT_U8;
    case 16:
        return SND_PCM_FORMAT_S16_LE;
    case 24:
        return SND_PCM_FORMAT_S24_3LE;
    case 32:
        return SND_PCM_FORMAT_S32_LE;
    default:
        return SND_PCM_FORMAT_UNKNOWN;
    }
}

// Narrows params to the format; 0, 1 = refused, or a negative errno.
int Restrict(snd_pcm_t* pcm, snd_pcm_hw_params_t* params, const WAVEFORMATEX& f) {
    int err = snd_pcm_hw_params_any(pcm, params);
    if (err < 0)
        return err;
    if (snd_pcm_hw_params_set_access(pcm, params, SND_PCM_ACCESS_RW_INTERLEAVED) < 0 ||
        snd_pcm_hw_params_set_format(pcm, params, PcmFormatOf(f)) < 0 ||
        snd_pcm_hw_params_set_channels(pcm, params, f.nChannels) < 0 ||
        snd_pcm_hw_params_set_rate(pcm, params, f.nSamplesPerSec, 0) < 0)
        return 1;
    return 0;
}

// One open PCM device. snd_pcm_wait bounds every wait; an underrun or an
// overrun is recovered and reported as nothing moved.
class CAlsaPcmChannel : public CPcmChannel {
public:
    CAlsaPcmChannel(snd_pcm_t* pcm, snd_pcm_uframes_t period) : m_pcm(pcm), m_period(period) {}
    ~CAlsaPcmChannel() override {
        snd_pcm_drop(m_pcm);
        snd_pcm_close(m_pcm);
    }

    std::size_t PeriodFrames() const override { return m_period; }

    long Write(const char* data, std::size_t frames, int waitMs) override {
        if (snd_pcm_wait(m_pcm, waitMs) == 0)
            return 0;
        snd_pcm_sframes_t n = snd_pcm_writei(m_pcm, data, frames);
        if (n < 0 && snd_pcm_recover(m_pcm, static_cast<int>(n), 1) >= 0)
            n = 0; // an underrun, recovered: the caller writes the frames again
        return Result(n);
    }

    long Read(char* data, std::size_t frames, int waitMs) override {
        if (snd_pcm_state(m_pcm) == SND_PCM_STATE_PREPARED)
            snd_pcm_start(m_pcm);
        if (snd_pcm_wait(m_pcm, waitMs) == 0)
            return 0;
        snd_pcm_sframes_t n = snd_pcm_readi(m_pcm, data, frames);
        if (n < 0 && snd_pcm_recover(m_pcm, static_cast<int>(n), 1) >= 0)
            n = 0; // an overrun, recovered
        return Result(n);
    }

    int Delay(std::uint64_t& frames) override {
        frames = 0;
        if (snd_pcm_state(m_pcm) == SND_PCM_STATE_XRUN)
            return 0; // ran dry: everything written was heard
        snd_pcm_sframes_t delay = 0;
        const int err = snd_pcm_delay(m_pcm, &delay);
        if (err < 0)
            return Result(err);
        frames = delay > 0 ? static_cast<std::uint64_t>(delay) : 0;
        return 0;
    }

    void Start() override {
        if (snd_pcm_state(m_pcm) == SND_PCM_STATE_PREPARED)
            snd_pcm_start(m_pcm);
    }

    bool Pause() override {
        return snd_pcm_state(m_pcm) == SND_PCM_STATE_RUNNING && snd_pcm_pause(m_pcm, 1) >= 0;
    }
    void Resume() override { snd_pcm_pause(m_pcm, 0); }

    void Drop() override {
        snd_pcm_drop(m_pcm);
        snd_pcm_prepare(m_pcm);
    }

    std::string LastError() const override { return m_lastError; }

private:
    long Result(snd_pcm_sframes_t n) {
        if (n < 0)
            m_lastError = snd_strerror(static_cast<int>(n));
        return static_cast<long>(n);
    }

    snd_pcm_t* const m_pcm;
    const snd_pcm_uframes_t m_period;
    std::string m_lastError; // the device thread's only
};

// What the card is, from its driver and names: a USB card, an HDMI or
// DisplayPort output, a Bluetooth device, or else a card built in.
DeviceFormFactor FormFactorOf(const std::string& driver, const std::string& cardId,
                              const std::string& pcmName) {
    auto has = [](std::string text, const char* word) {
        for (char& c : text)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return text.find(word) != std::string::npos;
    };
    if (has(driver, "usb"))
        return DeviceFormFactor::Usb;
    if (has(driver, "blue") || has(cardId, "bluez"))
        return DeviceFormFactor::Bluetooth;
    if (has(pcmName, "hdmi") || has(pcmName, "displayport") || has(cardId, "hdmi"))
        return DeviceFormFactor::Hdmi;
    return DeviceFormFactor::BuiltIn;
}

std::string PcmDisplayName(const std::string& card, const std::string& device) {
    std::string name = device.empty() || device == card ? card : card + ": " + device;
    return name;
}

} // namespace

std::vector<WaveEndpoint> EnumerateAlsaPcms(snd_pcm_stream_t stream) {
    std::vector<WaveEndpoint> list;
    snd_pcm_t* pcm = nullptr;
    const int err = snd_pcm_open(&pcm, "default", stream, SND_PCM_NONBLOCK);
    if (err >= 0)
        snd_pcm_close(pcm);
    if (err >= 0 || err == -EBUSY)
        list.push_back({"default", "Default device"});

    int card = -1;
    while (snd_card_next(&card) >= 0 && card >= 0) {
        snd_ctl_t* ctl = nullptr;
        if (snd_ctl_open(&ctl, ("hw:" + std::to_string(card)).c_str(), 0) < 0)
            continue;
        snd_ctl_card_info_t* cardInfo = nullptr;
        snd_ctl_card_info_alloca(&cardInfo);
        snd_pcm_info_t* pcmInfo = nullptr;
        snd_pcm_info_alloca(&pcmInfo);
        if (snd_ctl_card_info(ctl, cardInfo) >= 0) {
            const std::string id = snd_ctl_card_info_get_id(cardInfo);
            const std::string cardName = snd_ctl_card_info_get_name(cardInfo);
            int device = -1;
            while (snd_ctl_pcm_next_device(ctl, &device) >= 0 && device >= 0) {
                snd_pcm_info_set_device(pcmInfo, static_cast<unsigned>(device));
                snd_pcm_info_set_subdevice(pcmInfo, 0);
                snd_pcm_info_set_stream(pcmInfo, stream);
                if (snd_ctl_pcm_info(ctl, pcmInfo) < 0)
                    continue;
                const std::string pcmName = snd_pcm_info_get_name(pcmInfo);
                list.push_back({"plughw:CARD=" + id + ",DEV=" + std::to_string(device),
                                PcmDisplayName(cardName, pcmName),
                                FormFactorOf(snd_ctl_card_info_get_driver(cardInfo), id, pcmName)});
            }
        }
        snd_ctl_close(ctl);
    }
    return list;
}

bool AlsaDefaultPcmAnswers() {
    snd_pcm_t* pcm = nullptr;
    const int err = snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (err >= 0)
        snd_pcm_close(pcm);
    return err >= 0 || err == -EBUSY;
}

int QueryPcmFormat(const std::string& pcmName, snd_pcm_stream_t stream, const WAVEFORMATEX& f) {
    snd_pcm_t* pcm = nullptr;
    int err = snd_pcm_open(&pcm, pcmName.c_str(), stream, SND_PCM_NONBLOCK);
    if (err < 0)
        return err;
    snd_pcm_hw_params_t* params = nullptr;
    snd_pcm_hw_params_alloca(&params);
    err = Restrict(pcm, params, f);
    snd_pcm_close(pcm);
    return err;
}

int OpenAlsaChannel(const std::string& pcmName, snd_pcm_stream_t stream, const WAVEFORMATEX& f,
                    std::unique_ptr<CPcmChannel>& channel) {
    snd_pcm_t* pcm = nullptr;
    int err = snd_pcm_open(&pcm, pcmName.c_str(), stream, 0);
    if (err < 0)
        return err;
    snd_pcm_hw_params_t* params = nullptr;
    snd_pcm_hw_params_alloca(&params);
    err = Restrict(pcm, params, f);
    if (err == 0) {
        unsigned bufferUs = BUFFER_US, periodUs = PERIOD_US;
        snd_pcm_hw_params_set_buffer_time_near(pcm, params, &bufferUs, nullptr);
        snd_pcm_hw_params_set_period_time_near(pcm, params, &periodUs, nullptr);
        err = snd_pcm_hw_params(pcm, params);
    } else if (err > 0) {
        snd_pcm_close(pcm);
        return 1;
    }
    snd_pcm_uframes_t buffer = 0, period = 0;
    if (err >= 0)
        err = snd_pcm_get_params(pcm, &buffer, &period);
    if (err >= 0 && stream == SND_PCM_STREAM_PLAYBACK) {
        // Start once half the buffer is queued, so a short sound still plays.
        snd_pcm_sw_params_t* sw = nullptr;
        snd_pcm_sw_params_alloca(&sw);
        if ((err = snd_pcm_sw_params_current(pcm, sw)) >= 0 &&
            (err = snd_pcm_sw_params_set_start_threshold(pcm, sw, buffer / 2)) >= 0)
            err = snd_pcm_sw_params(pcm, sw);
    }
    if (err < 0) {
        snd_pcm_close(pcm);
        return err;
    }
    if (period == 0)
        period = 256;
    channel = std::make_unique<CAlsaPcmChannel>(pcm, period);
    return 0;
}

} // namespace plat
