// The winmm backend on Wine's devices (a null ALSA device, tests/win32):
// the calls reach the system with our records and callbacks and come back
// with its answers in them. What a real driver answers is not the point.
#include "platform/mmsystem.h"
#include "platform/sound_backend.h"
#include "platform/win32/winmm_backend.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace plat;
using namespace std::chrono_literals;

namespace {

// What a wave callback received, in order.
struct Calls {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<UINT> messages;
    std::vector<DWORD_PTR> headers;
    std::vector<std::thread::id> threads;

    static void Out(HWAVEOUT, UINT message, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR) {
        reinterpret_cast<Calls*>(instance)->Add(message, param1);
    }
    static void In(HWAVEIN, UINT message, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR) {
        reinterpret_cast<Calls*>(instance)->Add(message, param1);
    }
    void Add(UINT message, DWORD_PTR param1) {
        std::lock_guard<std::mutex> lock(mutex);
        messages.push_back(message);
        headers.push_back(param1);
        threads.push_back(std::this_thread::get_id());
        changed.notify_all();
    }
    // Waits until `count` messages of the kind came.
    bool WaitFor(UINT message, std::size_t count) {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, 10s, [&] { return Count(message) >= count; });
    }
    std::size_t Count(UINT message) const {
        std::size_t n = 0;
        for (UINT m : messages)
            n += m == message;
        return n;
    }
    std::vector<DWORD_PTR> HeadersOf(UINT message) {
        std::lock_guard<std::mutex> lock(mutex);
        std::vector<DWORD_PTR> out;
        for (std::size_t i = 0; i < messages.size(); ++i)
            if (messages[i] == message)
                out.push_back(headers[i]);
        return out;
    }
};

WAVEFORMATEX Pcm16(WORD channels, DWORD rate) {
    const WORD align = static_cast<WORD>(channels * 2);
    return {WAVE_FORMAT_PCM, channels, rate, rate * align, align, 16, 0};
}

// A header for the bytes of `data`, not yet prepared.
WAVEHDR HeaderFor(std::vector<char>& data) {
    WAVEHDR header{};
    header.lpData = data.data();
    header.dwBufferLength = static_cast<DWORD>(data.size());
    return header;
}

class WinmmBackend : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        std::shared_ptr<SoundBackend> backend = OpenWinmmBackend(error);
        ASSERT_TRUE(backend) << error;
        EXPECT_EQ(backend->Name(), "winmm");
        InstallSoundBackend(backend);
    }
    void TearDown() override { InstallSoundBackend(nullptr); }
};

// A name that fits its field and was filled.
bool IsName(const char* field, std::size_t size) {
    const std::size_t length = strnlen(field, size);
    return length > 0 && length < size;
}

} // namespace

TEST_F(WinmmBackend, DevicesAreCountedAndDescribed) {
    ASSERT_GE(waveOutGetNumDevs(), 1u);
    ASSERT_GE(waveInGetNumDevs(), 1u);
    WAVEOUTCAPSA out{};
    ASSERT_EQ(waveOutGetDevCaps(0, &out, sizeof out), MMSYSERR_NOERROR);
    EXPECT_TRUE(IsName(out.szPname, sizeof out.szPname));
    EXPECT_NE(out.dwFormats, 0u);
    WAVEINCAPSA in{};
    ASSERT_EQ(waveInGetDevCaps(0, &in, sizeof in), MMSYSERR_NOERROR);
    EXPECT_TRUE(IsName(in.szPname, sizeof in.szPname));
    EXPECT_EQ(waveOutGetDevCaps(waveOutGetNumDevs() + 5, &out, sizeof out), MMSYSERR_BADDEVICEID);
}

TEST_F(WinmmBackend, FormatsWithExtraBytesReachTheSystemWhole) {
    // WAVEFORMATEXTENSIBLE: our record keeps the 22 extra bytes after its
    // padding; the system reads them right after cbSize.
    const auto extensible = [](bool pcm) {
        std::vector<unsigned char> bytes(sizeof(WAVEFORMATEX) + 22, 0);
        WAVEFORMATEX wfx = Pcm16(2, 44100);
        wfx.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
        wfx.cbSize = 22;
        std::memcpy(bytes.data(), &wfx, sizeof wfx);
        unsigned char* extra = bytes.data() + sizeof(WAVEFORMATEX);
        extra[0] = 16; // valid bits
        extra[2] = 3;  // front left and right
        const unsigned char subtype[16] = {1,    0, 0, 0,    0, 0,    0x10, 0,
                                           0x80, 0, 0, 0xaa, 0, 0x38, 0x9b, 0x71};
        if (pcm)
            std::memcpy(extra + 6, subtype, sizeof subtype);
        return bytes;
    };
    const std::vector<unsigned char> good = extensible(true), bad = extensible(false);
    EXPECT_EQ(waveOutOpen(nullptr, WAVE_MAPPER, reinterpret_cast<LPCWAVEFORMATEX>(good.data()), 0,
                          0, WAVE_FORMAT_QUERY),
              MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutOpen(nullptr, WAVE_MAPPER, reinterpret_cast<LPCWAVEFORMATEX>(bad.data()), 0, 0,
                          WAVE_FORMAT_QUERY),
              WAVERR_BADFORMAT);
}

