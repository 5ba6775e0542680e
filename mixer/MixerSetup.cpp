#include "mixer/MixerSetup.h"

#include "mixer/MixerSet.h"
#include "platform/sound_backend.h"

using namespace plat;

namespace {

// A volume below this is raised to kRaisedVolume; at or above it the user's
// level stays.
constexpr int kLowVolume = 500;
constexpr int kRaisedVolume = 5000;

UINT AsVolume(int v) {
    return v < 0 ? 0u : static_cast<UINT>(v);
}

} // namespace

CMixerSetup::CMixerSetup() = default;
CMixerSetup::~CMixerSetup() = default;

int CMixerSetup::Prepare(bool recording) {
    const DWORD source =
        recording ? MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE : MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT;
    bool& sourceSet = recording ? m_recSourceSet : m_playSourceSet;
    bool& hasVolume = recording ? m_micHasVolume : m_waveOutHasVolume;

    CMixerSet mixer;
    mixer.m_noteChanges = true;
    std::erase_if(m_changes, [&](const PreparedChange& c) { return c.recording == recording; });
    // What was changed goes on record also when a later step fails.
    auto done = [&](int result) {
        for (MixerLineChange& change : mixer.m_changes)
            m_changes.push_back({recording, std::move(change)});
        if (!result)
            m_error = mixer.m_error;
        return result;
    };
    if (!mixer.SelectSource(recording, source))
        return done(0);
    sourceSet = true;

    int volume = -1;
    if (!mixer.GetVolume(recording, volume, source))
        return done(0);
    if (volume == -1) {
        // No volume on the source line: the destination's own volume serves.
        hasVolume = false;
        if (!mixer.GetVolume(recording, volume, NO_SOURCE))
            return done(0);
        if (volume == -1)
            return done(1);
    } else {
        hasVolume = true;
        int master = -1;
        if (!mixer.GetVolume(recording, master, NO_SOURCE))
            return done(0);
        if (master != -1 && master < kLowVolume &&
            !mixer.SetVolume(recording, kRaisedVolume, NO_SOURCE))
            return done(0);
    }
    if (volume >= kLowVolume)
        return done(1);
    // The line Set*Volume use, now that the source is set.
    return done(mixer.SetVolume(recording, kRaisedVolume, hasVolume ? source : NO_SOURCE));
}

int CMixerSetup::PrepareRecording() {
    return Prepare(true);
}

int CMixerSetup::PreparePlayback() {
    return Prepare(false);
}

int CMixerSetup::SetPlaybackVolume(int v) {
    CMixerSet mixer;
    const DWORD line =
        m_playSourceSet && m_waveOutHasVolume ? MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT : NO_SOURCE;
    const int result = mixer.SetVolume(false, AsVolume(v), line);
    if (!result)
        m_error = mixer.m_error;
    return result;
}

std::string CMixerSetup::GetAsyncWriteFailure() const {
    const std::string words = CurrentSoundBackend().LastMixerWriteFailure();
    return words.empty() ? words : "the last asynchronous write failed: " + words;
}

int CMixerSetup::GetPlaybackVolume(int& v) {
    CMixerSet mixer;
    const DWORD line =
        m_playSourceSet && m_waveOutHasVolume ? MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT : NO_SOURCE;
    const int result = mixer.GetVolume(false, v, line);
    if (!result)
        m_error = mixer.m_error;
    return result;
}

int CMixerSetup::SetRecordingVolume(int v) {
    CMixerSet mixer;
    const DWORD line =
        m_recSourceSet && m_micHasVolume ? MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE : NO_SOURCE;
    const int result = mixer.SetVolume(true, AsVolume(v), line);
    if (!result)
        m_error = mixer.m_error;
    return result;
}

int CMixerSetup::GetRecordingCurve(VolumeCurve& curve) {
    CMixerSet mixer;
    const DWORD line =
        m_recSourceSet && m_micHasVolume ? MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE : NO_SOURCE;
    const int result = mixer.GetVolumeCurve(true, curve, line);
    if (!result)
        m_error = mixer.m_error;
    return result;
}

int CMixerSetup::GetRecordingVolume(int& v) {
    CMixerSet mixer;
    const DWORD line =
        m_recSourceSet && m_micHasVolume ? MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE : NO_SOURCE;
    const int result = mixer.GetVolume(true, v, line);
    if (!result)
        m_error = mixer.m_error;
    return result;
}
