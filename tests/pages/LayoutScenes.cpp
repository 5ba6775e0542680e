#include "tests/pages/LayoutScenes.h"

#include "app/PropSheet.h"
#include "pages/ConnectionsDlg.h"
#include "pages/HeadsetDlg.h"
#include "pages/RecordingVerdictLine.h"
#include "platform/files/directories.h"
#include "platform/files/paths.h"
#include "platform/registry/registry.h"
#include "platform/sound_backend.h"
#include "platform/sound_choice.h"
#include "platform/virtual/VirtualCard.h"
#include "tests/pages/render_page5.h"
#include "texts/UiTexts.h"
#include "ui/CheckBox.h"
#include "ui/ColorText.h"
#include "ui/Testing.h"

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <system_error>

namespace {

namespace fs = std::filesystem;

constexpr const char* kVerdictKeys[] = {"NoVoice", "TooQuiet", "TooLoud", "TooNoisy", "Good"};

// A card whose drivers refuse every 8-bit format each way: the sound-card
// test lists a line for each of them. The wizard records and plays 16-bit.
// Its microphone has a name longer than the page is wide.
plat::VirtualCardDesc ManyRefusals() {
    plat::VirtualCardDesc desc = plat::DefaultCardDesc();
    for (auto* devices : {&desc.waveIn, &desc.waveOut})
        std::erase_if(devices->at(0).formats,
                      [](const plat::PcmFormat& format) { return format.bits == 8; });
    desc.waveIn.at(0).name = "USB Headset H390 Mono Microphone Input with Noise Cancelling and "
                             "a Vendor Name That Goes On and On";
    return desc;
}

void VisitDialogs(CPropSheet& sheet, const LayoutVisitor& visit) {
    {
        CConnectionsDlg connections(&sheet.m_page1);
        connections.CreateIndirect(&sheet.m_page1, false);
        connections.ShowWindow(SW_SHOW);
        uitest::ProcessEvents(10);
        visit("connections", connections, connections);
    }
    CHeadsetDlg headset(&sheet.m_page1);
    headset.CreateIndirect(&sheet.m_page1, false);
    headset.ShowWindow(SW_SHOW);
    uitest::ProcessEvents(10);
    visit("headset", headset, headset);
}

void VisitSoundPages(CPropSheet& sheet, plat::CVirtualCard& card, const LayoutVisitor& visit) {
    auto show = [&](int index, const std::string& name) {
        uitest::ProcessEvents(20);
        visit(name, *sheet.GetPage(index), sheet);
    };
    sheet.SetActivePage(1);
    show(1, "page2");
    sheet.m_page2.OnTest();
    show(1, "page2-tested");
    // A survey that fails keeps Next off: the hint says what to do instead.
    card.FailCall("waveInOpen", plat::MMSYSERR_NODRIVER, 1);
    sheet.m_page2.OnTest();
    show(1, "page2-stuck");
    sheet.m_page2.OnTest();

    sheet.SetActivePage(2);
    show(2, "page3");
    sheet.m_page3.OnTest();
    show(2, "page3-playing");
    sheet.m_page3.OnTest();
    show(2, "page3-stopped");
}

void VisitPage4(CPropSheet& sheet, plat::CVirtualCard& card, const LayoutVisitor& visit) {
    CPropPage4& page = sheet.m_page4;
    auto show = [&](const std::string& name) {
        uitest::ProcessEvents(20);
        visit(name, page, sheet);
    };
    sheet.SetActivePage(3);
    show("page4");
    page.OnStart();
    // Two seconds of the card's time: a recording the page can measure.
    for (int ms = 0; ms < 2000; ms += 160) {
        card.AdvanceClock(160);
        uitest::ProcessEvents(2);
    }
    show("page4-recording");
    page.OnStart();
    show("page4-stopped");
    auto* line = page.GetDlgItemAs<CColorText>(1210);
    CWnd* closing = page.GetDlgItem(1056);
    if (line != nullptr && closing != nullptr) {
        // The speech recogniser's line follows the verdict's words, as the
        // page puts it after each recording.
        auto verdict = [&](const std::string& text, const std::string& name) {
            ShowVerdictText(*line, *closing, text);
            if (CWnd* speech = page.GetDlgItem(1212)) {
                const CRect words = line->GetRectInParent();
                const CRect place = speech->GetRectInParent();
                speech->MoveWindow(place.left, words.bottom + 4, place.Width(), place.Height());
            }
            show("page4-verdict-" + name);
        };
        for (const char* key : kVerdictKeys)
            verdict(UiText("Verdict", key), key);
        verdict(UiText("Verdict", "TooNoisy") + " " + UiText("Verdict", "NarrowBand"),
                "NarrowBand");
        // The longest words after the automatic level: the volume the wizard
        // raised, and the narrow band's sentence.
        RecordingAnalysis raised;
        raised.verdict = Verdict::TooQuiet;
        verdict(MendedVerdictText(raised, 100), "Raised");
    }
    // A recording shorter than one buffer cannot be kept: a warning.
    page.OnStart();
    uitest::ProcessEvents(2);
    page.OnStart();
    show("page4-warning");
    plat::DeleteFile(CPropPage4::RecordingPath());
}

bool VisitPage5(CPropSheet& sheet, const LayoutVisitor& visit, std::string& error) {
    const fs::path scratch =
        fs::temp_directory_path() / ("pelmora-layout-page5-" + std::to_string(::getpid()));
    std::error_code failure;
    fs::remove_all(scratch, failure);
    fs::create_directories(scratch, failure);
    fs::copy(render5::SampleDir(), scratch / "sample", fs::copy_options::recursive, failure);
    if (failure) {
        error = "cannot copy the sample installation: " + failure.message();
        return false;
    }
    plat::RegUseHiveFile((scratch / "registry.reg").string());
    const std::string sample = (scratch / "sample").string();
    const bool registered = render5::Register("SOFTWARE\\Vendrel\\Qrv50", sample + "/Qrv/") &&
                            render5::Register("SOFTWARE\\Vendrel\\TIKO_CP", sample + "/TikoCP");
    if (registered) {
        sheet.SetActivePage(4);
        uitest::ProcessEvents(20);
        CPropPage5& page = sheet.m_page5;
        visit("page5", page, sheet);
        if (auto* product = page.GetDlgItemAs<CCheckBox>(1006))
            product->Click();
        uitest::ProcessEvents(20);
        visit("page5-students", page, sheet);
        // The first Update writes the volume (K5), the second finds it
        // written (K6).
        page.OnUpdate();
        uitest::ProcessEvents(20);
        visit("page5-configured", page, sheet);
        page.OnUpdate();
        uitest::ProcessEvents(20);
        visit("page5-retained", page, sheet);
    } else {
        error = "cannot register the sample installation";
    }
    const bool removed = DeleteKeyTree(plat::HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendrel");
    if (registered && !removed)
        error = "cannot remove the sample installation's registration";
    plat::RegUseHiveFile("");
    fs::remove_all(scratch, failure);
    return registered && removed;
}

} // namespace

bool VisitLayoutScenes(const LayoutVisitor& visit, std::string& error) {
    // No real backend answers: the virtual card stands in, with its notice.
    if (!plat::SelectSoundBackend("", error))
        return false;
    // The card's clock is stepped by hand: recordings take no real time.
    auto card =
        std::make_shared<plat::CVirtualCard>(ManyRefusals(), plat::CVirtualCard::Clock::Manual);
    plat::InstallSoundBackend(card);
    bool ok = true;
    {
        CPropSheet sheet;
        sheet.Create();
        uitest::ProcessEvents(20);
        visit("page1", sheet.m_page1, sheet);
        VisitDialogs(sheet, visit);
        VisitSoundPages(sheet, *card, visit);
        VisitPage4(sheet, *card, visit);
        ok = VisitPage5(sheet, visit, error);
        sheet.EndDialog(IDCANCEL);
        uitest::ProcessEvents(10);
    }
    card->WaitCallbacks();
    if (const std::string temp = plat::GetTempPath(); !temp.empty())
        plat::DeleteFile(temp + "Mixer.ser");
    plat::InstallSoundBackend(std::make_shared<plat::CVirtualCard>());
    return ok;
}
