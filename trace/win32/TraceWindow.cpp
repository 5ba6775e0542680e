// The trace list on Windows: a top-level window "Trace" holding a list box of
// the lines, made on the thread that first shows it (the program's user
// interface thread, whose message loop then runs it). Lines are 8-bit text
// and go to the list box through the A calls, in the system's code page.
#include "trace/TraceWindow.h"

#include "trace/TraceLog.h"

#include <windows.h>

#include <algorithm>
#include <mutex>
#include <vector>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace tracelib {

namespace {

constexpr char kClassName[] = "PelmoraTraceList";
constexpr int kListId = 100;

struct WindowState {
    // Recursive: destroying the window runs WM_DESTROY, which clears it here.
    std::recursive_mutex mutex;
    HWND window = nullptr;
    HWND list = nullptr;
    bool classRegistered = false;
};

WindowState& State() {
    static WindowState state;
    return state;
}

HINSTANCE Instance() {
    return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        if (HWND list = GetDlgItem(window, kListId))
            MoveWindow(list, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_DESTROY: {
        WindowState& state = State();
        std::lock_guard lock(state.mutex);
        if (state.window == window) {
            state.window = nullptr;
            state.list = nullptr;
        }
        return 0;
    }
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

bool RegisterWindowClass(WindowState& state) {
    if (state.classRegistered)
        return true;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = Instance();
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kClassName;
    state.classRegistered = RegisterClassExA(&wc) != 0;
    return state.classRegistered;
}

bool CreateTraceWindow(WindowState& state) {
    if (!RegisterWindowClass(state))
        return false;
    HWND window = CreateWindowExA(0, kClassName, "Trace", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 760, 420, nullptr, nullptr, Instance(), nullptr);
    if (window == nullptr)
        return false;
    RECT client{};
    GetClientRect(window, &client);
    HWND list = CreateWindowExA(
        0, "LISTBOX", "",
        WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOSEL, 0, 0,
        client.right, client.bottom, window, reinterpret_cast<HMENU>(kListId), Instance(), nullptr);
    if (list == nullptr) {
        DestroyWindow(window);
        return false;
    }
    SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(ANSI_FIXED_FONT)),
                 FALSE);
    state.window = window;
    state.list = list;
    return true;
}

// Puts every line into the list, scrolled to the newest, wide enough to scroll
// to the end of the longest.
void FillList(HWND list) {
    const std::vector<std::string> lines = Lines();
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    std::size_t bytes = 0;
    for (const std::string& line : lines)
        bytes += line.size() + 1;
    SendMessageA(list, LB_INITSTORAGE, lines.size(), static_cast<LPARAM>(bytes));
    std::size_t longest = 0;
    for (const std::string& line : lines) {
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
        longest = std::max(longest, line.size());
    }
    TEXTMETRICA metrics{};
    if (HDC dc = GetDC(list)) {
        HGDIOBJ old = SelectObject(dc, GetStockObject(ANSI_FIXED_FONT));
        GetTextMetricsA(dc, &metrics);
        SelectObject(dc, old);
        ReleaseDC(list, dc);
    }
    SendMessageA(list, LB_SETHORIZONTALEXTENT,
                 static_cast<WPARAM>(longest) * static_cast<WPARAM>(metrics.tmAveCharWidth + 1), 0);
    if (!lines.empty())
        SendMessageA(list, LB_SETTOPINDEX, lines.size() - 1, 0);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

bool OnOwnThread(HWND window) {
    return GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId();
}

} // namespace

bool ShowTraceWindow() {
    WindowState& state = State();
    HWND window = nullptr;
    HWND list = nullptr;
    {
        std::lock_guard lock(state.mutex);
        if (state.window == nullptr && !CreateTraceWindow(state))
            return false;
        window = state.window;
        list = state.list;
    }
    // Only the thread that runs the window's messages fills it.
    if (!OnOwnThread(window))
        return false;
    FillList(list);
    ShowWindow(window, SW_SHOWNORMAL);
    SetForegroundWindow(window);
    return true;
}

void DestroyTraceWindow() {
    WindowState& state = State();
    HWND window = nullptr;
    {
        std::lock_guard lock(state.mutex);
        window = state.window;
    }
    // The window and its class go before the library is freed: no message
    // may reach a window procedure that is no longer mapped.
    if (window != nullptr) {
        if (OnOwnThread(window)) {
            DestroyWindow(window);
        } else {
            DWORD_PTR ignored = 0;
            SendMessageTimeoutA(window, WM_CLOSE, 0, 0, SMTO_BLOCK, 2000, &ignored);
        }
    }
    std::lock_guard lock(state.mutex);
    state.window = nullptr;
    state.list = nullptr;
    if (state.classRegistered && UnregisterClassA(kClassName, Instance()))
        state.classRegistered = false;
}

} // namespace tracelib
