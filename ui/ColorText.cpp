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
