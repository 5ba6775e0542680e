#include "platform/unanswered_backend.h"

namespace plat {

namespace {

class CUnansweredBackend : public SoundBackend {
public:
    explicit CUnansweredBackend(std::string reason) : m_reason(std::move(reason)) {}

    std::string Name() const override { return "none"; }

    UINT mixerGetNumDevs() override { return 0; }
    MMRESULT mixerOpen(LPHMIXER, UINT, DWORD_PTR, DWORD_PTR, DWORD) override { return kNone; }
    MMRESULT mixerClose(HMIXER) override { return MMSYSERR_INVALHANDLE; }
    MMRESULT mixerGetDevCaps(UINT_PTR, MIXERCAPSA*, UINT) override { return kNone; }
    MMRESULT mixerGetLineInfo(HMIXEROBJ, MIXERLINEA*, DWORD) override { return kNone; }
    MMRESULT mixerGetLineControls(HMIXEROBJ, MIXERLINECONTROLSA*, DWORD) override { return kNone; }
    MMRESULT mixerGetControlDetails(HMIXEROBJ, MIXERCONTROLDETAILS*, DWORD) override {
        return kNone;
    }
    MMRESULT mixerSetControlDetails(HMIXEROBJ, MIXERCONTROLDETAILS*, DWORD) override {
        return kNone;
    }

    UINT waveOutGetNumDevs() override { return 0; }
    MMRESULT waveOutGetDevCaps(UINT_PTR, WAVEOUTCAPSA*, UINT) override { return kNone; }
    MMRESULT waveOutOpen(LPHWAVEOUT, UINT, LPCWAVEFORMATEX, DWORD_PTR, DWORD_PTR, DWORD) override {
        return kNone;
    }
    MMRESULT waveOutClose(HWAVEOUT) override { return MMSYSERR_INVALHANDLE; }
    MMRESULT waveOutPrepareHeader(HWAVEOUT, LPWAVEHDR, UINT) override {
        return MMSYSERR_INVALHANDLE;
    }
    MMRESULT waveOutUnprepareHeader(HWAVEOUT, LPWAVEHDR, UINT) override {
        return MMSYSERR_INVALHANDLE;
    }
    MMRESULT waveOutWrite(HWAVEOUT, LPWAVEHDR, UINT) override { return MMSYSERR_INVALHANDLE; }
    MMRESULT waveOutPause(HWAVEOUT) override { return MMSYSERR_INVALHANDLE; }
    MMRESULT waveOutRestart(HWAVEOUT) override { return MMSYSERR_INVALHANDLE; }
    MMRESULT waveOutReset(HWAVEOUT) override { return MMSYSERR_INVALHANDLE; }

    UINT waveInGetNumDevs() override { return 0; }
    MMRESULT waveInGetDevCaps(UINT_PTR, WAVEINCAPSA*, UINT) override { return kNone; }
    MMRESULT waveInOpen(LPHWAVEIN, UINT, LPCWAVEFORMATEX, DWORD_PTR, DWORD_PTR, DWORD) override {
        return kNone;
    }
    MMRESULT waveInClose(HWAVEIN) override { return MMSYSERR_INVALHANDLE; }
    MMRESULT waveInPrepareHeader(HWAVEIN, LPWAVEHDR, UINT) override { return MMSYSERR_INVALHANDLE; }
    MMRESULT waveInUnprepareHeader(HWAVEIN, LPWAVEHDR, UINT) override {
        return MMSYSERR_INVALHANDLE;
    }
    MMRESULT waveInAddBuffer(HWAVEIN, LPWAVEHDR, UINT) override { return MMSYSERR_INVALHANDLE; }
    MMRESULT waveInStart(HWAVEIN) override { return MMSYSERR_INVALHANDLE; }
    MMRESULT waveInStop(HWAVEIN) override { return MMSYSERR_INVALHANDLE; }
    MMRESULT waveInReset(HWAVEIN) override { return MMSYSERR_INVALHANDLE; }

    bool GetErrorText(MMRESULT code, bool input, std::string& text) override {
        if (code != kNone)
            return SoundBackend::GetErrorText(code, input, text);
        text = m_reason;
        return true;
    }
    bool SoundSystemGone() override { return true; }

private:
    static constexpr MMRESULT kNone = MMSYSERR_NODRIVER;
    const std::string m_reason;
};

} // namespace

std::shared_ptr<SoundBackend> MakeUnansweredSoundBackend(const std::string& reason) {
    return std::make_shared<CUnansweredBackend>(reason);
}

} // namespace plat
