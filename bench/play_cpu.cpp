// The CPU the player takes while it plays an MP3 to a sound server, against
// the `mpg123` program playing the same file to the same server, in
// interleaved runs on one private daemon (PulseAudio, or PipeWire with its
// PulseAudio server); the medians and their ratio. The MP3 is the program's
// music, cut to the length asked for with sox and encoded with lame. Also
// prints how often the feeder thread wakes while it feeds (its own count,
// and the kernel's count of the thread's context switches), the context
// switches of each whole process, and how long Stop takes in mid-play.
//
//   bench_play_cpu [seconds (default 5)] [runs (default 5)] [pulse|pipewire]
#include "audio/WavePlayer.h"
#include "bench/BenchSupport.h"
#include "platform/pulse/PulseBackend.h"
#include "platform/pulse/testing/PipeWireServerForTesting.h"
#include "platform/pulse/testing/PulseServerForTesting.h"
#include "platform/sound_backend.h"
#include "platform/system/message_loop.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using Steady = std::chrono::steady_clock;
namespace fs = std::filesystem;

using bench::Median;
using bench::Seconds;
using bench::ThreadCpuSeconds;

struct Measure {
    double cpu = 0;  // seconds of CPU
    double wall = 0; // seconds
    long switches = 0;
    double Percent() const { return wall > 0 ? 100.0 * cpu / wall : 0; }
    double SwitchesPerSecond() const { return wall > 0 ? switches / wall : 0; }
};

// Runs a program to its end; its CPU and context switches from wait4.
bool Spawn(const std::vector<std::string>& args, Measure* m) {
    bench::ChildRun run;
    if (!bench::RunChild(args, run))
        return false;
    if (m) {
        m->wall = run.wall;
        m->cpu = run.cpu;
        m->switches = run.switches;
    }
    return run.Succeeded();
}

struct PlayerRun {
    Measure process;           // the whole process but the benchmark's waiting
    std::uint64_t wakeups = 0; // the feeder's own count
    double feedingSeconds = 0; // how long the feeder ran
    long feederSwitches = -1;  // the kernel's count for the feeder thread
};

// Plays the file to its end on a new player. The main thread only waits and
// runs the posted stop; its CPU while it waits is not counted. With
// `countSwitches` the feeder reads its own context switches before each
// sleep (a system call each time, so not in the CPU runs).
bool RunPlayer(const std::string& file, bool countSwitches, PlayerRun& run) {
    CWavePlayer player;
    std::atomic<long> switches{-1};
    if (countSwitches)
        player.SetBeforeFeederSleepForTesting([&] {
            rusage usage{};
            getrusage(RUSAGE_THREAD, &usage);
            switches = usage.ru_nvcsw + usage.ru_nivcsw;
        });
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    const auto start = Steady::now();
    if (player.Play(file) != 1) {
        std::fprintf(stderr, "bench_play_cpu: %s\n", player.GetLastError().c_str());
        return false;
    }
    double waiting = 0;
    auto fed = Steady::time_point{};
    while (player.IsDeviceOpen()) {
        const double t = ThreadCpuSeconds();
        plat::DispatchMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(countSwitches ? 5 : 50));
        if (fed == Steady::time_point{} && !player.IsFeeding())
            fed = Steady::now();
        waiting += ThreadCpuSeconds() - t;
        if (Steady::now() - start > std::chrono::minutes(5)) {
            std::fprintf(stderr, "bench_play_cpu: the playback does not end\n");
            return false;
        }
    }
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    run.process.wall = std::chrono::duration<double>(Steady::now() - start).count();
    run.process.cpu = Seconds(after.ru_utime) + Seconds(after.ru_stime) - Seconds(before.ru_utime) -
                      Seconds(before.ru_stime) - waiting;
    run.process.switches = after.ru_nvcsw + after.ru_nivcsw - before.ru_nvcsw - before.ru_nivcsw;
    run.wakeups = player.GetFeederWakeups();
    run.feedingSeconds = std::chrono::duration<double>(fed - start).count();
    run.feederSwitches = switches.load();
    if (player.Stop() != 1 || !player.GetLastError().empty()) {
        std::fprintf(stderr, "bench_play_cpu: the playback failed: %s\n",
                     player.GetLastError().c_str());
        return false;
    }
    return true;
}

// How long Stop takes after `playMs` of playing.
double StopMs(const std::string& file, int playMs) {
    CWavePlayer player;
    if (player.Play(file) != 1)
        return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(playMs));
    const auto start = Steady::now();
    player.Stop();
    return std::chrono::duration<double, std::milli>(Steady::now() - start).count();
}

