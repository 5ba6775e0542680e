#include "ui/WinApp.h"

#include "platform/linux/activation_socket.h"
#include "platform/system/message_loop.h"
#include "ui/Private.h"
#include "ui/ToolTipTimer.h"
#include "ui/Wnd.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QIcon>
#include <QPalette>
#include <QStyleFactory>
#include <QWidget>

#include <cstdio>
#include <mutex>
#include <vector>

namespace {

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

// What the toolkit says while it starts: kept until it either starts (then
// said as usual) or fails (then its first words are the reason handed on).
struct StartMessages {
    std::mutex mutex;
    QtMessageHandler previous = nullptr;
    std::vector<std::pair<QtMsgType, QString>> held;
    StartFailureHandler onFailure = nullptr;
} g_start;

void SayAsUsual(QtMessageHandler previous, QtMsgType type, const QString& text) {
    if (previous != nullptr)
        previous(type, QMessageLogContext(), text);
    else
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

void HoldStartMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    std::unique_lock lock(g_start.mutex);
    if (type != QtFatalMsg) {
        g_start.held.emplace_back(type, text);
        return;
    }
    const std::string reason =
        (g_start.held.empty() ? text : g_start.held.front().second).toStdString();
    const StartFailureHandler onFailure = g_start.onFailure;
    const QtMessageHandler previous = g_start.previous;
    const auto held = std::move(g_start.held);
    lock.unlock();
    if (onFailure != nullptr)
        onFailure(reason);
    for (const auto& [heldType, heldText] : held)
        SayAsUsual(previous, heldType, heldText);
    if (previous != nullptr)
        previous(type, context, text);
}

QApplication* StartToolkit(int& argc, char** argv) {
    g_start.previous = qInstallMessageHandler(HoldStartMessage);
    auto* app = new QApplication(argc, argv);
    qInstallMessageHandler(g_start.previous);
    std::vector<std::pair<QtMsgType, QString>> held;
    {
        std::lock_guard lock(g_start.mutex);
        held.swap(g_start.held);
    }
    for (const auto& [type, text] : held)
        SayAsUsual(g_start.previous, type, text);
    return app;
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
    QApplication* app = StartToolkit(argc, argv);
    SetLook(*app);
    InstallHooks();
    uiimpl::InstallAccessibility();
    uiimpl::InstallFocusRing();
}

namespace uiimpl {

void StopToolkit() {
    ReleaseImages();
    delete QCoreApplication::instance();
}

} // namespace uiimpl

struct CWinApp::Activation {
    plat::CActivationListener listener;
};

void CWinApp::ActivationEnd::operator()(Activation* activation) const {
    delete activation;
}

void SetStartFailureHandler(StartFailureHandler handler) {
    std::lock_guard lock(g_start.mutex);
    g_start.onFailure = handler;
}

bool CWinApp::ListenForActivation(const std::string& endpoint) {
    if (!m_activation)
        m_activation.reset(new Activation);
    std::string error;
    return m_activation->listener.Start(
        endpoint, [this] { return OnActivationRequest(); }, error);
}

bool CWinApp::OnActivationRequest() {
    QWidget* window = nullptr;
    if (m_pMainWnd != nullptr)
        if (QWidget* widget = CWndPrivate::Of(*m_pMainWnd).widget)
            window = widget->window();
    if (window == nullptr || !window->isVisible())
        return false;
    // A box or dialog open over the window is what the user must answer.
    if (QWidget* modal = QApplication::activeModalWidget())
        window = modal;
    if (window->isMinimized())
        window->showNormal();
    window->raise();
    window->activateWindow();
    return true;
}

bool CWinApp::RequestActivation(const std::string& endpoint, unsigned timeoutMs) {
    return plat::RequestActivation(endpoint, timeoutMs);
}
