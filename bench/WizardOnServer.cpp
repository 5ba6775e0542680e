#include "bench/WizardOnServer.h"

#include "platform/sound_choice.h"
#include "resources/ProgramResources.h"
#include "texts/UiTexts.h"
#include "ui/Testing.h"

#include <cstdio>
#include <cstdlib>

namespace bench {

CWizardOnServer::CWizardOnServer(const char* name, int argc, char** argv) : m_name(name) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::string error;
    if (!m_server.Start(error)) {
        std::fprintf(stderr, "%s: no private PipeWire session: %s\n", name, error.c_str());
        return;
    }
    if (!plat::SelectSoundBackend("pulse", error)) {
        std::fprintf(stderr, "%s: %s\n", name, error.c_str());
        return;
    }
    m_gui = std::make_unique<CGuiSession>(argc, argv);
    CWizardApp::RegisterFonts();
    ResetUiTexts();
    RegisterProgramResources();
    m_app = std::make_unique<CWizardApp>();
    m_app->CreateImageList();
    m_ready = true;
}

bool CWizardOnServer::WalkTo(CPropSheet& sheet, int index) const {
    sheet.SetActivePage(1);
    uitest::ProcessEvents(200);
    uitest::Click(*sheet.m_page2.GetDlgItem(1065));
    for (int i = 0; i < 1000 && !sheet.m_page2.CanGoOn(); ++i)
        uitest::ProcessEvents(10);
    sheet.SetActivePage(index);
    uitest::ProcessEvents(200);
    if (sheet.GetActiveIndex() == index)
        return true;
    std::fprintf(stderr, "%s: the wizard did not go on to page %d\n", m_name.c_str(), index + 1);
    return false;
}

} // namespace bench
