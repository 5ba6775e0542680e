#include "pages/PropPage5.h"

#include "config/ProductInstall.h"
#include "config/VendrelParms.h"
#include "pages/PageLabels.h"
#include "pages/SheetServices.h"
#include "platform/files/paths.h"
#include "platform/system/trace.h"
#include "platform/text/text_encoding.h"
#include "texts/UiTexts.h"
#include "ui/PropertySheet.h"
#include "ui/ToolTipTimer.h"

namespace {

constexpr int kFont = 1121;
constexpr COLORREF kDarkBlue = 0x540000;
constexpr COLORREF kBlue = 0xb80000;
constexpr COLORREF kPurple = 0xAF37AF;

// Control ids of dialog 108.
constexpr int IDC_PRODUCT = 1006;
constexpr int IDC_TIKO = 1118;
constexpr int IDC_WINDOWS = 1120;
constexpr int IDC_UPDATE = 1102;
constexpr int IDC_END_OUTCOME = 1130;

// The frame around the export lines, the check boxes, and the Update button
// with how far its caption keeps from its edges.
constexpr int kFrameWidth = 468;
constexpr int kCheckSize = 15;
constexpr int kUpdateX = 290;
constexpr int kUpdateWidth = 70;
constexpr int kUpdateHeight = 22;
constexpr int kButtonInset = 4;

const std::string& T(const char* key) {
    return UiText("PropP5", key);
}

// Text, font and colour of a label within room; answers the size of its
// text.
CSize SetLabel(CColorText& label, const std::string& text, COLORREF color, int room) {
    return ::SetLabel(label, text, kFont, color, room);
}

std::string TrimRight(std::string text) {
    const std::size_t end = text.find_last_not_of(" \t\r\n");
    text.erase(end == std::string::npos ? 0 : end + 1);
    return text;
}

} // namespace

// The introduction takes two lines on a page of the usual width: the page is
// that much higher, so the closing line stays clear of the sheet's buttons.
CPropPage5::CPropPage5(CSheetServices& sheet)
    : CPropertyPage(108, kPageWidth, kPageHeight + 20), m_sheet(&sheet) {}

void CPropPage5::CreateControls() {
    m_picture.Create(this, 1063, 138);
    m_frame.Create(this, 1062);
    m_intro.Create(this, 1042);
    m_productLine.Create(this, 1043);
    m_tikoLine.Create(this, 1117);
    m_windowsLine.Create(this, 1119);
    m_endOutcome.Create(this, IDC_END_OUTCOME);
    m_product.Create(this, IDC_PRODUCT);
    m_tiko.Create(this, IDC_TIKO);
    m_windows.Create(this, IDC_WINDOWS);
    m_students.Create(this, 1104);
    m_update.Create(this, IDC_UPDATE);
    m_updateLabel.Create(this, 1106); // after the button it lies on
    m_configured.Create(this, 1097);
    m_retained.Create(this, 1105);
    m_clickEnd.Create(this, 1044);
    // What names the controls for a screen reader: each check box's line,
    // the text over the button.
    m_productLine.SetLabelFor(m_product);
    m_tikoLine.SetLabelFor(m_tiko);
    m_windowsLine.SetLabelFor(m_windows);
    m_updateLabel.SetLabelFor(m_update);
    // A click on a line's text ticks its box.
    m_productLine.SetClickFor(m_product);
    m_tikoLine.SetClickFor(m_tiko);
    m_windowsLine.SetClickFor(m_windows);
    BindCommand(IDC_PRODUCT, [this] { OnProductCheck(); });
    BindCommand(IDC_TIKO, [this] { OnTikoCheck(); });
    BindCommand(IDC_WINDOWS, [this] { OnWindowsCheck(); });
    BindCommand(IDC_UPDATE, [this] { OnUpdate(); });
}

