// Internals of the framework shared by its .cpp files; the only ui header
// that includes Qt. Pages never include it.
#pragma once

#include "ui/Font.h"
#include "ui/Toolkit.h"
#include "ui/Wnd.h"

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct CWndPrivate : CWndState {
    QPointer<QWidget> widget;
    std::map<plat::UINT_PTR, std::unique_ptr<QTimer>> timers;
    // The text controls that label the window, and the windows this text
    // control labels (ui/Accessible.cpp).
    std::vector<CWnd*> labels;
    std::vector<CWnd*> labelled;

    static CWndPrivate& Of(const CWnd& wnd) { return *wnd.d; }
};

struct CFontPrivate {
    explicit CFontPrivate(const LOGFONT& description) : logFont(description) {}
    // The font's description (CFont keeps it).
    const LOGFONT& logFont;
    bool built = false;
    QFont font;
    int lineHeight = 0;
    const QFont& Get();
    void Drop() {
        built = false;
        font = QFont();
    }
};

struct CImageListPrivate {
    std::vector<QImage> images;
    CSize size;
};

namespace uiimpl {

// The text to show for a text of the program or of a file: the domain keeps
// a file's text as the file's bytes, so well-formed UTF-8 is shown as UTF-8
// and anything else as Windows-1252 (the learning product's code page). Every
// text the framework shows passes here; what it hands back (typed text) is
// UTF-8.
QString Q(const std::string& s);
inline std::string S(const QString& s) {
    return s.toStdString();
}
inline QColor Color(COLORREF c) {
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

// The CWnd a framework widget belongs to (null for other widgets).
CWnd* WndOf(const QWidget* widget);
void SetWndOf(QWidget* widget, CWnd* wnd);

// The Qt font of a registry font, or of the default font for null.
const QFont& QtFont(const CFont* font);
// Draws text line by line at the metrics TextExtent measures.
void DrawTextLines(class QPainter& painter, const CFont* font, const std::string& text,
                   const QColor& color, int x, int y, int wrapWidth = 0);
// The lines text is drawn in: its line feeds and, within wrapWidth above 0,
// its breaks (ui/TextLines.cpp).
std::vector<QString> TextLines(const CFont& font, const std::string& text, int wrapWidth);
// The width a line of TextLines takes.
int LineWidth(const CFont& font, const QString& line, int wrapWidth);

// The picture of resources/images/icon_<id>.png or bitmap_<id>.png; null
// when the program has none of that id.
QPixmap ResourcePixmap(bool icon, int id);
// The same picture as an image; null when the program has none of that id.
QImage ResourceImage(bool icon, int id);

// The program's icon (every window's): "pelmora" of the desktop's icon theme
// when the theme has it, else the embedded sizes 16 to 256.
QIcon ProgramIcon();
// The name of the program's desktop entry, which the desktop finds the
// running program's name and icon by.
inline constexpr const char* kDesktopEntryName = "org.pelmora.pelmora";

// Accessibility (ui/Accessible.cpp). The name and description a window's
// widget reports now; RefreshAccessible applies them to the widget (and to
// the windows a text control labels) after anything they follow changed.
std::string AccessibleNameOf(const CWnd& wnd);
std::string AccessibleDescriptionOf(const CWnd& wnd);
void RefreshAccessible(CWnd& wnd);
// A live text that was just shown tells a screen reader what it says.
void AnnounceLiveText(CWnd& wnd);
// Label names control (once); UntieLabels parts a window from its labels
// and from the windows it labels (it goes).
void TieLabel(CWnd& label, CWnd& control);
void UntieLabels(CWnd& wnd);
// The interfaces of our own painted widgets, once per toolkit session.
void InstallAccessibility();

// Keyboard use (ui/FocusRing.cpp, ui/TabOrder.cpp): a ring around whichever
// control has the focus; Tab in reading order through a window's controls,
// top to bottom and left to right along a row; the focus on a container's
// first control that is shown and enabled.
void InstallFocusRing();
void OrderTabsByReading(QWidget* window);
void FocusFirstControl(QWidget* container);

// The program's icon, looked up in the icon theme, takes a few milliseconds:
// the sheet's window gets it once it has first been painted, a message box or
// dialog before it opens. Sets it on every window, once.
void SetProgramIcon();

// The sheet's window has been painted: the program's icon follows.
void NoteSheetPainted();

// Called when the toolkit shuts down: drop the Qt objects held in statics.
void ReleaseImages();

// Virtual key code of a toolkit key, 0 for keys without one; and back,
// Qt::Key_unknown for codes without a key.
plat::UINT VirtualKey(int key);
Qt::Key ToolkitKey(plat::UINT vk);

// The look shared by the controls.
QColor FaceColor();
QColor PageColor();
QColor FrameColor();

} // namespace uiimpl
