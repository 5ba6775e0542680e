// The bytes of the embedded voices of the left and right speaker buttons.
#pragma once

#include <cstddef>
#include <cstdint>

const std::uint8_t* LeftVoiceData();
std::size_t LeftVoiceSize();
const std::uint8_t* RightVoiceData();
std::size_t RightVoiceSize();
