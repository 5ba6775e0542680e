// The ALSA backend: its cards' mixers and PCM devices, listed on first use
// and again on request, behind the shared device backend.
#include "platform/alsa/AlsaBackend.h"

#include <alsa/asoundlib.h>

#include <cerrno>
#include <mutex>

namespace plat {

namespace {

// ALSA would print its complaints on stderr; we report them as results.
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

void SilenceAlsaOnce() {
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(&QuietAlsa); });
}

snd_pcm_stream_t StreamOf(bool input) {
    return input ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK;
}

} // namespace

bool AlsaSoundAnswers() {
    SilenceAlsaOnce();
    if (AlsaDefaultPcmAnswers())
        return true;
    int card = -1;
    return snd_card_next(&card) >= 0 && card >= 0;
}

std::shared_ptr<SoundBackend> CreateAlsaBackend() {
    return std::make_shared<CAlsaBackend>();
}

std::shared_ptr<SoundBackend> OpenAlsaBackend(std::string& error) {
    if (!AlsaSoundAnswers()) {
        error = "no ALSA sound device answers";
        return nullptr;
    }
    return CreateAlsaBackend();
}

CAlsaBackend::CAlsaBackend() {
    SilenceAlsaOnce();
}

void CAlsaBackend::ListOnceLocked() {
    if (m_listed)
        return;
    m_mixers = EnumerateAlsaMixers();
    m_outs = EnumerateAlsaPcms(SND_PCM_STREAM_PLAYBACK);
    m_ins = EnumerateAlsaPcms(SND_PCM_STREAM_CAPTURE);
    m_listed = true;
}

void CAlsaBackend::RefreshDevices() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_listed = false;
        ListOnceLocked();
    }
    DevicesChanged();
}

std::size_t CAlsaBackend::MixerCount() {
    std::lock_guard<std::mutex> lock(m_mutex);
    ListOnceLocked();
    return m_mixers.size();
}

std::string CAlsaBackend::MixerName(std::size_t index) {
    std::lock_guard<std::mutex> lock(m_mutex);
    ListOnceLocked();
    return index < m_mixers.size() ? m_mixers[index].ctlName : "ALSA";
}

std::vector<WaveEndpoint> CAlsaBackend::Endpoints(bool input) {
    std::lock_guard<std::mutex> lock(m_mutex);
    ListOnceLocked();
    return input ? m_ins : m_outs;
}

std::shared_ptr<CModelMixer> CAlsaBackend::OpenMixer(std::size_t index, int& error) {
    AlsaMixerEndpoint endpoint;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ListOnceLocked();
        if (index >= m_mixers.size()) {
            error = -ENODEV;
            return nullptr;
        }
        endpoint = m_mixers[index];
    }
    return OpenAlsaMixer(endpoint, error);
}

int CAlsaBackend::QueryFormat(const WaveEndpoint& endpoint, bool input,
                              const WAVEFORMATEX& format) {
    return QueryPcmFormat(endpoint.name, StreamOf(input), format);
}

int CAlsaBackend::OpenChannel(const WaveEndpoint& endpoint, bool input, const WAVEFORMATEX& format,
                              std::unique_ptr<CPcmChannel>& channel) {
    return OpenAlsaChannel(endpoint.name, StreamOf(input), format, channel);
}

std::string CAlsaBackend::ErrorWords(int error) {
    return snd_strerror(error);
}

} // namespace plat
