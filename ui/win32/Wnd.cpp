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

namespace uiimpl {

CWndState& StateOf(const CWnd& wnd) {
    return CWndPrivate::Of(wnd);
}

bool IsShown(const CWnd& wnd) {
    return wnd.HasWindow() && win::IsShown(Hwnd(&wnd));
}

void SetFrameSize(CWnd& wnd, int width, int height) {
    wnd.CWnd::MoveWindow(0, 0, width, height, false);
}

void SetDefaultButton(CWnd& window, CWnd& button) {
    // Both buttons draw anew: the default one has the thicker frame.
    CWndPrivate& d = CWndPrivate::Of(window);
    if (CWnd* before = window.GetDlgItem(d.defaultId))
        before->Invalidate();
    d.defaultId = button.GetDlgCtrlID();
    button.Invalidate();
}

void BringToTop(CWnd& wnd) {
    win::BringToTop(Hwnd(&wnd));
}

int ShowMessageBox(CWnd& owner, const std::string& text, const std::string& caption,
                   plat::UINT type, const std::vector<BoxButton>& buttons, bool captionsGiven) {
    // The system's box names its buttons itself unless captions were given.
    std::vector<std::pair<int, std::u16string>> renamed;
    if (captionsGiven)
        for (const BoxButton& button : buttons)
            renamed.emplace_back(button.id, Q(button.text));
    win::Handle root = owner.HasWindow() ? win::Root(Hwnd(&owner)) : nullptr;
    return win::ShowMessageBox(root, Q(text), Q(caption), type, renamed);
}

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

} // namespace uiimpl
