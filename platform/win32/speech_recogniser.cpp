// Windows has no speech recogniser of the kind the wizard decodes with: every
// check says so and the recording is judged by its sound alone.
#include "platform/system/speech_recogniser.h"

namespace plat {

struct CSpeechRecogniser::Decoder {};

std::string SpeechModelRoot() {
    return std::string();
}

CSpeechRecogniser::CSpeechRecogniser() = default;
CSpeechRecogniser::~CSpeechRecogniser() = default;

bool CSpeechRecogniser::Loaded() const {
    return false;
}

bool CSpeechRecogniser::Load(const SpeechModel&, std::string& error) {
    error = "no speech recogniser on this system";
    return false;
}

bool CSpeechRecogniser::Decode(const std::int16_t*, std::size_t, const std::atomic<bool>&,
                               std::string& words, std::string& error) {
    words.clear();
    error = "no speech recogniser on this system";
    return false;
}

} // namespace plat
