// The bytes of the embedded music WAVE file.
#pragma once

#include <cstddef>
#include <cstdint>

const std::uint8_t* MusicWaveData();
std::size_t MusicWaveSize();
