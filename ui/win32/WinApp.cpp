#include "ui/WinApp.h"

#include "platform/system/message_loop.h"
#include "ui/Wnd.h"
#include "ui/win32/Native.h"

namespace {

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

namespace uiimpl {

void StopToolkit() {
    win::Stop();
}

} // namespace uiimpl

// Nothing listens on Windows: a second start finds the frame by its class.
struct CWinApp::Activation {};

void CWinApp::ActivationEnd::operator()(Activation* activation) const {
    delete activation;
}

// Every Windows session has a desktop to show windows on.
void SetStartFailureHandler(StartFailureHandler) {}

bool CWinApp::ListenForActivation(const std::string&) {
    m_activation.reset(new Activation);
    return true;
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
