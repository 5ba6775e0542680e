// The microphone page after one recording of each verdict, made as the verdict
// tests make them: a virtual card whose clock is stepped by hand hears
// silence, the test sentence quiet, over noise, shouted, or as it should be.
#include "tests/pages/render_page4_verdict.h"

#include "app/PropSheet.h"
#include "platform/files/directories.h"
#include "platform/files/paths.h"
#include "platform/sound_backend.h"
#include "platform/virtual/VirtualCard.h"
#include "tests/pages/VerdictInputs.h"
#include "ui/SliderCtrl.h"
#include "ui/Testing.h"

#include <iostream>
#include <memory>
#include <set>
#include <string>
#include <vector>

bool RenderPage4Verdicts(const std::string& dir, const RenderSaver& save) {
    const std::string temp = plat::GetTempPath();
    std::vector<verdict_inputs::Scene> scenes;
    std::string error;
    if (temp.empty() || !verdict_inputs::MakeScenes(temp, scenes, error)) {
        std::cerr << "render_pages: the verdict pictures' sounds: " << error << "\n";
        return false;
    }
    auto card = std::make_shared<plat::CVirtualCard>(verdict_inputs::MasterAtTheTop(),
                                                     plat::CVirtualCard::Clock::Manual);
    plat::InstallSoundBackend(card);
    bool ok = true;
    {
        CPropSheet sheet;
        sheet.Create();
        sheet.m_mixerSetup.PrepareRecording();
        sheet.SetActivePage(1);
        sheet.SetActivePage(3);
        uitest::ProcessEvents(50);
        CPropPage4& page = sheet.m_page4;
        std::set<std::string> drawn;
        for (const verdict_inputs::Scene& scene : scenes) {
            if (!drawn.insert(scene.verdict).second)
                continue;
            card->SetMicrophone(scene.signal);
            page.OnStart();
            // The user sets the slider as the recording begins.
            uitest::DragSlider(*page.GetDlgItemAs<CSliderCtrl>(1018), scene.volume);
            for (int ms = 0; ms < 3600; ms += 160) {
                card->AdvanceClock(160);
                uitest::ProcessEvents(2);
            }
            page.OnStart();
            uitest::ProcessEvents(50);
            ok = save(sheet, dir + "page4_verdict_" + scene.verdict + ".png") && ok;
        }
        sheet.EndDialog(IDCANCEL);
        uitest::ProcessEvents(10);
    }
    card->WaitCallbacks();
    plat::InstallSoundBackend(std::make_shared<plat::CVirtualCard>());
    for (const verdict_inputs::Scene& scene : scenes)
        if (!scene.signal.file.empty())
            plat::DeleteFile(scene.signal.file);
    return ok;
}

bool RenderPage4Offer(const std::string& dir, const RenderSaver& save) {
    // The built-in microphone hears nothing; a headset's beside it hears the
    // test sentence.
    plat::VirtualCardDesc desc = verdict_inputs::MasterAtTheTop();
    plat::VirtualWaveDevice headset = desc.waveIn.at(0);
    headset.name = "USB Headset Microphone";
    headset.id = "usb-mic";
    headset.mute = true; // page 2 keeps the built-in one
    headset.microphone = plat::MicrophoneSignal{};
    desc.waveIn.push_back(headset);
    plat::MicrophoneSignal silence;
    silence.kind = plat::MicrophoneSignal::Kind::Silence;
    desc.microphone = silence;
    auto card = std::make_shared<plat::CVirtualCard>(desc, plat::CVirtualCard::Clock::Manual);
    plat::InstallSoundBackend(card);
    bool ok = true;
    {
        CPropSheet sheet;
        sheet.Create();
        sheet.m_mixerSetup.PrepareRecording();
        sheet.SetActivePage(1);
        sheet.SetActivePage(3);
        uitest::ProcessEvents(50);
        CPropPage4& page = sheet.m_page4;
        page.OnStart();
        for (int ms = 0; ms < 2000; ms += 160) {
            card->AdvanceClock(160);
            uitest::ProcessEvents(2);
        }
        page.OnStart();
        // The look at the other microphone, a second on the page's timer.
        for (int i = 0; i < 150 && !page.OfferedDevice(); ++i) {
            card->AdvanceClock(20);
            uitest::ProcessEvents(20);
        }
        ok = page.OfferedDevice().has_value();
        if (!ok)
            std::cerr << "render_pages: no microphone was offered\n";
        ok = save(sheet, dir + "page4_offer.png") && ok;
        sheet.EndDialog(IDCANCEL);
        uitest::ProcessEvents(10);
    }
    card->WaitCallbacks();
    plat::InstallSoundBackend(std::make_shared<plat::CVirtualCard>());
    return ok;
}
