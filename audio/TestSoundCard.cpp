#include "audio/TestSoundCard.h"

#include "platform/system/message_loop.h"
#include "platform/system/trace.h"

#include <cstdio>
#include <new>
#include <type_traits>

using namespace plat;

namespace {

constexpr const char* kModule = "TestSoundCard";

PcmFormatRecord RecordOf(const WAVEFORMATEX& f) {
    return PcmFormatRecord{f.wFormatTag,      f.nChannels,   f.nSamplesPerSec,
                           f.nAvgBytesPerSec, f.nBlockAlign, f.wBitsPerSample};
}

} // namespace

std::array<WAVEFORMATEX, 16> SurveyFormats() {
    static constexpr WORD kRates[] = {8000, 11025, 22050, 44100};
    std::array<WAVEFORMATEX, 16> formats{};
    std::size_t i = 0;
    for (const WORD rate : kRates)
        for (WORD bytes = 1; bytes <= 2; ++bytes)
            for (WORD channels = 1; channels <= 2; ++channels) {
                WAVEFORMATEX& f = formats[i++];
                f.wFormatTag = WAVE_FORMAT_PCM;
                f.nChannels = channels;
                f.nSamplesPerSec = rate;
                f.wBitsPerSample = static_cast<WORD>(8 * bytes);
                f.nBlockAlign = static_cast<WORD>(channels * bytes);
                f.nAvgBytesPerSec = static_cast<DWORD>(rate) * channels * bytes;
                f.cbSize = 0;
            }
    return formats;
}

std::string FormatText(const WAVEFORMATEX& f) {
    char text[96];
    std::snprintf(text, sizeof text, "%dHz, %dbit, %d channels", static_cast<int>(f.nSamplesPerSec),
                  static_cast<int>(f.wBitsPerSample), static_cast<int>(f.nChannels));
    return text;
}

CTestSoundCard::CTestSoundCard() : m_wait([](DWORD ms) { plat::WaitDispatching(ms); }) {}

CTestSoundCard::~CTestSoundCard() {
    FreeInventory();
}

void CTestSoundCard::SetWait(WaitFunction wait) {
    m_wait = wait ? std::move(wait) : WaitFunction([](DWORD ms) { plat::WaitDispatching(ms); });
}

void CTestSoundCard::SetErrorFromResult(bool input, MMRESULT code, const char* call) {
    char text[MAXERRORLENGTH] = {};
    const MMRESULT got = input ? waveInGetErrorText(code, text, MAXERRORLENGTH)
                               : waveOutGetErrorText(code, text, MAXERRORLENGTH);
    if (got == MMSYSERR_NOERROR) {
        m_lastError = text;
    } else {
        char fallback[96];
        std::snprintf(fallback, sizeof fallback, "ERROR : %s = %d", call, static_cast<int>(code));
        m_lastError = fallback;
    }
}

BOOL CTestSoundCard::QueryFormat(bool input, WAVEFORMATEX format, bool* supported, UINT deviceId) {
    MMRESULT result = MMSYSERR_NOERROR;
    for (int attempt = 0; attempt < kQueryAttempts; ++attempt) {
        if (attempt > 0)
            m_wait(kRetryWaitMs);
        result = input ? waveInOpen(nullptr, deviceId, &format, 0, 0, WAVE_FORMAT_QUERY)
                       : waveOutOpen(nullptr, deviceId, &format, 0, 0, WAVE_FORMAT_QUERY);
        if (result == MMSYSERR_NOERROR || result == WAVERR_BADFORMAT) {
            if (supported)
                *supported = result == MMSYSERR_NOERROR;
            return 1;
        }
        if (result != MMSYSERR_ALLOCATED)
            break;
    }
    SetErrorFromResult(input, result, input ? "waveInOpen" : "waveOutOpen");
    TRACE_LOG(2, kModule, __LINE__, "%s", m_lastError.c_str());
    return 0;
}

BOOL CTestSoundCard::TestFormats(std::vector<std::string>& inUnsupported,
                                 std::vector<std::string>& outUnsupported) {
    inUnsupported.clear();
    outUnsupported.clear();
    for (const WAVEFORMATEX& format : SurveyFormats()) {
        bool supported = false;
        if (!QueryFormat(true, format, &supported, WAVE_MAPPER))
            return 0;
        if (!supported)
            inUnsupported.push_back(FormatText(format));
        if (!QueryFormat(false, format, &supported, WAVE_MAPPER))
            return 0;
        if (!supported)
            outUnsupported.push_back(FormatText(format));
    }
    return 1;
}

