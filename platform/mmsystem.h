// The multimedia services: mixer, wave-in, wave-out and PlaySound, declared
// with the Windows names, argument order, record layouts, flags and result
// codes. Each call forwards to the sound backend installed for the process
// (see sound_backend.h): the virtual card, ALSA, the sound server or winmm.
//
// Records keep the Windows field order and offsets; pointer-sized fields make
// some of them larger than on 32-bit Windows, so callers always fill cbStruct
// with sizeof(record) and backends accept exactly that.
//
// The dwFlags word of a WAVEHDR that is queued on a device is shared between
// the caller's threads and the backend's completion thread: both sides touch
// it only through std::atomic_ref<DWORD>.
#pragma once

#include "platform/types.h"

namespace plat {

using MMRESULT = UINT;
using MMVERSION = UINT;

// Opaque handles issued by the backend.
struct HMIXER__;
struct HMIXEROBJ__;
struct HWAVEOUT__;
struct HWAVEIN__;
using HMIXER = HMIXER__*;
using HMIXEROBJ = HMIXEROBJ__*; // an open HMIXER, or a mixer index cast to a pointer
using HWAVEOUT = HWAVEOUT__*;
using HWAVEIN = HWAVEIN__*;
using LPHMIXER = HMIXER*;
using LPHWAVEOUT = HWAVEOUT*;
using LPHWAVEIN = HWAVEIN*;

// ---- result codes -------------------------------------------------------
constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_ERROR = 1;
constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
constexpr MMRESULT MMSYSERR_NOTENABLED = 3;
constexpr MMRESULT MMSYSERR_ALLOCATED = 4;
constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
constexpr MMRESULT MMSYSERR_NODRIVER = 6;
constexpr MMRESULT MMSYSERR_NOMEM = 7;
constexpr MMRESULT MMSYSERR_NOTSUPPORTED = 8;
constexpr MMRESULT MMSYSERR_BADERRNUM = 9;
constexpr MMRESULT MMSYSERR_INVALFLAG = 10;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT MMSYSERR_HANDLEBUSY = 12;
constexpr MMRESULT MMSYSERR_INVALIDALIAS = 13;
constexpr MMRESULT MMSYSERR_BADDB = 14;
constexpr MMRESULT MMSYSERR_KEYNOTFOUND = 15;
constexpr MMRESULT MMSYSERR_READERROR = 16;
constexpr MMRESULT MMSYSERR_WRITEERROR = 17;
constexpr MMRESULT MMSYSERR_DELETEERROR = 18;
constexpr MMRESULT MMSYSERR_VALNOTFOUND = 19;
constexpr MMRESULT MMSYSERR_NODRIVERCB = 20;
constexpr MMRESULT MMSYSERR_MOREDATA = 21;
constexpr MMRESULT MMSYSERR_LASTERROR = 21;

constexpr MMRESULT WAVERR_BADFORMAT = 32;
constexpr MMRESULT WAVERR_STILLPLAYING = 33;
constexpr MMRESULT WAVERR_UNPREPARED = 34;
constexpr MMRESULT WAVERR_SYNC = 35;
constexpr MMRESULT WAVERR_LASTERROR = 35;

constexpr MMRESULT MIXERR_INVALLINE = 1024;
constexpr MMRESULT MIXERR_INVALCONTROL = 1025;
constexpr MMRESULT MIXERR_INVALVALUE = 1026;
constexpr MMRESULT MIXERR_LASTERROR = 1026;

constexpr UINT MAXPNAMELEN = 32;
constexpr UINT MAXERRORLENGTH = 256;

// ---- wave formats and devices ---------------------------------------------
constexpr WORD WAVE_FORMAT_PCM = 1;
constexpr WORD WAVE_FORMAT_MPEGLAYER3 = 0x0055;
// WAVEFORMATEXTENSIBLE: the real format is the sub-format GUID after the
// 22 extra bytes (valid bits, channel mask, sub-format).
constexpr WORD WAVE_FORMAT_EXTENSIBLE = 0xFFFE;

constexpr UINT WAVE_MAPPER = static_cast<UINT>(-1);

constexpr DWORD WAVE_FORMAT_QUERY = 0x0001;
constexpr DWORD WAVE_ALLOWSYNC = 0x0002;
constexpr DWORD WAVE_MAPPED = 0x0004;
constexpr DWORD CALLBACK_TYPEMASK = 0x00070000;
constexpr DWORD CALLBACK_NULL = 0x00000000;
constexpr DWORD CALLBACK_WINDOW = 0x00010000;
constexpr DWORD CALLBACK_THREAD = 0x00020000;
constexpr DWORD CALLBACK_FUNCTION = 0x00030000;
constexpr DWORD CALLBACK_EVENT = 0x00050000;

// Messages to wave callbacks (MM_WOM_* / MM_WIM_* have the same values).
constexpr UINT WOM_OPEN = 0x3BB;
constexpr UINT WOM_CLOSE = 0x3BC;
constexpr UINT WOM_DONE = 0x3BD;
constexpr UINT WIM_OPEN = 0x3BE;
constexpr UINT WIM_CLOSE = 0x3BF;
constexpr UINT WIM_DATA = 0x3C0;
constexpr UINT MM_WOM_OPEN = WOM_OPEN;
constexpr UINT MM_WOM_CLOSE = WOM_CLOSE;
constexpr UINT MM_WOM_DONE = WOM_DONE;
constexpr UINT MM_WIM_OPEN = WIM_OPEN;
constexpr UINT MM_WIM_CLOSE = WIM_CLOSE;
constexpr UINT MM_WIM_DATA = WIM_DATA;

// WAVEHDR.dwFlags
constexpr DWORD WHDR_DONE = 0x00000001;
constexpr DWORD WHDR_PREPARED = 0x00000002;
constexpr DWORD WHDR_BEGINLOOP = 0x00000004;
constexpr DWORD WHDR_ENDLOOP = 0x00000008;
constexpr DWORD WHDR_INQUEUE = 0x00000010;

// dwFormats bits of the device capabilities (rate, mono/stereo, 8/16 bit).
constexpr DWORD WAVE_FORMAT_1M08 = 0x00000001;
constexpr DWORD WAVE_FORMAT_1S08 = 0x00000002;
constexpr DWORD WAVE_FORMAT_1M16 = 0x00000004;
constexpr DWORD WAVE_FORMAT_1S16 = 0x00000008;
constexpr DWORD WAVE_FORMAT_2M08 = 0x00000010;
constexpr DWORD WAVE_FORMAT_2S08 = 0x00000020;
constexpr DWORD WAVE_FORMAT_2M16 = 0x00000040;
constexpr DWORD WAVE_FORMAT_2S16 = 0x00000080;
constexpr DWORD WAVE_FORMAT_4M08 = 0x00000100;
constexpr DWORD WAVE_FORMAT_4S08 = 0x00000200;
constexpr DWORD WAVE_FORMAT_4M16 = 0x00000400;
constexpr DWORD WAVE_FORMAT_4S16 = 0x00000800;

constexpr DWORD WAVECAPS_PITCH = 0x0001;
constexpr DWORD WAVECAPS_PLAYBACKRATE = 0x0002;
constexpr DWORD WAVECAPS_VOLUME = 0x0004;
constexpr DWORD WAVECAPS_LRVOLUME = 0x0008;
constexpr DWORD WAVECAPS_SYNC = 0x0010;
constexpr DWORD WAVECAPS_SAMPLEACCURATE = 0x0020;

// Field offsets are those of the packed Windows record (18 bytes); sizeof is
// 20 here because of trailing padding. Never read or write it as a block.
struct WAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
};
using LPWAVEFORMATEX = WAVEFORMATEX*;
using LPCWAVEFORMATEX = const WAVEFORMATEX*;
constexpr std::size_t WAVEFORMATEX_FILE_SIZE = 18;
constexpr std::size_t PCMWAVEFORMAT_FILE_SIZE = 16;

