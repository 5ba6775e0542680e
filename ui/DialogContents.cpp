// What a dialog holds whatever draws it: its template (caption, size, OK
// button), its controls made and set up in order (texts on top of what they
// label), its size fitted around them, and the OK and Cancel commands.
#include "ui/Button.h"
#include "ui/ColorText.h"
#include "ui/Dialog.h"
#include "ui/Toolkit.h"

#include <algorithm>

using namespace uiimpl;

namespace {

constexpr int kMargin = 10;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;

} // namespace

CDialog::CDialog(int templateId, CWnd* parent) : m_templateId(templateId), m_parentWnd(parent) {}

CDialog::~CDialog() {
    // The OK button goes before the window that holds it.
    m_okButtonWnd.reset();
}

void CDialog::SetTemplate(const std::string& caption, int width, int height, bool okButton) {
    m_caption = caption;
    m_width = width;
    m_height = height;
    m_okButton = okButton;
}

void CDialog::MakeContents(bool child) {
    if (!child) {
        SetWindowText(m_caption);
        if (m_width > 0 && m_height > 0)
            SetFrameSize(*this, m_width, m_height);
        if (m_okButton) {
            m_okButtonWnd = std::make_unique<CButton>();
            m_okButtonWnd->Create(this, IDOK, "OK");
            SetDefaultButton(*this, *m_okButtonWnd);
        }
    }
    CreateControls();
    // Texts lie over what they label: frames, buttons, pictures.
    for (CWnd* control : StateOf(*this).children)
        if (dynamic_cast<CColorText*>(control) != nullptr && control->HasWindow())
            BringToTop(*control);
    OnInitDialog();
    if (!child)
        FitToControls();
}

void CDialog::FitToControls() {
    if (!HasWindow())
        return;
    int right = 0;
    int bottom = 0;
    for (CWnd* control : StateOf(*this).children) {
        if (control == m_okButtonWnd.get() || !IsShown(*control))
            continue;
        const CRect r = control->GetRectInParent();
        right = std::max(right, r.right);
        bottom = std::max(bottom, r.bottom);
    }
    int width = m_width;
    int height = m_height;
    if (width <= 0 || height <= 0) {
        width = std::max(right + kMargin, 2 * kMargin + kButtonWidth);
        height = bottom + kMargin + (m_okButton ? kButtonHeight + kMargin : 0);
        SetFrameSize(*this, width, height);
    }
    if (m_okButtonWnd)
        m_okButtonWnd->MoveWindow(width - kMargin - kButtonWidth, height - kMargin - kButtonHeight,
                                  kButtonWidth, kButtonHeight);
}

void CDialog::OnOK() {
    EndDialog(IDOK);
}
void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

bool CDialog::OnCommand(int id, int code) {
    if (CWnd::OnCommand(id, code))
        return true;
    if (code != BN_CLICKED)
        return false;
    if (id == IDOK) {
        OnOK();
        return true;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return true;
    }
    return false;
}

void CDialog::SetModalHook(std::function<void(CDialog&)> hook) {
    ModalHook() = std::move(hook);
}

namespace uiimpl {

std::function<void(CDialog&)>& ModalHook() {
    static std::function<void(CDialog&)> hook;
    return hook;
}

} // namespace uiimpl
