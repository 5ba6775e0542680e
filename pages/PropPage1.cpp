#include "pages/PropPage1.h"

#include "pages/ConnectionsDlg.h"
#include "pages/HeadsetDlg.h"
#include "pages/PageLabels.h"
#include "pages/SheetServices.h"
#include "platform/files/directories.h"
#include "platform/files/paths.h"
#include "platform/system/trace.h"
#include "texts/SoundNotice.h"
#include "texts/UiTexts.h"
#include "ui/PropertySheet.h"
#include "ui/ToolTipTimer.h"

#include <algorithm>

namespace {

constexpr int kFont = 1121;
constexpr COLORREF kDarkBlue = 0x540000;
constexpr COLORREF kBlue = 0xb80000;
constexpr COLORREF kPurple = 0xAF37AF;
constexpr COLORREF kRed = 0x0000C0;

const std::string& T(const char* key) {
    return UiText("PropP1", key);
}

// Text, font and colour of a label within room; answers the size of its
// text.
CSize SetLabel(CColorText& label, const std::string& text, COLORREF color, int room) {
    return ::SetLabel(label, text, kFont, color, room);
}

} // namespace

CPropPage1::CPropPage1(CSheetServices& sheet) : CPropertyPage(104), m_sheet(&sheet) {}

void CPropPage1::CreateControls() {
    m_picture.Create(this, 1047, 138);
    m_frameK2.Create(this, 1011);
    m_frameK3.Create(this, 1017);
    m_connections.Create(this, 1067);
    m_headset.Create(this, 1066);
    m_intro.Create(this, 1010);
    m_blockK2.Create(this, 1013);
    m_blockK3.Create(this, 1012);
    m_labelK4.Create(this, 1087);
    m_labelK5.Create(this, 1088);
    m_goOn.Create(this, 1096);
    m_simulated.Create(this, 1199);
    // The texts over the buttons name them for a screen reader.
    m_labelK4.SetLabelFor(m_connections);
    m_labelK5.SetLabelFor(m_headset);
    BindCommand(1067, [this] { OnAboutConnections(); });
    BindCommand(1066, [this] { OnAboutHeadset(); });
}

bool CPropPage1::OnInitDialog() {
    CPropertyPage::OnInitDialog();
    CToolTipTimer::Start(100);

    // The texts wrap within the page, the two blocks within frames that end
    // at the page's margin, the button labels within the halves of the page
    // their buttons take (they meet around x 234).
    const int right = GetPageWidth() - kPageMargin;
    const CSize s1 = SetLabel(m_intro, T("K1"), kDarkBlue, right - 10);
    const CSize s2 =
        SetLabel(m_blockK2, OneSentence(kFont, T("K2"), T("K2b"), right - 40), kBlue, right - 40);
    const CSize s3 =
        SetLabel(m_blockK3, OneSentence(kFont, T("K3"), T("K3b"), right - 40), kBlue, right - 40);
    const CSize s4 = SetLabel(m_labelK4, T("K4"), kPurple, 224 - 20 - 20);
    const CSize s5 = SetLabel(m_labelK5, T("K5"), kPurple, right - 10 - 244 - 20);
    const CSize s6 = SetLabel(m_goOn, T("K6"), kDarkBlue, right - 10);

    const int m = std::max(s2.cx, s3.cx);
    const int y1 = s1.cy + 100;
    const int y2 = y1 + s2.cy + 30;
    const int y3 = y2 + s3.cy + 5;
    const int b4 = s4.cx + 20;
    const int b5 = s5.cx + 20;
    // Labels of more than one line make both buttons higher, and what lies
    // below them lower.
    const int extra = std::max(ExtraHeight(m_labelK4), ExtraHeight(m_labelK5));
    m_picture.MoveWindow(140, 0, 180, 75);
    m_intro.MoveWindow(10, 90, s1.cx, s1.cy);
    m_blockK2.MoveWindow(20, y1, s2.cx, s2.cy);
    m_frameK2.MoveWindow(10, y1 - 10, m + 30, s2.cy + 20);
    m_blockK3.MoveWindow(20, y2, s3.cx, s3.cy);
    // The frame holds the buttons too, however short its text.
    m_frameK3.MoveWindow(10, y2 - 10, std::max(m + 30, 244 + b5), s3.cy + 50 + extra);
    m_connections.MoveWindow(224 - b4, y3, b4, 30 + extra);
    m_headset.MoveWindow(244, y3, b5, 30 + extra);
    m_labelK4.MoveWindow(234 - b4, y3 + 7, s4.cx, s4.cy - 5);
    m_labelK5.MoveWindow(254, y3 + 7, s5.cx, s5.cy - 5);
    m_goOn.MoveWindow(10, y3 + 40 + extra, s6.cx, s6.cy);

    m_noticeTop = y3 + 45 + extra + s6.cy;
    ShowSimulatedNotice();

    m_connections.SetValue(0);
    m_headset.SetValue(0);
    m_headset.SetTooltipText(T("K7"), kFont);
    m_connections.SetTooltipText(T("K8"), kFont);
    return true;
}

void CPropPage1::ShowSimulatedNotice() {
    // The virtual card in place of missing hardware is never silent: the
    // user learns here that nothing will be heard, and how to look further.
    if (Sheet()->VirtualCardIsFallback()) {
        const int right = GetPageWidth() - kPageMargin;
        const CSize s7 = SetLabel(m_simulated, SimulatedCardNoticeText(), kRed, right - 10);
        m_simulated.MoveWindow(10, m_noticeTop, s7.cx, s7.cy);
        m_simulated.ShowWindow(SW_SHOW);
    } else {
        m_simulated.ShowWindow(SW_HIDE);
    }
}

bool CPropPage1::OnSetActive() {
    CPropertySheet* sheet = GetParentSheet();
    sheet->SetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
    if (CWnd* back = sheet->GetDlgItem(ID_WIZBACK)) {
        back->SetWindowText(" ");
        back->ShowWindow(SW_HIDE);
    }
    return CPropertyPage::OnSetActive();
}

void CPropPage1::OnCancel() {
    CSheetServices* sheet = Sheet();
    // The mixer goes back to this run's snapshot of the sound-card test, if
    // it took one; a snapshot on disk from another run is never applied.
    sheet->RestoreMixer(*this);
    std::string why;
    const std::string temp = plat::GetTempPath(&why);
    if (temp.empty()) {
        // Without the private directory no recording was made.
        TRACE_LOG(1, "PropPage1", __LINE__, "Pas de répertoire temporaire : %s", why.c_str());
    } else {
        const std::string recording = temp + "User.wav";
        if (plat::FileExists(recording))
            plat::DeleteFile(recording);
    }
    CToolTipTimer::Stop();
    CAudioEngine& engine = sheet->AudioEngine();
    engine.PlayResourceLoop(0);
    engine.PlayFileLoop("");
    engine.StopPlay();
    engine.StopRecording();
    CPropertyPage::OnCancel();
}

void CPropPage1::OnAboutConnections() {
    m_labelK4.RedrawWindow();
    m_labelK5.RedrawWindow();
    CConnectionsDlg dialog(this);
    dialog.DoModal();
    m_labelK4.RedrawWindow();
}

void CPropPage1::OnAboutHeadset() {
    m_labelK4.RedrawWindow();
    m_labelK5.RedrawWindow();
    CHeadsetDlg dialog(this);
    dialog.DoModal();
    m_labelK5.RedrawWindow();
}
