// PlaySound on Windows: with the winmm backend the system's PlaySoundA plays
// the program's WAVE resources from its module, and a resource registered
// with RegisterResource (not in the module) from memory, checked first; with
// the virtual card the sound goes over its waveOut calls as on Linux.
#include "platform/embedded/resources.h"
#include "platform/playsound_backend.h"
#include "platform/virtual/WaveData.h"
#include "platform/win32/winmm_backend.h"
#include "platform/win32/winmm_calls.h"

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace plat {

namespace {

// The system reads an image in memory as far as its chunks say, whatever
// its real length: a registered resource is played from a copy rebuilt from
// what it holds (a data chunk that claims more than there is, cut), made
// once per resource and kept, as the resources are, for the process's life;
// null when it is no WAVE image.
const std::vector<std::uint8_t>* CheckedImage(unsigned id) {
    static auto* mutex = new std::mutex;
    static auto* images = new std::map<unsigned, std::vector<std::uint8_t>>;
    std::lock_guard<std::mutex> lock(*mutex);
    if (auto known = images->find(id); known != images->end())
        return &known->second;
    ResourceData resource;
    WaveData wave;
    std::string error;
    if (!FindResource("WAVE", id, resource) ||
        !ParseWave(resource.data, resource.size, wave, error))
        return nullptr;
    std::vector<std::uint8_t> image =
        BuildWave(wave.format, wave.samples.data(), wave.samples.size());
    return &images->emplace(id, std::move(image)).first->second;
}

BOOL Result(bool played) {
    return played ? 1 : 0;
}

} // namespace

BOOL PlaySound(LPCSTR pszSound, HMODULE hmod, DWORD fdwSound) {
    if (!IsWinmmBackend(CurrentSoundBackend()))
        return PlaySoundOverBackend(pszSound, fdwSound);
    PlaySoundOverBackend(nullptr, 0); // a sound the virtual card still plays ends
    if (pszSound == nullptr || (fdwSound & SND_RESOURCE) != SND_RESOURCE)
        return Result(win32::WinPlaySound(pszSound, hmod, fdwSound));
    unsigned id = 0;
    if (!ResourceIdOfSound(pszSound, id))
        return 0;
    void* module = hmod != nullptr ? static_cast<void*>(hmod) : win32::WinProgramModule();
    if (win32::WinModuleHasWave(module, id))
        return Result(win32::WinPlaySound(MAKEINTRESOURCE(id), module, fdwSound));
    const std::vector<std::uint8_t>* image = CheckedImage(id);
    if (image == nullptr)
        return 0;
    const DWORD fromMemory = (fdwSound & ~SND_RESOURCE) | SND_MEMORY;
    return Result(
        win32::WinPlaySound(reinterpret_cast<LPCSTR>(image->data()), nullptr, fromMemory));
}

} // namespace plat
