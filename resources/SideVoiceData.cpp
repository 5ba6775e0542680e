#include "resources/SideVoiceData.h"
#include "platform/embedded/embedded_file.h"

// voice/left.wav and voice/right.wav (made by voice/make_left_right.sh) are
// assembled straight into the read-only data of this object.
PELMORA_EMBED_FILE(pelmora_left_voice, PELMORA_LEFT_VOICE_FILE);
PELMORA_EMBED_FILE(pelmora_right_voice, PELMORA_RIGHT_VOICE_FILE);

extern "C" const std::uint8_t pelmora_left_voice_begin[];
extern "C" const std::uint8_t pelmora_left_voice_end[];
extern "C" const std::uint8_t pelmora_right_voice_begin[];
extern "C" const std::uint8_t pelmora_right_voice_end[];

const std::uint8_t* LeftVoiceData() {
    return pelmora_left_voice_begin;
}

std::size_t LeftVoiceSize() {
    return static_cast<std::size_t>(pelmora_left_voice_end - pelmora_left_voice_begin);
}

const std::uint8_t* RightVoiceData() {
    return pelmora_right_voice_begin;
}

std::size_t RightVoiceSize() {
    return static_cast<std::size_t>(pelmora_right_voice_end - pelmora_right_voice_begin);
}
