// The CPU the wizard takes while page 4 records with its meter running on a
// private PipeWire session (the wizard's server backend, the session's null
// source as the microphone), against the same wizard idle on that page and
// against `parecord --latency-msec=20` and `pw-record` recording the
// recorder's own format from the same source, all in one run. Every figure
// is the whole process's CPU over the same stretch of recording (its threads'
// time from /proc, read after a second of warm-up and again `seconds`
// later), so the wizard and the anchors are measured alike. The wizard runs
// on Qt's offscreen platform. Prints per-cent of one core for each, the
// ratios, and how often the meter was painted.
//
//   bench_record_cpu [seconds (default 10)]
#include "audio/WaveRecorder.h"
#include "bench/BenchSupport.h"
#include "bench/WizardOnServer.h"
#include "platform/sound_backend.h"
#include "ui/LevelMeter.h"
#include "ui/Testing.h"

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

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

    bench::CWizardOnServer wizard("bench_record_cpu", argc, argv);
    if (!wizard.Ready())
        return 1;

    int result = 0;
    const plat::WAVEFORMATEX f = CWaveRecorder::RecordFormat();
    {
        CPropSheet sheet;
        sheet.Create();
        sheet.m_mixerSetup.PrepareRecording();
        sheet.m_mixerSetup.SetRecordingVolume(7000);
        // Page 2's sound-card test lets the wizard on, as it does the user.
        if (!wizard.WalkTo(sheet, 3))
            return 1;
        CPropPage4& page = sheet.m_page4;
        CLevelMeter* meter = page.GetDlgItemAs<CLevelMeter>(1003);
        auto run = [](int ms) { uitest::RunEventLoop(ms); };

        const bench::Stretch idle = bench::MeasureStretch(getpid(), seconds, run);
        uitest::PaintCounter paints(*meter);
        page.OnStart();
        const bench::Stretch recording = bench::MeasureStretch(getpid(), seconds, run);
        const auto buffers = sheet.m_audioEngine.Recorder().GetBufferCount();
        const int painted = paints.Count();
        page.OnStart();
        uitest::ProcessEvents(50);
        if (buffers == 0) {
            std::fprintf(stderr, "bench_record_cpu: the recording got no buffer\n");
            result = 1;
        }
        sheet.EndDialog(IDCANCEL);
        uitest::ProcessEvents(20);

        // The anchors record the same format from the same source, to a file.
        const std::string rate = std::to_string(f.nSamplesPerSec);
        const std::string channels = std::to_string(f.nChannels);
        bench::Stretch parecord, pwRecord;
        if (!bench::MeasureChildStretch({"parecord", "--latency-msec=20", "--format=s16le",
                                         "--rate=" + rate, "--channels=" + channels,
                                         "--file-format=wav", (temp / "parecord.wav").string()},
                                        seconds, parecord)) {
            std::fprintf(stderr, "bench_record_cpu: parecord did not record\n");
            result = 1;
        }
        if (!bench::MeasureChildStretch({"pw-record", "--rate", rate, "--channels", channels,
                                         "--format", "s16", (temp / "pw-record.wav").string()},
                                        seconds, pwRecord)) {
            std::fprintf(stderr, "bench_record_cpu: pw-record did not record\n");
            result = 1;
        }

        std::printf("recording %u Hz, %u bit, %u channel(s), %d s each after 1 s, private "
                    "PipeWire session; whole-process CPU from /proc\n",
                    unsigned(f.nSamplesPerSec), unsigned(f.wBitsPerSample), unsigned(f.nChannels),
                    seconds);
        bench::PrintStretch("wizard idle on page 4", idle);
        bench::PrintStretch("wizard recording with the meter", recording);
        bench::PrintStretch("parecord --latency-msec=20", parecord);
        bench::PrintStretch("pw-record", pwRecord);
        std::printf("meter paints while recording: %d (%.1f per second), %llu buffers\n", painted,
                    painted / recording.wall, static_cast<unsigned long long>(buffers));
        if (pwRecord.Percent() > 0)
            std::printf("ratio recording / pw-record: %.2f\n",
                        recording.Percent() / pwRecord.Percent());
        bench::Goal("% of a core recording with the meter", recording.Percent(), 1.0);
        bench::Goal("ratio recording / parecord --latency-msec=20",
                    parecord.Percent() > 0 ? recording.Percent() / parecord.Percent() : 0, 1.5);
    }
    std::filesystem::remove_all(temp);
    return result != 0 ? result : bench::GoalsStatus();
}
