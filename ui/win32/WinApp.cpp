#include "ui/WinApp.h"

#include "platform/system/message_loop.h"
#include "ui/ToolTipTimer.h"
#include "ui/Wnd.h"
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

// Nothing listens on Windows: a second start finds the frame by its class.
struct CWinApp::Activation {};

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

// Every Windows session has a desktop to show windows on.
void SetStartFailureHandler(StartFailureHandler) {}

bool CWinApp::ListenForActivation(const std::string&) {
    m_activation = std::make_unique<Activation>();
    return true;
}

void CWinApp::StopListening() {
    m_activation.reset();
}

bool CWinApp::OnActivationRequest() {
    if (m_pMainWnd == nullptr || !m_pMainWnd->HasWindow())
        return false;
    win::BringToFront(win::Root(CWndPrivate::Of(*m_pMainWnd).hwnd));
    return true;
}

bool CWinApp::RequestActivation(const std::string&, unsigned) {
    return win::BringOtherProgramToFront();
}
