// CPropertySheet: a wizard. The pages sit above a row of buttons, as high as
// the tallest page shown so far (a page that grew moves the row down); the
// buttons are all as wide as the longest of their texts needs:
// Back (ID_WIZBACK 12323), Next (ID_WIZNEXT 12324) / Finish (ID_WIZFINISH
// 12325, in Next's place), Cancel (IDCANCEL 2) and Help (IDHELP 9), found by
// GetDlgItemAs<CButton>(id). The title bar shows the tab item text of the
// active page. Escape and the close box count as Cancel. Cancel asks the
// active page (OnQueryCancel), sends the reset notification (OnReset) to every
// page that has a window, in page order, and closes the sheet with IDCANCEL.
#pragma once

#include "ui/WinDefs.h"
#include "ui/Wnd.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class CButton;
class CPropertyPage;
struct CSheetPrivate;

class CPropertySheet : public CWnd {
public:
    explicit CPropertySheet(const std::string& caption, CWnd* parent = nullptr, int selectPage = 0);
    ~CPropertySheet() override;

    // The page stays owned by the caller and must outlive the sheet's window.
    void AddPage(CPropertyPage* page);
    int GetPageCount() const { return static_cast<int>(m_pages.size()); }
    CPropertyPage* GetPage(int index) const;
    CPropertyPage* GetActivePage() const;
    int GetActiveIndex() const { return m_active; }
    int GetPageIndex(const CPropertyPage* page) const;
    // Leaves the active page (OnKillActive) and shows page index.
    bool SetActivePage(int index);

    // The sheet runs as a wizard (the only mode this framework draws).
    void SetWizardMode() { m_wizard = true; }
    bool IsWizardMode() const { return m_wizard; }

    // Enables Back and Next, or shows Finish in Next's place, after the flags
    // (PSWIZB_BACK 1, PSWIZB_NEXT 2, PSWIZB_FINISH 4, PSWIZB_DISABLEDFINISH 8).
    // Posted: the buttons change when the GUI loop next runs, never at once.
    // Back's visibility is left as it is.
    void SetWizardButtons(plat::DWORD flags);
    // The flags last applied.
    plat::DWORD GetWizardButtons() const { return m_appliedFlags; }

    // The tab item texts: the title of each page, shown in the title bar while
    // that page is active. Until set, an item's text is the sheet's caption.
    void SetTabItemText(int item, const std::string& text);
    std::string GetTabItemText(int item) const;

    // Like a click on a sheet button (ID_WIZBACK, ID_WIZNEXT, ID_WIZFINISH,
    // IDCANCEL); does nothing when that button is disabled or hidden.
    void PressButton(int id);

    // Creates the window, shows it with the first page and runs it modally;
    // answers ID_WIZFINISH or IDCANCEL. The window is destroyed on return;
    // the pages keep their state.
    int DoModal();
    // Creates and shows the window with the first page without a modal loop
    // (tests, rendering). Close with EndDialog or the buttons.
    bool Create();
    void EndDialog(int result);
    // True between Create / DoModal and the end of the sheet.
    bool IsOpen() const { return m_open; }
    int GetResult() const { return m_result; }

    // ---- overridables --------------------------------------------------------
    // Runs when the window exists; the sheet's own OnInitDialog creates and
    // activates the first page, so an override calls it first.
    virtual bool OnInitDialog();
    // Runs once the window has first been painted with its first page (queued
    // after that painting): what the first page need not wait for.
    virtual void OnFirstPaint() {}
    // Every keyboard message (WM_KEYDOWN/UP, WM_SYSKEYDOWN/UP) of the sheet and
    // of the dialogs it opens, before any window sees it; true eats it.
    virtual bool PreTranslateMessage(const MSG& msg);
    // The sheet's own buttons act here; other commands go to bound handlers.
    bool OnCommand(int id, int code) override;

    CSheetPrivate& Private() const { return *p; }

    // Makes the page area hold everything on `page` after its controls moved
    // or appeared (the sheet and its button row grow).
    void FitPageArea(CPropertyPage* page);

    // ---- the notice ------------------------------------------------------------
    // News the user may act on without leaving the page (a device plugged
    // in): a line of text between the pages and the button row with two
    // buttons beside it, one that acts on it and one that puts it away. Not
    // modal: the page and the sheet's buttons work as before. The sheet grows
    // by the notice's row while it shows and shrinks back when it goes; a
    // notice shown replaces the one before. A click on either button puts the
    // notice away, then calls `accepted` or `dismissed`. Without
    // `acceptText` the notice only tells, with the one button that puts it
    // away. Screen readers hear the text when it appears.
    void ShowNotice(const std::string& text, const std::string& acceptText,
                    const std::string& dismissText, std::function<void()> accepted,
                    std::function<void()> dismissed = {});
    // Puts the notice away without calling either function.
    void HideNotice();
    bool HasNotice() const;
    // The text of the notice shown, "" when none is.
    std::string GetNoticeText() const;
    // The ids of the notice's text and buttons (GetDlgItem).
    static constexpr int kNoticeText = 12340;
    static constexpr int kNoticeAccept = 12341;
    static constexpr int kNoticeDismiss = 12342;

private:
    friend struct CSheetPrivate;
    void OnButton(int id);
    void ApplyWizardButtons(plat::DWORD flags);
    bool ShowPage(int index, int direction);
    // Lays out the page area and makes the row of buttons below it.
    void MakeButtonRow();
    // Makes the page area at least pageHeight high.
    void GrowPageArea(int pageHeight);
    // The toolkit's part: the window grows by `grow` pixels (its separator
    // moved down to m_separatorY); the keyboard goes to a page just shown.
    void GrowFrame(int grow);
    void FocusPage(CPropertyPage& page);
    // The end of DoModal: the window goes, the pages stay; the result.
    int EndModalRun();
    // Makes the row's buttons as wide as the widest of their texts needs.
    void FitButtonRow();
    int IndexOfTemplate(int templateId) const;
    bool Cancel();
    void UpdateTitle();
    // Moves the notice's controls by dy, the separator and the button row by
    // rowShift, and grows the window by frameGrow.
    void MoveBelowPages(int dy, int rowShift, int frameGrow);
    // The notice's controls go with the sheet's window (before it).
    void DestroyNotice();

    struct Notice;
    std::unique_ptr<Notice> m_notice;
    std::unique_ptr<CSheetPrivate> p;
    std::string m_caption;
    std::vector<CPropertyPage*> m_pages;
    std::vector<std::string> m_titles;
    std::vector<bool> m_titleSet;
    std::vector<std::unique_ptr<CButton>> m_buttons;
    CRect m_pageArea;
    int m_separatorY = 0;
    int m_buttonWidth = 0; // the width of every button of the row
    int m_startPage = 0;
    int m_active = -1;
    bool m_wizard = false;
    bool m_open = false;
    int m_result = 0;
    plat::DWORD m_appliedFlags = 0;
};
