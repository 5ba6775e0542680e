// The object the pages use to reach every audio service: the sound-card
// tester, the player, the recorder and the two looping PlaySound outputs.
// Operations return 1 on success and 0 on failure, with the failing part's
// text copied into GetLastError().
#pragma once

#include "audio/TestSoundCard.h"
#include "audio/WavePlayer.h"
#include "audio/WaveRecorder.h"

#include <string>
#include <vector>

// The music of the audio-level page, and its voices saying "left" on the left
// channel and "right" on the right.
constexpr unsigned kMusicResource = 164;
constexpr unsigned kLeftVoiceResource = 170;
constexpr unsigned kRightVoiceResource = 171;

class CAudioEngine {
public:
    CAudioEngine();
    explicit CAudioEngine(std::unique_ptr<CAudioSource> playerSource);

    int Play(const std::string& fileName);
    int StopPlay();
    // The player's level while playing, else -1.
    int GetPlayLevel() const;

    // Loops a WAVE file through PlaySound; an empty name stops PlaySound output.
    int PlayFileLoop(const std::string& fileName);
    // Loops WAVE resource `resource` of the program; 0 stops PlaySound output.
    int PlayResourceLoop(unsigned resource);
    // Plays WAVE resource `resource` of the program once, through PlaySound
    // (so it replaces any PlaySound output and a later call replaces it).
    int PlayResourceOnce(unsigned resource);
    // 0 with the device's reason in GetLastError() when the device ended the
    // looping PlaySound output; 1 while it plays or when none was started.
    int CheckLoop();

    // ---- recording -------------------------------------------------------
    // Records into fileName ("" measures the level without writing a file).
    int StartRecording(const std::string& fileName);
    int StopRecording();
    // The recorder's level while recording, else -1.
    int GetRecordLevel() const;
    // The recorder's last peak (0..32768) while recording, else -1, and
    // whether the recording clipped since it started (kept until the next).
    int GetRecordPeak() const { return m_recorder.GetPeak(); }
    bool HasRecordClipped() const { return m_recorder.HasClipped(); }

    // The format survey of the sound-card tester.
    int TestSoundCard(std::vector<std::string>& inUnsupported,
                      std::vector<std::string>& outUnsupported);

    std::string GetLastError() const { return m_lastError; }

    CTestSoundCard& Tester() { return m_tester; }
    CWavePlayer& Player() { return m_player; }
    CWaveRecorder& Recorder() { return m_recorder; }

private:
    CTestSoundCard m_tester;
    CWavePlayer m_player;
    CWaveRecorder m_recorder;
    std::string m_lastError;
};
