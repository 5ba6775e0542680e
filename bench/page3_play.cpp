// The CPU the wizard takes while page 3 plays its music on a private
// PipeWire session (the wizard's server backend), against `paplay` playing
// the same WAVE data to the same session, and against the wizard idle on
// that page, all in one run. Every figure is the whole process's CPU over the
// same stretch of playing (its threads' time from /proc, read after a second
// of warm-up and again `seconds` later). The wizard runs on Qt's offscreen
// platform; its music loops, and paplay plays the music repeated to the
// stretch's length (sox).
//
//   bench_page3_play [seconds (default 8)]
#include "bench/BenchSupport.h"
#include "bench/WizardOnServer.h"
#include "ui/Testing.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 8;
    if (seconds <= 0) {
        std::fprintf(stderr, "usage: bench_page3_play [seconds]\n");
        return 2;
    }
    const fs::path temp =
        fs::temp_directory_path() / ("pelmora-bench-page3-" + std::to_string(getpid()));
    fs::create_directories(temp);
    setenv("TMPDIR", temp.c_str(), 1);

    // The music the page plays, as long as the stretch and its warm-up.
    const std::string music = std::string(PELMORA_SOURCE_DIR) + "/resources/music/music.wav";
    const std::string long_music = (temp / "music.wav").string();
    const std::string make =
        "sox '" + music + "' '" + long_music + "' repeat " + std::to_string(seconds / 10 + 1);
    if (std::system(make.c_str()) != 0) {
        std::fprintf(stderr, "bench_page3_play: sox cannot repeat the music\n");
        return 1;
    }

    bench::CWizardOnServer wizard("bench_page3_play", argc, argv);
    if (!wizard.Ready())
        return 1;

    int result = 0;
    bench::Stretch idle, playing, paplay;
    {
        CPropSheet sheet;
        sheet.Create();
        sheet.m_mixerSetup.PreparePlayback();
        // Page 2's sound-card test lets the wizard on, as it does the user.
        if (!wizard.WalkTo(sheet, 2))
            return 1;
        CPropPage3& page = sheet.m_page3;
        auto run = [](int ms) { uitest::RunEventLoop(ms); };
        idle = bench::MeasureStretch(getpid(), seconds, run);
        uitest::Click(*page.GetDlgItem(1001));
        uitest::ProcessEvents(20);
        if (!page.IsPlaying()) {
            std::fprintf(stderr, "bench_page3_play: the page does not play\n");
            result = 1;
        }
        playing = bench::MeasureStretch(getpid(), seconds, run);
        if (!page.IsPlaying()) {
            std::fprintf(stderr, "bench_page3_play: the music stopped\n");
            result = 1;
        }
        uitest::Click(*page.GetDlgItem(1001));
        uitest::ProcessEvents(50);
        sheet.EndDialog(IDCANCEL);
        uitest::ProcessEvents(20);
    }
    if (!bench::MeasureChildStretch({"paplay", long_music}, seconds, paplay)) {
        std::fprintf(stderr, "bench_page3_play: paplay did not play\n");
        result = 1;
    }
    std::printf("playing the music (22050 Hz, 16 bit, stereo), %d s each after 1 s, private "
                "PipeWire session; whole-process CPU from /proc\n",
                seconds);
    bench::PrintStretch("wizard idle on page 3", idle);
    bench::PrintStretch("wizard playing the music on page 3", playing);
    bench::PrintStretch("paplay of the same WAVE data", paplay);
    bench::Goal("ratio page 3 playing / paplay",
                paplay.Percent() > 0 ? playing.Percent() / paplay.Percent() : 0, 2.0);
    fs::remove_all(temp);
    return result != 0 ? result : bench::GoalsStatus();
}
