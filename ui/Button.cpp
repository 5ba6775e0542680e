#include "ui/Button.h"

#include "ui/Private.h"

#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

using namespace uiimpl;

namespace {

class ButtonWidget : public QPushButton {
public:
    ButtonWidget(QWidget* parent, const CButton& owner) : QPushButton(parent), m_owner(owner) {
        setAttribute(Qt::WA_Hover);
        setAutoDefault(false);
        setCursor(Qt::PointingHandCursor);
    }

    QPixmap image;
    QSize imageSize;

protected:
    const CButton& m_owner;

    // Enter presses the focused button, as Space does; the dialog's default
    // button answers Enter only where the focus is on something else.
    void keyPressEvent(QKeyEvent* event) override {
        const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
        if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            if (!event->isAutoRepeat())
                click();
            event->accept();
            return;
        }
        QPushButton::keyPressEvent(event);
    }

    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const bool enabled = isEnabled();
        const bool down = isDown();
        const bool hover = enabled && underMouse();
        const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        QPainterPath path;
        path.addRoundedRect(box, 5, 5);

        QLinearGradient face(box.topLeft(), box.bottomLeft());
        if (!enabled) {
            face.setColorAt(0, QColor(0xF4, 0xF5, 0xF7));
            face.setColorAt(1, QColor(0xE9, 0xEB, 0xEF));
        } else if (down) {
            face.setColorAt(0, QColor(0xD3, 0xDD, 0xEE));
            face.setColorAt(1, QColor(0xE4, 0xEA, 0xF4));
        } else if (hover) {
            face.setColorAt(0, QColor(0xFF, 0xFF, 0xFF));
            face.setColorAt(1, QColor(0xE1, 0xEB, 0xFA));
        } else {
            face.setColorAt(0, QColor(0xFF, 0xFF, 0xFF));
            face.setColorAt(1, QColor(0xE6, 0xEA, 0xF1));
        }
        painter.fillPath(path, face);
        QColor border = !enabled                               ? QColor(0xCC, 0xD1, 0xDA)
                        : (hover || hasFocus() || isDefault()) ? QColor(0x4A, 0x7C, 0xC9)
                                                               : QColor(0x98, 0xA5, 0xB9);
        painter.setPen(QPen(border, 1));
        painter.drawPath(path);

        const int shift = down ? 1 : 0;
        // A symbol keeps to the left end, its caption beside it.
        const bool beside = m_owner.GetSymbolRoom() > 0;
        if (!image.isNull()) {
            const QSize size = imageSize.isValid() ? imageSize : image.size();
            const QRect target(QPoint((beside ? 0 : (width() - size.width()) / 2) + shift,
                                      (height() - size.height()) / 2 + shift),
                               size);
            painter.setOpacity(enabled ? 1.0 : 0.35);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawPixmap(target, image);
            painter.setOpacity(1.0);
        }
        if (text().isEmpty())
            return;
        const QColor color = enabled ? QColor(0x1E, 0x26, 0x36) : QColor(0xA0, 0xA6, 0xB2);
        if (beside) {
            // Wrapped within the room right of the symbol.
            const std::string caption = m_owner.GetWindowText();
            const int room = m_owner.CaptionRoom(width());
            const CRect place =
                m_owner.CaptionRect(CSize{width(), height()}, m_owner.GetTextExtent(caption, room));
            DrawTextLines(painter, m_owner.GetFont(), caption, color, place.left + shift,
                          place.top + shift, room);
            return;
        }
        painter.setFont(font());
        painter.setPen(color);
        painter.drawText(rect().translated(shift, shift), Qt::AlignCenter, text());
    }
};

} // namespace

bool CButton::Create(CWnd* parent, int id, const std::string& text) {
    if (parent == nullptr || parent->GetWidget() == nullptr)
        return false;
    auto* widget = new ButtonWidget(parent->GetWidget(), *this);
    AttachWidget(widget, parent, id);
    SetWindowText(text);
    QObject::connect(widget, &QPushButton::clicked, [this] { SendCommand(this, BN_CLICKED); });
    widget->resize(75, 23);
    widget->show();
    if (m_imageId != 0)
        ApplyImage(m_imageIsIcon, m_imageId, m_imageSize.cx, m_imageSize.cy);
    return true;
}

void CButton::ShowImage() {
    auto* widget = dynamic_cast<ButtonWidget*>(GetWidget());
    if (widget == nullptr)
        return;
    widget->image = m_imageId == 0 ? QPixmap() : ResourcePixmap(m_imageIsIcon, m_imageId);
    widget->imageSize = (m_imageSize.cx > 0 && m_imageSize.cy > 0)
                            ? QSize(m_imageSize.cx, m_imageSize.cy)
                            : QSize();
    widget->update();
}

void CButton::SetTooltipText(const std::string& text, int fontId, int codePage) {
    m_tooltipCodePage = codePage;
    m_tooltip = text;
    m_tooltipFontId = fontId;
    RefreshAccessible(*this);
}
