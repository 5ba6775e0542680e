// The program's embedded resources (the music and the voices of the audio-level
// page, WAVE 164, 170 and 171), found by type and
// numeric id as the Windows resource calls find them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace plat {

struct ResourceData {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
};

// Makes a block of bytes findable under (type, id); the bytes must outlive the
// process (static data). Registering the same (type, id) again replaces it.
void RegisterResource(const char* type, unsigned id, const std::uint8_t* data, std::size_t size);

// False when no such resource was registered.
bool FindResource(const char* type, unsigned id, ResourceData& out);

} // namespace plat
