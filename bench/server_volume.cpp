// Times one volume write on the sound server's connection (what its caller
// waits: the write is sent and its answer counted later), against the same
// write by a bare libpulse client on a connection in the same state
// (connected and subscribed to the same events before the timing; the goal
// is set against it), by `pactl set-sink-volume` and through ALSA's `pulse` mixer (the ALSA
// backend, which opens and reads the mixer for a call on a mixer index), all
// on one private PulseAudio daemon in the same run; then the wizard's own
// call for the listening slider (CMixerSetup::SetPlaybackVolume, which opens
// every mixer and writes the speakers' volume) on the server backend and on
// the ALSA backend. Prints the time and the CPU time of this process per
// write, and the ratios.
//
//   bench_server_volume [writes (default 200)]
#include "bench/BarePulseClient.h"
#include "bench/BenchSupport.h"
#include "mixer/MixerSetup.h"
#include "platform/alsa/AlsaSound.h"
#include "platform/pulse/PulseBackend.h"
#include "platform/pulse/PulseConnection.h"
#include "platform/pulse/testing/PulseServerForTesting.h"

#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

using Clock = std::chrono::steady_clock;
using namespace plat;

namespace {

double CpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

struct Timing {
    double wallMs = 0; // per write
    double cpuMs = 0;  // of this process, per write
};

Timing Time(int writes, const std::function<bool(int)>& write) {
    const double cpu = CpuMs();
    const auto start = Clock::now();
    for (int i = 0; i < writes; ++i)
        if (!write(i)) {
            std::fprintf(stderr, "write %d failed\n", i);
            std::exit(1);
        }
    Timing t;
    t.wallMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count() / writes;
    t.cpuMs = (CpuMs() - cpu) / writes;
    return t;
}

// The ALSA backend's speakers volume of its `default` mixer (the pulse plugin).
bool AlsaVolumeControl(SoundBackend& alsa, UINT& mixer, DWORD& control) {
    for (mixer = 0; mixer < alsa.mixerGetNumDevs(); ++mixer) {
        MIXERLINEA line{};
        line.cbStruct = sizeof line;
        line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
        const auto object = reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(mixer));
        if (alsa.mixerGetLineInfo(object, &line, MIXER_GETLINEINFOF_COMPONENTTYPE) != 0)
            continue;
        MIXERCONTROLA c{};
        MIXERLINECONTROLSA request{};
        request.cbStruct = sizeof request;
        request.dwLineID = line.dwLineID;
        request.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
        request.cControls = 1;
        request.cbmxctrl = sizeof c;
        request.pamxctrl = &c;
        if (alsa.mixerGetLineControls(object, &request, MIXER_GETLINECONTROLSF_ONEBYTYPE) == 0) {
            control = c.dwControlID;
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    const int writes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    CPulseServerForTesting server;
    std::string error;
    if (!server.Start(error)) {
        std::fprintf(stderr, "no private PulseAudio daemon: %s\n", error.c_str());
        return 1;
    }
    auto connection = CPulseConnection::Connect(error);
    if (!connection) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    bench::CBarePulseClient bare;
    if (!bare.Connect(error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    auto alsa = CreateAlsaBackend();
    UINT mixer = 0;
    DWORD control = 0;
    if (!AlsaVolumeControl(*alsa, mixer, control)) {
        std::fprintf(stderr, "the ALSA pulse mixer has no speakers volume\n");
        return 1;
    }
    auto volume = [](int i) { return static_cast<long>(0x4000 + (i % 64) * 256); };

    const Timing ours = Time(writes, [&](int i) {
        return connection->SetVolume(false, CPulseServerForTesting::kSink, volume(i)) == 0;
    });
    const Timing anchor = Time(writes, [&](int i) {
        return bare.SetSinkVolume(CPulseServerForTesting::kSink, volume(i) + 1);
    });
    // Sent without waiting, as the wizard's connection sends: the CPU of the
    // writes and of everything they cause in this process (the answers, the
    // server's events and what the connection does with them), counted
    // until a quiet half second after the last write.
    constexpr int kSettleMs = 500;
    auto settled = [&](const std::function<void(int)>& send) {
        const double cpu = CpuMs();
        for (int i = 0; i < writes; ++i)
            send(i);
        std::this_thread::sleep_for(std::chrono::milliseconds(kSettleMs));
        return (CpuMs() - cpu) / writes;
    };
    const double bareSentCpu =
        settled([&](int i) { bare.SendSinkVolume(CPulseServerForTesting::kSink, volume(i) + 3); });
    if (!bare.WaitForAnswers()) {
        std::fprintf(stderr, "a write of the bare client failed\n");
        return 1;
    }
    const double oursSentCpu = settled(
        [&](int i) { connection->SetVolume(false, CPulseServerForTesting::kSink, volume(i) + 5); });
    const Timing pactl = Time(std::max(1, writes / 4), [&](int i) {
        std::string out;
        return server.Pactl(std::string("set-sink-volume ") + CPulseServerForTesting::kSink + " " +
                                std::to_string(volume(i)),
                            out);
    });
    const Timing viaAlsa = Time(writes, [&](int i) {
        DWORD value = static_cast<DWORD>(volume(i) - 1);
        MIXERCONTROLDETAILS d{};
        d.cbStruct = sizeof d;
        d.dwControlID = control;
        d.cChannels = 1;
        d.cbDetails = sizeof value;
        d.paDetails = &value;
        return alsa->mixerSetControlDetails(
                   reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(mixer)), &d,
                   MIXER_SETCONTROLDETAILSF_VALUE) == 0;
    });

    // The slider's call, through each whole backend.
    auto slider = [&](const std::shared_ptr<SoundBackend>& backend) {
        InstallSoundBackend(backend);
        CMixerSetup setup;
        return Time(writes,
                    [&](int i) { return setup.SetPlaybackVolume(1000 + (i % 64) * 800) == 1; });
    };
    std::shared_ptr<SoundBackend> pulse = OpenPulseBackend(error);
    if (!pulse) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const Timing wizardOnServer = slider(pulse);
    const Timing wizardOnAlsa = slider(alsa);

    std::printf("volume write, per write        time      CPU of this process\n");
    std::printf("server connection         %8.3f ms  %8.3f ms\n", ours.wallMs, ours.cpuMs);
    std::printf("bare libpulse client      %8.3f ms  %8.3f ms\n", anchor.wallMs, anchor.cpuMs);
    std::printf("pactl set-sink-volume     %8.3f ms  (a process each)\n", pactl.wallMs);
    std::printf("ALSA pulse mixer          %8.3f ms  %8.3f ms\n", viaAlsa.wallMs, viaAlsa.cpuMs);
    std::printf("CPU a write with all it causes, settled: connection %.3f ms, bare client "
                "%.3f ms\n",
                oursSentCpu, bareSentCpu);
    std::printf("ratio connection / bare client, CPU settled: %.3f\n", oursSentCpu / bareSentCpu);
    std::printf("ratio connection / ALSA   %8.3f\n", ours.wallMs / viaAlsa.wallMs);
    std::printf("ratio connection / pactl  %8.3f\n", ours.wallMs / pactl.wallMs);
    std::printf("slider, server backend    %8.3f ms  %8.3f ms\n", wizardOnServer.wallMs,
                wizardOnServer.cpuMs);
    std::printf("slider, ALSA backend      %8.3f ms  %8.3f ms\n", wizardOnAlsa.wallMs,
                wizardOnAlsa.cpuMs);
    std::printf("ratio slider server / ALSA %7.3f\n", wizardOnServer.wallMs / wizardOnAlsa.wallMs);
    // A drag sends about 30 writes a second.
    std::printf("CPU while dragging (30 writes/s): %.2f %% of a core\n",
                wizardOnServer.cpuMs * 30 / 10);
    bench::Goal("ratio connection / bare libpulse client (CPU, settled)", oursSentCpu / bareSentCpu,
                1.2);
    return bench::GoalsStatus();
}
