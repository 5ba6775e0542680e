#include "resources/ProgramResources.h"

#include "platform/embedded/resources.h"
#include "resources/MusicData.h"
#include "resources/SideVoiceData.h"

namespace {
constexpr unsigned kMusicId = 164;
constexpr unsigned kLeftVoiceId = 170;
constexpr unsigned kRightVoiceId = 171;
} // namespace

void RegisterProgramResources() {
    plat::RegisterResource("WAVE", kMusicId, MusicWaveData(), MusicWaveSize());
    plat::RegisterResource("WAVE", kLeftVoiceId, LeftVoiceData(), LeftVoiceSize());
    plat::RegisterResource("WAVE", kRightVoiceId, RightVoiceData(), RightVoiceSize());
}
