// The spoken sentence "I am testing the microphone.": resources/voice/voice.wav
// (made by resources/voice/make_voice.sh) assembled straight into the
// read-only data of this object.
#include "platform/embedded/embedded_file.h"
#include "platform/virtual/Microphone.h"

PELMORA_EMBED_FILE(pelmora_voice, PELMORA_VOICE_FILE);

extern "C" const std::uint8_t pelmora_voice_begin[];
extern "C" const std::uint8_t pelmora_voice_end[];

namespace plat {

const std::uint8_t* VoiceWave(std::size_t& size) {
    size = static_cast<std::size_t>(pelmora_voice_end - pelmora_voice_begin);
    return pelmora_voice_begin;
}

} // namespace plat
