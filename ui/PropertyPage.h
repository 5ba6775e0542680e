// CPropertyPage: one page of a wizard sheet. The sheet creates the page's
// window the first time the page is shown (CreateControls, then OnInitDialog)
// and keeps it until the sheet closes. A page whose controls, laid out by
// OnInitDialog, reach lower than its height grows to hold them, hidden
// controls included (they show in some state of the page); the sheet grows
// with its tallest page.
#pragma once

#include "ui/Dialog.h"

class CPropertySheet;

class CPropertyPage : public CDialog {
public:
    // Pages are kPageWidth x kPageHeight pixels unless the template says more.
    static constexpr int kPageWidth = 496;
    static constexpr int kPageHeight = 300;

    explicit CPropertyPage(int templateId, int width = kPageWidth, int height = kPageHeight);

    CPropertySheet* GetParentSheet() const { return m_sheet; }

    // ---- overridables --------------------------------------------------------
    // The page becomes active (after its window exists). Return false to
    // refuse: the sheet then goes on in the same direction.
    virtual bool OnSetActive() { return true; }
    // The page is about to be left. Return false to stay.
    virtual bool OnKillActive() { return true; }
    // Back / Next pressed: return 0 to go to the previous / next page, -1 to
    // stay, or the template id of the page to go to.
    virtual int OnWizardBack() { return 0; }
    virtual int OnWizardNext() { return 0; }
    // Finish pressed: return true to close the sheet.
    virtual bool OnWizardFinish() { return true; }
    // Cancel pressed on the active page: return false to keep the sheet open.
    virtual bool OnQueryCancel() { return true; }
    // The reset notification of a cancel, sent to every page that has a
    // window. The default calls OnCancel.
    virtual void OnReset() { OnCancel(); }
    // The page's cancel and OK: they do nothing for a page (the sheet closes).
    void OnCancel() override {}
    void OnOK() override {}

    int GetPageWidth() const { return m_pageWidth; }
    int GetPageHeight() const { return m_pageHeight; }

    // Room kept below the lowest control of a page that grows.
    static constexpr int kBottomMargin = 6;

private:
    friend class CPropertySheet;
    // Grows the page's height to hold its controls.
    void FitHeightToControls();
    CPropertySheet* m_sheet = nullptr;
    int m_pageWidth;
    int m_pageHeight;
};
