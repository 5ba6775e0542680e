// The wizard sheet's window whatever draws it: the pages above a separator
// and the row of the sheet's own buttons (Back and Next side by side, Finish
// in Next's place, Cancel, Help), all as wide as the longest of their texts
// needs; a page that grows makes the page area taller and moves the row
// down. ShowPage makes each page's window the first time it is shown and
// skips a page that refuses to be shown (OnSetActive false).
#include "ui/Button.h"
#include "ui/PropertyPage.h"
#include "ui/PropertySheet.h"
#include "ui/SheetNotice.h"
#include "ui/Toolkit.h"

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

using namespace uiimpl;

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

} // namespace

void CPropertySheet::MakeButtonRow() {
    DestroyNotice();
    int pageWidth = 0;
    int pageHeight = 0;
    for (const CPropertyPage* page : m_pages) {
        pageWidth = std::max(pageWidth, page->GetPageWidth());
        pageHeight = std::max(pageHeight, page->GetPageHeight());
    }
    m_pageArea = CRect{kMargin, kMargin, kMargin + pageWidth, kMargin + pageHeight};
    const int width = pageWidth + 2 * kMargin;
    m_separatorY = m_pageArea.bottom + kMargin;
    const int buttonTop = m_separatorY + kMargin;
    SetFrameSize(*this, width, buttonTop + kButtonHeight + kMargin);

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
    m_buttons.clear();
    m_buttonWidth = kButtonWidth;
    for (const auto& b : buttons) {
        auto button = std::make_unique<CButton>();
        button->Create(this, b.id, b.text);
        button->MoveWindow(b.x, buttonTop, kButtonWidth, kButtonHeight);
        m_buttons.push_back(std::move(button));
    }
    GetDlgItem(ID_WIZFINISH)->ShowWindow(SW_HIDE);
    ApplyWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
}

