// The time from the start of the wizard to its first painted page, and the
// peak memory of that run, against a bare Qt Widgets dialog of the same size
// (bench_bare_dialog), in interleaved runs; the medians and their ratios. The
// same dialog with a line of text is timed too: it pays for reading the font
// configuration, as every program that shows text does.
// Both programs end at their first paint (PELMORA_EXIT_AT_FIRST_PAINT, which
// only the benchmark build of the wizard reads). The wizard runs with its
// temporary directory, its config directory and its registry in a scratch
// directory, so nothing of the user's is read or written; the sound system
// is the one the wizard would choose, unless options for it are given after
// the runs. Without a display both run on Qt's offscreen platform.
//
//   bench_startup [runs (default 31)] [wizard options, e.g. --sound=virtual]
#include "bench/BenchSupport.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

// The environment of both programs: the benchmark's, with the scratch
// directories, English texts and the end at the first paint.
std::vector<std::string> ChildEnvironment(const fs::path& scratch) {
    const std::vector<std::string> replaced = {"TMPDIR",           "XDG_CONFIG_HOME",
                                               "PELMORA_REGISTRY", "LANGUAGE",
                                               "QT_QPA_PLATFORM",  "PELMORA_EXIT_AT_FIRST_PAINT"};
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        bool keep = true;
        for (const std::string& name : replaced)
            if (entry.rfind(name + "=", 0) == 0)
                keep = false;
        if (keep)
            env.push_back(entry);
    }
    env.push_back("TMPDIR=" + (scratch / "tmp").string());
    env.push_back("XDG_CONFIG_HOME=" + (scratch / "config").string());
    env.push_back("PELMORA_REGISTRY=" + (scratch / "registry.reg").string());
    env.push_back("LANGUAGE=en");
    env.push_back("PELMORA_EXIT_AT_FIRST_PAINT=1");
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform != nullptr)
        env.push_back(std::string("QT_QPA_PLATFORM=") + platform);
    else if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr)
        env.push_back("QT_QPA_PLATFORM=offscreen");
    return env;
}

struct Series {
    std::vector<double> ms;
    std::vector<double> peakMb;
};

bool RunOnce(const std::vector<std::string>& args, const std::vector<std::string>& env,
             Series* series) {
    bench::ChildRun run;
    bench::ChildOptions options;
    options.environment = env;
    options.timeoutSeconds = 60;
    options.quiet = true;
    if (!bench::RunChild(args, run, options) || !run.Succeeded()) {
        std::fprintf(stderr, "bench_startup: %s did not end at its first paint (status %d)\n",
                     args[0].c_str(), run.status);
        return false;
    }
    if (series != nullptr) {
        series->ms.push_back(run.wall * 1000);
        series->peakMb.push_back(run.peakKb / 1024.0);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 31;
    if (runs <= 0) {
        std::fprintf(stderr, "usage: bench_startup [runs] [wizard options]\n");
        return 2;
    }
    const fs::path dir = fs::canonical("/proc/self/exe").parent_path();
    const std::vector<std::string> bare = {(dir / "bench_bare_dialog").string()};
    const std::vector<std::string> labelled = {(dir / "bench_bare_dialog").string(), "--label"};
    std::vector<std::string> wizard = {(dir / "pelmora").string()};
    for (int i = 2; i < argc; ++i)
        wizard.push_back(argv[i]);

    const fs::path scratch =
        fs::temp_directory_path() / ("pelmora-bench-startup-" + std::to_string(getpid()));
    std::error_code ec;
    fs::create_directories(scratch / "tmp", ec);
    fs::create_directories(scratch / "config", ec);
    fs::permissions(scratch, fs::perms::owner_all, ec);
    const std::vector<std::string> env = ChildEnvironment(scratch);

    // One run of each first, not counted: it fills the caches of the disk and
    // of fontconfig, and the wizard writes its language file on its first run.
    bool ok = RunOnce(bare, env, nullptr) && RunOnce(labelled, env, nullptr) &&
              RunOnce(wizard, env, nullptr);
    Series ours, theirs, text;
    for (int i = 0; ok && i < runs; ++i)
        ok = RunOnce(bare, env, &theirs) && RunOnce(labelled, env, &text) &&
             RunOnce(wizard, env, &ours);
    fs::remove_all(scratch, ec);
    if (!ok)
        return 1;

    const double wizardMs = bench::Median(ours.ms), bareMs = bench::Median(theirs.ms);
    const double wizardMb = bench::Median(ours.peakMb), bareMb = bench::Median(theirs.peakMb);
    // The shortest run is the least disturbed by the other work of a shared
    // machine: printed beside the median.
    const double wizardMin = *std::min_element(ours.ms.begin(), ours.ms.end());
    const double bareMin = *std::min_element(theirs.ms.begin(), theirs.ms.end());
    std::printf("start to first paint, %d interleaved runs\n", runs);
    std::printf("%-28s %15s %15s %12s\n", "", "median (ms)", "shortest (ms)", "peak (MB)");
    std::printf("%-28s %15.1f %15.1f %12.1f\n", "wizard, page 1", wizardMs, wizardMin, wizardMb);
    std::printf("%-28s %15.1f %15.1f %12.1f\n", "bare Qt dialog 518 x 387", bareMs, bareMin,
                bareMb);
    const double textMs = bench::Median(text.ms);
    std::printf("%-28s %15.1f %15.1f %12.1f\n", "the same with a line of text", textMs,
                *std::min_element(text.ms.begin(), text.ms.end()), bench::Median(text.peakMb));
    std::printf("ratio wizard / bare dialog: %.2f (medians), %.2f (shortest runs)\n",
                wizardMs / bareMs, wizardMin / bareMin);
    std::printf("ratio wizard / dialog with a line of text: %.2f (medians)\n", wizardMs / textMs);
    bench::Goal("ratio wizard / bare dialog (medians)", wizardMs / bareMs, 1.30);
    // A peak below the dialog's counts as no extra memory at all.
    bench::Goal("memory wizard - bare dialog, MB (medians)", std::max(wizardMb - bareMb, 0.01),
                8.0);
    return bench::GoalsStatus();
}
