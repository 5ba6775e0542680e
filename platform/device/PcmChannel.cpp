#include "platform/device/PcmChannel.h"

#include <cerrno>

namespace plat {

MMRESULT CheckWaveFormat(const WAVEFORMATEX* f) {
    if (!f)
        return MMSYSERR_INVALPARAM;
    const WORD bits = f->wBitsPerSample;
    if (f->wFormatTag != WAVE_FORMAT_PCM || f->nChannels == 0 || f->nChannels > 8 ||
        f->nSamplesPerSec == 0 || (bits != 8 && bits != 16 && bits != 24 && bits != 32))
        return WAVERR_BADFORMAT;
    const DWORD align = static_cast<DWORD>(f->nChannels) * bits / 8;
    if (f->nBlockAlign != align || f->nAvgBytesPerSec != align * f->nSamplesPerSec)
        return WAVERR_BADFORMAT;
    return MMSYSERR_NOERROR;
}

MMRESULT MmResultOfErrno(int error) {
    switch (-error) {
    case 0:
        return MMSYSERR_NOERROR;
    case EBUSY:
    case EAGAIN:
        return MMSYSERR_ALLOCATED;
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return MMSYSERR_BADDEVICEID;
    case ENOMEM:
        return MMSYSERR_NOMEM;
    case EINVAL:
        return MMSYSERR_INVALPARAM;
    case EACCES:
    case EPERM:
    case ECONNREFUSED:
        return MMSYSERR_NOTENABLED;
    case ENOSYS:
    case EOPNOTSUPP:
        return MMSYSERR_NOTSUPPORTED;
    default:
        return MMSYSERR_ERROR;
    }
}

} // namespace plat
