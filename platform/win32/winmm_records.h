// The winmm records whose Windows layout differs from ours: the system's
// multimedia headers pack every record to single bytes, so a pointer-sized
// field that follows an odd number of 32-bit fields sits 4 bytes earlier than
// in platform/mmsystem.h. Both sides of the winmm backend see these copies
// (they include no other header): the Windows side checks them against the
// system's records, our side fills them from ours field by field. The other
// records (capabilities, controls, list texts, WAVEHDR, the fields of
// WAVEFORMATEX) have the same offsets and pass through as they are.
#pragma once

#include <cstddef>
#include <cstdint>

namespace plat::win32 {

#pragma pack(push, 1)

struct WinMixerLine {
    std::uint32_t cbStruct;
    std::uint32_t dwDestination;
    std::uint32_t dwSource;
    std::uint32_t dwLineID;
    std::uint32_t fdwLine;
    std::uintptr_t dwUser;
    std::uint32_t dwComponentType;
    std::uint32_t cChannels;
    std::uint32_t cConnections;
    std::uint32_t cControls;
    char szShortName[16];
    char szName[64];
    struct {
        std::uint32_t dwType;
        std::uint32_t dwDeviceID;
        std::uint16_t wMid;
        std::uint16_t wPid;
        std::uint32_t vDriverVersion;
        char szPname[32];
    } Target;
};

struct WinMixerLineControls {
    std::uint32_t cbStruct;
    std::uint32_t dwLineID;
    std::uint32_t dwControlIDOrType;
    std::uint32_t cControls;
    std::uint32_t cbmxctrl;
    void* pamxctrl;
};

struct WinMixerControlDetails {
    std::uint32_t cbStruct;
    std::uint32_t dwControlID;
    std::uint32_t cChannels;
    std::uintptr_t cMultipleItems; // a union with the owner window
    std::uint32_t cbDetails;
    void* paDetails;
};

#pragma pack(pop)

static_assert(sizeof(WinMixerLine) == 172);
static_assert(offsetof(WinMixerLine, dwUser) == 20);
static_assert(sizeof(WinMixerLineControls) == 28);
static_assert(sizeof(WinMixerControlDetails) == 32);

// The records that pass through: their sizes on both sides.
constexpr std::size_t kMixerCapsBytes = 48;
constexpr std::size_t kMixerControlBytes = 148;
constexpr std::size_t kMixerListTextBytes = 72;
constexpr std::size_t kWaveHeaderBytes = 48;
constexpr std::size_t kWaveOutCapsBytes = 52;
constexpr std::size_t kWaveInCapsBytes = 48;
// WAVEFORMATEX without the padding our record has after cbSize: the extra
// bytes of a format follow at this offset in the system's record.
constexpr std::size_t kWaveFormatBytes = 18;

} // namespace plat::win32