TEST_F(WinmmBackend, PlayedBuffersComeBackDoneThroughTheCallbackInOrder) {
    Calls calls;
    const WAVEFORMATEX format = Pcm16(2, 44100);
    HWAVEOUT device = nullptr;
    ASSERT_EQ(waveOutOpen(&device, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(&Calls::Out),
                          reinterpret_cast<DWORD_PTR>(&calls), CALLBACK_FUNCTION),
              MMSYSERR_NOERROR);
    ASSERT_NE(device, nullptr);
    EXPECT_TRUE(calls.WaitFor(WOM_OPEN, 1));

    std::vector<char> data[2] = {std::vector<char>(format.nAvgBytesPerSec / 20, 1),
                                 std::vector<char>(format.nAvgBytesPerSec / 20, 2)};
    WAVEHDR headers[2] = {HeaderFor(data[0]), HeaderFor(data[1])};
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(waveOutPrepareHeader(device, &headers[i], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
        EXPECT_TRUE(headers[i].dwFlags & WHDR_PREPARED);
    }
    for (WAVEHDR& header : headers)
        ASSERT_EQ(waveOutWrite(device, &header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_TRUE(calls.WaitFor(WOM_DONE, 2));
    EXPECT_EQ(calls.HeadersOf(WOM_DONE),
              (std::vector<DWORD_PTR>{reinterpret_cast<DWORD_PTR>(&headers[0]),
                                      reinterpret_cast<DWORD_PTR>(&headers[1])}));
    for (WAVEHDR& header : headers) {
        EXPECT_TRUE(std::atomic_ref<DWORD>(header.dwFlags).load() & WHDR_DONE);
        EXPECT_EQ(waveOutUnprepareHeader(device, &header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    }
    EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
    EXPECT_TRUE(calls.WaitFor(WOM_CLOSE, 1));
}

TEST_F(WinmmBackend, ResetHandsBackWhatIsQueued) {
    Calls calls;
    const WAVEFORMATEX format = Pcm16(1, 22050);
    HWAVEOUT device = nullptr;
    ASSERT_EQ(waveOutOpen(&device, 0, &format, reinterpret_cast<DWORD_PTR>(&Calls::Out),
                          reinterpret_cast<DWORD_PTR>(&calls), CALLBACK_FUNCTION),
              MMSYSERR_NOERROR);
    std::vector<char> data(format.nAvgBytesPerSec * 5); // five seconds
    WAVEHDR header = HeaderFor(data);
    ASSERT_EQ(waveOutPrepareHeader(device, &header, sizeof header), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutPause(device), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutWrite(device, &header, sizeof header), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutUnprepareHeader(device, &header, sizeof header), WAVERR_STILLPLAYING);
    ASSERT_EQ(waveOutReset(device), MMSYSERR_NOERROR);
    // Reported before the reset returned, as the caller frees buffers then.
    EXPECT_EQ(calls.HeadersOf(WOM_DONE),
              std::vector<DWORD_PTR>{reinterpret_cast<DWORD_PTR>(&header)});
    EXPECT_TRUE(std::atomic_ref<DWORD>(header.dwFlags).load() & WHDR_DONE);
    EXPECT_EQ(waveOutUnprepareHeader(device, &header, sizeof header), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
}

TEST_F(WinmmBackend, ARecordingBufferFills) {
    Calls calls;
    const WAVEFORMATEX format = Pcm16(1, 16000);
    HWAVEIN device = nullptr;
    ASSERT_EQ(waveInOpen(&device, 0, &format, reinterpret_cast<DWORD_PTR>(&Calls::In),
                         reinterpret_cast<DWORD_PTR>(&calls), CALLBACK_FUNCTION),
              MMSYSERR_NOERROR);
    EXPECT_TRUE(calls.WaitFor(WIM_OPEN, 1));
    std::vector<char> data(format.nAvgBytesPerSec / 10, 'x');
    WAVEHDR header = HeaderFor(data);
    ASSERT_EQ(waveInPrepareHeader(device, &header, sizeof header), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInAddBuffer(device, &header, sizeof header), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInStart(device), MMSYSERR_NOERROR);
    ASSERT_TRUE(calls.WaitFor(WIM_DATA, 1));
    EXPECT_EQ(calls.HeadersOf(WIM_DATA).front(), reinterpret_cast<DWORD_PTR>(&header));
    EXPECT_EQ(header.dwBytesRecorded, header.dwBufferLength);
    EXPECT_TRUE(std::atomic_ref<DWORD>(header.dwFlags).load() & WHDR_DONE);
    EXPECT_EQ(waveInStop(device), MMSYSERR_NOERROR);
    EXPECT_EQ(waveInReset(device), MMSYSERR_NOERROR);
    EXPECT_EQ(waveInUnprepareHeader(device, &header, sizeof header), MMSYSERR_NOERROR);
    EXPECT_EQ(waveInClose(device), MMSYSERR_NOERROR);
    EXPECT_TRUE(calls.WaitFor(WIM_CLOSE, 1));
}

TEST_F(WinmmBackend, MixerLinesAndControlsReadAndAVolumeWrittenReadsBack) {
    ASSERT_GE(mixerGetNumDevs(), 1u);
    HMIXER mixer = nullptr;
    ASSERT_EQ(mixerOpen(&mixer, 0, 0, 0, MIXER_OBJECTF_MIXER), MMSYSERR_NOERROR);
    const auto object = reinterpret_cast<HMIXEROBJ>(mixer);
    MIXERCAPSA caps{};
    ASSERT_EQ(mixerGetDevCaps(reinterpret_cast<UINT_PTR>(mixer), &caps, sizeof caps),
              MMSYSERR_NOERROR);
    EXPECT_TRUE(IsName(caps.szPname, sizeof caps.szPname));
    ASSERT_GE(caps.cDestinations, 1u);

    MIXERLINEA line{};
    line.cbStruct = sizeof line;
    line.dwDestination = 0;
    line.dwUser = 0x1234;
    ASSERT_EQ(
        mixerGetLineInfo(object, &line, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_DESTINATION),
        MMSYSERR_NOERROR);
    EXPECT_EQ(line.cbStruct, sizeof line);
    EXPECT_TRUE(IsName(line.szName, sizeof line.szName));
    EXPECT_LE(line.dwComponentType, MIXERLINE_COMPONENTTYPE_DST_LAST);
    ASSERT_GE(line.cControls, 1u);
    // The same line found again by the id the system gave it.
    MIXERLINEA byId{};
    byId.cbStruct = sizeof byId;
    byId.dwLineID = line.dwLineID;
    ASSERT_EQ(mixerGetLineInfo(object, &byId, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_LINEID),
              MMSYSERR_NOERROR);
    EXPECT_STREQ(byId.szName, line.szName);
    EXPECT_EQ(byId.dwComponentType, line.dwComponentType);
    EXPECT_EQ(byId.cControls, line.cControls);
    EXPECT_EQ(byId.Target.dwType, line.Target.dwType);
    EXPECT_STREQ(byId.Target.szPname, line.Target.szPname);

    std::vector<MIXERCONTROLA> controls(line.cControls);
    MIXERLINECONTROLSA all{};
    all.cbStruct = sizeof all;
    all.dwLineID = line.dwLineID;
    all.cControls = line.cControls;
    all.cbmxctrl = sizeof(MIXERCONTROLA);
    all.pamxctrl = controls.data();
    ASSERT_EQ(mixerGetLineControls(object, &all, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ALL),
              MMSYSERR_NOERROR);
    const MIXERCONTROLA* volume = nullptr;
    for (const MIXERCONTROLA& control : controls) {
        EXPECT_TRUE(IsName(control.szName, sizeof control.szName));
        if (control.dwControlType == MIXERCONTROL_CONTROLTYPE_VOLUME)
            volume = &control;
    }
    ASSERT_NE(volume, nullptr);
    // The same control found by its type.
    MIXERCONTROLA found{};
    MIXERLINECONTROLSA byType{};
    byType.cbStruct = sizeof byType;
    byType.dwLineID = line.dwLineID;
    byType.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
    byType.cControls = 1;
    byType.cbmxctrl = sizeof found;
    byType.pamxctrl = &found;
    ASSERT_EQ(mixerGetLineControls(object, &byType,
                                   MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE),
              MMSYSERR_NOERROR);
    EXPECT_EQ(found.dwControlID, volume->dwControlID);

    // A volume written is the volume read, on every channel it has.
    const DWORD channels =
        (volume->fdwControl & MIXERCONTROL_CONTROLF_UNIFORM) ? 1 : line.cChannels;
    std::vector<MIXERCONTROLDETAILS_UNSIGNED> values(channels);
    MIXERCONTROLDETAILS details{};
    details.cbStruct = sizeof details;
    details.dwControlID = volume->dwControlID;
    details.cChannels = channels;
    details.cbDetails = sizeof(MIXERCONTROLDETAILS_UNSIGNED);
    details.paDetails = values.data();
    ASSERT_EQ(mixerGetControlDetails(object, &details,
                                     MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE),
              MMSYSERR_NOERROR);
    const DWORD range = volume->Bounds.dwMaximum - volume->Bounds.dwMinimum;
    const DWORD wanted = values[0].dwValue > volume->Bounds.dwMinimum + range / 2
                             ? volume->Bounds.dwMinimum + range / 4
                             : volume->Bounds.dwMinimum + range * 3 / 4;
    for (auto& value : values)
        value.dwValue = wanted;
    ASSERT_EQ(mixerSetControlDetails(object, &details,
                                     MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE),
              MMSYSERR_NOERROR);
    for (auto& value : values)
        value.dwValue = 0;
    ASSERT_EQ(mixerGetControlDetails(object, &details,
                                     MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE),
              MMSYSERR_NOERROR);
    for (const auto& value : values)
        EXPECT_NEAR(double(value.dwValue), double(wanted), range / 100.0);

    // A record of another size is refused, before the system sees it.
    MIXERLINEA small = line;
    small.cbStruct = sizeof small - 4;
    EXPECT_EQ(mixerGetLineInfo(object, &small, MIXER_OBJECTF_HMIXER), MMSYSERR_INVALPARAM);
    EXPECT_EQ(mixerClose(mixer), MMSYSERR_NOERROR);
}

TEST_F(WinmmBackend, ABadHandleIsRefusedWithTheSystemsText) {
    WAVEHDR header{};
    char byte = 0;
    header.lpData = &byte;
    header.dwBufferLength = 1;
    const auto bogus = reinterpret_cast<HWAVEOUT>(static_cast<UINT_PTR>(0xBAD0));
    const MMRESULT result = waveOutWrite(bogus, &header, sizeof header);
    EXPECT_EQ(result, MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveInStart(reinterpret_cast<HWAVEIN>(static_cast<UINT_PTR>(0xBAD0))),
              MMSYSERR_INVALHANDLE);
    char text[MAXERRORLENGTH] = {};
    ASSERT_EQ(waveOutGetErrorText(result, text, sizeof text), MMSYSERR_NOERROR);
    EXPECT_GT(std::strlen(text), 0u);
    char input[MAXERRORLENGTH] = {};
    ASSERT_EQ(waveInGetErrorText(WAVERR_BADFORMAT, input, sizeof input), MMSYSERR_NOERROR);
    EXPECT_GT(std::strlen(input), 0u);
    EXPECT_STRNE(input, text);
    // A code without a text.
    EXPECT_EQ(waveOutGetErrorText(4000, text, sizeof text), MMSYSERR_BADERRNUM);
    // A short buffer gets the start of the text, terminated.
    char shortText[8];
    std::memset(shortText, 'x', sizeof shortText);
    ASSERT_EQ(waveOutGetErrorText(result, shortText, sizeof shortText), MMSYSERR_NOERROR);
    EXPECT_EQ(std::strlen(shortText), sizeof shortText - 1);
    EXPECT_EQ(std::string(text).substr(0, sizeof shortText - 1), shortText);
}

// The system's callback may make no wave call, yet the recorder queues its
// buffer again from its procedure: the procedures run on one thread of the
// backend's, where that is allowed, for output and input alike.
TEST_F(WinmmBackend, ProceduresRunOnTheBackendsOwnThreadAndMayQueueAgain) {
    Calls played;
    Calls heard;
    const WAVEFORMATEX format = Pcm16(1, 16000);
    HWAVEOUT out = nullptr;
    HWAVEIN in = nullptr;
    ASSERT_EQ(waveOutOpen(&out, 0, &format, reinterpret_cast<DWORD_PTR>(&Calls::Out),
                          reinterpret_cast<DWORD_PTR>(&played), CALLBACK_FUNCTION),
              MMSYSERR_NOERROR);
    // A procedure that queues each filled buffer again, three times over.
    struct Requeue {
        Calls calls;
        std::atomic<int> left{3};
        static void In(HWAVEIN device, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                       DWORD_PTR) {
            auto* self = reinterpret_cast<Requeue*>(instance);
            self->calls.Add(message, param1);
            if (message == WIM_DATA && self->left.fetch_sub(1) > 1) {
                EXPECT_EQ(
                    waveInAddBuffer(device, reinterpret_cast<WAVEHDR*>(param1), sizeof(WAVEHDR)),
                    MMSYSERR_NOERROR);
            }
        }
    } requeue;
    ASSERT_EQ(waveInOpen(&in, 0, &format, reinterpret_cast<DWORD_PTR>(&Requeue::In),
                         reinterpret_cast<DWORD_PTR>(&requeue), CALLBACK_FUNCTION),
              MMSYSERR_NOERROR);
    std::vector<char> data(format.nAvgBytesPerSec / 20, 0);
    WAVEHDR written = HeaderFor(data);
    ASSERT_EQ(waveOutPrepareHeader(out, &written, sizeof written), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutWrite(out, &written, sizeof written), MMSYSERR_NOERROR);
    std::vector<char> room(format.nAvgBytesPerSec / 20, 'x');
    WAVEHDR recorded = HeaderFor(room);
    ASSERT_EQ(waveInPrepareHeader(in, &recorded, sizeof recorded), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInAddBuffer(in, &recorded, sizeof recorded), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
    ASSERT_TRUE(played.WaitFor(WOM_DONE, 1));
    ASSERT_TRUE(requeue.calls.WaitFor(WIM_DATA, 3)) << "the buffer came back three times";
    EXPECT_EQ(waveInReset(in), MMSYSERR_NOERROR);
    EXPECT_EQ(waveInUnprepareHeader(in, &recorded, sizeof recorded), MMSYSERR_NOERROR);
    EXPECT_EQ(waveInClose(in), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutUnprepareHeader(out, &written, sizeof written), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
    // The close was reported before it returned, on the same thread as all else.
    EXPECT_EQ(requeue.calls.Count(WIM_CLOSE), 1u);
    EXPECT_EQ(played.Count(WOM_CLOSE), 1u);
    std::vector<std::thread::id> threads = played.threads;
    threads.insert(threads.end(), requeue.calls.threads.begin(), requeue.calls.threads.end());
    ASSERT_FALSE(threads.empty());
    for (const std::thread::id& id : threads) {
        EXPECT_EQ(id, threads.front());
        EXPECT_NE(id, std::this_thread::get_id());
    }
}

TEST_F(WinmmBackend, TheDeviceListNamesEachWaveDeviceAndAChoiceMovesTheDefault) {
    SoundBackend& backend = CurrentSoundBackend();
    const std::vector<SoundDevice> list = backend.ListDevices();
    std::vector<const SoundDevice*> outputs, inputs;
    for (const SoundDevice& d : list)
        (d.direction == DeviceDirection::Output ? outputs : inputs).push_back(&d);
    ASSERT_EQ(outputs.size(), waveOutGetNumDevs());
    ASSERT_EQ(inputs.size(), waveInGetNumDevs());
    ASSERT_FALSE(outputs.empty());
    for (UINT i = 0; i < outputs.size(); ++i) {
        WAVEOUTCAPSA caps{};
        ASSERT_EQ(waveOutGetDevCaps(i, &caps, sizeof caps), MMSYSERR_NOERROR);
        EXPECT_EQ(outputs[i]->description, caps.szPname);
        // The name and its number among the devices of that name.
        EXPECT_EQ(outputs[i]->id.rfind(std::string(caps.szPname) + "#", 0), 0u) << outputs[i]->id;
        EXPECT_EQ(outputs[i]->isDefault, i == 0);
        EXPECT_FALSE(outputs[i]->monitor);
    }

    std::string error;
    EXPECT_FALSE(backend.ChooseDevice(DeviceDirection::Output, "No Such Device#0", error));
    EXPECT_NE(error.find("\"No Such Device#0\""), std::string::npos) << error;
    const std::string last = outputs.back()->id;
    ASSERT_TRUE(backend.ChooseDevice(DeviceDirection::Output, last, error)) << error;
    for (const SoundDevice& d : backend.ListDevices())
        if (d.direction == DeviceDirection::Output) {
            EXPECT_EQ(d.isDefault, d.id == last) << d.id;
        }
    // WAVE_MAPPER opens the chosen device.
    WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, 11025, 22050, 2, 16, 0};
    HWAVEOUT out = nullptr;
    ASSERT_EQ(waveOutOpen(&out, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
}
