// render_pages OUTDIR: draws the welcome page inside the sheet and the two
// help dialogs into OUTDIR/page1.png, connections.png and headset.png, without
// a display, so the look can be reviewed.
#include "app/PropSheet.h"
#include "app/UiTexts.h"
#include "app/WizardApp.h"
#include "pages/ConnectionsDlg.h"
#include "pages/HeadsetDlg.h"
#include "platform/sound_choice.h"
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

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: render_pages OUTDIR\n";
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::string error;
    if (!plat::SelectSoundBackend("virtual", error)) {
        std::cerr << "render_pages: " << error << "\n";
        return 1;
    }
    CGuiSession gui(argc, argv);
    CWizardApp::RegisterFonts();
    ResetUiTexts();

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

    sheet.EndDialog(IDCANCEL);
    return ok ? 0 : 1;
}
