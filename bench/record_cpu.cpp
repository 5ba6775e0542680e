// The CPU the wizard takes while page 4 records with its meter running,
// against the same wizard idle on that page and against `arecord` recording
// the recorder's own format for as long, all in one run. The wizard runs on
// Qt's offscreen platform and the virtual card in real time; its microphone
// speaks the test sentence in a loop. Prints per-cent of one core for each,
// the ratios, and how often the meter was painted. arecord records from the
// null source of a sound server the benchmark starts for itself, so it runs
// in real time without sound hardware.
//
//   bench_record_cpu [seconds (default 10)]
#include "app/PropSheet.h"
#include "app/WizardApp.h"
#include "audio/WaveRecorder.h"
#include "bench/BenchSupport.h"
#include "platform/pulse/testing/PulseServerForTesting.h"
#include "platform/sound_backend.h"
#include "platform/virtual/VirtualCard.h"
#include "resources/ProgramResources.h"
#include "texts/UiTexts.h"
#include "ui/LevelMeter.h"
#include "ui/Testing.h"
#include "ui/WinApp.h"

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Steady = std::chrono::steady_clock;

double SelfCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Measure {
    double cpu = 0;    // seconds of CPU
    double guiCpu = 0; // of which the GUI thread's
    double wall = 0;   // seconds
    double Percent() const { return wall > 0 ? 100.0 * cpu / wall : 0; }
};

// The wizard's CPU while its event loop runs for `seconds`.
Measure RunWizard(int seconds) {
    const double cpu = SelfCpuSeconds();
    const double gui = bench::ThreadCpuSeconds();
    const auto start = Steady::now();
    uitest::RunEventLoop(seconds * 1000);
    Measure m;
    m.wall = std::chrono::duration<double>(Steady::now() - start).count();
    m.cpu = SelfCpuSeconds() - cpu;
    m.guiCpu = bench::ThreadCpuSeconds() - gui;
    return m;
}

// arecord with these arguments, its CPU from wait4; false when it did not
// run or failed.
bool RunArecord(const std::vector<std::string>& args, Measure& m, int& status) {
    bench::ChildRun run;
    status = 0;
    if (!bench::RunChild(args, run))
        return false;
    status = run.status;
    m.wall = run.wall;
    m.cpu = run.cpu;
    return run.Succeeded();
}

void Print(const char* what, const Measure& m) {
    std::printf("%-44s %6.3f %% of a core  (%.3f s CPU in %.2f s", what, m.Percent(), m.cpu,
                m.wall);
    if (m.guiCpu > 0)
        std::printf(", GUI thread %.3f %%", 100.0 * m.guiCpu / m.wall);
    std::printf(")\n");
}

} // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    if (seconds <= 0) {
        std::fprintf(stderr, "usage: bench_record_cpu [seconds]\n");
        return 2;
    }
    // A private temporary directory, so "User.wav" goes nowhere of the user's.
    const std::filesystem::path temp = std::filesystem::temp_directory_path() /
                                       ("pelmora-bench-record-" + std::to_string(getpid()));
    std::filesystem::create_directories(temp);
    setenv("TMPDIR", temp.c_str(), 1);
    unsetenv("XDG_RUNTIME_DIR");
    setenv("QT_QPA_PLATFORM", "offscreen", 1);

    auto card = std::make_shared<plat::CVirtualCard>();
    plat::InstallSoundBackend(card);
    CGuiSession gui(argc, argv);
    CWizardApp::RegisterFonts();
    ResetUiTexts();
    RegisterProgramResources();
    CWizardApp app;
    app.CreateImageList();

    int result = 0;
    {
        CPropSheet sheet;
        sheet.Create();
        sheet.m_mixerSetup.PrepareRecording();
        sheet.m_mixerSetup.SetRecordingVolume(7000);
        sheet.SetActivePage(1);
        sheet.SetActivePage(3);
        uitest::ProcessEvents(200);
        CPropPage4& page = sheet.m_page4;
        CLevelMeter* meter = page.GetDlgItemAs<CLevelMeter>(1003);

        const Measure idle = RunWizard(seconds);

        uitest::PaintCounter paints(*meter);
        page.OnStart();
        const Measure recording = RunWizard(seconds);
        const auto buffers = sheet.m_audioEngine.Recorder().GetBufferCount();
        const int painted = paints.Count();
        page.OnStart();
        uitest::ProcessEvents(50);
        if (buffers == 0) {
            std::fprintf(stderr, "bench_record_cpu: the recording got no buffer\n");
            result = 1;
        }

        // arecord of the recorder's own format, to a file as the wizard does.
        const plat::WAVEFORMATEX f = CWaveRecorder::RecordFormat();
        const std::string out = (temp / "arecord.wav").string();
        std::vector<std::string> args = {"arecord", "-q",
                                         "-t",      "wav",
                                         "-f",      f.wBitsPerSample == 16 ? "S16_LE" : "U8",
                                         "-r",      std::to_string(f.nSamplesPerSec),
                                         "-c",      std::to_string(f.nChannels),
                                         "-d",      std::to_string(seconds),
                                         out};
        // arecord from the null source of a sound server of our own (no
        // sound hardware here), through ALSA's pulse plugin: it records in
        // real time as from a microphone. The server's own CPU is not counted,
        // as the wizard's virtual card is.
        Measure arecord;
        int status = 0;
        std::string device = "the null source of a private sound server";
        plat::CPulseServerForTesting server;
        std::string error;
        if (!server.Start(error)) {
            std::fprintf(stderr, "bench_record_cpu: no sound server (%s); arecord's default\n",
                         error.c_str());
            device = "its default device";
        }
        if (!RunArecord(args, arecord, status)) {
            std::fprintf(stderr, "bench_record_cpu: arecord failed (status %d)\n", status);
            result = 1;
        } else if (arecord.wall < 0.9 * seconds) {
            std::fprintf(stderr, "bench_record_cpu: arecord did not record in real time\n");
            result = 1;
        }
        server.Stop();

        std::printf("recording %u Hz, %u bit, %u channel(s), %d s each, virtual card\n",
                    unsigned(f.nSamplesPerSec), unsigned(f.wBitsPerSample), unsigned(f.nChannels),
                    seconds);
        Print("wizard idle on page 4", idle);
        Print("wizard recording with the meter", recording);
        Print(("arecord, " + device).c_str(), arecord);
        std::printf("meter paints while recording: %d (%.1f per second), %llu buffers\n", painted,
                    painted / recording.wall, static_cast<unsigned long long>(buffers));
        if (idle.Percent() > 0)
            std::printf("ratio recording / idle:    %.2f\n", recording.Percent() / idle.Percent());
        if (arecord.Percent() > 0) {
            std::printf("ratio recording / arecord: %.2f\n",
                        recording.Percent() / arecord.Percent());
            std::printf("ratio (recording - idle) / arecord: %.2f\n",
                        (recording.Percent() - idle.Percent()) / arecord.Percent());
        }
        bench::Goal("% of a core recording with the meter", recording.Percent(), 1.0);
        sheet.EndDialog(IDCANCEL);
        uitest::ProcessEvents(20);
    }
    std::filesystem::remove_all(temp);
    return result != 0 ? result : bench::GoalsStatus();
}
