#include "ui/WinApp.h"

#include "platform/system.h"
#include "ui/ToolTipTimer.h"
#include "ui/win32/Native.h"

namespace {

CWinApp* g_app = nullptr;

void InstallHooks() {
    plat::SetMessagePump([](plat::DWORD maxMs) { win::PumpMessages(maxMs); });
    plat::SetMainThreadPoster([](std::function<void()> fn) { win::PostTask(std::move(fn)); });
    win::SetMessageFilter(uiimpl::FilterMessage);
}

} // namespace

CGuiSession::CGuiSession() {
    if (win::Started())
        return;
    m_owner = true;
    win::Start(uiimpl::Dispatch);
    InstallHooks();
}

CGuiSession::CGuiSession(int&, char**) : CGuiSession() {}

CGuiSession::~CGuiSession() {
    if (!m_owner)
        return;
    CToolTipTimer::Stop();
    plat::SetMessagePump(nullptr);
    plat::SetMainThreadPoster(nullptr);
    uiimpl::ReleaseToolTips();
    uiimpl::ReleaseFonts();
    win::Stop();
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
    m_pMainWnd = nullptr;
    return 0;
}
