#include "ui/Wnd.h"

#include "ui/MessageBoxButtons.h"
#include "ui/Testing.h"
#include "ui/win32/Native.h"

#include <algorithm>

using namespace uiimpl;

namespace {
void Unfile(CWnd* wnd, CWnd* parent) {
    if (parent == nullptr)
        return;
    auto& siblings = CWndPrivate::Of(*parent).children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), wnd), siblings.end());
}

// The window's handle goes; children of ours inside it lose theirs with it.
void ForgetHandles(CWndPrivate& d) {
    for (CWnd* child : d.children)
        ForgetHandles(CWndPrivate::Of(*child));
    for (auto& [id, key] : d.timers)
        if (key != 0)
            win::StopTimer(key);
    d.timers.clear();
    if (d.hwnd != nullptr)
        win::SetOwner(d.hwnd, nullptr);
    d.hwnd = nullptr;
}
} // namespace

CWnd::CWnd() : d(std::make_unique<CWndPrivate>()) {
    d->self = this;
}

CWnd::~CWnd() {
    for (CWnd* child : d->children)
        child->d->parent = nullptr;
    Unfile(this, d->parent);
    DestroyWindow();
    // Timers run without a window too: none may reach a window that is gone.
    for (auto& [id, key] : d->timers)
        if (key != 0)
            win::StopTimer(key);
}

void CWnd::AttachHwnd(void* hwnd, CWnd* parent, int id) {
    if (d->hwnd != nullptr && d->hwnd != hwnd)
        DestroyWindow();
    if (d->parent != nullptr && d->parent != parent)
        Unfile(this, d->parent);
    // Windows with an id are found through their parent (GetDlgItem).
    if (parent != nullptr && d->parent != parent && id != 0)
        parent->d->children.push_back(this);
    d->hwnd = hwnd;
    d->id = id;
    d->parent = parent;
    win::SetOwner(hwnd, this);
    win::SetFont(hwnd, FontHandle(d->font), false);
}

void CWnd::DestroyWindow() {
    if (d->hwnd == nullptr)
        return;
    win::Handle hwnd = d->hwnd;
    ForgetHandles(*d);
    win::Destroy(hwnd);
}

void* CWnd::GetSafeHwnd() const {
    return d->hwnd;
}
bool CWnd::HasWindow() const {
    return d->hwnd != nullptr && win::IsWindow(d->hwnd);
}
int CWnd::GetDlgCtrlID() const {
    return d->id;
}
CWnd* CWnd::GetParent() const {
    return d->parent;
}

CWnd* CWnd::GetDlgItem(int id) const {
    for (CWnd* child : d->children)
        if (child->d->id == id && child->HasWindow())
            return child;
    return nullptr;
}

CWnd* CWnd::GetWindow(int cmd) const {
    const auto first = [](const std::vector<CWnd*>& windows, std::size_t from) -> CWnd* {
        for (std::size_t i = from; i < windows.size(); ++i)
            if (windows[i]->HasWindow())
                return windows[i];
        return nullptr;
    };
    if (cmd == GW_CHILD)
        return first(d->children, 0);
    if (cmd == GW_HWNDNEXT && d->parent != nullptr) {
        const auto& siblings = d->parent->d->children;
        const auto it = std::find(siblings.begin(), siblings.end(), this);
        if (it != siblings.end())
            return first(siblings, static_cast<std::size_t>(it - siblings.begin()) + 1);
    }
    return nullptr;
}

bool CWnd::ShowWindow(int cmd) {
    if (!HasWindow())
        return false;
    const bool was = win::IsShown(d->hwnd);
    win::Show(d->hwnd, cmd != SW_HIDE);
    // A live text that appears tells what it says.
    if (d->liveRegion && !was && cmd != SW_HIDE && win::IsVisible(d->hwnd))
        win::NotifyLiveRegion(d->hwnd);
    return was;
}

void CWnd::EnableWindow(bool enable) {
    if (HasWindow())
        win::Enable(d->hwnd, enable);
}

bool CWnd::IsWindowEnabled() const {
    return HasWindow() && win::IsEnabled(d->hwnd);
}
bool CWnd::IsWindowVisible() const {
    return HasWindow() && win::IsVisible(d->hwnd);
}

void CWnd::MoveWindow(int x, int y, int width, int height, bool repaint) {
    if (!HasWindow())
        return;
    if ((win::Style(d->hwnd) & win::style::kChild) == 0) {
        // A top-level window: the client area takes the size.
        const win::Rect r = win::WindowRect(d->hwnd);
        win::Move(d->hwnd, x, y, r.right - r.left, r.bottom - r.top, repaint);
        win::SetClientSize(d->hwnd, std::max(0, width), std::max(0, height));
        return;
    }
    win::Move(d->hwnd, x, y, std::max(0, width), std::max(0, height), repaint);
    // The focus ring moves with its control.
    FollowFocus();
}

void CWnd::MoveWindow(const CRect& r, bool repaint) {
    MoveWindow(r.left, r.top, r.Width(), r.Height(), repaint);
}

void CWnd::GetWindowRect(CRect& rect) const {
    rect = CRect{};
    if (!HasWindow())
        return;
    // The client area, as the toolkit realisation measures top-level windows.
    int x = 0;
    int y = 0;
    win::ClientOrigin(d->hwnd, x, y);
    const win::Rect c = win::ClientRect(d->hwnd);
    if ((win::Style(d->hwnd) & win::style::kChild) != 0) {
        const win::Rect w = win::WindowRect(d->hwnd);
        rect = CRect{w.left, w.top, w.right, w.bottom};
        return;
    }
    rect = CRect{x, y, x + c.right, y + c.bottom};
}