// The 30-byte MPEG layer-3 format: a WAVEFORMATEX with 12 extra bytes.
struct MPEGLAYER3WAVEFORMAT {
    WAVEFORMATEX wfx;
    WORD wID;
    DWORD fdwFlags;
    WORD nBlockSize;
    WORD nFramesPerBlock;
    WORD nCodecDelay;
};
constexpr WORD MPEGLAYER3_WFX_EXTRA_BYTES = 12;
constexpr WORD MPEGLAYER3_ID_MPEG = 1;
constexpr DWORD MPEGLAYER3_FLAG_PADDING_ISO = 0;
constexpr DWORD MPEGLAYER3_FLAG_PADDING_ON = 1;
constexpr DWORD MPEGLAYER3_FLAG_PADDING_OFF = 2;

struct WAVEHDR {
    LPSTR lpData;
    DWORD dwBufferLength;
    DWORD dwBytesRecorded;
    DWORD_PTR dwUser;
    DWORD dwFlags;
    DWORD dwLoops;
    WAVEHDR* lpNext;
    DWORD_PTR reserved;
};
using LPWAVEHDR = WAVEHDR*;

struct WAVEOUTCAPSA {
    WORD wMid;
    WORD wPid;
    MMVERSION vDriverVersion;
    char szPname[MAXPNAMELEN];
    DWORD dwFormats;
    WORD wChannels;
    WORD wReserved1;
    DWORD dwSupport;
};
struct WAVEINCAPSA {
    WORD wMid;
    WORD wPid;
    MMVERSION vDriverVersion;
    char szPname[MAXPNAMELEN];
    DWORD dwFormats;
    WORD wChannels;
    WORD wReserved1;
};
using WAVEOUTCAPS = WAVEOUTCAPSA;
using WAVEINCAPS = WAVEINCAPSA;

