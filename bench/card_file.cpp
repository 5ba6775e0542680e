// Times reading virtual card description files of 1000, 2000 and 5000
// controls with the card's reader, against reading the same file's bytes and
// splitting them into lines in the same run, and prints the time per 1000
// controls and the ratio to that anchor.
//
//   bench_card_file [runs (default 5)] [controls ... (default 1000 2000 5000)]
//
// The files are made here: one mixer whose destinations have 50 sources each,
// every source a volume and a mute, as docs/virtual-card.md describes them.
// The best of the runs counts for each side (the anchor, being short, is
// taken ten times a run); the runs alternate.
#include "platform/files/directories.h"
#include "platform/files/file_writer.h"
#include "platform/virtual/CardFile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// A card of `controls` controls.
std::string CardText(int controls) {
    std::string text = "; made by bench_card_file\n[Card]\nName=Bench Card\nMicrophone=silence\n\n"
                       "[Mixer 0]\nName=Bench Mixer\n\n";
    int made = 0;
    for (int d = 0; made < controls; ++d) {
        const std::string destination = "Mixer 0 / Destination " + std::to_string(d);
        text += "[" + destination + "]\nName=Destination " + std::to_string(d) +
                "\nType=speakers\nChannels=2\n\n";
        for (int s = 0; s < 50 && made < controls; ++s) {
            const std::string source = destination + " / Source " + std::to_string(s);
            text += "[" + source + "]\nName=Source " + std::to_string(s) +
                    "\nType=line\nChannels=2\n\n";
            text +=
                "[" + source + " / Control 0]\nType=volume\nName=Volume\nValues=32768, 32768\n\n";
            if (++made < controls) {
                text += "[" + source +
                        " / Control 1]\nType=mute\nName=Mute\nFlags=uniform\nValues=0\n\n";
                ++made;
            }
        }
    }
    return text;
}

// The anchor: the file's bytes read and cut into lines.
std::size_t ReadLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes(std::istreambuf_iterator<char>(in), {});
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        lines.emplace_back(bytes, start, end - start);
        start = end + 1;
    }
    return lines.size();
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    std::vector<int> sizes;
    for (int i = 2; i < argc; ++i)
        sizes.push_back(std::max(1, std::atoi(argv[i])));
    if (sizes.empty())
        sizes = {1000, 2000, 5000};
    std::string why;
    const std::string temp = plat::GetTempPath(&why);
    if (temp.empty()) {
        std::fprintf(stderr, "no temporary directory: %s\n", why.c_str());
        return 1;
    }
    const fs::path dir = fs::path(temp) / ("bench-card-" + std::to_string(::getpid()));
    fs::create_directories(dir);

    std::printf("virtual card file: read by the card's reader, against reading its bytes and "
                "splitting its lines (best of %d runs)\n",
                runs);
    int status = 0;
    for (const int controls : sizes) {
        const std::string path = (dir / ("card" + std::to_string(controls) + ".ini")).string();
        if (!plat::SaveFileContents(path, CardText(controls), &why)) {
            std::fprintf(stderr, "%s\n", why.c_str());
            status = 1;
            break;
        }
        double load = 1e300, anchor = 1e300;
        std::size_t lines = 0, mixerControls = 0;
        for (int run = 0; run < runs; ++run) {
            auto start = Clock::now();
            for (int i = 0; i < 10; ++i) {
                start = Clock::now();
                lines = ReadLines(path);
                anchor = std::min(anchor, Ms(Clock::now() - start));
            }

            plat::VirtualCardDesc card;
            std::string error;
            start = Clock::now();
            if (!plat::ReadCardFile(path, card, error)) {
                std::fprintf(stderr, "%s\n", error.c_str());
                status = 1;
                break;
            }
            load = std::min(load, Ms(Clock::now() - start));
            mixerControls = 0;
            for (const auto& mixer : card.mixers)
                for (const auto& destination : mixer.destinations)
                    for (const auto& source : destination.sources)
                        mixerControls += source.controls.size();
        }
        if (status != 0)
            break;
        std::printf("  %5d controls (%zu read, %zu lines, %ju bytes): load %8.2f ms = %6.2f ms per "
                    "1000 controls; anchor %6.3f ms; ratio %6.1f\n",
                    controls, mixerControls, lines,
                    static_cast<std::uintmax_t>(fs::file_size(path)), load,
                    load * 1000.0 / controls, anchor, load / anchor);
    }
    fs::remove_all(dir);
    return status;
}
