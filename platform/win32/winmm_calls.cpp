// The winmm calls behind winmm_calls.h: each forwards to the system's call of
// the same name and adds nothing.
#include "platform/win32/winmm_calls.h"

#include "platform/win32/windows_api.h"
#include "platform/win32/winmm_records.h"

#include <mmsystem.h>

#include <cstddef>

namespace plat::win32 {

#define PELMORA_SAME_FIELD(ours, theirs, field)                                                    \
    static_assert(offsetof(ours, field) == offsetof(theirs, field))

static_assert(sizeof(MIXERLINEA) == sizeof(WinMixerLine));
PELMORA_SAME_FIELD(WinMixerLine, MIXERLINEA, dwUser);
PELMORA_SAME_FIELD(WinMixerLine, MIXERLINEA, dwComponentType);
PELMORA_SAME_FIELD(WinMixerLine, MIXERLINEA, szShortName);
PELMORA_SAME_FIELD(WinMixerLine, MIXERLINEA, szName);
PELMORA_SAME_FIELD(WinMixerLine, MIXERLINEA, Target);
static_assert(sizeof(MIXERLINECONTROLSA) == sizeof(WinMixerLineControls));
PELMORA_SAME_FIELD(WinMixerLineControls, MIXERLINECONTROLSA, cControls);
PELMORA_SAME_FIELD(WinMixerLineControls, MIXERLINECONTROLSA, cbmxctrl);
PELMORA_SAME_FIELD(WinMixerLineControls, MIXERLINECONTROLSA, pamxctrl);
static_assert(sizeof(MIXERCONTROLDETAILS) == sizeof(WinMixerControlDetails));
PELMORA_SAME_FIELD(WinMixerControlDetails, MIXERCONTROLDETAILS, cChannels);
PELMORA_SAME_FIELD(WinMixerControlDetails, MIXERCONTROLDETAILS, cbDetails);
PELMORA_SAME_FIELD(WinMixerControlDetails, MIXERCONTROLDETAILS, paDetails);
static_assert(sizeof(MIXERCAPSA) == kMixerCapsBytes);
static_assert(sizeof(MIXERCONTROLA) == kMixerControlBytes);
static_assert(sizeof(MIXERCONTROLDETAILS_LISTTEXTA) == kMixerListTextBytes);
static_assert(sizeof(WAVEHDR) == kWaveHeaderBytes);
static_assert(sizeof(WAVEOUTCAPSA) == kWaveOutCapsBytes);
static_assert(sizeof(WAVEINCAPSA) == kWaveInCapsBytes);
static_assert(sizeof(WAVEFORMATEX) == kWaveFormatBytes);

#undef PELMORA_SAME_FIELD

unsigned WinMixerGetNumDevs() {
    return mixerGetNumDevs();
}
unsigned WinMixerOpen(void** mixer, unsigned id, std::uintptr_t callback, std::uintptr_t instance,
                      std::uint32_t flags) {
    return mixerOpen(reinterpret_cast<HMIXER*>(mixer), id, callback, instance, flags);
}
unsigned WinMixerClose(void* mixer) {
    return mixerClose(static_cast<HMIXER>(mixer));
}
unsigned WinMixerGetDevCaps(std::uintptr_t id, void* caps, unsigned size) {
    return mixerGetDevCapsA(id, static_cast<MIXERCAPSA*>(caps), size);
}
unsigned WinMixerGetLineInfo(void* object, void* line, std::uint32_t flags) {
    return mixerGetLineInfoA(static_cast<HMIXEROBJ>(object), static_cast<MIXERLINEA*>(line), flags);
}
unsigned WinMixerGetLineControls(void* object, void* controls, std::uint32_t flags) {
    return mixerGetLineControlsA(static_cast<HMIXEROBJ>(object),
                                 static_cast<MIXERLINECONTROLSA*>(controls), flags);
}
unsigned WinMixerGetControlDetails(void* object, void* details, std::uint32_t flags) {
    return mixerGetControlDetailsA(static_cast<HMIXEROBJ>(object),
                                   static_cast<MIXERCONTROLDETAILS*>(details), flags);
}
unsigned WinMixerSetControlDetails(void* object, void* details, std::uint32_t flags) {
    return mixerSetControlDetails(static_cast<HMIXEROBJ>(object),
                                  static_cast<MIXERCONTROLDETAILS*>(details), flags);
}

unsigned WinWaveOutGetNumDevs() {
    return waveOutGetNumDevs();
}
unsigned WinWaveOutGetDevCaps(std::uintptr_t id, void* caps, unsigned size) {
    return waveOutGetDevCapsA(id, static_cast<WAVEOUTCAPSA*>(caps), size);
}
unsigned WinWaveOutGetErrorText(unsigned code, char* text, unsigned size) {
    return waveOutGetErrorTextA(code, text, size);
}
unsigned WinWaveOutClose(void* device) {
    return waveOutClose(static_cast<HWAVEOUT>(device));
}
unsigned WinWaveOutPrepareHeader(void* device, void* header, unsigned size) {
    return waveOutPrepareHeader(static_cast<HWAVEOUT>(device), static_cast<WAVEHDR*>(header), size);
}
unsigned WinWaveOutUnprepareHeader(void* device, void* header, unsigned size) {
    return waveOutUnprepareHeader(static_cast<HWAVEOUT>(device), static_cast<WAVEHDR*>(header),
                                  size);
}
unsigned WinWaveOutWrite(void* device, void* header, unsigned size) {
    return waveOutWrite(static_cast<HWAVEOUT>(device), static_cast<WAVEHDR*>(header), size);
}
unsigned WinWaveOutPause(void* device) {
    return waveOutPause(static_cast<HWAVEOUT>(device));
}
unsigned WinWaveOutRestart(void* device) {
    return waveOutRestart(static_cast<HWAVEOUT>(device));
}
unsigned WinWaveOutReset(void* device) {
    return waveOutReset(static_cast<HWAVEOUT>(device));
}

unsigned WinWaveInGetNumDevs() {
    return waveInGetNumDevs();
}
unsigned WinWaveInGetDevCaps(std::uintptr_t id, void* caps, unsigned size) {
    return waveInGetDevCapsA(id, static_cast<WAVEINCAPSA*>(caps), size);
}
unsigned WinWaveInGetErrorText(unsigned code, char* text, unsigned size) {
    return waveInGetErrorTextA(code, text, size);
}
unsigned WinWaveInClose(void* device) {
    return waveInClose(static_cast<HWAVEIN>(device));
}
unsigned WinWaveInPrepareHeader(void* device, void* header, unsigned size) {
    return waveInPrepareHeader(static_cast<HWAVEIN>(device), static_cast<WAVEHDR*>(header), size);
}
unsigned WinWaveInUnprepareHeader(void* device, void* header, unsigned size) {
    return waveInUnprepareHeader(static_cast<HWAVEIN>(device), static_cast<WAVEHDR*>(header), size);
}
unsigned WinWaveInAddBuffer(void* device, void* header, unsigned size) {
    return waveInAddBuffer(static_cast<HWAVEIN>(device), static_cast<WAVEHDR*>(header), size);
}
unsigned WinWaveInStart(void* device) {
    return waveInStart(static_cast<HWAVEIN>(device));
}
unsigned WinWaveInStop(void* device) {
    return waveInStop(static_cast<HWAVEIN>(device));
}
unsigned WinWaveInReset(void* device) {
    return waveInReset(static_cast<HWAVEIN>(device));
}

bool WinPlaySound(const char* sound, void* module, std::uint32_t flags) {
    return PlaySoundA(sound, static_cast<HMODULE>(module), flags) != FALSE;
}

bool WinModuleHasWave(void* module, unsigned id) {
    return FindResourceA(static_cast<HMODULE>(module), MAKEINTRESOURCEA(id), "WAVE") != nullptr;
}

void* WinProgramModule() {
    return GetModuleHandleA(nullptr);
}

} // namespace plat::win32
