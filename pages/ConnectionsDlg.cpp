#include "pages/ConnectionsDlg.h"

#include "app/UiTexts.h"
#include "pages/PageLabels.h"

namespace {

constexpr COLORREF kDarkBlue = 0x540000;
constexpr COLORREF kBlue = 0xb80000;

const std::string& T(const char* key) {
    return UiText("Connect", key);
}
} // namespace

CConnectionsDlg::CConnectionsDlg(CWnd* parent) : CDialog(166, parent) {
    SetTemplate("Connections");
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
    const CSize s1 = SetLabel(m_title, T("K1"), 1122, kDarkBlue);
    const CSize s2 = SetLabel(m_where, T("K2"), 1121, kDarkBlue);
    const CSize s3 = SetLabel(m_mic, T("K3") + "\n" + T("K3b"), 1121, kBlue);
    const CSize s4 = SetLabel(m_phones, T("K4") + "\n" + T("K4b"), 1121, kBlue);
    const CSize s5 = SetLabel(
        m_note, T("K5a") + "\n" + T("K5b") + "\n" + T("K5c") + "\n" + T("K5d"), 1121, kBlue);
    m_frameMic.SetWindowText("");
    m_frameHead.SetWindowText("");

    m_headset.MoveWindow(10, 10, 100, 100);
    m_title.MoveWindow(120, 35, s1.cx, s1.cy);
    m_where.MoveWindow(120, 90, s2.cx, s2.cy);
    m_frameMic.MoveWindow(10, 110, 490, s2.cy + 40);
    m_micPlug.MoveWindow(20, 125, 30, 30);
    m_frameHead.MoveWindow(10, 170, 490, s3.cy + 25);
    m_headPlug.MoveWindow(20, 185, 30, 30);
    m_mic.MoveWindow(60, 125, s3.cx, s3.cy + 30);
    m_phones.MoveWindow(60, 185, s4.cx, s4.cy);
    m_note.MoveWindow(10, 230, s5.cx, s5.cy);
    return true;
}
