// Every multimedia call forwards to the sound backend installed for the
// process; the error-text calls are answered here from the backend's texts.
#include "platform/mmsystem.h"

#include "platform/sound_backend.h"

#include <cstring>
#include <string>

namespace plat {

namespace {

MMRESULT CopyErrorText(MMRESULT code, bool input, LPSTR text, UINT cchText) {
    std::string message;
    if (!CurrentSoundBackend().GetErrorText(code, input, message))
        return MMSYSERR_BADERRNUM;
    if (text == nullptr || cchText == 0)
        return MMSYSERR_INVALPARAM;
    const std::size_t n = std::min<std::size_t>(message.size(), cchText - 1);
    std::memcpy(text, message.data(), n);
    text[n] = '\0';
    return MMSYSERR_NOERROR;
}

} // namespace

UINT mixerGetNumDevs() {
    return CurrentSoundBackend().mixerGetNumDevs();
}
MMRESULT mixerOpen(LPHMIXER phmx, UINT uMxId, DWORD_PTR dwCallback, DWORD_PTR dwInstance,
                   DWORD fdwOpen) {
    return CurrentSoundBackend().mixerOpen(phmx, uMxId, dwCallback, dwInstance, fdwOpen);
}
MMRESULT mixerClose(HMIXER hmx) {
    return CurrentSoundBackend().mixerClose(hmx);
}
MMRESULT mixerGetDevCaps(UINT_PTR uMxId, MIXERCAPSA* pmxcaps, UINT cbmxcaps) {
    return CurrentSoundBackend().mixerGetDevCaps(uMxId, pmxcaps, cbmxcaps);
}
MMRESULT mixerGetLineInfo(HMIXEROBJ hmxobj, MIXERLINEA* pmxl, DWORD fdwInfo) {
    return CurrentSoundBackend().mixerGetLineInfo(hmxobj, pmxl, fdwInfo);
}
MMRESULT mixerGetLineControls(HMIXEROBJ hmxobj, MIXERLINECONTROLSA* pmxlc, DWORD fdwControls) {
    return CurrentSoundBackend().mixerGetLineControls(hmxobj, pmxlc, fdwControls);
}
MMRESULT mixerGetControlDetails(HMIXEROBJ hmxobj, MIXERCONTROLDETAILS* pmxcd, DWORD fdwDetails) {
    return CurrentSoundBackend().mixerGetControlDetails(hmxobj, pmxcd, fdwDetails);
}
MMRESULT mixerSetControlDetails(HMIXEROBJ hmxobj, MIXERCONTROLDETAILS* pmxcd, DWORD fdwDetails) {
    return CurrentSoundBackend().mixerSetControlDetails(hmxobj, pmxcd, fdwDetails);
}

UINT waveOutGetNumDevs() {
    return CurrentSoundBackend().waveOutGetNumDevs();
}
MMRESULT waveOutGetDevCaps(UINT_PTR uDeviceID, WAVEOUTCAPSA* pwoc, UINT cbwoc) {
    return CurrentSoundBackend().waveOutGetDevCaps(uDeviceID, pwoc, cbwoc);
}
MMRESULT waveOutGetErrorText(MMRESULT mmrError, LPSTR pszText, UINT cchText) {
    return CopyErrorText(mmrError, false, pszText, cchText);
}
MMRESULT waveOutOpen(LPHWAVEOUT phwo, UINT uDeviceID, LPCWAVEFORMATEX pwfx, DWORD_PTR dwCallback,
                     DWORD_PTR dwInstance, DWORD fdwOpen) {
    return CurrentSoundBackend().waveOutOpen(phwo, uDeviceID, pwfx, dwCallback, dwInstance,
                                             fdwOpen);
}
MMRESULT waveOutClose(HWAVEOUT hwo) {
    return CurrentSoundBackend().waveOutClose(hwo);
}
MMRESULT waveOutPrepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) {
    return CurrentSoundBackend().waveOutPrepareHeader(hwo, pwh, cbwh);
}
MMRESULT waveOutUnprepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) {
    return CurrentSoundBackend().waveOutUnprepareHeader(hwo, pwh, cbwh);
}
MMRESULT waveOutWrite(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) {
    return CurrentSoundBackend().waveOutWrite(hwo, pwh, cbwh);
}
MMRESULT waveOutPause(HWAVEOUT hwo) {
    return CurrentSoundBackend().waveOutPause(hwo);
}
MMRESULT waveOutRestart(HWAVEOUT hwo) {
    return CurrentSoundBackend().waveOutRestart(hwo);
}
MMRESULT waveOutReset(HWAVEOUT hwo) {
    return CurrentSoundBackend().waveOutReset(hwo);
}

UINT waveInGetNumDevs() {
    return CurrentSoundBackend().waveInGetNumDevs();
}
MMRESULT waveInGetDevCaps(UINT_PTR uDeviceID, WAVEINCAPSA* pwic, UINT cbwic) {
    return CurrentSoundBackend().waveInGetDevCaps(uDeviceID, pwic, cbwic);
}
MMRESULT waveInGetErrorText(MMRESULT mmrError, LPSTR pszText, UINT cchText) {
    return CopyErrorText(mmrError, true, pszText, cchText);
}
MMRESULT waveInOpen(LPHWAVEIN phwi, UINT uDeviceID, LPCWAVEFORMATEX pwfx, DWORD_PTR dwCallback,
                    DWORD_PTR dwInstance, DWORD fdwOpen) {
    return CurrentSoundBackend().waveInOpen(phwi, uDeviceID, pwfx, dwCallback, dwInstance, fdwOpen);
}
MMRESULT waveInClose(HWAVEIN hwi) {
    return CurrentSoundBackend().waveInClose(hwi);
}
MMRESULT waveInPrepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) {
    return CurrentSoundBackend().waveInPrepareHeader(hwi, pwh, cbwh);
}
MMRESULT waveInUnprepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) {
    return CurrentSoundBackend().waveInUnprepareHeader(hwi, pwh, cbwh);
}
MMRESULT waveInAddBuffer(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) {
    return CurrentSoundBackend().waveInAddBuffer(hwi, pwh, cbwh);
}
MMRESULT waveInStart(HWAVEIN hwi) {
    return CurrentSoundBackend().waveInStart(hwi);
}
MMRESULT waveInStop(HWAVEIN hwi) {
    return CurrentSoundBackend().waveInStop(hwi);
}
MMRESULT waveInReset(HWAVEIN hwi) {
    return CurrentSoundBackend().waveInReset(hwi);
}

} // namespace plat
