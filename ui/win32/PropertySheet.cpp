// CPropertySheet in wizard mode on a window of our frame class: the pages as
// panes above the separator and the row of the sheet's own buttons
// (12323/12324/12325/2/9), laid out in pixels as the toolkit realisation
// lays them out, so pages that grow move the row down.
#include "ui/PropertySheet.h"

#include "ui/Button.h"
#include "ui/PropertyPage.h"
#include "ui/win32/Native.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

using namespace uiimpl;

struct CSheetPrivate {
    CPropertySheet* owner = nullptr;
    CWnd* parent = nullptr;
    std::vector<std::unique_ptr<CButton>> buttons;
    std::vector<bool> titleSet;
    CRect pageArea;
    int separatorY = 0;
    int buttonWidth = 0; // the width of every button of the row
    bool inExec = false;
    bool painted = false;
};

namespace {

constexpr int kMargin = 11;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kButtonGap = 7;
// A button's text keeps this far from its sides.
constexpr int kButtonTextInset = 8;

// The left edges of the button row's places for buttons `width` wide, from
// the right: Help, Cancel, Next (and Finish), Back.
std::vector<int> ButtonPlaces(int sheetWidth, int width) {
    const int help = sheetWidth - kMargin - width;
    const int cancel = help - kButtonGap - width;
    const int next = cancel - kButtonGap - width;
    return {help, cancel, next, next - width};
}

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
    p->buttons.clear();
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
        painter.Fill(kMargin, p->separatorY, client.Width() - 2 * kMargin, 1,
                     RGB(0xC9, 0xD0, 0xDC));
        painter.Fill(kMargin, p->separatorY + 1, client.Width() - 2 * kMargin, 1,
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

    int pageWidth = 0;
    int pageHeight = 0;
    for (const CPropertyPage* page : m_pages) {
        pageWidth = std::max(pageWidth, page->GetPageWidth());
        pageHeight = std::max(pageHeight, page->GetPageHeight());
    }
    p->pageArea = CRect{kMargin, kMargin, kMargin + pageWidth, kMargin + pageHeight};
    const int width = pageWidth + 2 * kMargin;
    p->separatorY = p->pageArea.bottom + kMargin;
    const int buttonTop = p->separatorY + kMargin;
    MoveWindow(0, 0, width, buttonTop + kButtonHeight + kMargin, false);

    // Back and Next side by side, Finish in Next's place, then Cancel and Help.
    const std::vector<int> places = ButtonPlaces(width, kButtonWidth);
    const struct {
        int id;
        const char* text;
        int x;
    } buttons[] = {{ID_WIZBACK, "< Back", places[3]},
                   {ID_WIZNEXT, "Next >", places[2]},
                   {ID_WIZFINISH, "Finish", places[2]},
                   {IDCANCEL, "Cancel", places[1]},
                   {IDHELP, "Help", places[0]}};
    p->buttons.clear();
    p->buttonWidth = kButtonWidth;
    for (const auto& b : buttons) {
        auto button = std::make_unique<CButton>();
        button->Create(this, b.id, b.text);
        button->MoveWindow(b.x, buttonTop, kButtonWidth, kButtonHeight);
        p->buttons.push_back(std::move(button));
    }
    GetDlgItem(ID_WIZFINISH)->ShowWindow(SW_HIDE);
    ApplyWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);

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
    m_open = false;
    p->buttons.clear();
    DestroyWindow();
    m_active = -1;
    return m_result;
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

bool CPropertySheet::ShowPage(int index, int direction) {
    while (index >= 0 && index < GetPageCount()) {
        CPropertyPage* page = m_pages[static_cast<std::size_t>(index)];
        if (!page->HasWindow()) {
            page->m_sheet = this;
            page->CreateIndirect(this, true);
            page->FitHeightToControls();
            GrowPageArea(page->GetPageHeight());
            page->MoveWindow(p->pageArea, false);
        }
        const int previous = m_active;
        m_active = index;
        if (!page->OnSetActive()) {
            m_active = previous;
            if (direction == 0)
                return false;
            index += direction;
            continue;
        }
        if (CPropertyPage* old = GetPage(previous); old != nullptr && old != page)
            old->ShowWindow(SW_HIDE);
        page->ShowWindow(SW_SHOW);
        UpdateTitle();
        // The page may have given the buttons new texts.
        FitButtonRow();
        // A screen reader names the page after its title; Tab goes through
        // it in reading order, then through the sheet's buttons, starting at
        // its first control.
        page->SetAccessibleName(GetTabItemText(index));
        if (CWnd* first = page->GetWindow(GW_CHILD); first != nullptr && IsWindowVisible())
            FocusFirstEnabled(*page);
        return true;
    }
    return false;
}

void CPropertySheet::GrowPageArea(int pageHeight) {
    const int grow = pageHeight - p->pageArea.Height();
    if (!HasWindow() || grow <= 0)
        return;
    // The pages grow, the separator and the button row move down.
    p->pageArea.bottom += grow;
    for (CPropertyPage* page : m_pages)
        if (page->HasWindow())
            page->MoveWindow(p->pageArea, false);
    p->separatorY += grow;
    for (const auto& button : p->buttons) {
        const CRect place = button->GetRectInParent();
        button->MoveWindow(place.left, place.top + grow, place.Width(), place.Height());
    }
    CRect client;
    GetClientRect(client);
    CRect where;
    GetWindowRect(where);
    MoveWindow(where.left, where.top, client.Width(), client.Height() + grow);
    Invalidate();
}

void CPropertySheet::FitButtonRow() {
    if (!HasWindow() || p->buttons.empty())
        return;
    CRect client;
    GetClientRect(client);
    const int sheetWidth = client.Width();
    int width = kButtonWidth;
    for (const auto& button : p->buttons)
        width = std::max(width,
                         button->GetTextExtent(button->GetWindowText()).cx + 2 * kButtonTextInset);
    // Four places fit in the row at most.
    width = std::min(width, (sheetWidth - 2 * kMargin - 2 * kButtonGap) / 4);
    if (width == p->buttonWidth)
        return;
    // Each button keeps its place (Cancel may have taken Help's).
    const std::vector<int> before = ButtonPlaces(sheetWidth, p->buttonWidth);
    const std::vector<int> after = ButtonPlaces(sheetWidth, width);
    for (const auto& button : p->buttons) {
        const CRect r = button->GetRectInParent();
        std::size_t place = 0;
        for (std::size_t i = 1; i < before.size(); ++i)
            if (std::abs(before[i] - r.left) < std::abs(before[place] - r.left))
                place = i;
        button->MoveWindow(after[place], r.top, width, r.Height());
    }
    p->buttonWidth = width;
}

void CPropertySheet::SetWizardButtons(plat::DWORD flags) {
    if (!HasWindow())
        return;
    PostForWindow(*this, [this, flags] { ApplyWizardButtons(flags); });
}

void CPropertySheet::ApplyWizardButtons(plat::DWORD flags) {
    m_appliedFlags = flags;
    CWnd* back = GetDlgItem(ID_WIZBACK);
    CWnd* next = GetDlgItem(ID_WIZNEXT);
    CWnd* finish = GetDlgItem(ID_WIZFINISH);
    if (back == nullptr || next == nullptr || finish == nullptr)
        return;
    back->EnableWindow((flags & PSWIZB_BACK) != 0);
    const bool finishShown = (flags & (PSWIZB_FINISH | PSWIZB_DISABLEDFINISH)) != 0;
    if (finishShown) {
        next->ShowWindow(SW_HIDE);
        finish->ShowWindow(SW_SHOW);
        finish->EnableWindow((flags & PSWIZB_FINISH) != 0);
    } else {
        finish->ShowWindow(SW_HIDE);
        next->ShowWindow(SW_SHOW);
        next->EnableWindow((flags & PSWIZB_NEXT) != 0);
    }
    // Enter presses the button shown in Next's place.
    CWndPrivate::Of(*this).defaultId = finishShown ? ID_WIZFINISH : ID_WIZNEXT;
    next->Invalidate();
    finish->Invalidate();
}

void CPropertySheet::SetTabItemText(int item, const std::string& text) {
    if (item < 0)
        return;
    if (static_cast<std::size_t>(item) >= m_titles.size())
        m_titles.resize(static_cast<std::size_t>(item) + 1);
    m_titles[static_cast<std::size_t>(item)] = text;
    p->titleSet.resize(m_titles.size(), false);
    p->titleSet[static_cast<std::size_t>(item)] = true;
    if (CPropertyPage* page = GetPage(item); page != nullptr && page->HasWindow())
        page->SetAccessibleName(text);
}

std::string CPropertySheet::GetTabItemText(int item) const {
    if (item >= 0 && static_cast<std::size_t>(item) < p->titleSet.size() &&
        p->titleSet[static_cast<std::size_t>(item)])
        return m_titles[static_cast<std::size_t>(item)];
    return m_caption;
}
