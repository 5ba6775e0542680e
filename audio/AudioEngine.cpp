#include "audio/AudioEngine.h"

#include "audio/WaveErrorText.h"
#include "platform/mmsystem.h"

using namespace plat;

namespace {

constexpr const char* kPlaySoundError = "Error : Playsound";

// 1 when the part's call worked; else 0, with the part's error text kept.
template <class Part> int Answer(bool worked, const Part& part, std::string& lastError) {
    if (worked)
        return 1;
    lastError = part.GetLastError();
    return 0;
}

} // namespace

CAudioEngine::CAudioEngine() = default;

CAudioEngine::CAudioEngine(std::unique_ptr<CAudioSource> playerSource)
    : m_player(std::move(playerSource)) {}

int CAudioEngine::Play(const std::string& fileName) {
    return Answer(m_player.Play(fileName), m_player, m_lastError);
}

int CAudioEngine::StopPlay() {
    return Answer(m_player.Stop(), m_player, m_lastError);
}

int CAudioEngine::GetPlayLevel() const {
    return m_player.GetPlayLevel();
}

int CAudioEngine::StartRecording(const std::string& fileName) {
    return Answer(m_recorder.Start(fileName), m_recorder, m_lastError);
}

int CAudioEngine::StopRecording() {
    return Answer(m_recorder.Stop(), m_recorder, m_lastError);
}

int CAudioEngine::GetRecordLevel() const {
    return m_recorder.GetLevel();
}

int CAudioEngine::PlayFileLoop(const std::string& fileName) {
    const BOOL played = fileName.empty() ? PlaySound(nullptr, nullptr, 0)
                                         : PlaySound(fileName.c_str(), nullptr,
                                                     SND_FILENAME | SND_ASYNC | SND_LOOP);
    if (played)
        return 1;
    m_lastError = kPlaySoundError;
    return 0;
}

int CAudioEngine::PlayResourceLoop(unsigned resource) {
    const BOOL played = resource == 0 ? PlaySound(nullptr, nullptr, 0)
                                      : PlaySound(MAKEINTRESOURCE(resource), nullptr,
                                                  SND_RESOURCE | SND_ASYNC | SND_LOOP);
    if (played)
        return 1;
    m_lastError = kPlaySoundError;
    return 0;
}

int CAudioEngine::PlayResourceOnce(unsigned resource) {
    if (PlaySound(MAKEINTRESOURCE(resource), nullptr, SND_RESOURCE | SND_ASYNC))
        return 1;
    m_lastError = kPlaySoundError;
    return 0;
}

int CAudioEngine::CheckLoop() {
    const char* call = nullptr;
    const MMRESULT error = PlaySoundDeviceError(&call);
    if (error == MMSYSERR_NOERROR)
        return 1;
    m_lastError = WaveOutErrorText(error, call);
    return 0;
}

int CAudioEngine::TestSoundCard(std::vector<std::string>& inUnsupported,
                                std::vector<std::string>& outUnsupported) {
    return Answer(m_tester.TestFormats(inUnsupported, outUnsupported), m_tester, m_lastError);
}
