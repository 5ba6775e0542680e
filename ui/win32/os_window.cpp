// Windows, messages, the loop, timers and posted tasks on Win32 (the only
// files of ui/win32 that see <windows.h> are the os_*.cpp).
#include <windows.h>

#include <commctrl.h>

#include "ui/win32/WinCalls.h"

#include <map>
#include <mutex>
#include <utility>

namespace win {

namespace {

constexpr wchar_t kFrameClass[] = L"PelmoraFrame";
constexpr wchar_t kPaneClass[] = L"PelmoraPane";
constexpr wchar_t kPaintedClass[] = L"PelmoraPainted";
constexpr wchar_t kTaskClass[] = L"PelmoraTasks";
constexpr wchar_t kOwnerProperty[] = L"PelmoraOwner";
constexpr UINT kRunTasks = WM_APP + 1;

struct State {
    Dispatcher dispatcher;
    MessageFilter filter;
    HWND tasks = nullptr;
    std::mutex mutex;
    std::vector<std::function<void()>> posted;
    std::map<UINT_PTR, std::function<void()>> timers;
    UINT_PTR nextTimer = 1;
    bool started = false;
};
State& S() {
    static State state;
    return state;
}

const wchar_t* W(const std::u16string& s) {
    return reinterpret_cast<const wchar_t*>(s.c_str());
}

LRESULT CALLBACK OwnProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (S().dispatcher) {
        bool handled = false;
        const intptr_t result = S().dispatcher(hwnd, message, wParam, lParam, handled);
        if (handled)
            return result;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void RunPosted() {
    std::vector<std::function<void()>> tasks;
    {
        std::lock_guard lock(S().mutex);
        tasks.swap(S().posted);
    }
    for (auto& task : tasks)
        task();
}

LRESULT CALLBACK TaskProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRunTasks) {
        RunPosted();
        return 0;
    }
    if (message == WM_TIMER) {
        std::function<void()> fn;
        {
            std::lock_guard lock(S().mutex);
            const auto it = S().timers.find(wParam);
            if (it != S().timers.end())
                fn = it->second; // a copy: it may stop itself
        }
        if (fn)
            fn();
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void Register(const wchar_t* name, WNDPROC proc, HBRUSH background, UINT style) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    wc.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(128));
    RegisterClassExW(&wc);
}

} // namespace

void Start(Dispatcher dispatcher) {
    State& s = S();
    s.dispatcher = std::move(dispatcher);
    if (s.started)
        return;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES |
                                             ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    Register(kFrameClass, OwnProc, nullptr, CS_DBLCLKS);
    Register(kPaneClass, OwnProc, nullptr, CS_DBLCLKS);
    Register(kPaintedClass, OwnProc, nullptr, CS_HREDRAW | CS_VREDRAW);
    Register(kTaskClass, TaskProc, nullptr, 0);
    s.tasks = CreateWindowExW(0, kTaskClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    s.started = true;
}

void Stop() {
    State& s = S();
    if (!s.started)
        return;
    {
        std::lock_guard lock(s.mutex);
        for (auto& [key, fn] : s.timers)
            KillTimer(s.tasks, key);
        s.timers.clear();
        s.posted.clear();
    }
    DestroyWindow(s.tasks);
    s.tasks = nullptr;
    s.dispatcher = nullptr;
    s.filter = nullptr;
    s.started = false;
}

bool Started() {
    return S().started;
}

Handle CreateOwn(Class cls, const std::u16string& text, unsigned style, unsigned exStyle,
                 Handle parent, int id, int x, int y, int width, int height) {
    const wchar_t* name = cls == Class::Frame  ? kFrameClass
                          : cls == Class::Pane ? kPaneClass
                                               : kPaintedClass;
    HMENU menu =
        (style & WS_CHILD) != 0 ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)) : nullptr;
    return CreateWindowExW(exStyle, name, W(text), style, x, y, width, height,
                           static_cast<HWND>(parent), menu, GetModuleHandleW(nullptr), nullptr);
}