bool CPropPage5::OnInitDialog() {
    CPropertyPage::OnInitDialog();

    // The texts wrap within the page; the three export lines so that their
    // check boxes, after the lines, stay inside the frame; the Update caption
    // within the button, which may grow up to the page's margin.
    const int right = GetPageWidth() - kPageMargin;
    constexpr int kInner = 10 + kFrameWidth - 10; // the frame's inner right edge
    const int lineRoom = kInner - kCheckSize - 10 - 20;
    const CSize s1 = SetLabel(m_intro, T("K1"), kDarkBlue, right - 1);
    const CSize s2 = SetLabel(m_productLine, T("K2"), kBlue, lineRoom);
    const CSize s3 = SetLabel(m_tikoLine, T("K3"), kBlue, lineRoom);
    const CSize s4 = SetLabel(m_windowsLine, T("K4"), kBlue, lineRoom);
    const CSize s5 = SetLabel(m_configured, T("K5"), kBlue, right - 40);
    const CSize s6 = SetLabel(m_retained, T("K6"), kBlue, right - 40);
    const CSize s7 = SetLabel(m_clickEnd, T("K7"), kDarkBlue, right - 40);
    const CSize s8 = SetLabel(m_updateLabel, T("K8"), kPurple, right - kUpdateX - 2 * kButtonInset);
    // The outcome line is as high as the longer of its two texts.
    const CSize sEnd = SetLabel(m_endOutcome, T("EndRestores"), kDarkBlue, lineRoom);
    const CSize sKeep = SetLabel(m_endOutcome, T("EndKeeps"), kDarkBlue, lineRoom);
    const CSize s9(std::max(sEnd.cx, sKeep.cx), std::max(sEnd.cy, sKeep.cy));
    m_frame.SetWindowText("");

    // The three export lines sit in the frame, each check box after the
    // product line's text (and clear of the other two), with what End does
    // with the mixer under the last; the student controls follow below the
    // frame, the outcome lines below them. Each line's window reaches its
    // box, so a click anywhere between the text's start and the box ticks it.
    const int top = s1.cy + 120;
    const int windowsLine = top + s2.cy + s3.cy + 25;
    const int endLine = windowsLine + s4.cy + 4;
    const int checkX = std::max(s2.cx + 30, std::max(s3.cx, s4.cx) + 25);
    const int studentY = endLine + s9.cy + 20;
    const int updateWidth = std::max(kUpdateWidth, s8.cx + 2 * kButtonInset);
    const int updateHeight = std::max(kUpdateHeight, s8.cy + 2 * kButtonInset);
    const int outcomeY = endLine + s9.cy + 50 + (updateHeight - kUpdateHeight);
    m_picture.MoveWindow(150, 5, 200, 80);
    m_intro.MoveWindow(1, 105, s1.cx, s1.cy);
    m_frame.MoveWindow(10, top, kFrameWidth, s2.cy + s3.cy + s4.cy + s9.cy + 39);
    m_productLine.MoveWindow(20, top + 15, checkX - 20, s2.cy);
    m_tikoLine.MoveWindow(20, top + s2.cy + 20, checkX - 20, s3.cy);
    m_windowsLine.MoveWindow(20, windowsLine, checkX - 20, s4.cy);
    m_endOutcome.MoveWindow(20, endLine, s9.cx, s9.cy);
    m_product.MoveWindow(checkX, top + 15, kCheckSize, kCheckSize);
    m_tiko.MoveWindow(checkX, top + s2.cy + 20, kCheckSize, kCheckSize);
    m_windows.MoveWindow(checkX, windowsLine, kCheckSize, kCheckSize);
    m_students.MoveWindow(80, studentY, 200, 80);
    m_update.MoveWindow(kUpdateX, studentY, updateWidth, updateHeight);
    m_updateLabel.MoveWindow(kUpdateX + (updateWidth - s8.cx) / 2,
                             studentY + (updateHeight - s8.cy) / 2, s8.cx, s8.cy);
    m_configured.MoveWindow(40, outcomeY, s5.cx, s5.cy);
    m_retained.MoveWindow(40, outcomeY, s6.cx, s6.cy);
    m_clickEnd.MoveWindow(40, outcomeY + std::max(s5.cy, s6.cy) + 6, s7.cx, s7.cy);

    m_configured.ShowWindow(SW_HIDE);
    m_retained.ShowWindow(SW_HIDE);
    m_product.SetCheck(BST_UNCHECKED);
    ShowStudentControls(false);
    m_update.SetValue(0);
    m_update.SetTooltipText(T("K9"), kFont);
    m_students.SetAccessibleName(T("Student"));

    GetProductIniPath();
    std::vector<std::string> editions;
    GetTikoIniList(editions);

    m_tiko.SetCheck(m_exportTiko ? BST_CHECKED : BST_UNCHECKED);
    m_windows.SetCheck(m_keepWindows ? BST_CHECKED : BST_UNCHECKED);
    ShowEndOutcome();
    return true;
}

bool CPropPage5::OnSetActive() {
    CPropertySheet* sheet = GetParentSheet();
    sheet->SetWizardButtons(PSWIZB_BACK | PSWIZB_FINISH);
    if (CWnd* finish = sheet->GetDlgItem(ID_WIZFINISH))
        finish->SetWindowText(T("K10"));
    return CPropertyPage::OnSetActive();
}

bool CPropPage5::OnWizardFinish() {
    CMixerSetup& mixer = Sheet()->Mixer();
    if (m_exportTiko) {
        std::vector<std::string> editions;
        GetTikoIniList(editions);
        int playback = -1;
        mixer.GetPlaybackVolume(playback);
        int recording = -1;
        mixer.GetRecordingVolume(recording);
        std::string error;
        // A file that could not be written is left as it was; the user is
        // told which one and why before the wizard closes.
        if (!ExportTikoVolumes(editions, playback, recording, &error))
            MessageBox(error, T("K12"), MB_ICONEXCLAMATION);
    }
    // Without the Windows box the mixer goes back to this run's snapshot of
    // the sound-card test; with it the changes stay, and so does the file.
    if (!m_keepWindows)
        Sheet()->RestoreMixer(*this);
    else
        mixer.KeepChanges(MixerSnapshotPath());
    CToolTipTimer::Stop();
    return CPropertyPage::OnWizardFinish();
}

