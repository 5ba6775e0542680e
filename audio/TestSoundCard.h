// The sound-card tester: asks the wave drivers which of the 16 plain PCM
// formats they accept (format queries only; no device is really opened) and
// keeps an inventory of the wave devices for diagnostics.
#pragma once

#include "platform/mmsystem.h"

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The first 16 bytes of a queried format: tag, channels, rate, bytes per
// second, block alignment, bits per sample.
struct PcmFormatRecord {
    plat::WORD wFormatTag = 0;
    plat::WORD nChannels = 0;
    plat::DWORD nSamplesPerSec = 0;
    plat::DWORD nAvgBytesPerSec = 0;
    plat::WORD nBlockAlign = 0;
    plat::WORD wBitsPerSample = 0;
};

struct WaveInDeviceInfo {
    plat::WAVEINCAPSA caps{};
    std::vector<std::unique_ptr<PcmFormatRecord>> supported;
    std::vector<std::unique_ptr<PcmFormatRecord>> unsupported;
};

struct WaveOutDeviceInfo {
    plat::WAVEOUTCAPSA caps{};
    std::vector<std::unique_ptr<PcmFormatRecord>> supported;
    std::vector<std::unique_ptr<PcmFormatRecord>> unsupported;
};

// The 16 formats in survey order: rate 8000, 11025, 22050, 44100 outermost,
// then 8 and 16 bits, then mono and stereo.
std::array<plat::WAVEFORMATEX, 16> SurveyFormats();
// "%dHz, %dbit, %d channels".
std::string FormatText(const plat::WAVEFORMATEX& format);

class CTestSoundCard {
public:
    static constexpr int kQueryAttempts = 20;
    static constexpr plat::DWORD kRetryWaitMs = 500;

    // The wait between two attempts on a busy device; plat::WaitDispatching by
    // default, so the window stays responsive.
    using WaitFunction = std::function<void(plat::DWORD ms)>;

    struct Inventory {
        plat::UINT inCount = 0;
        plat::UINT outCount = 0;
        std::unique_ptr<WaveInDeviceInfo[]> inDevices;
        std::unique_ptr<WaveOutDeviceInfo[]> outDevices;
    };

    CTestSoundCard();
    ~CTestSoundCard();
    CTestSoundCard(const CTestSoundCard&) = delete;
    CTestSoundCard& operator=(const CTestSoundCard&) = delete;

    void SetWait(WaitFunction wait);

    // TRUE when every query was answered; the lists hold the refused formats'
    // texts in survey order. FALSE on the first failed query, with the reason
    // in GetLastError() and the lists holding what was found until then.
    plat::BOOL TestFormats(std::vector<std::string>& inUnsupported,
                           std::vector<std::string>& outUnsupported);

    // TRUE when the driver answered (*supported set), FALSE otherwise.
    plat::BOOL QueryFormat(bool input, plat::WAVEFORMATEX format, bool* supported,
                           plat::UINT deviceId);

    // The inventory, built on the first call that finds no device counted;
    // null when building it failed.
    const Inventory* GetDevices();

    std::string GetLastError() const { return m_lastError; }

private:
    bool BuildInventory();
    void FreeInventory();
    template <typename DeviceInfo> bool ListDevice(bool input, plat::UINT id, DeviceInfo& device);
    void SetErrorFromResult(bool input, plat::MMRESULT code, const char* call);

    std::string m_lastError;
    Inventory m_inventory;
    WaitFunction m_wait;
};
