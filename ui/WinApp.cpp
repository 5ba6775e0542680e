#include "ui/WinApp.h"

#include "platform/system.h"
#include "ui/Private.h"
#include "ui/ToolTipTimer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QIcon>
#include <QPalette>
#include <QStyleFactory>

namespace {

CWinApp* g_app = nullptr;

void SetLook(QApplication& app) {
    if (QStyle* style = QStyleFactory::create("Fusion"))
        QApplication::setStyle(style);
    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::Window, uiimpl::FaceColor());
    palette.setColor(QPalette::Base, QColor(0xFF, 0xFF, 0xFF));
    palette.setColor(QPalette::AlternateBase, QColor(0xF5, 0xF5, 0xFF));
    palette.setColor(QPalette::Button, QColor(0xF4, 0xF6, 0xFA));
    palette.setColor(QPalette::Text, QColor(0x1E, 0x26, 0x36));
    palette.setColor(QPalette::WindowText, QColor(0x1E, 0x26, 0x36));
    palette.setColor(QPalette::ButtonText, QColor(0x1E, 0x26, 0x36));
    palette.setColor(QPalette::Highlight, QColor(0x3D, 0x6F, 0xC4));
    palette.setColor(QPalette::HighlightedText, QColor(0xFF, 0xFF, 0xFF));
    palette.setColor(QPalette::ToolTipBase, QColor(0xFF, 0xFD, 0xE8));
    palette.setColor(QPalette::ToolTipText, QColor(0x1E, 0x26, 0x36));
    QApplication::setPalette(palette);
    QApplication::setFont(uiimpl::QtFont(nullptr));
    app.setApplicationName("Pelmora");
    QGuiApplication::setDesktopFileName(QString::fromLatin1(uiimpl::kDesktopEntryName));
}

void InstallHooks() {
    plat::SetMessagePump([](plat::DWORD maxMs) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents(QEventLoop::AllEvents, static_cast<int>(maxMs));
    });
    plat::SetMainThreadPoster([](std::function<void()> fn) {
        if (QCoreApplication* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(app, std::move(fn), Qt::QueuedConnection);
    });
}

int g_defaultArgc = 1;
char g_defaultName[] = "pelmora";
char* g_defaultArgv[] = {g_defaultName, nullptr};

} // namespace

CGuiSession::CGuiSession() : CGuiSession(g_defaultArgc, g_defaultArgv) {}

CGuiSession::CGuiSession(int& argc, char** argv) {
    if (QCoreApplication::instance() != nullptr)
        return;
    m_owner = true;
    auto* app = new QApplication(argc, argv);
    SetLook(*app);
    InstallHooks();
    uiimpl::InstallAccessibility();
    uiimpl::InstallFocusRing();
}

CGuiSession::~CGuiSession() {
    if (!m_owner)
        return;
    CToolTipTimer::Stop();
    plat::SetMessagePump(nullptr);
    plat::SetMainThreadPoster(nullptr);
    uiimpl::ReleaseToolTips();
    uiimpl::ReleaseImages();
    uiimpl::ReleaseFonts();
    delete QCoreApplication::instance();
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