void CWnd::GetClientRect(CRect& rect) const {
    rect = CRect{};
    if (HasWindow()) {
        const win::Rect c = win::ClientRect(d->hwnd);
        rect = CRect{0, 0, c.right, c.bottom};
    }
}

void CWnd::ScreenToClient(CRect& rect) const {
    if (!HasWindow())
        return;
    int x = 0;
    int y = 0;
    win::ClientOrigin(d->hwnd, x, y);
    rect.left -= x;
    rect.right -= x;
    rect.top -= y;
    rect.bottom -= y;
}

CRect CWnd::GetRectInParent() const {
    if (!HasWindow())
        return CRect{};
    const win::Rect r = win::RectInParent(d->hwnd);
    return CRect{r.left, r.top, r.right, r.bottom};
}

void CWnd::SetWindowText(const std::string& text) {
    d->text = text;
    if (!HasWindow())
        return;
    win::SetText(d->hwnd, Q(text));
    win::Invalidate(d->hwnd, true);
    // A live text in view tells its new text.
    if (d->liveRegion && win::IsVisible(d->hwnd))
        win::NotifyLiveRegion(d->hwnd);
}

std::string CWnd::GetWindowText() const {
    if (!HasWindow())
        return d->text;
    // Fields the user types into answer what they hold now.
    if (d->typedText)
        return S(win::GetText(d->hwnd));
    return d->text;
}

void CWnd::SetFont(const CFont* font, bool redraw) {
    d->font = font;
    if (HasWindow()) {
        win::SetFont(d->hwnd, FontHandle(font), redraw);
        if (redraw)
            win::Invalidate(d->hwnd, true);
    }
}

const CFont* CWnd::GetFont() const {
    return d->font;
}

CSize CWnd::GetTextExtent(const std::string& text) const {
    return TextExtent(d->font, text);
}

CSize CWnd::GetTextExtent(const std::string& text, int wrapWidth) const {
    return TextExtent(d->font, text, wrapWidth);
}

void CWnd::SetAccessibleName(const std::string& name) {
    d->accName = name;
}

void CWnd::SetAccessibleDescription(const std::string& description) {
    d->accDescription = description;
}

std::string CWnd::GetAccessibleName() const {
    return d->accName.empty() ? S(Q(d->text)) : S(Q(d->accName));
}

std::string CWnd::GetAccessibleDescription() const {
    return S(Q(d->accDescription));
}

void CWnd::Invalidate(bool erase) {
    if (HasWindow())
        win::Invalidate(d->hwnd, erase);
}

void CWnd::UpdateWindow() {
    if (HasWindow())
        win::Update(d->hwnd);
}

void CWnd::RedrawWindow() {
    if (HasWindow())
        win::Redraw(d->hwnd);
}

void CWnd::SetFocus() {
    if (HasWindow()) {
        win::Focus(d->hwnd);
        FollowFocus();
    }
}

bool CWnd::SetTimer(plat::UINT_PTR id, plat::UINT ms) {
    if (!win::Started())
        return false;
    std::uintptr_t& key = d->timers[id];
    if (key != 0)
        win::StopTimer(key);
    key = win::StartTimer(std::max<plat::UINT>(ms, 1), [this, id] { OnTimer(id); });
    return true;
}

bool CWnd::KillTimer(plat::UINT_PTR id) {
    const auto it = d->timers.find(id);
    if (it == d->timers.end() || it->second == 0)
        return false;
    win::StopTimer(it->second);
    it->second = 0;
    return true;
}

int CWnd::MessageBox(const std::string& text, const std::string& caption, plat::UINT type) {
    return MessageBox(text, caption, type, {});
}

int CWnd::MessageBox(const std::string& text, const std::string& caption, plat::UINT type,
                     const std::vector<std::string>& captions) {
    const std::vector<BoxButton> buttons = MessageBoxButtons(type, captions);
    int answer = 0;
    if (AnswerFromTestHandler(text, caption, type, buttons, answer))
        return answer;
    // The system's box names its buttons itself unless captions were given.
    std::vector<std::pair<int, std::u16string>> renamed;
    if (!captions.empty())
        for (const BoxButton& button : buttons)
            renamed.emplace_back(button.id, Q(button.text));
    win::Handle owner = HasWindow() ? win::Root(d->hwnd) : nullptr;
    return win::ShowMessageBox(owner, Q(text), Q(caption), type, renamed);
}

bool CWnd::OnCommand(int id, int code) {
    const auto it = d->commands.find({id, code});
    if (it == d->commands.end())
        return false;
    // A copy: the handler may rebind itself.
    const std::function<void()> handler = it->second;
    handler();
    return true;
}

void CWnd::BindCommand(int id, std::function<void()> handler, int code) {
    d->commands[{id, code}] = std::move(handler);
}

void CWnd::OnTimer(plat::UINT_PTR) {}
void CWnd::OnHScroll(plat::UINT, plat::UINT, CSliderCtrl*) {}

namespace uiimpl {

CWnd* WndOf(win::Handle hwnd) {
    return static_cast<CWnd*>(win::GetOwner(hwnd));
}

void PostForWindow(const CWnd& wnd, std::function<void()> fn) {
    // The window's owner property goes with the window, so the pointer is
    // only compared, never followed, until it is known to live.
    win::PostTask([owner = &wnd, hwnd = Hwnd(&wnd), fn = std::move(fn)] {
        if (hwnd != nullptr && WndOf(hwnd) == owner)
            fn();
    });
}

void SendCommand(CWnd* from, int code) {
    if (from == nullptr)
        return;
    if (CWnd* parent = from->GetParent())
        parent->OnCommand(from->GetDlgCtrlID(), code);
}

} // namespace uiimpl
