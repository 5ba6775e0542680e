// The ALSA backend: its cards' mixers and PCM devices, listed once when it is
// made, behind the shared device backend.
#include "platform/alsa/AlsaBackend.h"

#include <alsa/asoundlib.h>

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
    m_mixers = EnumerateAlsaMixers();
    m_outs = EnumerateAlsaPcms(SND_PCM_STREAM_PLAYBACK);
    m_ins = EnumerateAlsaPcms(SND_PCM_STREAM_CAPTURE);
}

std::shared_ptr<CModelMixer> CAlsaBackend::OpenMixer(std::size_t index, int& error) {
    return OpenAlsaMixer(m_mixers[index], error);
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