bool CPropertySheet::ShowPage(int index, int direction) {
    while (index >= 0 && index < GetPageCount()) {
        CPropertyPage* page = m_pages[static_cast<std::size_t>(index)];
        if (!page->HasWindow()) {
            page->m_sheet = this;
            page->CreateIndirect(this, true);
            page->FitHeightToControls();
            GrowPageArea(page->GetPageHeight());
            page->MoveWindow(m_pageArea, false);
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
        FocusPage(*page);
        return true;
    }
    return false;
}

void CPropertySheet::GrowPageArea(int pageHeight) {
    const int grow = pageHeight - m_pageArea.Height();
    if (!HasWindow() || grow <= 0)
        return;
    // The pages grow, the separator and the button row move down.
    m_pageArea.bottom += grow;
    for (CPropertyPage* page : m_pages)
        if (page->HasWindow())
            page->MoveWindow(m_pageArea, false);
    MoveBelowPages(grow, grow, grow);
}

void CPropertySheet::MoveBelowPages(int dy, int rowShift, int frameGrow) {
    if (m_notice && dy != 0)
        for (CWnd* control :
             {static_cast<CWnd*>(&m_notice->text), static_cast<CWnd*>(&m_notice->accept),
              static_cast<CWnd*>(&m_notice->dismiss)}) {
            const CRect place = control->GetRectInParent();
            control->MoveWindow(place.left, place.top + dy, place.Width(), place.Height());
        }
    m_separatorY += rowShift;
    for (const auto& button : m_buttons) {
        const CRect place = button->GetRectInParent();
        button->MoveWindow(place.left, place.top + rowShift, place.Width(), place.Height());
    }
    if (frameGrow != 0)
        GrowFrame(frameGrow);
}

// ---- the notice -------------------------------------------------------------

void CPropertySheet::ShowNotice(const std::string& text, const std::string& acceptText,
                                const std::string& dismissText, std::function<void()> accepted,
                                std::function<void()> dismissed) {
    if (!HasWindow())
        return;
    HideNotice();
    if (!m_notice) {
        m_notice = std::make_unique<Notice>();
        m_notice->text.Create(this, kNoticeText);
        m_notice->text.SetLiveRegion(true);
        m_notice->accept.Create(this, kNoticeAccept);
        m_notice->dismiss.Create(this, kNoticeDismiss);
        // The notice goes before its function runs: the function may show
        // the next one.
        BindCommand(kNoticeAccept, [this] {
            std::function<void()> act = m_notice->accepted;
            HideNotice();
            if (act)
                act();
        });
        BindCommand(kNoticeDismiss, [this] {
            std::function<void()> act = m_notice->dismissed;
            HideNotice();
            if (act)
                act();
        });
    }
    Notice& n = *m_notice;
    n.accepted = std::move(accepted);
    n.dismissed = std::move(dismissed);
    CRect client;
    GetClientRect(client);
    // The buttons at the right end of the row, as wide as their texts need;
    // the text wraps in what is left of it.
    auto widthOf = [](CButton& button, const std::string& caption) {
        return std::max(kButtonWidth, button.GetTextExtent(caption).cx + 2 * kButtonTextInset);
    };
    const bool acts = !acceptText.empty();
    const int acceptWidth = acts ? widthOf(n.accept, acceptText) : 0;
    const int dismissWidth = widthOf(n.dismiss, dismissText);
    const int dismissX = client.Width() - kMargin - dismissWidth;
    const int acceptX = acts ? dismissX - kButtonGap - acceptWidth : dismissX;
    n.text.SetText(text);
    n.text.SetWrapWidth(std::max(40, acceptX - kButtonGap - kMargin));
    const CSize size = n.text.GetTextSize();
    const int row = std::max(size.cy, kButtonHeight);
    const int top = m_pageArea.bottom + kMargin;
    n.text.MoveWindow(kMargin, top + (row - size.cy) / 2, size.cx, size.cy);
    n.accept.SetWindowText(acceptText);
    n.accept.SetAccessibleDescription(text);
    n.accept.MoveWindow(acceptX, top + (row - kButtonHeight) / 2, acceptWidth, kButtonHeight);
    n.dismiss.SetWindowText(dismissText);
    n.dismiss.SetAccessibleDescription(text);
    n.dismiss.MoveWindow(dismissX, top + (row - kButtonHeight) / 2, dismissWidth, kButtonHeight);
    n.rowShift = row + kMargin;
    MoveBelowPages(0, n.rowShift, n.rowShift);
    n.text.ShowWindow(SW_SHOW);
    n.accept.ShowWindow(acts ? SW_SHOW : SW_HIDE);
    n.dismiss.ShowWindow(SW_SHOW);
}

void CPropertySheet::HideNotice() {
    if (!HasNotice())
        return;
    Notice& n = *m_notice;
    for (CWnd* control : {static_cast<CWnd*>(&n.text), static_cast<CWnd*>(&n.accept),
                          static_cast<CWnd*>(&n.dismiss)})
        control->ShowWindow(SW_HIDE);
    const int shift = std::exchange(n.rowShift, 0);
    MoveBelowPages(0, -shift, -shift);
}

bool CPropertySheet::HasNotice() const {
    return m_notice && m_notice->rowShift != 0;
}

std::string CPropertySheet::GetNoticeText() const {
    return HasNotice() ? m_notice->text.GetText() : std::string();
}

void CPropertySheet::DestroyNotice() {
    m_notice.reset();
}

void CPropertySheet::FitButtonRow() {
    if (!HasWindow() || m_buttons.empty())
        return;
    CRect client;
    GetClientRect(client);
    const int sheetWidth = client.Width();
    int width = kButtonWidth;
    for (const auto& button : m_buttons)
        width = std::max(width,
                         button->GetTextExtent(button->GetWindowText()).cx + 2 * kButtonTextInset);
    // Four places fit in the row at most.
    width = std::min(width, (sheetWidth - 2 * kMargin - 2 * kButtonGap) / 4);
    if (width == m_buttonWidth)
        return;
    // Each button keeps its place (Cancel may have taken Help's).
    const std::vector<int> before = ButtonPlaces(sheetWidth, m_buttonWidth);
    const std::vector<int> after = ButtonPlaces(sheetWidth, width);
    for (const auto& button : m_buttons) {
        const CRect r = button->GetRectInParent();
        std::size_t place = 0;
        for (std::size_t i = 1; i < before.size(); ++i)
            if (std::abs(before[i] - r.left) < std::abs(before[place] - r.left))
                place = i;
        button->MoveWindow(after[place], r.top, width, r.Height());
    }
    m_buttonWidth = width;
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
    SetDefaultButton(*this, finishShown ? *finish : *next);
}

int CPropertySheet::EndModalRun() {
    m_open = false;
    DestroyNotice();
    m_buttons.clear();
    DestroyWindow();
    m_active = -1;
    return m_result;
}

void CPropertySheet::SetTabItemText(int item, const std::string& text) {
    if (item < 0)
        return;
    if (static_cast<std::size_t>(item) >= m_titles.size())
        m_titles.resize(static_cast<std::size_t>(item) + 1);
    m_titles[static_cast<std::size_t>(item)] = text;
    m_titleSet.resize(m_titles.size(), false);
    m_titleSet[static_cast<std::size_t>(item)] = true;
    if (CPropertyPage* page = GetPage(item); page != nullptr && page->HasWindow())
        page->SetAccessibleName(text);
}

std::string CPropertySheet::GetTabItemText(int item) const {
    if (item >= 0 && static_cast<std::size_t>(item) < m_titleSet.size() &&
        m_titleSet[static_cast<std::size_t>(item)])
        return m_titles[static_cast<std::size_t>(item)];
    return m_caption;
}
