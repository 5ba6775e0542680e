// CPropertySheet in wizard mode on a window of our frame class: the pages as
// panes above the separator and the row of the sheet's own buttons
// (12323/12324/12325/2/9), laid out in pixels as the toolkit realisation
// lays them out, so pages that grow move the row down.
#include "ui/PropertySheet.h"

#include "ui/Button.h"
#include "ui/PropertyPage.h"
#include "ui/SheetNotice.h"
#include "ui/win32/Native.h"

#include <algorithm>
#include <memory>

using namespace uiimpl;

struct CSheetPrivate {
    CPropertySheet* owner = nullptr;
    CWnd* parent = nullptr;
    bool inExec = false;
    bool painted = false;
};

namespace {

constexpr int kMargin = 11;

// The keyboard starts on the page's first control that takes it.
void FocusFirstEnabled(CPropertyPage& page) {
    for (CWnd* w = page.GetWindow(GW_CHILD); w != nullptr; w = w->GetWindow(GW_HWNDNEXT))
        if (w->IsWindowEnabled() && w->IsWindowVisible() &&
            (win::Style(w->GetSafeHwnd()) & win::style::kTabStop) != 0) {
            w->SetFocus();
            return;
        }
}

} // namespace

CPropertySheet::CPropertySheet(const std::string& caption, CWnd* parent, int selectPage)
    : p(std::make_unique<CSheetPrivate>()), m_caption(caption), m_startPage(selectPage) {
    p->owner = this;
    p->parent = parent;
}

CPropertySheet::~CPropertySheet() {
    CPropertySheetHook::Close(this);
    DestroyNotice();
    m_buttons.clear();
    DestroyWindow();
}

bool CPropertySheet::Create() {
    if (!win::Started() || m_pages.empty())
        return false;
    if (HasWindow())
        DestroyWindow();
    win::Handle owner =
        p->parent != nullptr && p->parent->HasWindow() ? win::Root(Hwnd(p->parent)) : nullptr;
    win::Handle hwnd = win::CreateOwn(win::Class::Frame, Q(m_caption),
                                      win::style::kPopup | win::style::kCaption |
                                          win::style::kSysMenu | win::style::kMinimizeBox,
                                      win::style::kExControlParent, owner, 0, 0, 0, 200, 100);
    if (hwnd == nullptr)
        return false;
    AttachHwnd(hwnd, nullptr, 0);
    CWndPrivate& d = CWndPrivate::Of(*this);
    d.hasBackground = true;
    d.background = kFaceColor;
    // Escape and the close box count as Cancel.
    d.close = [this] { Cancel(); };
    d.paint = [this](win::Painter& painter) {
        CRect client;
        GetClientRect(client);
        painter.Fill(0, 0, client.Width(), client.Height(), kFaceColor);
        painter.Fill(kMargin, m_separatorY, client.Width() - 2 * kMargin, 1, RGB(0xC9, 0xD0, 0xDC));
        painter.Fill(kMargin, m_separatorY + 1, client.Width() - 2 * kMargin, 1,
                     RGB(0xFF, 0xFF, 0xFF));
        if (!p->painted) {
            p->painted = true;
            PostForWindow(*this, [this] {
                if (m_open)
                    OnFirstPaint();
            });
        }
    };
    SetWindowText(m_caption);

    MakeButtonRow();

    m_open = true;
    m_result = 0;
    m_active = -1;
    p->painted = false;
    CPropertySheetHook::Open(this);
    OnInitDialog();
    if (m_active < 0)
        ShowPage(std::clamp(m_startPage, 0, GetPageCount() - 1), +1);
    FitButtonRow();
    win::CenterOver(hwnd, owner);
    win::Show(hwnd, true);
    win::Activate(hwnd);
    if (CPropertyPage* page = GetActivePage())
        FocusFirstEnabled(*page);
    return true;
}

int CPropertySheet::DoModal() {
    if (!Create())
        return IDCANCEL;
    win::Handle owner =
        p->parent != nullptr && p->parent->HasWindow() ? win::Root(Hwnd(p->parent)) : nullptr;
    if (owner != nullptr)
        win::Enable(owner, false);
    p->inExec = true;
    RunModalLoop(m_open);
    p->inExec = false;
    if (owner != nullptr)
        win::Enable(owner, true);
    CPropertySheetHook::Close(this);
    return EndModalRun();
}

void CPropertySheet::EndDialog(int result) {
    m_result = result;
    m_open = false;
    CPropertySheetHook::Close(this);
    if (!HasWindow())
        return;
    if (!p->inExec)
        ShowWindow(SW_HIDE);
}

void CPropertySheet::GrowFrame(int grow) {
    CRect client;
    GetClientRect(client);
    CRect where;
    GetWindowRect(where);
    MoveWindow(where.left, where.top, client.Width(), client.Height() + grow);
    Invalidate();
}

void CPropertySheet::FocusPage(CPropertyPage& page) {
    if (page.GetWindow(GW_CHILD) != nullptr && IsWindowVisible())
        FocusFirstEnabled(page);
}

void CPropertySheet::SetWizardButtons(plat::DWORD flags) {
    if (!HasWindow())
        return;
    PostForWindow(*this, [this, flags] { ApplyWizardButtons(flags); });
}