// Wave callback (CALLBACK_FUNCTION): handle, message, instance, param1 (the
// WAVEHDR* for WOM_DONE / WIM_DATA), param2.
using WAVEOUTPROC = void (*)(HWAVEOUT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR);
using WAVEINPROC = void (*)(HWAVEIN, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR);

// ---- mixer ----------------------------------------------------------------
constexpr UINT MIXER_SHORT_NAME_CHARS = 16;
constexpr UINT MIXER_LONG_NAME_CHARS = 64;

constexpr DWORD MIXER_OBJECTF_HANDLE = 0x80000000;
constexpr DWORD MIXER_OBJECTF_MIXER = 0x00000000;
constexpr DWORD MIXER_OBJECTF_HMIXER = MIXER_OBJECTF_HANDLE | MIXER_OBJECTF_MIXER;
constexpr DWORD MIXER_OBJECTF_WAVEOUT = 0x10000000;
constexpr DWORD MIXER_OBJECTF_HWAVEOUT = MIXER_OBJECTF_HANDLE | MIXER_OBJECTF_WAVEOUT;
constexpr DWORD MIXER_OBJECTF_WAVEIN = 0x20000000;
constexpr DWORD MIXER_OBJECTF_HWAVEIN = MIXER_OBJECTF_HANDLE | MIXER_OBJECTF_WAVEIN;
constexpr DWORD MIXER_OBJECTF_TYPEMASK = 0xF0000000;

constexpr DWORD MIXER_GETLINEINFOF_DESTINATION = 0x00000000;
constexpr DWORD MIXER_GETLINEINFOF_SOURCE = 0x00000001;
constexpr DWORD MIXER_GETLINEINFOF_LINEID = 0x00000002;
constexpr DWORD MIXER_GETLINEINFOF_COMPONENTTYPE = 0x00000003;
constexpr DWORD MIXER_GETLINEINFOF_TARGETTYPE = 0x00000004;
constexpr DWORD MIXER_GETLINEINFOF_QUERYMASK = 0x0000000F;

