#include "audio/DeviceReport.h"

#include "audio/TestSoundCard.h"
#include "platform/sound_backend.h"

#include <string>

using namespace plat;

namespace {

bool Holds(const std::vector<std::unique_ptr<PcmFormatRecord>>& list, const WAVEFORMATEX& f) {
    for (const auto& r : list)
        if (r->nSamplesPerSec == f.nSamplesPerSec && r->wBitsPerSample == f.wBitsPerSample &&
            r->nChannels == f.nChannels)
            return true;
    return false;
}

// One line per rate: "8000 Hz: 8-bit mono yes, 8-bit stereo no, ..."; a
// format whose query got no answer shows "?".
template <typename DeviceInfo> void FormatLines(std::ostream& out, const DeviceInfo& d) {
    const auto formats = SurveyFormats();
    for (std::size_t i = 0; i < formats.size(); ++i) {
        const WAVEFORMATEX& f = formats[i];
        if (i % 4 == 0)
            out << "      " << f.nSamplesPerSec << " Hz:";
        const char* answer = Holds(d.supported, f) ? "yes" : Holds(d.unsupported, f) ? "no" : "?";
        out << (i % 4 ? ", " : " ") << f.wBitsPerSample << "-bit "
            << (f.nChannels == 1 ? "mono" : "stereo") << ' ' << answer;
        if (i % 4 == 3)
            out << '\n';
    }
}

template <typename DeviceInfo>
void DeviceLines(std::ostream& out, const char* title, UINT count, const DeviceInfo* devices) {
    out << title << ": " << count << '\n';
    for (UINT i = 0; i < count && devices; ++i) {
        const DeviceInfo& d = devices[i];
        out << "  [" << i << "] " << d.caps.szPname << " (driver "
            << ((d.caps.vDriverVersion >> 8) & 0xFF) << '.' << (d.caps.vDriverVersion & 0xFF)
            << ", " << d.caps.wChannels << " channels)\n";
        FormatLines(out, d);
    }
}

} // namespace

bool ReportDevices(std::ostream& out) {
    CTestSoundCard tester;
    tester.SetWait([](DWORD) {}); // a busy device is reported as it is, not waited for
    out << "Sound backend: " << CurrentSoundBackend().Name() << '\n';
    for (const std::string& line : CurrentSoundBackend().DescribeDevices())
        out << "  " << line << '\n';
    const CTestSoundCard::Inventory* inventory = tester.GetDevices();
    if (!inventory) {
        out << "Wave devices: " << tester.GetLastError() << '\n';
        return false;
    }
    DeviceLines(out, "Wave-in devices", inventory->inCount, inventory->inDevices.get());
    DeviceLines(out, "Wave-out devices", inventory->outCount, inventory->outDevices.get());
    return true;
}