void CPropPage5::ShowStudentControls(bool show) {
    const int cmd = show ? SW_SHOW : SW_HIDE;
    m_students.ShowWindow(cmd);
    m_update.ShowWindow(cmd);
    m_updateLabel.ShowWindow(cmd);
}

void CPropPage5::ShowEndOutcome() {
    m_endOutcome.SetText(T(m_keepWindows ? "EndKeeps" : "EndRestores"));
}

void CPropPage5::OnProductCheck() {
    if (m_product.GetCheck() == BST_CHECKED) {
        ShowStudentControls(true);
        FillUserList();
    } else {
        ShowStudentControls(false);
    }
}

void CPropPage5::OnTikoCheck() {
    m_exportTiko = m_tiko.GetCheck() == BST_CHECKED;
}

void CPropPage5::OnWindowsCheck() {
    m_keepWindows = m_windows.GetCheck() == BST_CHECKED;
    ShowEndOutcome();
}

std::string CPropPage5::GetProductIniPath() {
    std::string path = ::GetProductIniPath();
    if (path.empty()) {
        ShowStudentControls(false);
        m_product.EnableWindow(false);
    }
    return path;
}

std::string CPropPage5::GetProductTag() {
    return ::GetProductTag(m_productIniPath);
}

void CPropPage5::GetTikoIniList(std::vector<std::string>& list) {
    bool anyInstalled = false;
    std::vector<std::string> found = ::GetTikoIniList(&anyInstalled);
    list.insert(list.end(), found.begin(), found.end());
    m_tiko.EnableWindow(anyInstalled);
}

void CPropPage5::FillUserList() {
    m_productIniPath = GetProductIniPath();
    if (m_productIniPath.empty())
        return;
    const bool loaded = LoadProductStudents(m_productIniPath, TheVendrelParms(), m_userList);
    if (!loaded)
        TRACE_LOG(1, "PropPage5", __LINE__, "Liste des utilisateurs illisible : %s",
                  m_userList.GetErrorText().c_str());

    m_names = m_userList.GetNames();
    m_students.ResetContent();
    if (!loaded) {
        // A list that cannot be read is not a user who is not registered.
        ShowStudentControls(false);
        m_product.EnableWindow(false);
        MessageBox(FormatUiText(UiText("PropP5", "UsersUnreadable"),
                                {plat::NativePath(m_userList.GetErrorText())}),
                   T("K12"), MB_ICONEXCLAMATION);
        return;
    }
    if (m_names.empty()) {
        ShowStudentControls(false);
        m_product.EnableWindow(false);
        MessageBox(T("K11"), T("K12"), MB_ICONEXCLAMATION);
        return;
    }
    // Each entry keeps its place in the student list, which the sorted box
    // does not follow.
    for (std::size_t i = 0; i < m_names.size(); ++i)
        m_students.SetItemData(m_students.AddString(m_names[i]), i);
    m_students.SetCurSel(0); // the list is sorted: the alphabetically first name
}

std::size_t CPropPage5::ChosenStudent() const {
    // An entry picked from the list is that student, whoever shares the name.
    const int picked = m_students.GetCurSel();
    if (picked != CB_ERR)
        return static_cast<std::size_t>(m_students.GetItemData(picked));
    // A typed name (UTF-8) in the list's encoding; a name the list's code
    // page cannot write is nobody's.
    std::string name;
    if (!plat::EncodeText(TrimRight(m_students.GetWindowText()), m_userList.GetEncoding(), &name))
        return CUserList::npos;
    return m_userList.FindUserIndex(name);
}

void CPropPage5::OnUpdate() {
    if (TrimRight(m_students.GetWindowText()).empty())
        return;
    const std::size_t student = ChosenStudent();
    if (student == CUserList::npos) {
        MessageBox(T("K13"), T("K12"), MB_ICONEXCLAMATION);
        return;
    }
    std::string directory;
    std::string error;
    if (!m_userList.GetUserDirectory(student, &directory, &error)) {
        MessageBox(error, T("K12"), MB_ICONEXCLAMATION);
        return;
    }
    SetCurrentStudentDirectory(directory);

    int volume = 0;
    Sheet()->Mixer().GetPlaybackVolume(volume);
    error.clear();
    const bool configured = ExportStudentVolume(TheVendrelParms(), directory, volume, &error);
    m_configured.ShowWindow(configured ? SW_SHOW : SW_HIDE);
    m_retained.ShowWindow(configured ? SW_HIDE : SW_SHOW);
    if (!error.empty())
        MessageBox(error, T("K12"), MB_ICONEXCLAMATION);
    m_product.EnableWindow(false);
}