constexpr DWORD MIXER_GETLINECONTROLSF_ALL = 0x00000000;
constexpr DWORD MIXER_GETLINECONTROLSF_ONEBYID = 0x00000001;
constexpr DWORD MIXER_GETLINECONTROLSF_ONEBYTYPE = 0x00000002;
constexpr DWORD MIXER_GETLINECONTROLSF_QUERYMASK = 0x0000000F;

constexpr DWORD MIXER_GETCONTROLDETAILSF_VALUE = 0x00000000;
constexpr DWORD MIXER_GETCONTROLDETAILSF_LISTTEXT = 0x00000001;
constexpr DWORD MIXER_GETCONTROLDETAILSF_QUERYMASK = 0x0000000F;
constexpr DWORD MIXER_SETCONTROLDETAILSF_VALUE = 0x00000000;
constexpr DWORD MIXER_SETCONTROLDETAILSF_CUSTOM = 0x00000001;
constexpr DWORD MIXER_SETCONTROLDETAILSF_QUERYMASK = 0x0000000F;

struct MIXERCAPSA {
    WORD wMid;
    WORD wPid;
    MMVERSION vDriverVersion;
    char szPname[MAXPNAMELEN];
    DWORD fdwSupport;
    DWORD cDestinations;
};
using MIXERCAPS = MIXERCAPSA;

constexpr DWORD MIXERLINE_LINEF_ACTIVE = 0x00000001;
constexpr DWORD MIXERLINE_LINEF_DISCONNECTED = 0x00008000;
constexpr DWORD MIXERLINE_LINEF_SOURCE = 0x80000000;

constexpr DWORD MIXERLINE_COMPONENTTYPE_DST_FIRST = 0x00000000;
constexpr DWORD MIXERLINE_COMPONENTTYPE_DST_UNDEFINED = 0;
constexpr DWORD MIXERLINE_COMPONENTTYPE_DST_DIGITAL = 1;
constexpr DWORD MIXERLINE_COMPONENTTYPE_DST_LINE = 2;
constexpr DWORD MIXERLINE_COMPONENTTYPE_DST_MONITOR = 3;
constexpr DWORD MIXERLINE_COMPONENTTYPE_DST_SPEAKERS = 4;
constexpr DWORD MIXERLINE_COMPONENTTYPE_DST_HEADPHONES = 5;
constexpr DWORD MIXERLINE_COMPONENTTYPE_DST_TELEPHONE = 6;
constexpr DWORD MIXERLINE_COMPONENTTYPE_DST_WAVEIN = 7;
constexpr DWORD MIXERLINE_COMPONENTTYPE_DST_VOICEIN = 8;
constexpr DWORD MIXERLINE_COMPONENTTYPE_DST_LAST = 8;
constexpr DWORD MIXERLINE_COMPONENTTYPE_SRC_FIRST = 0x00001000;
constexpr DWORD MIXERLINE_COMPONENTTYPE_SRC_UNDEFINED = 0x1000;
constexpr DWORD MIXERLINE_COMPONENTTYPE_SRC_DIGITAL = 0x1001;
constexpr DWORD MIXERLINE_COMPONENTTYPE_SRC_LINE = 0x1002;
constexpr DWORD MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE = 0x1003;
constexpr DWORD MIXERLINE_COMPONENTTYPE_SRC_SYNTHESIZER = 0x1004;
constexpr DWORD MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC = 0x1005;
constexpr DWORD MIXERLINE_COMPONENTTYPE_SRC_TELEPHONE = 0x1006;
constexpr DWORD MIXERLINE_COMPONENTTYPE_SRC_PCSPEAKER = 0x1007;
constexpr DWORD MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT = 0x1008;
constexpr DWORD MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY = 0x1009;
constexpr DWORD MIXERLINE_COMPONENTTYPE_SRC_ANALOG = 0x100A;
constexpr DWORD MIXERLINE_COMPONENTTYPE_SRC_LAST = 0x100A;

