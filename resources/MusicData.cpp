#include "resources/MusicData.h"
#include "platform/embedded/embedded_file.h"

// The WAVE file is assembled straight into the read-only data of this object.
PELMORA_EMBED_FILE(pelmora_music, PELMORA_MUSIC_FILE);

extern "C" const std::uint8_t pelmora_music_begin[];
extern "C" const std::uint8_t pelmora_music_end[];

const std::uint8_t* MusicWaveData() {
    return pelmora_music_begin;
}

std::size_t MusicWaveSize() {
    return static_cast<std::size_t>(pelmora_music_end - pelmora_music_begin);
}
