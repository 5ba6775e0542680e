// Reads an opened audio source the way the player does: at most the data size
// it announced, in buffers of the player's size, until the data is delivered,
// a read fails, or ten reads in a row deliver nothing; then once more after a
// seek to the middle and after a rewind.
#pragma once

#include "audio/AudioSource.h"
#include "fuzz/FuzzSupport.h"

#include <algorithm>
#include <vector>

namespace fuzz {

// Bytes of PCM one input may make the reader deliver: decoding costs time.
constexpr plat::DWORD kPcmBudget = 1u << 20;

inline void PlayThrough(const char* target, CAudioSource& source) {
    constexpr plat::DWORD kBuffer = 65536;
    std::vector<unsigned char> buffer(kBuffer);
    auto readSome = [&](plat::DWORD wanted) {
        plat::DWORD delivered = 0;
        int empty = 0;
        while (delivered < wanted && empty < 10) {
            const plat::DWORD request = std::min(kBuffer, wanted - delivered);
            plat::DWORD got = 0;
            if (source.Read(request, buffer.data(), got) < 0) {
                if (source.GetLastError().empty())
                    Fail(target, "a read fails without a reason");
                return;
            }
            if (got > request)
                Fail(target, "a read of " + std::to_string(request) + " bytes delivers " +
                                 std::to_string(got));
            delivered += got;
            empty = got == 0 ? empty + 1 : 0;
        }
    };
    const plat::DWORD size = source.GetDataSize();
    readSome(std::min(size, kPcmBudget));
    source.Seek(size / 2);
    readSome(std::min(size - size / 2, kBuffer));
    if (source.Rewind() >= 0)
        readSome(std::min(size, kBuffer));
    source.Close();
}

} // namespace fuzz