constexpr DWORD MIXERLINE_TARGETTYPE_UNDEFINED = 0;
constexpr DWORD MIXERLINE_TARGETTYPE_WAVEOUT = 1;
constexpr DWORD MIXERLINE_TARGETTYPE_WAVEIN = 2;
constexpr DWORD MIXERLINE_TARGETTYPE_MIDIOUT = 3;
constexpr DWORD MIXERLINE_TARGETTYPE_MIDIIN = 4;
constexpr DWORD MIXERLINE_TARGETTYPE_AUX = 5;

struct MIXERLINEA {
    DWORD cbStruct;
    DWORD dwDestination;
    DWORD dwSource;
    DWORD dwLineID;
    DWORD fdwLine;
    DWORD_PTR dwUser;
    DWORD dwComponentType;
    DWORD cChannels;
    DWORD cConnections;
    DWORD cControls;
    char szShortName[MIXER_SHORT_NAME_CHARS];
    char szName[MIXER_LONG_NAME_CHARS];
    struct {
        DWORD dwType;
        DWORD dwDeviceID;
        WORD wMid;
        WORD wPid;
        MMVERSION vDriverVersion;
        char szPname[MAXPNAMELEN];
    } Target;
};
using MIXERLINE = MIXERLINEA;
using LPMIXERLINE = MIXERLINEA*;

constexpr DWORD MIXERCONTROL_CONTROLF_UNIFORM = 0x00000001;
constexpr DWORD MIXERCONTROL_CONTROLF_MULTIPLE = 0x00000002;
constexpr DWORD MIXERCONTROL_CONTROLF_DISABLED = 0x80000000;

constexpr DWORD MIXERCONTROL_CT_CLASS_MASK = 0xF0000000;
constexpr DWORD MIXERCONTROL_CT_CLASS_CUSTOM = 0x00000000;
constexpr DWORD MIXERCONTROL_CT_CLASS_METER = 0x10000000;
constexpr DWORD MIXERCONTROL_CT_CLASS_SWITCH = 0x20000000;
constexpr DWORD MIXERCONTROL_CT_CLASS_NUMBER = 0x30000000;
constexpr DWORD MIXERCONTROL_CT_CLASS_SLIDER = 0x40000000;
constexpr DWORD MIXERCONTROL_CT_CLASS_FADER = 0x50000000;
constexpr DWORD MIXERCONTROL_CT_CLASS_TIME = 0x60000000;
constexpr DWORD MIXERCONTROL_CT_CLASS_LIST = 0x70000000;
constexpr DWORD MIXERCONTROL_CT_UNITS_MASK = 0x00FF0000;
constexpr DWORD MIXERCONTROL_CT_UNITS_CUSTOM = 0x00000000;
constexpr DWORD MIXERCONTROL_CT_UNITS_BOOLEAN = 0x00010000;
constexpr DWORD MIXERCONTROL_CT_UNITS_SIGNED = 0x00020000;
constexpr DWORD MIXERCONTROL_CT_UNITS_UNSIGNED = 0x00030000;
constexpr DWORD MIXERCONTROL_CT_UNITS_DECIBELS = 0x00040000;
constexpr DWORD MIXERCONTROL_CT_UNITS_PERCENT = 0x00050000;

constexpr DWORD MIXERCONTROL_CONTROLTYPE_CUSTOM = 0x00000000;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_BOOLEANMETER = 0x10010000;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_SIGNEDMETER = 0x10020000;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_PEAKMETER = 0x10020001;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_UNSIGNEDMETER = 0x10030000;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_BOOLEAN = 0x20010000;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_ONOFF = 0x20010001;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_MUTE = 0x20010002;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_MONO = 0x20010003;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_LOUDNESS = 0x20010004;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_STEREOENH = 0x20010005;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_BASS_BOOST = 0x20012277;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_BUTTON = 0x21010000;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_DECIBELS = 0x30040000;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_SIGNED = 0x30020000;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_UNSIGNED = 0x30030000;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_PERCENT = 0x30050000;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_SLIDER = 0x40020000;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_PAN = 0x40020001;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_QSOUNDPAN = 0x40020002;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_FADER = 0x50030000;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_VOLUME = 0x50030001;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_BASS = 0x50030002;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_TREBLE = 0x50030003;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_EQUALIZER = 0x50030004;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_SINGLESELECT = 0x70010000;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_MUX = 0x70010001;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_MULTIPLESELECT = 0x71010000;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_MIXER = 0x71010001;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_MICROTIME = 0x60030000;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_MILLITIME = 0x61030000;