struct Server {
    virtual ~Server() = default;
    virtual bool Start(std::string& error) = 0;
    virtual void Stop() = 0;
};
template <class S> struct ServerOf : Server {
    S server;
    bool Start(std::string& error) override { return server.Start(error); }
    void Stop() override { server.Stop(); }
};

} // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 5;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    const std::string kind = argc > 3 ? argv[3] : "pulse";
    if (seconds <= 0 || runs <= 0 || (kind != "pulse" && kind != "pipewire")) {
        std::fprintf(stderr, "usage: bench_play_cpu [seconds] [runs] [pulse|pipewire]\n");
        return 2;
    }
    const fs::path temp =
        fs::temp_directory_path() / ("pelmora-bench-play-" + std::to_string(getpid()));
    fs::create_directories(temp);
    setenv("TMPDIR", temp.c_str(), 1);
    unsetenv("XDG_RUNTIME_DIR");

    // The music, as long as asked (repeated when longer), encoded as an MP3.
    const fs::path music = fs::path(PELMORA_SOURCE_DIR) / "resources" / "music" / "music.wav";
    const std::string cut = (temp / "music.wav").string();
    const std::string mp3 = (temp / "music.mp3").string();
    if (!Spawn({"sox", music.string(), cut, "repeat", std::to_string(seconds / 10 + 1), "trim", "0",
                std::to_string(seconds)},
               nullptr) ||
        !Spawn({"lame", "--quiet", "-b", "128", cut, mp3}, nullptr)) {
        std::fprintf(stderr, "bench_play_cpu: sox or lame failed\n");
        return 1;
    }

    std::unique_ptr<Server> server;
    if (kind == "pulse")
        server = std::make_unique<ServerOf<plat::CPulseServerForTesting>>();
    else
        server = std::make_unique<ServerOf<plat::CPipeWireServerForTesting>>();
    std::string error;
    if (!server->Start(error)) {
        std::fprintf(stderr, "bench_play_cpu: no private %s daemon: %s\n", kind.c_str(),
                     error.c_str());
        return 1;
    }
    std::shared_ptr<plat::SoundBackend> backend = plat::OpenPulseBackend(error);
    if (!backend) {
        std::fprintf(stderr, "bench_play_cpu: %s\n", error.c_str());
        return 1;
    }
    plat::InstallSoundBackend(backend);

    // A first playback of each, not counted: files in the cache, the
    // server's streams set up once.
    PlayerRun warm;
    if (!RunPlayer(mp3, false, warm) || !Spawn({"mpg123", "-q", "-o", "pulse", mp3}, nullptr)) {
        std::fprintf(stderr, "bench_play_cpu: a first playback failed\n");
        return 1;
    }

    // Per run: CPU % of a core while playing, CPU seconds, wall seconds,
    // context switches a second; player and mpg123.
    std::vector<double> ours[4], theirs[4];
    auto keep = [](std::vector<double>* into, const Measure& m) {
        into[0].push_back(m.Percent());
        into[1].push_back(m.cpu);
        into[2].push_back(m.wall);
        into[3].push_back(m.SwitchesPerSecond());
    };
    for (int r = 0; r < runs; ++r) {
        PlayerRun player;
        Measure mpg123;
        const auto runPlayer = [&] { return RunPlayer(mp3, false, player); };
        const auto runMpg123 = [&] { return Spawn({"mpg123", "-q", "-o", "pulse", mp3}, &mpg123); };
        const bool ok = r % 2 ? runMpg123() && runPlayer() : runPlayer() && runMpg123();
        if (!ok) {
            std::fprintf(stderr, "bench_play_cpu: run %d failed\n", r + 1);
            return 1;
        }
        std::printf("run %d: player %.3f %% (%.3f s CPU in %.2f s), mpg123 %.3f %% (%.3f s CPU in "
                    "%.2f s)\n",
                    r + 1, player.process.Percent(), player.process.cpu, player.process.wall,
                    mpg123.Percent(), mpg123.cpu, mpg123.wall);
        keep(ours, player.process);
        keep(theirs, mpg123);
    }

    PlayerRun counted;
    if (!RunPlayer(mp3, true, counted))
        return 1;
    std::vector<double> stops;
    for (int i = 0; i < 5; ++i)
        stops.push_back(StopMs(mp3, 1500));

    std::printf("MP3 of %d s (the music, lame -b 128), private %s daemon, %d interleaved runs, "
                "medians\n",
                seconds, kind.c_str(), runs);
    std::printf("%-18s %15s %9s %8s %20s\n", "", "CPU % of a core", "CPU s", "wall s",
                "context switches/s");
    for (auto [name, m] : {std::pair{"player", ours}, std::pair{"mpg123 -o pulse", theirs}})
        std::printf("%-18s %15.3f %9.3f %8.2f %20.0f\n", name, Median(m[0]), Median(m[1]),
                    Median(m[2]), Median(m[3]));
    // The same file: the CPU seconds compare the same work; the per-cents
    // also divide by how long each took to play it out.
    const double ratioPercent = Median(theirs[0]) > 0 ? Median(ours[0]) / Median(theirs[0]) : 0;
    const double ratioCpu = Median(theirs[1]) > 0 ? Median(ours[1]) / Median(theirs[1]) : 0;
    std::printf("ratio player / mpg123: %.2f (CPU %% of a core), %.2f (CPU seconds)\n",
                ratioPercent, ratioCpu);
    if (counted.feedingSeconds > 0) {
        std::printf("feeder wake-ups: %.1f per second (%llu in %.2f s of feeding)",
                    counted.wakeups / counted.feedingSeconds,
                    static_cast<unsigned long long>(counted.wakeups), counted.feedingSeconds);
        if (counted.feederSwitches >= 0)
            std::printf(", its context switches %.1f per second",
                        counted.feederSwitches / counted.feedingSeconds);
        std::printf("\n");
    }
    std::printf("Stop after 1.5 s of playing: median %.2f ms, longest %.2f ms\n", Median(stops),
                *std::max_element(stops.begin(), stops.end()));
    bench::Goal("ratio player / mpg123, the worse of CPU % and CPU seconds",
                std::max(ratioPercent, ratioCpu), 2.0);
    plat::InstallSoundBackend(nullptr);
    backend.reset();
    server->Stop(); // its directory is inside ours
    fs::remove_all(temp);
    return bench::GoalsStatus();
}
