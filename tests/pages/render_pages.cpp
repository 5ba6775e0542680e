// render_pages OUTDIR [--language FILE] [--face FACE]: draws every page of the
// sheet, in its typical states, and the two help dialogs into PNG files in
// OUTDIR (created when missing), without a display, so the look can be
// reviewed; then the states of the layout test as layout-<state>.png. With
// --language the texts are those of the language file FILE, with --face the
// pages' "Arial" is drawn in FACE (say "DejaVu Sans").
#include "app/PropSheet.h"
#include "app/WizardApp.h"
#include "pages/ConnectionsDlg.h"
#include "pages/HeadsetDlg.h"
#include "platform/files/directories.h"
#include "platform/files/paths.h"
#include "platform/sound_backend.h"
#include "platform/sound_choice.h"
#include "platform/text/ini_file.h"
#include "platform/virtual/VirtualCard.h"
#include "resources/ProgramResources.h"
#include "tests/pages/LayoutScenes.h"
#include "tests/pages/render_page4.h"
#include "tests/pages/render_page4_autolevel.h"
#include "tests/pages/render_page4_verdict.h"
#include "tests/pages/render_page5.h"
#include "tests/support/ScopedEnv.h"
#include "texts/SoundNotice.h"
#include "texts/UiTexts.h"
#include "ui/Font.h"
#include "ui/Render.h"
#include "ui/Testing.h"
#include "ui/WinApp.h"

#include <cstdlib>
#include <iostream>
#include <string>

namespace {

bool Save(const CWnd& wnd, const std::string& path) {
    std::string error;
    if (!RenderWindowToPng(wnd, path, error)) {
        std::cerr << "render_pages: " << path << ": " << error << "\n";
        return false;
    }
    std::cout << path << "\n";
    return true;
}

// Page 2 before and after a test with mixed results (a card that cannot
// switch its playback path on and refuses two input formats), page 3 idle
// playing and stopped, and with the notice of a headset plugged in.
bool RenderSoundPages(CPropSheet& sheet, const std::string& dir) {
    plat::VirtualCardDesc desc = plat::DefaultCardDesc();
    desc.waveIn.at(0).formats.erase(desc.waveIn.at(0).formats.begin() + 4,
                                    desc.waveIn.at(0).formats.begin() + 6);
    plat::VirtualLine& speakers = desc.mixers.at(0).destinations.at(0);
    auto noMute = [](plat::VirtualLine& line) {
        std::erase_if(line.controls, [](const plat::VirtualControl& c) {
            return c.type == plat::MIXERCONTROL_CONTROLTYPE_MUTE;
        });
    };
    noMute(speakers);
    for (plat::VirtualLine& source : speakers.sources)
        noMute(source);
    plat::InstallSoundBackend(std::make_shared<plat::CVirtualCard>(desc));

    bool ok = true;
    sheet.SetActivePage(1);
    uitest::ProcessEvents(50);
    ok = Save(sheet, dir + "page2.png") && ok;
    sheet.m_page2.OnTest();
    uitest::ProcessEvents(50);
    ok = Save(sheet, dir + "page2-tested.png") && ok;
    if (const std::string temp = plat::GetTempPath(); !temp.empty())
        plat::DeleteFile(temp + "Mixer.ser");

    sheet.SetActivePage(2);
    uitest::ProcessEvents(50);
    ok = Save(sheet, dir + "page3.png") && ok;
    sheet.m_page3.OnTest();
    uitest::ProcessEvents(50);
    ok = Save(sheet, dir + "page3-playing.png") && ok;
    sheet.m_page3.OnTest();
    uitest::ProcessEvents(50);
    ok = Save(sheet, dir + "page3-stopped.png") && ok;
    // The sheet's notice of a headset plugged in, over the button row.
    sheet.ShowNotice(PluggedInNoticeText("USB Headset H390 Analog Stereo Headphones"),
                     UiText("PropSheet", "UseIt"), UiText("PropSheet", "NotNow"), {});
    uitest::ProcessEvents(50);
    ok = Save(sheet, dir + "page3-notice.png") && ok;
    sheet.HideNotice();
    plat::InstallSoundBackend(std::make_shared<plat::CVirtualCard>());
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    std::string out;
    std::string language;
    std::string face;
    bool usage = false;
    for (int i = 1; i < argc && !usage; ++i) {
        const std::string arg = argv[i];
        if (arg == "--language" && i + 1 < argc)
            language = argv[++i];
        else if (arg == "--face" && i + 1 < argc)
            face = argv[++i];
        else if (out.empty() && !arg.empty() && arg[0] != '-')
            out = arg;
        else
            usage = true;
    }
    if (usage || out.empty()) {
        std::cerr << "usage: render_pages OUTDIR [--language FILE] [--face FACE]\n";
        return 2;
    }
    // The texts are read from the file, never written to it.
    if (CIniFile file; !language.empty() && (!plat::FileExists(language) || !file.Open(language))) {
        std::cerr << "render_pages: cannot read the language file " << language
                  << (file.GetLastError().empty() ? "" : ": " + file.GetLastError()) << "\n";
        return 1;
    }
    const std::string dir = out + "/";
    if (!plat::CreateDirectories(dir)) {
        std::cerr << "render_pages: cannot create " << dir << "\n";
        return 1;
    }
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        ScopedEnv::Set("QT_QPA_PLATFORM", "offscreen"); // read by Qt only
    std::string error;
    if (!plat::SelectSoundBackend("virtual", error)) {
        std::cerr << "render_pages: " << error << "\n";
        return 1;
    }
    CGuiSession gui(argc, argv);
    CWizardApp::RegisterFonts();
    if (!face.empty()) {
        CFontRegistry::SetFaceSubstitute("Arial", face);
        if (const std::string shown = CFontRegistry::Get(1121)->GetTextFace(); shown != face) {
            std::cerr << "render_pages: the face " << face << " is not installed (" << shown
                      << " would be used)\n";
            return 1;
        }
    }
    ResetUiTexts();
    if (!language.empty())
        LoadUiTextsFrom(language);
    RegisterProgramResources();
    CWizardApp app;
    app.CreateImageList();

    bool ok = true;
    CPropSheet sheet;
    sheet.Create();
    uitest::ProcessEvents(50);
    ok = Save(sheet, dir + "page1.png") && ok;

    CConnectionsDlg connections(&sheet.m_page1);
    connections.CreateIndirect(&sheet.m_page1, false);
    ok = Save(connections, dir + "connections.png") && ok;

    CHeadsetDlg headset(&sheet.m_page1);
    headset.CreateIndirect(&sheet.m_page1, false);
    ok = Save(headset, dir + "headset.png") && ok;

    ok = RenderSoundPages(sheet, dir) && ok;

    ok = RenderPage4(sheet, dir, Save) && ok;
    ok = RenderPage4AutoLevel(sheet, dir, Save) && ok;

    ok = RenderPage5(sheet, dir, Save) && ok;

    sheet.EndDialog(IDCANCEL);
    ok = RenderPage4Verdicts(dir, Save) && ok;
    ok = RenderPage4Offer(dir, Save) && ok;

    std::string scenesError;
    if (!VisitLayoutScenes(
            [&](const std::string& name, const CWnd&, const CWnd& picture) {
                ok = Save(picture, dir + "layout-" + name + ".png") && ok;
            },
            scenesError)) {
        std::cerr << "render_pages: " << scenesError << "\n";
        ok = false;
    }
    return ok ? 0 : 1;
}
