// The microphone page for render_pages: idle, recording with the meter about
// half full, the meter below, inside and beyond the speech zone (peak tick,
// clip sign) and falling, replaying, and after a warning. The microphone is a tone whose
// strength is tuned until the recorder measures about half the meter's range.
#include "tests/pages/render_page4.h"

#include "app/PropSheet.h"
#include "pages/MeterScale.h"
#include "platform/files/paths.h"
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

// Tunes the tone until the recorder measures about `level`; answers the
// amplitude.
double TuneTo(CPropSheet& sheet, plat::CVirtualCard& card, int level, double amplitude) {
    card.SetMicrophone(Tone(amplitude));
    for (int round = 0; round < 5; ++round) {
        uitest::ProcessEvents(400);
        const int measured = sheet.m_audioEngine.GetRecordLevel();
        if (measured <= 0 || std::abs(measured - level) <= 100)
            break;
        amplitude *= std::pow(10.0, (level - measured) / 2000.0);
        card.SetMicrophone(Tone(amplitude));
    }
    return amplitude;
}

// The meter in each zone with its peak tick (a tone peaks 3 dB above its
// level): below the speech zone, inside it, and clipping, then the bar
// falling after the clipped tone stopped, with the tick held and the sign.
bool RenderMeterZones(CPropSheet& sheet, plat::CVirtualCard& card, const std::string& dir,
                      const RenderSaver& save) {
    CPropPage4& page = sheet.m_page4;
    const MeterZone zone = SpeechMeterZone();
    page.OnStart();
    double amplitude = TuneTo(sheet, card, 4500, 300);
    bool ok = save(sheet, dir + "page4_meter_quiet.png");
    amplitude = TuneTo(sheet, card, (zone.low + zone.high) / 2, amplitude);
    ok = save(sheet, dir + "page4_meter_zone.png") && ok;
    // Far beyond full scale: the card clips it.
    card.SetMicrophone(Tone(32768.0 * 20));
    uitest::ProcessEvents(600);
    ok = save(sheet, dir + "page4_meter_clipped.png") && ok;
    plat::MicrophoneSignal silence;
    silence.kind = plat::MicrophoneSignal::Kind::Silence;
    card.SetMicrophone(silence);
    uitest::ProcessEvents(900);
    ok = save(sheet, dir + "page4_meter_falling.png") && ok;
    page.OnStart();
    uitest::ProcessEvents(50);
    return ok;
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

    ok = RenderMeterZones(sheet, *card, dir, save) && ok;

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
