#include "resources/ProgramResources.h"

#include "platform/resources.h"
#include "resources/MusicData.h"

namespace {
constexpr unsigned kMusicId = 164;
}

void RegisterProgramResources() {
    plat::RegisterResource("WAVE", kMusicId, MusicWaveData(), MusicWaveSize());
}