struct MIXERCONTROLA {
    DWORD cbStruct;
    DWORD dwControlID;
    DWORD dwControlType;
    DWORD fdwControl;
    DWORD cMultipleItems;
    char szShortName[MIXER_SHORT_NAME_CHARS];
    char szName[MIXER_LONG_NAME_CHARS];
    union {
        struct {
            LONG lMinimum;
            LONG lMaximum;
        };
        struct {
            DWORD dwMinimum;
            DWORD dwMaximum;
        };
        DWORD dwReserved[6];
    } Bounds;
    union {
        DWORD cSteps;
        DWORD cbCustomData;
        DWORD dwReserved[6];
    } Metrics;
};
using MIXERCONTROL = MIXERCONTROLA;
using LPMIXERCONTROL = MIXERCONTROLA*;

struct MIXERLINECONTROLSA {
    DWORD cbStruct;
    DWORD dwLineID;
    union {
        DWORD dwControlID;
        DWORD dwControlType;
    };
    DWORD cControls;
    DWORD cbmxctrl;
    MIXERCONTROLA* pamxctrl;
};
using MIXERLINECONTROLS = MIXERLINECONTROLSA;

struct MIXERCONTROLDETAILS {
    DWORD cbStruct;
    DWORD dwControlID;
    DWORD cChannels;
    DWORD cMultipleItems;
    DWORD cbDetails;
    void* paDetails;
};
using LPMIXERCONTROLDETAILS = MIXERCONTROLDETAILS*;

struct MIXERCONTROLDETAILS_LISTTEXTA {
    DWORD dwParam1;
    DWORD dwParam2;
    char szName[MIXER_LONG_NAME_CHARS];
};
using MIXERCONTROLDETAILS_LISTTEXT = MIXERCONTROLDETAILS_LISTTEXTA;
struct MIXERCONTROLDETAILS_BOOLEAN {
    LONG fValue;
};
struct MIXERCONTROLDETAILS_SIGNED {
    LONG lValue;
};
struct MIXERCONTROLDETAILS_UNSIGNED {
    DWORD dwValue;
};

static_assert(sizeof(MIXERCAPSA) == 48);
static_assert(sizeof(MIXERCONTROLA) == 148);
static_assert(sizeof(MIXERCONTROLDETAILS_LISTTEXTA) == 72);
static_assert(sizeof(WAVEINCAPSA) == 48);
static_assert(sizeof(WAVEOUTCAPSA) == 52);
static_assert(offsetof(WAVEFORMATEX, cbSize) == 16);
// In a file the 12 extra bytes follow the 18-byte format at offsets 18..29; here
// wfx takes 20 bytes and fdwFlags is aligned, so read and write it field by field.
static_assert(offsetof(MPEGLAYER3WAVEFORMAT, wID) == sizeof(WAVEFORMATEX));

// ---- the calls ------------------------------------------------------------
UINT mixerGetNumDevs();
MMRESULT mixerOpen(LPHMIXER phmx, UINT uMxId, DWORD_PTR dwCallback, DWORD_PTR dwInstance,
                   DWORD fdwOpen);
MMRESULT mixerClose(HMIXER hmx);
MMRESULT mixerGetDevCaps(UINT_PTR uMxId, MIXERCAPSA* pmxcaps, UINT cbmxcaps);
MMRESULT mixerGetLineInfo(HMIXEROBJ hmxobj, MIXERLINEA* pmxl, DWORD fdwInfo);
MMRESULT mixerGetLineControls(HMIXEROBJ hmxobj, MIXERLINECONTROLSA* pmxlc, DWORD fdwControls);
MMRESULT mixerGetControlDetails(HMIXEROBJ hmxobj, MIXERCONTROLDETAILS* pmxcd, DWORD fdwDetails);
MMRESULT mixerSetControlDetails(HMIXEROBJ hmxobj, MIXERCONTROLDETAILS* pmxcd, DWORD fdwDetails);

