#include "pages/HeadsetDlg.h"

#include "pages/PageLabels.h"
#include "texts/UiTexts.h"

#include <algorithm>

namespace {

constexpr int kFont = 1121;
constexpr COLORREF kBlue = 0xb80000;

const std::string& T(const char* key) {
    return UiText("HeadInf", key);
}

CSize SetLabel(CColorText& label, const std::string& text, int room) {
    return ::SetLabel(label, text, kFont, kBlue, room);
}

} // namespace

CHeadsetDlg::CHeadsetDlg(CWnd* parent) : CDialog(167, parent) {
    SetTemplate(UiText("HeadInf", "Title"));
}

void CHeadsetDlg::CreateControls() {
    m_picture.Create(this, 1073, 173);
    m_frame1.Create(this, 1048);
    m_frame2.Create(this, 1049);
    m_frame3.Create(this, 1050);
    m_speakers.Create(this, 1026);
    m_micro.Create(this, 1027);
    m_room.Create(this, 1028);
}

bool CHeadsetDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    // The texts start 10 pixels inside their frames, which end at x 490, and
    // wrap 5 pixels before that end.
    constexpr int kRoom = 490 - 5 - 160;
    const CSize s1 = SetLabel(m_speakers, T("K1"), kRoom);
    const CSize s2 = SetLabel(m_micro,
                              T("K2a") + "\n\n" + T("K2b") + "\n\n" +
                                  OneSentence(kFont, T("K2c"), T("K2d"), kRoom),
                              kRoom);
    const CSize s3 = SetLabel(m_room, T("K3"), 490 - 5 - 20);
    m_frame1.SetWindowText("");
    m_frame2.SetWindowText("");
    m_frame3.SetWindowText("");

    const int d = s1.cy + 25;
    m_picture.MoveWindow(10, 10, 130, 130);
    m_frame1.MoveWindow(150, 10, 340, s1.cy + 25);
    m_speakers.MoveWindow(160, 25, s1.cx, s1.cy);
    m_frame2.MoveWindow(150, d + 15, 340, s2.cy + 25);
    m_micro.MoveWindow(160, d + 30, s2.cx, s2.cy + 30);
    // The last frame goes below the second one when the second one's text
    // reaches past y 145 (it does with the default texts).
    const int y3 = std::max(145, d + 15 + s2.cy + 25 + 5);
    m_frame3.MoveWindow(10, y3, 480, s3.cy + 25);
    m_room.MoveWindow(20, y3 + 15, s3.cx, s3.cy);
    return true;
}
