#include "ui/PropertySheet.h"

#include "ui/Button.h"
#include "ui/DialogWidget.h"
#include "ui/Private.h"
#include "ui/PropertyPage.h"
#include "ui/SheetPrivate.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>

#include <algorithm>
#include <cstdlib>
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

// The window of the sheet: Escape and the close box count as Cancel.
class SheetWidget : public QDialog {
public:
    explicit SheetWidget(QWidget* parent) : QDialog(parent) {
        setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                       Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
        setAutoFillBackground(true);
        QPalette palette = this->palette();
        palette.setColor(QPalette::Window, FaceColor());
        setPalette(palette);
    }
    int separatorY = 0;

    void reject() override {
        if (auto* sheet = dynamic_cast<CPropertySheet*>(WndOf(this)))
            sheet->Private().cancelRequested();
    }
    void accept() override {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(QColor(0xC9, 0xD0, 0xDC));
        painter.drawLine(kMargin, separatorY, width() - kMargin, separatorY);
        painter.setPen(QColor(0xFF, 0xFF, 0xFF));
        painter.drawLine(kMargin, separatorY + 1, width() - kMargin, separatorY + 1);
        NoteSheetPainted();
        if (!m_painted) {
            m_painted = true;
            QTimer::singleShot(0, this, [this] {
                if (auto* sheet = dynamic_cast<CPropertySheet*>(WndOf(this)))
                    sheet->OnFirstPaint();
            });
        }
    }

private:
    bool m_painted = false;
};

} // namespace

// ---- the keyboard hook -------------------------------------------------------

bool SheetKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
        return false;
    auto* target = qobject_cast<QWidget*>(watched);
    QWidget* sheetWidget = sheet->GetWidget();
    if (target == nullptr || sheetWidget == nullptr)
        return false;
    // The sheet and the dialogs opened over it.
    bool ours = false;
    for (QWidget* w = target; w != nullptr; w = w->parentWidget()) {
        if (w == sheetWidget) {
            ours = true;
            break;
        }
    }
    if (!ours)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    // An unhandled key travels up the parents as the same event: look at it
    // once.
    if (key == lastEvent && key->timestamp() == lastTimestamp && event->type() == lastType)
        return false;
    lastEvent = key;
    lastTimestamp = key->timestamp();
    lastType = event->type();

    MSG msg;
    msg.hwnd = WndOf(target);
    msg.ctrl = (key->modifiers() & Qt::ControlModifier) != 0;
    msg.alt = (key->modifiers() & Qt::AltModifier) != 0;
    msg.shift = (key->modifiers() & Qt::ShiftModifier) != 0;
    const bool down = event->type() == QEvent::KeyPress;
    msg.message = msg.alt ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
    msg.wParam = VirtualKey(key->key());
    if (msg.wParam == 0)
        return false;
    return sheet->PreTranslateMessage(msg);
}

void CSheetPrivate::cancelRequested() {
    owner->Cancel();
}

// ---- the sheet -----------------------------------------------------------------

CPropertySheet::CPropertySheet(const std::string& caption, CWnd* parent, int selectPage)
    : p(std::make_unique<CSheetPrivate>()), m_caption(caption), m_startPage(selectPage) {
    p->owner = this;
    p->parent = parent;
    p->keys.sheet = this;
}

CPropertySheet::~CPropertySheet() {
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->removeEventFilter(&p->keys);
    p->buttons.clear();
    DestroyWindow();
}

bool CPropertySheet::Create() {
    if (QCoreApplication::instance() == nullptr || m_pages.empty())
        return false;
    if (HasWindow())
        DestroyWindow();
    QWidget* parentWidget = p->parent != nullptr ? p->parent->GetWidget() : nullptr;
    auto* widget = new SheetWidget(parentWidget);
    AttachWidget(widget, nullptr, 0);
    SetWindowText(m_caption);

    int pageWidth = 0;
    int pageHeight = 0;
    for (const CPropertyPage* page : m_pages) {
        pageWidth = std::max(pageWidth, page->GetPageWidth());
        pageHeight = std::max(pageHeight, page->GetPageHeight());
    }
    p->pageArea = CRect{kMargin, kMargin, kMargin + pageWidth, kMargin + pageHeight};
    const int width = pageWidth + 2 * kMargin;
    widget->separatorY = p->pageArea.bottom + kMargin;
    const int buttonTop = widget->separatorY + kMargin;
    widget->setFixedSize(width, buttonTop + kButtonHeight + kMargin);

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
    QCoreApplication::instance()->installEventFilter(&p->keys);
    OnInitDialog();
    if (m_active < 0)
        ShowPage(std::clamp(m_startPage, 0, GetPageCount() - 1), +1);
    FitButtonRow();
    widget->show();
    return true;
}

int CPropertySheet::DoModal() {
    if (!Create())
        return IDCANCEL;
    auto* dialog = static_cast<QDialog*>(GetWidget());
    p->inExec = true;
    if (m_open)
        dialog->exec();
    p->inExec = false;
    QCoreApplication::instance()->removeEventFilter(&p->keys);
    m_open = false;
    p->buttons.clear();
    DestroyWindow();
    m_active = -1;
    return m_result;
}

void CPropertySheet::EndDialog(int result) {
    m_result = result;
    m_open = false;
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->removeEventFilter(&p->keys);
    auto* dialog = static_cast<QDialog*>(GetWidget());
    if (dialog == nullptr)
        return;
    if (p->inExec)
        dialog->done(result);
    else
        dialog->hide();
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
        OrderTabsByReading(GetWidget());
        FocusFirstControl(page->GetWidget());
        return true;
    }
    return false;
}

void CPropertySheet::GrowPageArea(int pageHeight) {
    auto* widget = static_cast<SheetWidget*>(GetWidget());
    const int grow = pageHeight - p->pageArea.Height();
    if (widget == nullptr || grow <= 0)
        return;
    // The pages grow, the separator and the button row move down.
    p->pageArea.bottom += grow;
    for (CPropertyPage* page : m_pages)
        if (page->HasWindow())
            page->MoveWindow(p->pageArea, false);
    widget->separatorY += grow;
    for (const auto& button : p->buttons) {
        const CRect place = button->GetRectInParent();
        button->MoveWindow(place.left, place.top + grow, place.Width(), place.Height());
    }
    widget->setFixedSize(widget->width(), widget->height() + grow);
    widget->update();
}

void CPropertySheet::FitButtonRow() {
    QWidget* widget = GetWidget();
    if (widget == nullptr || p->buttons.empty())
        return;
    int width = kButtonWidth;
    for (const auto& button : p->buttons)
        width = std::max(width,
                         button->GetTextExtent(button->GetWindowText()).cx + 2 * kButtonTextInset);
    // Four places fit in the row at most.
    width = std::min(width, (widget->width() - 2 * kMargin - 2 * kButtonGap) / 4);
    if (width == p->buttonWidth)
        return;
    // Each button keeps its place (Cancel may have taken Help's).
    const std::vector<int> before = ButtonPlaces(widget->width(), p->buttonWidth);
    const std::vector<int> after = ButtonPlaces(widget->width(), width);
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
    QWidget* widget = GetWidget();
    if (widget == nullptr)
        return;
    QMetaObject::invokeMethod(
        widget, [this, flags] { ApplyWizardButtons(flags); }, Qt::QueuedConnection);
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
    if (auto* button = qobject_cast<QPushButton*>((finishShown ? finish : next)->GetWidget()))
        button->setDefault(true);
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
