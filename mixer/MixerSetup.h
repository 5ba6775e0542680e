// The mixer as the wizard's pages see it: preparing recording and playback,
// the listening and recording volumes on the 0..10000 scale, and the snapshot
// of every mixer control. Each operation works on a fresh CMixerSet and holds
// no mixer handle once it returns.
#pragma once

#include "mixer/ElementMixer.h"
#include "mixer/MixerSet.h"

#include <cstddef>
#include <ctime>
#include <string>
#include <vector>

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

    // What the last PrepareRecording and PreparePlayback changed, one entry
    // a line they unmuted or whose volume they moved, in the order done
    // (also when they failed after it).
    struct PreparedChange {
        bool recording = false;
        MixerLineChange change;
    };
    const std::vector<PreparedChange>& GetPreparedChanges() const { return m_changes; }

    int SetPlaybackVolume(int v);
    // Stores -1 first; v is the volume found, -1 when there is no control.
    int GetPlaybackVolume(int& v);
    int SetRecordingVolume(int v);
    int GetRecordingVolume(int& v);
    // How the recording volume (0..10000, as a fraction of 10000) maps to
    // gain. 1 / 0.
    int GetRecordingCurve(plat::VolumeCurve& curve);

    // The run's snapshot: every adjustable control of every mixer, kept in
    // memory until it is put back, and written to `path` with a run record
    // beside it so that a run that ends badly can be put back at the next
    // start. Taken once: while it is held, later calls keep it. 1 = in
    // memory and on disk; 0 = failure, text in GetErrorText() — HasSnapshot()
    // then tells whether the memory copy still serves Cancel and Finish. A
    // snapshot of an earlier run still waiting at `path` is never overwritten.
    int SaveSnapshot(const std::string& path);
    bool HasSnapshot() const { return m_snapshotTaken; }
    // Where this run wrote its snapshot; "" when it is in memory only.
    const std::string& SnapshotFile() const { return m_snapshotFile; }
    // Writes every value of the run's snapshot back. Once every value is back
    // the snapshot is let go, and its file and record are deleted when this
    // run wrote them at `path`; on failure all of them are kept. 1 / 0.
    int RestoreSnapshot(const std::string& path);
    // The user chose another device after the snapshot was taken: the
    // controls the snapshot does not hold yet are added as they are now (with
    // the record beside its file, for a crash), before the wizard changes
    // them, so Cancel puts them back too. 1 also when no snapshot is held;
    // 0 with the text in GetErrorText().
    int AddToSnapshot();
    // The run ends keeping its changes: the snapshot is let go and its record
    // deleted; the file stays for a restore by hand.
    void KeepChanges(const std::string& path);

    // The snapshot file alone, for the command-line tools and the recovery of
    // an ended run: writes every control to `path` (with a record of their
    // names beside it), or writes the file's values back — by the names of
    // the record beside it where there is one, with the controls it added —
    // deleting the file and its record once every value is back when
    // `deleteFile` is set. 1 / 0.
    int WriteSnapshotFile(const std::string& path);
    int RestoreSnapshotFile(const std::string& path, bool deleteFile);

    std::string GetErrorText() const { return m_error; }
    // A volume or mute write answered at once may fail later, once the sound
    // system has it (the desktop's sound server): "the last asynchronous
    // write failed: <the backend's words>", or "" when none did or a later
    // one went through.
    std::string GetAsyncWriteFailure() const;

    std::string m_error;
    bool m_playSourceSet = false;
    bool m_waveOutHasVolume = false;
    bool m_recSourceSet = false;
    bool m_micHasVolume = false;

private:
    int Prepare(bool recording);
    // Every element of the mixers as they are now, into `elements`. 1 / 0.
    int TakeElements(std::vector<CElementMixer>& elements);
    int WriteBack(std::vector<CElementMixer>& elements);

    std::vector<PreparedChange> m_changes;
    // The snapshot's elements: those in its file first (m_inFile), then
    // those added since (AddToSnapshot), kept in the record.
    std::vector<CElementMixer> m_snapshot;
    std::size_t m_inFile = 0;
    std::time_t m_taken = 0;
    bool m_snapshotTaken = false;
    std::string m_snapshotFile; // where this run wrote it; "" when memory only
};
