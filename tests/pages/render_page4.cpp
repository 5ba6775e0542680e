// The microphone page for render_pages: idle, recording with the meter about
// half full, replaying, and after a warning. The microphone is a tone whose
// strength is tuned until the recorder measures about half the meter's range.
#include "tests/pages/render_page4.h"

#include "app/PropSheet.h"
#include "platform/system.h"
#include "platform/virtual/VirtualCard.h"
#include "ui/Testing.h"

#include <cmath>
#include <iostream>

namespace {

plat::MicrophoneSignal Tone(double amplitude) {
    plat::MicrophoneSignal signal;
    signal.kind = plat::MicrophoneSignal::Kind::Sine;
    signal.amplitude = amplitude;
    signal.frequency = 330;
    return signal;
}

} // namespace

bool RenderPage4(CPropSheet& sheet, const std::string& dir, const RenderSaver& save) {
    auto card = std::dynamic_pointer_cast<plat::CVirtualCard>(plat::CurrentSoundBackendShared());
    if (!card) {
        std::cerr << "render_pages: page 4 needs the virtual card\n";
        return false;
    }
    // What the sound-card test leaves: the microphone selected for recording.
    sheet.m_mixerSetup.PrepareRecording();
    sheet.m_mixerSetup.SetRecordingVolume(6000);
    sheet.SetActivePage(3);
    uitest::ProcessEvents(50);
    CPropPage4& page = sheet.m_page4;
    bool ok = save(sheet, dir + "page4_idle.png");

    // Levels are decibels x 100: scaling the tone by 10^(dB/20) moves it.
    constexpr int kHalf = CPropPage4::kMeterMax / 2;
    double amplitude = 300;
    card->SetMicrophone(Tone(amplitude));
    page.OnStart();
    for (int round = 0; round < 4; ++round) {
        uitest::ProcessEvents(400);
        const int level = sheet.m_audioEngine.GetRecordLevel();
        if (level <= 0 || std::abs(level - kHalf) <= 200)
            break;
        amplitude *= std::pow(10.0, (kHalf - level) / 2000.0);
        card->SetMicrophone(Tone(amplitude));
    }
    uitest::ProcessEvents(100);
    ok = save(sheet, dir + "page4_recording.png") && ok;
    page.OnStart();

    page.OnReplay();
    uitest::ProcessEvents(150);
    ok = save(sheet, dir + "page4_replaying.png") && ok;
    page.OnReplay();

    // A recording shorter than one buffer cannot be kept: a warning.
    page.OnStart();
    uitest::ProcessEvents(20);
    page.OnStart();
    uitest::ProcessEvents(50);
    ok = save(sheet, dir + "page4_warning.png") && ok;
    plat::DeleteFile(CPropPage4::RecordingPath());
    return ok;
}
