#include "audio/AudioEngine.h"

#include "platform/mmsystem.h"

using namespace plat;

namespace {
constexpr const char* kPlaySoundError = "Error : Playsound";
}

CAudioEngine::CAudioEngine() = default;

CAudioEngine::CAudioEngine(std::unique_ptr<CAudioSource> playerSource)
    : m_player(std::move(playerSource)) {}

int CAudioEngine::Play(const std::string& fileName) {
    if (m_player.Play(fileName))
        return 1;
    m_lastError = m_player.GetLastError();
    return 0;
}

int CAudioEngine::StopPlay() {
    if (m_player.Stop())
        return 1;
    m_lastError = m_player.GetLastError();
    return 0;
}

int CAudioEngine::GetPlayLevel() const {
    return m_player.GetPlayLevel();
}

int CAudioEngine::StartRecording(const std::string& fileName) {
    if (m_recorder.Start(fileName))
        return 1;
    m_lastError = m_recorder.GetLastError();
    return 0;
}

int CAudioEngine::StopRecording() {
    if (m_recorder.Stop())
        return 1;
    m_lastError = m_recorder.GetLastError();
    return 0;
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

int CAudioEngine::TestSoundCard(std::vector<std::string>& inUnsupported,
                                std::vector<std::string>& outUnsupported) {
    if (m_tester.TestFormats(inUnsupported, outUnsupported))
        return 1;
    m_lastError = m_tester.GetLastError();
    return 0;
}
