// A second start's request brings the running program's main window to the
// front: restored when minimised, raised and active; without a main window
// the answer is no, and once the program stops listening nobody answers.
#include "tests/support/TestDir.h"
#include "ui/Dialog.h"
#include "ui/Testing.h"
#include "ui/WinApp.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>

#include <chrono>
#include <future>

namespace {

class App : public CWinApp {
public:
    bool InitInstance() override { return false; }
};

class Window : public CDialog {
public:
    explicit Window(const char* caption) : CDialog(900) { SetTemplate(caption, 200, 100); }
};

QWidget* WidgetOf(const CWnd& wnd) {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (uitest::WindowOfWidget(widget) == &wnd)
            return widget;
    return nullptr;
}

// A second start asks from another thread while this one runs the loop.
bool Ask(const std::string& path) {
    auto answer = std::async(std::launch::async, [&] { return CWinApp::RequestActivation(path); });
    while (answer.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready)
        uitest::ProcessEvents(5);
    return answer.get();
}

TEST(Activation, ASecondStartBringsTheMainWindowToTheFront) {
    CGuiSession gui;
    App app;
    Window main("Main"), other("Other");
    ASSERT_TRUE(main.CreateIndirect());
    ASSERT_TRUE(other.CreateIndirect());
    main.ShowWindow(SW_SHOW);
    other.ShowWindow(SW_SHOW);
    QWidget* mainWidget = WidgetOf(main);
    QWidget* otherWidget = WidgetOf(other);
    ASSERT_NE(mainWidget, nullptr);
    ASSERT_NE(otherWidget, nullptr);
    mainWidget->showMinimized();
    otherWidget->activateWindow();
    uitest::ProcessEvents(20);
    ASSERT_EQ(QApplication::activeWindow(), otherWidget);

    const std::string path = (FreshTestDir("pelmora-activation") / "wizard.socket").string();
    ASSERT_TRUE(app.ListenForActivation(path));
    // No main window yet (the question at start is open): no.
    EXPECT_FALSE(Ask(path));
    app.m_pMainWnd = &main;
    EXPECT_TRUE(Ask(path));
    uitest::ProcessEvents(20);
    EXPECT_EQ(QApplication::activeWindow(), mainWidget);
    EXPECT_FALSE(mainWidget->isMinimized());
    EXPECT_TRUE(mainWidget->isVisible());

    app.StopListening();
    EXPECT_FALSE(CWinApp::RequestActivation(path, 500));
    app.m_pMainWnd = nullptr;
}

} // namespace
