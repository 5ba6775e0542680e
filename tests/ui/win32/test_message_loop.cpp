// The Windows message loop under the framework: keys posted to the queue
// reach the sheet's PreTranslateMessage and then dialog navigation (Escape
// cancels, Enter presses the default button, Tab moves on in creation
// order), tasks posted from other threads run on the GUI thread, and timers
// restart, stop from their own handler and stop with their window.
#include "platform/system/message_loop.h"
#include "ui/Button.h"
#include "ui/CheckBox.h"
#include "ui/PropertyPage.h"
#include "ui/PropertySheet.h"
#include "ui/Testing.h"
#include "ui/WinApp.h"
#include "ui/win32/Native.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

class Page : public CPropertyPage {
public:
    explicit Page(int id) : CPropertyPage(id) {}
    void CreateControls() override {
        first.Create(this, 1001, "First");
        second.Create(this, 1002, "Second");
    }
    bool OnInitDialog() override {
        first.MoveWindow(20, 20, 80, 23);
        second.MoveWindow(20, 60, 120, 20);
        return true;
    }
    bool OnSetActive() override {
        GetParentSheet()->SetWizardButtons(PSWIZB_NEXT | PSWIZB_BACK);
        return true;
    }
    void OnReset() override { ++resets; }
    CButton first;
    CCheckBox second;
    int resets = 0;
};

class Sheet : public CPropertySheet {
public:
    Sheet() : CPropertySheet("Loop") {}
    bool PreTranslateMessage(const MSG& msg) override {
        seen.push_back(msg);
        return eat && msg.message == WM_KEYDOWN && msg.wParam == 'Q';
    }
    std::vector<MSG> seen;
    bool eat = false;
};

class LoopTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_gui = new CGuiSession(); }
    static void TearDownTestSuite() {
        delete s_gui;
        s_gui = nullptr;
    }
    void SetUp() override {
        sheet.AddPage(&one);
        sheet.AddPage(&two);
        sheet.SetWizardMode();
        ASSERT_TRUE(sheet.Create());
        uitest::ProcessEvents(50);
    }
    void TearDown() override {
        if (sheet.IsOpen())
            sheet.EndDialog(IDCANCEL);
    }
    // A key as the keyboard puts it in the queue, for the focused window.
    static void QueueKey(unsigned vk) {
        win::Handle focused = win::Focused();
        ASSERT_NE(focused, nullptr);
        win::Post(focused, win::msg::kKeyDown, vk, 1);
        win::Post(focused, win::msg::kKeyUp, vk, static_cast<std::intptr_t>(0xC0000001u));
        uitest::ProcessEvents(50);
    }
    Page one{104};
    Page two{105};
    Sheet sheet;
    static CGuiSession* s_gui;
};
CGuiSession* LoopTest::s_gui = nullptr;

TEST_F(LoopTest, QueuedKeysReachTheSheetFirstAndItMayEatThem) {
    one.second.SetFocus();
    sheet.eat = true;
    QueueKey('Q');
    ASSERT_FALSE(sheet.seen.empty());
    EXPECT_EQ(sheet.seen.front().message, WM_KEYDOWN);
    EXPECT_EQ(sheet.seen.front().wParam, static_cast<std::uintptr_t>('Q'));
    EXPECT_EQ(sheet.seen.front().hwnd, &one.second);
    EXPECT_EQ(sheet.seen.back().message, WM_KEYUP);
    // The sheet kept the page where it was and left the keys alone after it.
    EXPECT_EQ(sheet.GetActiveIndex(), 0);
    EXPECT_EQ(one.second.GetCheck(), BST_UNCHECKED);
}

TEST_F(LoopTest, EnterPressesNextAndEscapeCancelsWithTheResetNotification) {
    one.second.SetFocus();
    QueueKey(VK_RETURN);
    EXPECT_EQ(sheet.GetActiveIndex(), 1);
    EXPECT_TRUE(sheet.IsOpen());
    QueueKey(VK_ESCAPE);
    EXPECT_FALSE(sheet.IsOpen());
    EXPECT_EQ(sheet.GetResult(), IDCANCEL);
    // Both pages have windows: both hear of the cancel.
    EXPECT_EQ(one.resets, 1);
    EXPECT_EQ(two.resets, 1);
}

TEST_F(LoopTest, TabMovesThroughThePageInTheOrderItsControlsWereMade) {
    one.first.SetFocus();
    QueueKey(VK_TAB);
    EXPECT_EQ(uitest::FocusedWindow(), &one.second);
    // Space on the focused check box ticks it.
    QueueKey(VK_SPACE);
    EXPECT_EQ(one.second.GetCheck(), BST_CHECKED);
}

TEST_F(LoopTest, TasksPostedFromAnotherThreadRunOnTheGuiThread) {
    const std::thread::id gui = std::this_thread::get_id();
    std::atomic<int> ran{0};
    std::thread::id where;
    std::thread worker([&] {
        for (int i = 0; i < 3; ++i)
            plat::PostToMainThread([&] {
                where = std::this_thread::get_id();
                ++ran;
            });
    });
    worker.join();
    EXPECT_EQ(ran.load(), 0); // nothing runs before the loop does
    plat::DispatchMessages(100);
    EXPECT_EQ(ran.load(), 3);
    EXPECT_EQ(where, gui);
}

class Ticker : public CWnd {
public:
    void OnTimer(plat::UINT_PTR id) override {
        ticks.push_back(id);
        if (id == 2 && ++twos == 2)
            KillTimer(2);
    }
    std::vector<plat::UINT_PTR> ticks;
    int twos = 0;
};

TEST_F(LoopTest, TimersStopFromTheirOwnHandlerAndWithTheirWindow) {
    Ticker ticker;
    ASSERT_TRUE(ticker.SetTimer(2, 10));
    uitest::RunEventLoop(300);
    // Two ticks of timer 2, the second of which stopped it.
    EXPECT_EQ(ticker.ticks, (std::vector<plat::UINT_PTR>{2, 2}));
    EXPECT_FALSE(ticker.KillTimer(2));
    {
        Ticker gone;
        ASSERT_TRUE(gone.SetTimer(7, 10));
    }
    // A ticker that is gone gets no tick (its timer died with it).
    uitest::RunEventLoop(100);
    // Restarting an id that runs keeps one timer.
    ASSERT_TRUE(ticker.SetTimer(5, 10));
    ASSERT_TRUE(ticker.SetTimer(5, 1000));
    ticker.ticks.clear();
    uitest::RunEventLoop(200);
    EXPECT_TRUE(ticker.ticks.empty());
    EXPECT_TRUE(ticker.KillTimer(5));
}

} // namespace
