// The application object and the user interface's session whatever draws
// it: the one CWinApp, its run (InitInstance inside a session, listening
// for a second start until it ends) and the end of a session this one
// started (tool-tips stopped, the loop hooks of platform/system.h removed,
// the toolkit's fonts and tool-tips dropped before the toolkit stops).
#include "platform/system/message_loop.h"
#include "ui/ToolTipTimer.h"
#include "ui/Toolkit.h"
#include "ui/WinApp.h"

namespace {

CWinApp* g_app = nullptr;

} // namespace

CGuiSession::~CGuiSession() {
    if (!m_owner)
        return;
    CToolTipTimer::Stop();
    plat::SetMessagePump(nullptr);
    plat::SetMainThreadPoster(nullptr);
    uiimpl::ReleaseToolTips();
    uiimpl::ReleaseFonts();
    uiimpl::StopToolkit();
}

CWinApp::CWinApp() {
    g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this)
        g_app = nullptr;
}

CWinApp* CWinApp::GetApp() {
    return g_app;
}

int CWinApp::Run(int& argc, char** argv) {
    CGuiSession session(argc, argv);
    InitInstance();
    StopListening();
    m_pMainWnd = nullptr;
    return 0;
}

void CWinApp::StopListening() {
    m_activation.reset();
}
