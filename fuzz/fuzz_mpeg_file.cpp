// Raw MPEG audio files on any bytes, read as ".mp3" (each frame header read)
// and as ".snf" (frames of the first frame's length): a refused file says
// why; an opened one is decoded through.
#include "audio/Mp3FileReader.h"
#include "fuzz/PlayThrough.h"

namespace {
constexpr const char* kName = "fuzz_mpeg_file";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (const char* name : {"input.mp3", "input.snf"}) {
        const std::string path = fuzz::WriteInput(name, data, size);
        CMp3FileReader reader;
        if (reader.Open(path) < 0) {
            if (reader.GetLastError().empty())
                fuzz::Fail(kName,
                           std::string("the file is refused as ") + name + " without a reason");
            continue;
        }
        fuzz::PlayThrough(kName, reader);
    }
    return 0;
}
