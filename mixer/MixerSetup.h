// The mixer as the wizard's pages see it: preparing recording and playback,
// the listening and recording volumes on the 0..10000 scale, and the snapshot
// of every mixer control. Each operation works on a fresh CMixerSet and holds
// no mixer handle once it returns.
#pragma once

#include <string>

// Where the wizard keeps its snapshot: "Mixer.ser" in the user's private
// temporary directory; empty when there is none (GetTempPath tells why).
std::string MixerSnapshotPath();

class CMixerSetup {
public:
    CMixerSetup();
    virtual ~CMixerSetup();

    // Selects the microphone as recording source and raises a recording
    // volume below 500 to 5000. 1 / 0 (text in GetErrorText()).
    int PrepareRecording();
    // Unmutes the wave-out playback path and raises a listening volume below
    // 500 to 5000. 1 / 0.
    int PreparePlayback();

    int SetPlaybackVolume(int v);
    // Stores -1 first; v is the volume found, -1 when there is no control.
    int GetPlaybackVolume(int& v);
    int SetRecordingVolume(int v);
    int GetRecordingVolume(int& v);

    // Saves every adjustable control of every mixer to the file. 1 / 0.
    int SaveSnapshot(const std::string& path);
    // Writes every value of the file back to its control and deletes the
    // file. 1 / 0.
    int RestoreSnapshot(const std::string& path);
    // The same, keeping the file (for restoring a mixer by hand).
    int RestoreSnapshotKeepingFile(const std::string& path);

    std::string GetErrorText() const { return m_error; }

    std::string m_error;
    bool m_playSourceSet = false;
    bool m_waveOutHasVolume = false;
    bool m_recSourceSet = false;
    bool m_micHasVolume = false;

private:
    int Prepare(bool recording);
    int Restore(const std::string& path, bool deleteFile);
};