Handle CreateSystem(System cls, const std::u16string& text, unsigned style, unsigned exStyle,
                    Handle parent, int id, int x, int y, int width, int height) {
    const wchar_t* name = L"BUTTON";
    switch (cls) {
    case System::Button:
        name = L"BUTTON";
        break;
    case System::Edit:
        name = L"EDIT";
        break;
    case System::ComboBox:
        name = L"COMBOBOX";
        break;
    case System::TrackBar:
        name = TRACKBAR_CLASSW;
        break;
    case System::ListView:
        name = WC_LISTVIEWW;
        break;
    }
    return CreateWindowExW(
        exStyle, name, W(text), style | WS_CHILD, x, y, width, height, static_cast<HWND>(parent),
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

void Destroy(Handle hwnd) {
    if (hwnd != nullptr && ::IsWindow(static_cast<HWND>(hwnd)))
        DestroyWindow(static_cast<HWND>(hwnd));
}

bool IsWindow(Handle hwnd) {
    return hwnd != nullptr && ::IsWindow(static_cast<HWND>(hwnd));
}

void SetOwner(Handle hwnd, void* owner) {
    if (owner == nullptr)
        RemovePropW(static_cast<HWND>(hwnd), kOwnerProperty);
    else
        SetPropW(static_cast<HWND>(hwnd), kOwnerProperty, owner);
}

void* GetOwner(Handle hwnd) {
    return hwnd == nullptr ? nullptr : GetPropW(static_cast<HWND>(hwnd), kOwnerProperty);
}

void Show(Handle hwnd, bool show) {
    ::ShowWindow(static_cast<HWND>(hwnd), show ? SW_SHOWNA : SW_HIDE);
}
void NotifyLiveRegion(Handle hwnd) {
#ifndef EVENT_OBJECT_LIVEREGIONCHANGED
    constexpr DWORD EVENT_OBJECT_LIVEREGIONCHANGED = 0x8019;
#endif
    ::NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, static_cast<HWND>(hwnd), OBJID_CLIENT, CHILDID_SELF);
    ::NotifyWinEvent(EVENT_OBJECT_LIVEREGIONCHANGED, static_cast<HWND>(hwnd), OBJID_CLIENT,
                     CHILDID_SELF);
}
bool IsShown(Handle hwnd) {
    return (GetWindowLongW(static_cast<HWND>(hwnd), GWL_STYLE) & WS_VISIBLE) != 0;
}
bool IsVisible(Handle hwnd) {
    return ::IsWindowVisible(static_cast<HWND>(hwnd)) != FALSE;
}
void Enable(Handle hwnd, bool enable) {
    ::EnableWindow(static_cast<HWND>(hwnd), enable ? TRUE : FALSE);
}
bool IsEnabled(Handle hwnd) {
    return ::IsWindowEnabled(static_cast<HWND>(hwnd)) != FALSE;
}

void Move(Handle hwnd, int x, int y, int width, int height, bool repaint) {
    ::MoveWindow(static_cast<HWND>(hwnd), x, y, width, height, repaint ? TRUE : FALSE);
}

void SetClientSize(Handle hwnd, int width, int height) {
    HWND h = static_cast<HWND>(hwnd);
    RECT r{0, 0, width, height};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(h, GWL_EXSTYLE)));
    SetWindowPos(h, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CenterOver(Handle hwnd, Handle owner) {
    HWND h = static_cast<HWND>(hwnd);
    RECT area{};
    if (owner != nullptr)
        GetWindowRect(static_cast<HWND>(owner), &area);
    else
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    RECT r{};
    GetWindowRect(h, &r);
    const int x = area.left + ((area.right - area.left) - (r.right - r.left)) / 2;
    const int y = area.top + ((area.bottom - area.top) - (r.bottom - r.top)) / 2;
    SetWindowPos(h, nullptr, x < 0 ? 0 : x, y < 0 ? 0 : y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

Rect WindowRect(Handle hwnd) {
    RECT r{};
    GetWindowRect(static_cast<HWND>(hwnd), &r);
    return Rect{r.left, r.top, r.right, r.bottom};
}

Rect ClientRect(Handle hwnd) {
    RECT r{};
    GetClientRect(static_cast<HWND>(hwnd), &r);
    return Rect{r.left, r.top, r.right, r.bottom};
}

Rect RectInParent(Handle hwnd) {
    HWND h = static_cast<HWND>(hwnd);
    RECT r{};
    GetWindowRect(h, &r);
    if (HWND parent = GetParent(h); parent != nullptr && (GetWindowLongW(h, GWL_STYLE) & WS_CHILD))
        MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    return Rect{r.left, r.top, r.right, r.bottom};
}

void ClientOrigin(Handle hwnd, int& x, int& y) {
    POINT p{0, 0};
    ClientToScreen(static_cast<HWND>(hwnd), &p);
    x = p.x;
    y = p.y;
}

void BringToTop(Handle hwnd) {
    SetWindowPos(static_cast<HWND>(hwnd), HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void BringToFront(Handle hwnd) {
    HWND window = GetLastActivePopup(static_cast<HWND>(hwnd));
    if (IsIconic(static_cast<HWND>(hwnd)))
        ShowWindow(static_cast<HWND>(hwnd), SW_RESTORE);
    SetForegroundWindow(window);
}

bool BringOtherProgramToFront() {
    struct Search {
        DWORD self = GetCurrentProcessId();
        HWND found = nullptr;
    } search;
    EnumWindows(
        [](HWND hwnd, LPARAM data) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(data);
            wchar_t name[32] = {};
            DWORD process = 0;
            GetWindowThreadProcessId(hwnd, &process);
            if (process == s.self || !IsWindowVisible(hwnd) ||
                GetWindow(hwnd, GW_OWNER) != nullptr || GetClassNameW(hwnd, name, 32) == 0 ||
                lstrcmpW(name, kFrameClass) != 0)
                return TRUE;
            s.found = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (search.found == nullptr)
        return false;
    BringToFront(search.found);
    return true;
}

Handle Root(Handle hwnd) {
    return GetAncestor(static_cast<HWND>(hwnd), GA_ROOT);
}
Handle Parent(Handle hwnd) {
    return GetParent(static_cast<HWND>(hwnd));
}
unsigned Style(Handle hwnd) {
    return static_cast<unsigned>(GetWindowLongW(static_cast<HWND>(hwnd), GWL_STYLE));
}
void SetStyle(Handle hwnd, unsigned style) {
    SetWindowLongW(static_cast<HWND>(hwnd), GWL_STYLE, static_cast<LONG>(style));
}

void SetText(Handle hwnd, const std::u16string& text) {
    SetWindowTextW(static_cast<HWND>(hwnd), W(text));
}

std::u16string GetText(Handle hwnd) {
    HWND h = static_cast<HWND>(hwnd);
    const int length = GetWindowTextLengthW(h);
    std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
    const int got = GetWindowTextW(h, reinterpret_cast<wchar_t*>(text.data()), length + 1);
    text.resize(static_cast<std::size_t>(got < 0 ? 0 : got));
    return text;
}

void SetFont(Handle hwnd, Handle font, bool redraw) {
    SendMessageW(static_cast<HWND>(hwnd), WM_SETFONT, reinterpret_cast<WPARAM>(font),
                 redraw ? TRUE : FALSE);
}

void Invalidate(Handle hwnd, bool erase) {
    InvalidateRect(static_cast<HWND>(hwnd), nullptr, erase ? TRUE : FALSE);
}
void InvalidateArea(Handle hwnd, const Rect& area, bool erase) {
    const RECT r{area.left, area.top, area.right, area.bottom};
    InvalidateRect(static_cast<HWND>(hwnd), &r, erase ? TRUE : FALSE);
}
void Update(Handle hwnd) {
    UpdateWindow(static_cast<HWND>(hwnd));
}
void Redraw(Handle hwnd) {
    RedrawWindow(static_cast<HWND>(hwnd), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
}
void Focus(Handle hwnd) {
    SetFocus(static_cast<HWND>(hwnd));
}
Handle Focused() {
    return GetFocus();
}
Handle ActiveWindow() {
    return GetActiveWindow();
}
void Activate(Handle hwnd) {
    SetActiveWindow(static_cast<HWND>(hwnd));
    SetForegroundWindow(static_cast<HWND>(hwnd));
}

std::intptr_t Send(Handle hwnd, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    return SendMessageW(static_cast<HWND>(hwnd), message, wParam, lParam);
}

bool Post(Handle hwnd, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    return PostMessageW(static_cast<HWND>(hwnd), message, wParam, lParam) != FALSE;
}

void SetMessageFilter(MessageFilter filter) {
    S().filter = std::move(filter);
}

namespace {
// One message taken from the queue: filtered, then dispatched.
bool Handle1(MSG& m) {
    if (m.message == WM_QUIT)
        return false;
    const LoopMessage lm{m.hwnd, m.message, m.wParam, m.lParam};
    if (S().filter && S().filter(lm))
        return true;
    TranslateMessage(&m);
    DispatchMessageW(&m);
    return true;
}
} // namespace

bool PumpMessages(unsigned maxMs) {
    const DWORD start = GetTickCount();
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (!Handle1(m)) {
            PostQuitMessage(static_cast<int>(m.wParam));
            return false;
        }
        if (GetTickCount() - start >= maxMs)
            break;
    }
    return true;
}

bool WaitAndPump(unsigned maxMs) {
    MsgWaitForMultipleObjectsEx(0, nullptr, maxMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    return PumpMessages(maxMs);
}

bool DialogNavigation(Handle root, const LoopMessage& message) {
    MSG m{};
    m.hwnd = static_cast<HWND>(message.hwnd);
    m.message = message.message;
    m.wParam = message.wParam;
    m.lParam = message.lParam;
    return IsDialogMessageW(static_cast<HWND>(root), &m) != FALSE;
}

void KeyModifiers(bool& ctrl, bool& alt, bool& shift) {
    ctrl = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
    alt = (GetKeyState(VK_MENU) & 0x8000) != 0;
    shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
}

void PostTask(std::function<void()> fn) {
    HWND tasks = nullptr;
    {
        std::lock_guard lock(S().mutex);
        if (!S().started)
            return;
        S().posted.push_back(std::move(fn));
        tasks = S().tasks;
    }
    PostMessageW(tasks, kRunTasks, 0, 0);
}

std::uintptr_t StartTimer(unsigned ms, std::function<void()> fn) {
    State& s = S();
    UINT_PTR key = 0;
    {
        std::lock_guard lock(s.mutex);
        key = s.nextTimer++;
        s.timers[key] = std::move(fn);
    }
    SetTimer(s.tasks, key, ms == 0 ? 1 : ms, nullptr);
    return key;
}

void StopTimer(std::uintptr_t key) {
    State& s = S();
    KillTimer(s.tasks, key);
    std::lock_guard lock(s.mutex);
    s.timers.erase(key);
}

unsigned long TickCount() {
    return GetTickCount();
}

} // namespace win
