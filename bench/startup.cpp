// The time from the start of the wizard to a usable window, and the peak
// memory of that run, against a bare Qt Widgets dialog of the same size
// (bench_bare_dialog), in interleaved runs; the medians and their ratios. The
// same dialog with a line of text is timed too: it pays for reading the font
// configuration, as every program that shows text does.
// Both programs run whole, as a user starts them, on an X desktop of the
// benchmark's own (Xvfb with openbox) beside a private PipeWire session, so
// the wizard's sound probe meets a real server. A run ends when the window
// manager lists the program's window and the window has answered three
// pings, each sent after the last answer: what the program does on its GUI
// thread once the window is shown (the probe's outcome, the icon, fitting
// the page) is inside the time. The program is then killed. The wizard runs
// with its temporary directory, its config directory and its registry in a
// scratch directory, so nothing of the user's is read or written; the sound
// system is the one it would choose, unless options for it are given after
// the runs.
//
//   bench_startup [runs (default 31)] [wizard options, e.g. --sound=virtual]
#include "bench/BenchSupport.h"
#include "bench/PrivateDesktop.h"
#include "bench/WindowPinger.h"
#include "platform/pulse/testing/PipeWireServerForTesting.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

// The environment of both programs: the benchmark's, with the scratch
// directories, English texts and Qt on the X desktop.
std::vector<std::string> ChildEnvironment(const fs::path& scratch) {
    const std::vector<std::string> replaced = {"TMPDIR", "XDG_CONFIG_HOME", "PELMORA_REGISTRY",
                                               "LANGUAGE", "QT_QPA_PLATFORM"};
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
    env.push_back("QT_QPA_PLATFORM=xcb");
    return env;
}

struct Series {
    std::vector<double> ms;      // start to usable
    std::vector<double> shownMs; // managed to usable: the GUI thread's wait
    std::vector<double> peakMb;
};

// Starts the program, waits for its window to be usable, kills it.
bool RunOnce(bench::CWindowPinger& pinger, const std::vector<std::string>& args,
             const std::vector<std::string>& env, Series* series) {
    bench::ChildOptions options;
    options.environment = env;
    options.quiet = true;
    const auto start = bench::CWindowPinger::Clock::now();
    const pid_t pid = bench::SpawnChild(args, options);
    if (pid == 0) {
        std::fprintf(stderr, "bench_startup: %s cannot be started\n", args[0].c_str());
        return false;
    }
    bench::CWindowPinger::Usable usable;
    std::string error;
    const bool ok = pinger.WaitUsable(pid, 3, start + std::chrono::seconds(60), usable, error);
    bench::ChildRun run;
    bench::KillChild(pid, run);
    if (!ok) {
        std::fprintf(stderr, "bench_startup: %s: %s\n", args[0].c_str(), error.c_str());
        return false;
    }
    if (series == nullptr) {
        std::printf("%s: its window \"%s\"\n", fs::path(args[0]).filename().c_str(),
                    usable.title.c_str());
        return true;
    }
    using Ms = std::chrono::duration<double, std::milli>;
    series->ms.push_back(Ms(usable.answered - start).count());
    series->shownMs.push_back(Ms(usable.answered - usable.managed).count());
    series->peakMb.push_back(run.peakKb / 1024.0);
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

    std::string error;
    bench::CPrivateDesktop desktop;
    if (!desktop.Start(error)) {
        std::fprintf(stderr, "bench_startup: %s\n", error.c_str());
        return 1;
    }
    plat::CPipeWireServerForTesting server;
    if (!server.Start(error)) {
        std::fprintf(stderr, "bench_startup: no private PipeWire session: %s\n", error.c_str());
        return 1;
    }
    bench::CWindowPinger pinger;
    if (!pinger.Connect(desktop.Display(), error)) {
        std::fprintf(stderr, "bench_startup: %s\n", error.c_str());
        return 1;
    }
    const fs::path scratch =
        fs::temp_directory_path() / ("pelmora-bench-startup-" + std::to_string(getpid()));
    std::error_code ec;
    fs::create_directories(scratch / "tmp", ec);
    fs::create_directories(scratch / "config", ec);
    fs::permissions(scratch, fs::perms::owner_all, ec);
    const std::vector<std::string> env = ChildEnvironment(scratch);

    // One run of each first, not counted: it fills the caches of the disk and
    // of fontconfig, and the wizard writes its language file on its first run.
    bool ok = RunOnce(pinger, bare, env, nullptr) && RunOnce(pinger, labelled, env, nullptr) &&
              RunOnce(pinger, wizard, env, nullptr);
    Series ours, theirs, text;
    for (int i = 0; ok && i < runs; ++i)
        ok = RunOnce(pinger, bare, env, &theirs) && RunOnce(pinger, labelled, env, &text) &&
             RunOnce(pinger, wizard, env, &ours);
    fs::remove_all(scratch, ec);
    if (!ok)
        return 1;

    const double wizardMs = bench::Median(ours.ms), bareMs = bench::Median(theirs.ms);
    const double wizardMb = bench::Median(ours.peakMb), bareMb = bench::Median(theirs.peakMb);
    // The shortest run is the least disturbed by the other work of a shared
    // machine: printed beside the median.
    const double wizardMin = *std::min_element(ours.ms.begin(), ours.ms.end());
    const double bareMin = *std::min_element(theirs.ms.begin(), theirs.ms.end());
    std::printf("start to a usable window (managed, three pings answered), %d interleaved runs "
                "on Xvfb with openbox, a private PipeWire session running\n",
                runs);
    std::printf("%-28s %12s %14s %16s %10s\n", "", "median (ms)", "shortest (ms)",
                "shown->usable (ms)", "peak (MB)");
    auto row = [](const char* what, const Series& s) {
        std::printf("%-28s %12.1f %14.1f %16.1f %10.1f\n", what, bench::Median(s.ms),
                    *std::min_element(s.ms.begin(), s.ms.end()), bench::Median(s.shownMs),
                    bench::Median(s.peakMb));
    };
    row("wizard, page 1", ours);
    row("bare Qt dialog 518 x 387", theirs);
    row("the same with a line of text", text);
    const double textMs = bench::Median(text.ms);
    std::printf("ratio wizard / bare dialog: %.2f (medians), %.2f (shortest runs)\n",
                wizardMs / bareMs, wizardMin / bareMin);
    std::printf("ratio wizard / dialog with a line of text: %.2f (medians)\n", wizardMs / textMs);
    bench::Goal("ratio wizard / bare dialog (medians)", wizardMs / bareMs, 1.30);
    // A peak below the dialog's counts as no extra memory at all.
    bench::Goal("memory wizard - bare dialog, MB (medians)", std::max(wizardMb - bareMb, 0.01),
                8.0);
    return bench::GoalsStatus();
}
