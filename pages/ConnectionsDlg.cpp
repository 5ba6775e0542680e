#include "pages/ConnectionsDlg.h"

#include "pages/PageLabels.h"
#include "texts/UiTexts.h"

#include <algorithm>

namespace {

constexpr COLORREF kDarkBlue = 0x540000;
constexpr COLORREF kBlue = 0xb80000;
constexpr int kFrameWidth = 490;

const std::string& T(const char* key) {
    return UiText("Connect", key);
}
} // namespace

CConnectionsDlg::CConnectionsDlg(CWnd* parent) : CDialog(166, parent) {
    SetTemplate(UiText("Connect", "Title"));
}

void CConnectionsDlg::CreateControls() {
    m_headset.Create(this, 1072, 170);
    m_frameMic.Create(this, 1083);
    m_frameHead.Create(this, 1084);
    m_micPlug.Create(this, 1070, 154);
    m_headPlug.Create(this, 1071, 152);
    m_title.Create(this, 1079);
    m_where.Create(this, 1115);
    m_mic.Create(this, 1080);
    m_phones.Create(this, 1081);
    m_note.Create(this, 1082);
}

bool CConnectionsDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    // The frames end at x 500: the texts wrap there, 10 pixels inside them.
    constexpr int kRight = 10 + kFrameWidth;
    const CSize s1 = SetLabel(m_title, T("K1"), 1122, kDarkBlue, kRight - 120);
    const CSize s2 = SetLabel(m_where, T("K2"), 1121, kDarkBlue, kRight - 120);
    const CSize s3 = SetLabel(m_mic, T("K3") + "\n" + T("K3b"), 1121, kBlue, kRight - 10 - 60);
    const CSize s4 = SetLabel(m_phones, T("K4") + "\n" + T("K4b"), 1121, kBlue, kRight - 10 - 60);
    const CSize s5 = SetLabel(m_note,
                              T("K5a") + "\n" + T("K5b") + "\n" +
                                  OneSentence(1121, T("K5c"), T("K5d"), kRight - 10),
                              1121, kBlue, kRight - 10);
    m_frameMic.SetWindowText("");
    m_frameHead.SetWindowText("");

    // The first frame's height follows the K2 text, the second frame's the K3
    // block, and each frame holds its own plug's text whatever its length;
    // a text that gained lines moves what lies below it down.
    const int whereY = std::max(90, 35 + s1.cy + 5);
    const int micTop = std::max(110, whereY + s2.cy + 6);
    const int micHeight = std::max(s2.cy + 40, s3.cy + 26);
    const int headTop = micTop + micHeight + 6;
    const int headHeight = std::max(s3.cy + 25, s4.cy + 25);
    m_headset.MoveWindow(10, 10, 100, 100);
    m_title.MoveWindow(120, 35, s1.cx, s1.cy);
    m_where.MoveWindow(120, whereY, s2.cx, s2.cy);
    m_frameMic.MoveWindow(10, micTop, kFrameWidth, micHeight);
    m_micPlug.MoveWindow(20, micTop + 15, 30, 30);
    m_frameHead.MoveWindow(10, headTop, kFrameWidth, headHeight);
    m_headPlug.MoveWindow(20, headTop + 15, 30, 30);
    m_mic.MoveWindow(60, micTop + 15, s3.cx, s3.cy + 30);
    m_phones.MoveWindow(60, headTop + 15, s4.cx, s4.cy);
    m_note.MoveWindow(10, headTop + headHeight + 7, s5.cx, s5.cy);
    return true;
}