UINT waveOutGetNumDevs();
MMRESULT waveOutGetDevCaps(UINT_PTR uDeviceID, WAVEOUTCAPSA* pwoc, UINT cbwoc);
MMRESULT waveOutGetErrorText(MMRESULT mmrError, LPSTR pszText, UINT cchText);
MMRESULT waveOutOpen(LPHWAVEOUT phwo, UINT uDeviceID, LPCWAVEFORMATEX pwfx, DWORD_PTR dwCallback,
                     DWORD_PTR dwInstance, DWORD fdwOpen);
MMRESULT waveOutClose(HWAVEOUT hwo);
MMRESULT waveOutPrepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh);
MMRESULT waveOutUnprepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh);
MMRESULT waveOutWrite(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh);
MMRESULT waveOutPause(HWAVEOUT hwo);
MMRESULT waveOutRestart(HWAVEOUT hwo);
MMRESULT waveOutReset(HWAVEOUT hwo);

UINT waveInGetNumDevs();
MMRESULT waveInGetDevCaps(UINT_PTR uDeviceID, WAVEINCAPSA* pwic, UINT cbwic);
MMRESULT waveInGetErrorText(MMRESULT mmrError, LPSTR pszText, UINT cchText);
MMRESULT waveInOpen(LPHWAVEIN phwi, UINT uDeviceID, LPCWAVEFORMATEX pwfx, DWORD_PTR dwCallback,
                    DWORD_PTR dwInstance, DWORD fdwOpen);
MMRESULT waveInClose(HWAVEIN hwi);
MMRESULT waveInPrepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh);
MMRESULT waveInUnprepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh);
MMRESULT waveInAddBuffer(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh);
MMRESULT waveInStart(HWAVEIN hwi);
MMRESULT waveInStop(HWAVEIN hwi);
MMRESULT waveInReset(HWAVEIN hwi);

// ---- PlaySound ------------------------------------------------------------
constexpr DWORD SND_SYNC = 0x00000000;
constexpr DWORD SND_ASYNC = 0x00000001;
constexpr DWORD SND_NODEFAULT = 0x00000002;
constexpr DWORD SND_MEMORY = 0x00000004;
constexpr DWORD SND_LOOP = 0x00000008;
constexpr DWORD SND_NOSTOP = 0x00000010;
constexpr DWORD SND_PURGE = 0x00000040;
constexpr DWORD SND_FILENAME = 0x00020000;
constexpr DWORD SND_RESOURCE = 0x00040004;

// A resource id passed where a name is expected (MAKEINTRESOURCE).
inline LPCSTR MAKEINTRESOURCE(UINT id) {
    return reinterpret_cast<LPCSTR>(static_cast<UINT_PTR>(static_cast<WORD>(id)));
}
inline bool IS_INTRESOURCE(LPCSTR p) {
    return (reinterpret_cast<UINT_PTR>(p) >> 16) == 0;
}

// Plays a WAVE file (SND_FILENAME) or a WAVE resource of the program
// (SND_RESOURCE, see resources.h) on the default wave-out device of the
// installed backend; SND_ASYNC returns at once, SND_LOOP repeats until the
// next call. A null name stops any PlaySound output. Implemented on top of
// the waveOut calls, so it serves every backend; with winmm on Windows the
// system's PlaySoundA plays instead.
BOOL PlaySound(LPCSTR pszSound, HMODULE hmod, DWORD fdwSound);

// Ours, beside PlaySound: the result of the wave call that ended the sound
// PlaySound started last before its end (a device that refused a buffer or
// went away), MMSYSERR_NOERROR while it plays, after it ended by itself or
// was stopped. `call` names the wave call when it is not null.
MMRESULT PlaySoundDeviceError(const char** call = nullptr);

} // namespace plat
