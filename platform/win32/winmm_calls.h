// The winmm calls as plain functions, for the files that see our own
// multimedia declarations (platform/mmsystem.h), which must not meet the
// macros of <windows.h>: handles and records pass as void*, result codes as
// unsigned. Records are the system's layout (winmm_records.h); callbacks are
// the system's CALLBACK_FUNCTION procedures, whose calling convention on
// x86-64 is the one of every function.
#pragma once

#include <cstdint>

namespace plat::win32 {

unsigned WinMixerGetNumDevs();
unsigned WinMixerOpen(void** mixer, unsigned id, std::uintptr_t callback, std::uintptr_t instance,
                      std::uint32_t flags);
unsigned WinMixerClose(void* mixer);
unsigned WinMixerGetDevCaps(std::uintptr_t id, void* caps, unsigned size);
unsigned WinMixerGetLineInfo(void* object, void* line, std::uint32_t flags);
unsigned WinMixerGetLineControls(void* object, void* controls, std::uint32_t flags);
unsigned WinMixerGetControlDetails(void* object, void* details, std::uint32_t flags);
unsigned WinMixerSetControlDetails(void* object, void* details, std::uint32_t flags);

unsigned WinWaveOutGetNumDevs();
unsigned WinWaveOutGetDevCaps(std::uintptr_t id, void* caps, unsigned size);
unsigned WinWaveOutGetErrorText(unsigned code, char* text, unsigned size);
unsigned WinWaveOutClose(void* device);
unsigned WinWaveOutPrepareHeader(void* device, void* header, unsigned size);
unsigned WinWaveOutUnprepareHeader(void* device, void* header, unsigned size);
unsigned WinWaveOutWrite(void* device, void* header, unsigned size);
unsigned WinWaveOutPause(void* device);
unsigned WinWaveOutRestart(void* device);
unsigned WinWaveOutReset(void* device);

unsigned WinWaveInGetNumDevs();
unsigned WinWaveInGetDevCaps(std::uintptr_t id, void* caps, unsigned size);
unsigned WinWaveInGetErrorText(unsigned code, char* text, unsigned size);
unsigned WinWaveInClose(void* device);
unsigned WinWaveInPrepareHeader(void* device, void* header, unsigned size);
unsigned WinWaveInUnprepareHeader(void* device, void* header, unsigned size);
unsigned WinWaveInAddBuffer(void* device, void* header, unsigned size);
unsigned WinWaveInStart(void* device);
unsigned WinWaveInStop(void* device);
unsigned WinWaveInReset(void* device);

// PlaySoundA, and whether the module holds the WAVE resource `id`.
bool WinPlaySound(const char* sound, void* module, std::uint32_t flags);
bool WinModuleHasWave(void* module, unsigned id);
// The program's own module, where a null module names it.
void* WinProgramModule();

} // namespace plat::win32
