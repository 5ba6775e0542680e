// Driving windows from tests as the user would: clicks, keys, track-bar moves
// go through the toolkit's event delivery, so the notifications the pages get
// are those of real use.
#pragma once

#include "ui/WinDefs.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class CWnd;
class CSliderCtrl;
#ifndef _WIN32
class QWidget;
#endif

namespace uitest {

// Runs pending events (posted calls, timers, paints) for up to ms milliseconds.
void ProcessEvents(int ms = 0);
// Runs the event loop as the program does, waiting for events without
// polling, for ms milliseconds.
void RunEventLoop(int ms);

// A mouse click in the middle of the window.
void Click(CWnd& wnd);
// A key press and release sent to the window (focus or not); vk is a
// virtual key code ('T', VK_ESCAPE ...).
void PressKey(CWnd& wnd, plat::UINT vk, bool ctrl = false, bool alt = false, bool shift = false);
// A key as the keyboard sends it: to the widget that has the keyboard focus
// (none: on Windows the active window, as the system hands keys on; elsewhere
// nothing happens). An unhandled key goes on to the widget's parents,
// so Enter on a check box reaches the dialog's default button. A modal
// dialog the key opens runs inside the call.
void PressFocusedKey(plat::UINT vk, bool ctrl = false, bool alt = false, bool shift = false);
// The window that has the keyboard focus (a combo box while its edit field
// has it), or null.
CWnd* FocusedWindow();
#ifndef _WIN32
// The framework window a toolkit widget belongs to, or null: for tests that
// look at the toolkit's side directly (what a screen reader reads).
CWnd* WindowOfWidget(const QWidget* widget);
#endif
// Closes the window's top-level window through its close box.
void CloseWindow(CWnd& wnd);

// Drags the thumb to pos (TB_THUMBTRACK ... TB_THUMBPOSITION, TB_ENDTRACK).
void DragSlider(CSliderCtrl& slider, int pos);
// A click on the channel beyond (up = false) or before the thumb: TB_PAGEDOWN
// or TB_PAGEUP, then TB_ENDTRACK.
void PageSlider(CSliderCtrl& slider, bool up);

// The text the window shows, as the user reads it (UTF-8): the title of a
// top-level window, the text of a button, edit field or combo box, else the
// text a label draws.
std::string ShownText(const CWnd& wnd);

// The colour of one pixel of the window as it draws itself now (client
// coordinates); 0xFFFFFFFF outside it or when it does not exist.
COLORREF PixelAt(const CWnd& wnd, int x, int y);

// All pixels of the window as it draws itself now, its children included, in
// client coordinates, row after row; none when it does not exist.
struct WindowPixels {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;
    // 0xFFFFFFFF outside the window.
    COLORREF At(int x, int y) const {
        return x < 0 || y < 0 || x >= width || y >= height
                   ? 0xFFFFFFFF
                   : pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                            static_cast<std::size_t>(x)];
    }
};
WindowPixels CapturePixels(const CWnd& wnd);

// Counts the paints the window gets from the toolkit while it lives.
class PaintCounter {
public:
    explicit PaintCounter(const CWnd& wnd);
    ~PaintCounter();
    PaintCounter(const PaintCounter&) = delete;
    PaintCounter& operator=(const PaintCounter&) = delete;
    int Count() const;

private:
    struct Filter;
    std::unique_ptr<Filter> m_filter;
};

// Answers message boxes instead of showing them: the handler gets text,
// caption and type and returns the button id. nullptr restores real boxes.
using MessageBoxHandler =
    std::function<int(const std::string& text, const std::string& caption, plat::UINT type)>;
void SetMessageBoxHandler(MessageBoxHandler handler);
// Inside the handler: the captions of the box's buttons in order ("Yes",
// "No", "Cancel" for MB_YESNOCANCEL, or the captions the box was given), and
// the id of the button with that caption (0: the box has none), so a test
// presses a button by what it says.
std::vector<std::string> MessageBoxButtonTexts();
int MessageBoxButtonId(const std::string& text);

} // namespace uitest
