// Trace.dll on Windows, bound by name from beside the test as the program
// binds it: its four entry points, and its list window read back through the
// list box's own messages. Needs a display (xvfb under Wine).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using InitFn = void (*)(int);
using MessageFn = void (*)(int, const char*, int, const char*);
using CloseFn = void (*)();
using ShowFn = void (*)();

template <typename Fn> Fn Entry(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

struct TraceDll {
    HMODULE module = nullptr;
    InitFn init = nullptr;
    MessageFn message = nullptr;
    CloseFn close = nullptr;
    ShowFn show = nullptr;

    bool Load() {
        module = LoadLibraryA("Trace.dll");
        if (module == nullptr)
            return false;
        init = Entry<InitFn>(module, "TraceInit");
        message = Entry<MessageFn>(module, "TraceMessage");
        close = Entry<CloseFn>(module, "TraceClose");
        show = Entry<ShowFn>(module, "TraceShowTraceList");
        if (init == nullptr || message == nullptr || close == nullptr || show == nullptr)
            return false;
        init(0);
        return true;
    }
    void Unload() {
        if (module == nullptr)
            return;
        if (close != nullptr)
            close();
        FreeLibrary(module);
        module = nullptr;
    }
};

// Handles what is queued for this thread's windows, as the program's loop would.
void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

std::vector<HWND> TraceWindows() {
    std::vector<HWND> found;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM param) -> BOOL {
            char title[64] = {};
            GetWindowTextA(window, title, sizeof title);
            if (std::string(title) == "Trace")
                reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND ListOf(HWND window) {
    return FindWindowExA(window, nullptr, "LISTBOX", nullptr);
}

std::vector<std::string> ListedLines(HWND list) {
    std::vector<std::string> lines;
    const auto count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::string line(static_cast<std::size_t>(SendMessageA(list, LB_GETTEXTLEN, i, 0)), '\0');
        std::vector<char> text(line.size() + 1);
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
        lines.emplace_back(text.data());
    }
    return lines;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

class TraceWindowTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dll.Load()) << "Trace.dll with four entry points"; }
    void TearDown() override {
        m_dll.Unload();
        Pump();
    }
    HWND ShownWindow() {
        m_dll.show();
        Pump();
        const std::vector<HWND> windows = TraceWindows();
        EXPECT_EQ(windows.size(), 1u) << "one trace window, however often it is shown";
        return windows.empty() ? nullptr : windows.front();
    }
    TraceDll m_dll;
};

TEST_F(TraceWindowTest, TheListHoldsEveryLineInOrderAndShowsTheNewOnesWhenShownAgain) {
    m_dll.message(1, "MixerSet", 1124,
                  "S\xE9lection source en entr\xE9"
                  "e");
    m_dll.message(2, "InfoMix", 7, "second");
    HWND window = ShownWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(IsWindowVisible(window));
    HWND list = ListOf(window);
    ASSERT_NE(list, nullptr);
    std::vector<std::string> lines = ListedLines(list);
    ASSERT_GE(lines.size(), 2u);
    // The code page's bytes come back as they went in.
    EXPECT_TRUE(EndsWith(lines[lines.size() - 2],
                         "  W  MixerSet:1124  S\xE9lection source en entr\xE9"
                         "e"))
        << lines[lines.size() - 2];
    EXPECT_TRUE(EndsWith(lines.back(), "  E  InfoMix:7  second")) << lines.back();
    EXPECT_EQ(lines.back().find(':'), 13u) << "time first: " << lines.back();

    m_dll.message(0, "PropSheet", 3, "third");
    EXPECT_EQ(ListedLines(list).size(), lines.size()) << "the list is filled when shown";
    EXPECT_EQ(ShownWindow(), window);
    lines = ListedLines(list);
    EXPECT_TRUE(EndsWith(lines.back(), "  I  PropSheet:3  third")) << lines.back();
    EXPECT_TRUE(EndsWith(lines[lines.size() - 2], "  E  InfoMix:7  second"));
}

TEST_F(TraceWindowTest, TheListFollowsTheWindowsSize) {
    HWND window = ShownWindow();
    ASSERT_NE(window, nullptr);
    SetWindowPos(window, nullptr, 0, 0, 500, 300, SWP_NOMOVE | SWP_NOZORDER);
    Pump();
    RECT client{}, list{};
    GetClientRect(window, &client);
    GetWindowRect(ListOf(window), &list);
    EXPECT_EQ(list.right - list.left, client.right);
    EXPECT_EQ(list.bottom - list.top, client.bottom);
}

TEST_F(TraceWindowTest, AWindowTheUserClosedComesBackWhenShownAgain) {
    HWND window = ShownWindow();
    ASSERT_NE(window, nullptr);
    SendMessageA(window, WM_CLOSE, 0, 0);
    Pump();
    EXPECT_FALSE(IsWindow(window));
    m_dll.message(0, "PropSheet", 9, "after closing");
    HWND again = ShownWindow();
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(EndsWith(ListedLines(ListOf(again)).back(), "PropSheet:9  after closing"));
}

TEST_F(TraceWindowTest, ClosingTheLibraryTakesItsWindowAlongAndItCanBeBoundAgain) {
    m_dll.message(0, "PropSheet", 10, "before closing");
    HWND window = ShownWindow();
    ASSERT_NE(window, nullptr);
    m_dll.Unload();
    Pump();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(TraceWindows().empty());

    // Its window class went with it, so a new binding registers it afresh.
    ASSERT_TRUE(m_dll.Load());
    m_dll.message(0, "PropSheet", 11, "bound again");
    HWND again = ShownWindow();
    ASSERT_NE(again, nullptr);
    const std::vector<std::string> lines = ListedLines(ListOf(again));
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(EndsWith(lines.back(), "PropSheet:11  bound again")) << lines.back();
    for (const std::string& line : lines)
        EXPECT_EQ(line.find("before closing"), std::string::npos)
            << "the list starts afresh with each binding";
}

} // namespace
