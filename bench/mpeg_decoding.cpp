// Times indexing and decoding a few minutes of MPEG audio with the reader the
// player uses, against decoding the same file with the mpg123 command-line
// program in the same run, and prints both and their ratio.
//
//   bench_mpeg_decoding [minutes (default 3)] [runs (default 5)]
//
// The file is the test tone of tests/data/mpeg repeated; the best of the runs
// counts for each side.
#include "audio/Mp3FileReader.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Timing {
    double indexMs = 1e300;
    double decodeMs = 1e300;
    double totalMs = 1e300;
    std::size_t pcmBytes = 0;
};

bool TimeReader(const std::string& path, Timing& best) {
    CMp3FileReader reader;
    std::vector<unsigned char> buffer(64 * 1024);
    const auto start = Clock::now();
    if (reader.Open(path) != plat::S_OK) {
        std::fprintf(stderr, "open failed: %s\n", reader.GetLastError().c_str());
        return false;
    }
    const auto indexed = Clock::now();
    std::size_t total = 0;
    for (;;) {
        plat::DWORD got = 0;
        if (reader.Read(static_cast<plat::DWORD>(buffer.size()), buffer.data(), got) !=
            plat::S_OK) {
            std::fprintf(stderr, "read failed: %s\n", reader.GetLastError().c_str());
            return false;
        }
        if (got == 0)
            break;
        total += got;
    }
    const auto done = Clock::now();
    best.indexMs = std::min(best.indexMs, Ms(indexed - start));
    best.decodeMs = std::min(best.decodeMs, Ms(done - indexed));
    best.totalMs = std::min(best.totalMs, Ms(done - start));
    best.pcmBytes = total;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const int minutes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

    const fs::path tonePath =
        fs::path(PELMORA_SOURCE_DIR) / "tests" / "data" / "mpeg" / "tone128.mp3";
    std::ifstream in(tonePath, std::ios::binary);
    const std::vector<char> tone(std::istreambuf_iterator<char>(in), {});
    if (tone.empty()) {
        std::fprintf(stderr, "cannot read %s\n", tonePath.c_str());
        return 1;
    }
    // The tone lasts 78 frames of 1152 samples at 44100 Hz.
    const double toneSeconds = 78 * 1152 / 44100.0;
    const int copies = static_cast<int>(minutes * 60 / toneSeconds) + 1;
    const fs::path dir = fs::temp_directory_path() / "pelmora_bench_mpeg";
    fs::create_directories(dir);
    const fs::path file = dir / "minutes.mp3";
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        for (int i = 0; i < copies; ++i)
            out.write(tone.data(), static_cast<std::streamsize>(tone.size()));
    }

    Timing ours;
    double theirs = 1e300;
    const std::string command =
        "mpg123 --quiet --no-gapless -s '" + file.string() + "' > /dev/null";
    bool haveMpg123 = true;
    for (int run = 0; run < runs; ++run) {
        if (!TimeReader(file.string(), ours))
            return 1;
        const auto start = Clock::now();
        if (haveMpg123 && std::system(command.c_str()) != 0)
            haveMpg123 = false;
        theirs = std::min(theirs, Ms(Clock::now() - start));
    }

    std::printf("file: %.1f s of MPEG audio, %llu bytes, %d runs (best)\n", copies * toneSeconds,
                static_cast<unsigned long long>(fs::file_size(file)), runs);
    std::printf("reader: index %.2f ms, decode %.2f ms, total %.2f ms, %zu PCM bytes\n",
                ours.indexMs, ours.decodeMs, ours.totalMs, ours.pcmBytes);
    if (haveMpg123)
        std::printf("mpg123 command: %.2f ms (process start included)\nratio reader/mpg123: %.2f\n",
                    theirs, ours.totalMs / theirs);
    else
        std::printf("mpg123 command: not available\n");
    fs::remove_all(dir);
    return 0;
}
