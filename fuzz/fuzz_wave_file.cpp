// WAVE files on any bytes, through the reader the player uses (PCM, or MPEG
// frames by format tag) and through the virtual microphone's reader: a
// refused file says why; an opened one plays through.
#include "audio/AudioFile.h"
#include "fuzz/PlayThrough.h"
#include "platform/virtual/WaveData.h"

namespace {
constexpr const char* kName = "fuzz_wave_file";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    plat::WaveData wave;
    std::string error;
    if (!plat::ParseWave(data, size, wave, error) && error.empty())
        fuzz::Fail(kName, "the microphone's reader refuses the file without a reason");

    const std::string path = fuzz::WriteInput("input.wav", data, size);
    CAudioFile file;
    if (file.Open(path) < 0) {
        if (file.GetLastError().empty())
            fuzz::Fail(kName, "the file is refused without a reason");
        return 0;
    }
    fuzz::PlayThrough(kName, file);
    return 0;
}