void CTestSoundCard::FreeInventory() {
    m_inventory.inDevices.reset();
    m_inventory.outDevices.reset();
    m_inventory.inCount = 0;
    m_inventory.outCount = 0;
}

const CTestSoundCard::Inventory* CTestSoundCard::GetDevices() {
    if (m_inventory.inCount != 0 || m_inventory.outCount != 0)
        return &m_inventory;
    return BuildInventory() ? &m_inventory : nullptr;
}

bool CTestSoundCard::BuildInventory() {
    FreeInventory();
    Inventory& inv = m_inventory;
    inv.inCount = waveInGetNumDevs();
    if (inv.inCount)
        inv.inDevices.reset(new (std::nothrow) WaveInDeviceInfo[inv.inCount]);
    inv.outCount = waveOutGetNumDevs();
    if (inv.outCount)
        inv.outDevices.reset(new (std::nothrow) WaveOutDeviceInfo[inv.outCount]);

    TRACE_LOG(0, kModule, __LINE__, "************ Devices Audio ******************");
    TRACE_LOG(0, kModule, __LINE__, "IN : %d devices", static_cast<int>(inv.inCount));
    TRACE_LOG(0, kModule, __LINE__, "OUT : %d devices", static_cast<int>(inv.outCount));

    for (UINT i = 0; i < inv.inCount && inv.inDevices; ++i)
        if (!ListDevice(true, i, inv.inDevices[i]))
            return false;
    for (UINT i = 0; i < inv.outCount && inv.outDevices; ++i)
        if (!ListDevice(false, i, inv.outDevices[i]))
            return false;
    return true;
}

template <typename DeviceInfo>
bool CTestSoundCard::ListDevice(bool input, UINT id, DeviceInfo& device) {
    TRACE_LOG(0, kModule, __LINE__, "-------- Device audio %s n° %d --------", input ? "IN" : "OUT",
              static_cast<int>(id));
    MMRESULT got = MMSYSERR_NOERROR;
    if constexpr (std::is_same_v<DeviceInfo, WaveInDeviceInfo>)
        got = waveInGetDevCaps(id, &device.caps, sizeof(WAVEINCAPSA));
    else
        got = waveOutGetDevCaps(id, &device.caps, sizeof(WAVEOUTCAPSA));
    if (got != MMSYSERR_NOERROR) {
        SetErrorFromResult(input, got, input ? "waveInGetDevCaps" : "waveOutGetErrorText");
        TRACE_LOG(2, kModule, __LINE__, "%s", m_lastError.c_str());
        return false;
    }
    device.caps.szPname[MAXPNAMELEN - 1] = '\0';
    TRACE_LOG(0, kModule, __LINE__, "Nom : %s", device.caps.szPname);
    TRACE_LOG(0, kModule, __LINE__, "Version : %d,%d",
              static_cast<int>((device.caps.vDriverVersion >> 8) & 0xFF),
              static_cast<int>(device.caps.vDriverVersion & 0xFF));
    TRACE_LOG(0, kModule, __LINE__, "Cannaux : %d", static_cast<int>(device.caps.wChannels));
    for (const WAVEFORMATEX& format : SurveyFormats()) {
        bool supported = false;
        if (!QueryFormat(input, format, &supported, id))
            continue; // a failed query only skips this format
        const int rate = static_cast<int>(format.nSamplesPerSec);
        const int bits = static_cast<int>(format.wBitsPerSample);
        const int channels = static_cast<int>(format.nChannels);
        if (supported)
            TRACE_LOG(0, kModule, __LINE__, "Sup : %d Hz, %d Bit, %d Cannaux", rate, bits,
                      channels);
        else
            TRACE_LOG(0, kModule, __LINE__, "UNSup : %d Hz, %d Bit, %d Cannaux", rate, bits,
                      channels);
        (supported ? device.supported : device.unsupported)
            .push_back(std::make_unique<PcmFormatRecord>(RecordOf(format)));
    }
    return true;
}
