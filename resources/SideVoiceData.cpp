#include "resources/SideVoiceData.h"

// voice/left.wav and voice/right.wav (made by voice/make_left_right.sh) are
// assembled straight into the read-only data of this object.
__asm__(".section .rodata\n"
        ".balign 16\n"
        "pelmora_left_voice_begin:\n"
        ".incbin \"" PELMORA_LEFT_VOICE_FILE "\"\n"
        "pelmora_left_voice_end:\n"
        ".balign 16\n"
        "pelmora_right_voice_begin:\n"
        ".incbin \"" PELMORA_RIGHT_VOICE_FILE "\"\n"
        "pelmora_right_voice_end:\n"
        ".previous\n");

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
