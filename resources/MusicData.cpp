#include "resources/MusicData.h"

// The WAVE file is assembled straight into the read-only data of this object.
__asm__(".section .rodata\n"
        ".balign 16\n"
        "pelmora_music_begin:\n"
        ".incbin \"" PELMORA_MUSIC_FILE "\"\n"
        "pelmora_music_end:\n"
        ".previous\n");

extern "C" const std::uint8_t pelmora_music_begin[];
extern "C" const std::uint8_t pelmora_music_end[];

const std::uint8_t* MusicWaveData() {
    return pelmora_music_begin;
}

std::size_t MusicWaveSize() {
    return static_cast<std::size_t>(pelmora_music_end - pelmora_music_begin);
}
