// Internals of the framework's Windows realisation shared by its .cpp files.
// It sees no Windows header: the calls go through ui/win32/WinCalls.h.
#pragma once

#include "ui/Font.h"
#include "ui/Toolkit.h"
#include "ui/Wnd.h"
#include "ui/win32/WinCalls.h"

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

struct CWndPrivate : CWndState {
    win::Handle hwnd = nullptr;
    // Running timers: our id to the loop's key.
    std::map<plat::UINT_PTR, std::uintptr_t> timers;
    // A window of ours that paints itself: what it draws (client coordinates).
    std::function<void(win::Painter&)> paint;
    // An owner-drawn button: what it draws.
    std::function<void(win::Painter&, const win::DrawItem&)> drawItem;
    // Messages the window answers itself before the framework's handling.
    std::function<bool(unsigned, std::uintptr_t, std::intptr_t, std::intptr_t&)> handler;
    // The background of a window of ours (frame, page) and of the system
    // controls' transparent parts on it; none: the default.
    bool hasBackground = false;
    COLORREF background = 0;
    // The window text is what the user typed (edit field, combo box).
    bool typedText = false;
    // Clicks pass through to what lies below.
    bool mouseTransparent = false;
    // A top-level window: the id Enter presses (0: none), and what the close
    // box and Escape do.
    int defaultId = 0;
    std::function<void()> close;

    static CWndPrivate& Of(const CWnd& wnd) { return *wnd.d; }
};

struct CFontPrivate {
    explicit CFontPrivate(const LOGFONT& description) : logFont(description) {}
    // The font's description (CFont keeps it).
    const LOGFONT& logFont;
    win::Handle font = nullptr;
    int lineHeight = 0;
    // The glyph cell's top below the line's top (a line taller than the cell
    // centres it).
    int cellOffset = 0;
    win::Handle Get();
    void Drop();
};

struct CImageListPrivate {
    win::Handle images = nullptr;
    CSize size;
    int count = 0;
    ~CImageListPrivate() { win::DestroyImageList(images); }
};

namespace uiimpl {

// The text to show for a text of the program or of a file (well-formed UTF-8
// as UTF-8, anything else as Windows-1252), as UTF-16 for the window calls;
// and back to UTF-8 for what a window hands back.
std::u16string Q(const std::string& s);
std::string S(std::u16string_view s);

CWnd* WndOf(win::Handle hwnd);
// Runs fn on the GUI thread after the events before it, but only while wnd
// still lives with the window it had when the task was posted: a task for a
// window closed or destroyed in between is dropped, never run on a dead
// object.
void PostForWindow(const CWnd& wnd, std::function<void()> fn);
inline win::Handle Hwnd(const CWnd* wnd) {
    return wnd == nullptr ? nullptr : CWndPrivate::Of(*wnd).hwnd;
}

win::Handle FontHandle(const CFont* font);
// The lines text is drawn in (ui/LineBreaks.h), in the font.
std::vector<std::u16string> TextLines(const CFont& font, const std::string& text, int wrapWidth);
void DrawTextLines(win::Painter& painter, const CFont* font, const std::string& text,
                   COLORREF color, int x, int y, int wrapWidth = 0);

// The picture of resources/images/icon_<id>.png or bitmap_<id>.png (0xAARRGGBB
// pixels); null when the program has none of that id.
struct Picture {
    int width = 0;
    int height = 0;
    const unsigned int* pixels = nullptr;
};
const Picture* ResourcePicture(bool icon, int id);

// The look shared by the controls.
constexpr COLORREF kFaceColor = RGB(0xF1, 0xF3, 0xF8);
constexpr COLORREF kPageColor = RGB(0xF7, 0xF8, 0xFB);
constexpr COLORREF kFrameColor = RGB(0xB5, 0xBF, 0xD0);
constexpr COLORREF kTextColor = RGB(0x1E, 0x26, 0x36);
constexpr COLORREF kButtonColor = RGB(0xF4, 0xF6, 0xFA);
constexpr COLORREF kDisabledTextColor = RGB(0xA0, 0xA4, 0xAE);
constexpr COLORREF kHighlightColor = RGB(0x3D, 0x6F, 0xC4);

// The message dispatcher of our windows (ui/win32/Dispatch.cpp).
std::intptr_t Dispatch(win::Handle hwnd, unsigned message, std::uintptr_t wParam,
                       std::intptr_t lParam, bool& handled);
// Key messages for the open sheets' PreTranslateMessage and the dialog keys.
bool FilterMessage(const win::LoopMessage& message);
// Runs the loop until running turns false (a modal dialog or sheet).
void RunModalLoop(const bool& running);

// Sheets that see the keys of our windows while open.
class CPropertySheetHook {
public:
    static void Open(class CPropertySheet* sheet);
    static void Close(class CPropertySheet* sheet);
};

// The ring around the control that has the keyboard focus (FocusRing.cpp):
// FollowFocus moves it where the focus is now; the parent of the focused
// control draws it on its background.
void FollowFocus();
void DrawFocusRing(CWnd& parent, win::Painter& painter);

} // namespace uiimpl
