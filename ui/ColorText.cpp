#include "ui/ColorText.h"

#include "ui/CheckBox.h"
#include "ui/Private.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <functional>

using namespace uiimpl;

namespace {

class ColorTextWidget : public QWidget {
public:
    explicit ColorTextWidget(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
    }

    // What a click on the text does; none: clicks pass through.
    void SetClick(std::function<void()> click) {
        m_click = std::move(click);
        setAttribute(Qt::WA_TransparentForMouseEvents, !m_click);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        event->setAccepted(m_click && event->button() == Qt::LeftButton);
    }
    // A press and a release on the text, as a button counts a click.
    void mouseReleaseEvent(QMouseEvent* event) override {
        const bool click = m_click && event->button() == Qt::LeftButton &&
                           rect().contains(event->position().toPoint());
        event->setAccepted(click);
        if (click)
            m_click();
    }

    void paintEvent(QPaintEvent*) override {
        const auto* wnd = static_cast<const CColorText*>(WndOf(this));
        if (wnd == nullptr)
            return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::TextAntialiasing);
        QColor color = Color(wnd->GetColor());
        if (!isEnabled())
            color = QColor(0xA0, 0xA4, 0xAE);
        DrawTextLines(painter, wnd->GetFont(), CWndPrivate::Of(*wnd).text, color, 0, 0,
                      wnd->GetWrapWidth());
    }

private:
    std::function<void()> m_click;
};

} // namespace

bool CColorText::Create(CWnd* parent, int id, const std::string& text) {
    if (parent == nullptr || parent->GetWidget() == nullptr)
        return false;
    auto* widget = new ColorTextWidget(parent->GetWidget());
    AttachWidget(widget, parent, id);
    SetWindowText(text);
    const CSize size = GetTextSize();
    widget->resize(size.cx, size.cy);
    widget->show();
    widget->raise();
    return true;
}

void CColorText::SetFontId(int fontId, int codePage) {
    m_fontId = fontId;
    SetFont(CFontRegistry::Get(fontId, codePage));
}

void CColorText::SetColor(COLORREF color) {
    m_color = color;
    Invalidate();
}

void CColorText::MoveWindow(int x, int y, int width, int height, bool repaint) {
    const CSize text = GetTextSize();
    CWnd::MoveWindow(x, y, std::max(width, text.cx), std::max(height, text.cy), repaint);
}

void CColorText::SetWrapWidth(int width) {
    m_wrapWidth = std::max(0, width);
    Invalidate();
}

void CColorText::SetLabelFor(CWnd& control) {
    TieLabel(*this, control);
}

void CColorText::SetClickFor(CCheckBox& box) {
    if (auto* widget = dynamic_cast<ColorTextWidget*>(GetWidget()))
        widget->SetClick([&box] {
            box.Click();
            box.SetFocus();
        });
}

void CColorText::SetLiveRegion(bool live) {
    CWndPrivate::Of(*this).liveRegion = live;
}

bool CColorText::IsLiveRegion() const {
    return CWndPrivate::Of(*this).liveRegion;
}

CSize CColorText::GetTextSize() const {
    return GetTextExtent(GetWindowText(), m_wrapWidth);
}

void CColorText::GetTextSize(int& width, int& height) const {
    const CSize size = GetTextSize();
    width = size.cx;
    height = size.cy;
}
