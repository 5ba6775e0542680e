// Times --import-registry of REGEDIT4 files of 1000, 4000 and 10 000 keys into
// a new hive, against writing the hive it makes once through the file writer
// in the same run, and prints both and their ratio.
//
//   bench_registry_import [runs (default 3)] [keys ... (default 1000 4000 10000)]
//
// The files are made here as an installer writes them: keys of 100 below one
// product key each, a string and a dword in every key. The best of the runs
// counts for each side; the runs alternate.
#include "config/RegistryTools.h"
#include "platform/files/directories.h"
#include "platform/files/file_writer.h"
#include "platform/registry/registry.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

std::string RegText(int keys) {
    std::string text = "REGEDIT4\r\n\r\n";
    char dword[16];
    for (int i = 0; i < keys; ++i) {
        std::snprintf(dword, sizeof dword, "%08x", static_cast<unsigned>(i));
        text += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bench\\Product " + std::to_string(i / 100) +
                "\\Key " + std::to_string(i) + "]\r\n\"Name\"=\"Value " + std::to_string(i) +
                "\"\r\n\"Count\"=dword:" + dword + "\r\n\r\n";
    }
    return text;
}

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    std::vector<int> sizes;
    for (int i = 2; i < argc; ++i)
        sizes.push_back(std::max(1, std::atoi(argv[i])));
    if (sizes.empty())
        sizes = {1000, 4000, 10000};
    std::string why;
    const std::string temp = plat::GetTempPath(&why);
    if (temp.empty()) {
        std::fprintf(stderr, "no temporary directory: %s\n", why.c_str());
        return 1;
    }
    const fs::path dir = fs::path(temp) / ("bench-registry-" + std::to_string(::getpid()));
    fs::create_directories(dir);

    std::printf("--import-registry into a new hive, against writing that hive once through the "
                "file writer (best of %d runs)\n",
                runs);
    int status = 0;
    for (const int keys : sizes) {
        const std::string reg = (dir / ("import" + std::to_string(keys) + ".reg")).string();
        if (!plat::SaveFileContents(reg, RegText(keys), &why)) {
            std::fprintf(stderr, "%s\n", why.c_str());
            status = 1;
            break;
        }
        double import = 1e300, anchor = 1e300;
        std::size_t hiveBytes = 0;
        for (int run = 0; run < runs && status == 0; ++run) {
            const std::string hive = (dir / ("hive" + std::to_string(run) + ".reg")).string();
            fs::remove(hive);
            plat::RegUseHiveFile(hive);
            std::ostringstream out, err;
            auto start = Clock::now();
            if (ImportRegistryFile(reg, out, err) != 0) {
                std::fprintf(stderr, "%s", err.str().c_str());
                status = 1;
                break;
            }
            import = std::min(import, Ms(Clock::now() - start));

            const std::string bytes = Contents(hive);
            hiveBytes = bytes.size();
            const std::string copy = (dir / "anchor.reg").string();
            start = Clock::now();
            if (!plat::SaveFileContents(copy, bytes, &why)) {
                std::fprintf(stderr, "%s\n", why.c_str());
                status = 1;
                break;
            }
            anchor = std::min(anchor, Ms(Clock::now() - start));
            fs::remove(hive);
        }
        if (status != 0)
            break;
        std::printf("  %5d keys (%zu hive bytes): import %9.2f ms; anchor %7.2f ms; ratio %7.1f\n",
                    keys, hiveBytes, import, anchor, import / anchor);
    }
    plat::RegUseHiveFile("");
    fs::remove_all(dir);
    return status;
}
