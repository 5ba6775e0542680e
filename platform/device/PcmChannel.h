// One open PCM stream in a wave format, as the wave devices drive it: frames
// written or read with a bounded wait, what is still to be heard, start,
// pause, drop, and the device's own words for a failure. ALSA PCM
// (AlsaPcm.cpp) and the sound server's streams (platform/pulse/) implement
// it; the wave-out and wave-in devices (PcmWaveOut.h, PcmWaveIn.h) work on
// it alone.
//
// Results are counts or 0, and a negative errno once the channel has failed
// for good (the device vanished, the server went away or ended the stream);
// LastError() then says why in the device's words.
#pragma once

#include "platform/mmsystem.h"
#include "platform/sound_backend.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace plat {

// A wave device a backend offers.
struct WaveEndpoint {
    std::string name;        // what the backend opens it by, and names it in error texts
    std::string displayName; // shown as the device's szPname
    DeviceFormFactor formFactor = DeviceFormFactor::Unknown;
};

class CPcmChannel {
public:
    virtual ~CPcmChannel() = default; // drops what is buffered and closes

    // The frames the device moves at a time, never 0.
    virtual std::size_t PeriodFrames() const = 0;

    // Waits at most waitMs for room, then writes up to `frames` frames: the
    // frames taken, 0 when the wait ran out or an underrun was recovered.
    virtual long Write(const char* data, std::size_t frames, int waitMs) = 0;
    // Starts capturing if it has not, waits at most waitMs for sound, then
    // reads up to `frames` frames: the frames read, 0 when the wait ran out
    // or an overrun was recovered.
    virtual long Read(char* data, std::size_t frames, int waitMs) = 0;

    // Of the frames written, how many are not yet heard.
    virtual int Delay(std::uint64_t& frames) = 0;
    // Plays what is written even when it is less than the device waits for
    // before it starts by itself (a short sound); nothing when it plays.
    virtual void Start() = 0;
    // Pauses a channel that is playing: false when there was nothing to pause.
    virtual bool Pause() = 0;
    virtual void Resume() = 0;
    // Discards what is buffered, written or captured; the channel is ready
    // to start again, not paused.
    virtual void Drop() = 0;

    virtual std::string LastError() const = 0;
};

// MMSYSERR_NOERROR for a PCM format a channel can carry (8, 16, 24 or 32
// bits, 1 to 8 channels, block alignment and byte rate that agree),
// WAVERR_BADFORMAT for any other, MMSYSERR_INVALPARAM for a null format.
MMRESULT CheckWaveFormat(const WAVEFORMATEX* format);

// The nearest multimedia result of a negative errno.
MMRESULT MmResultOfErrno(int error);

} // namespace plat
