// What the toolkit-free files of ui/ (FontRegistry.cpp, WindowTree.cpp,
// SheetLayout.cpp, ...) need from the realisation they are compiled into: a
// few small functions each realisation provides (ui/*.cpp with Qt,
// ui/win32/*.cpp with Win32), and the state both keep of every window. No
// toolkit header here: the shared files see only this and the public headers.
#pragma once

#include "ui/Font.h"
#include "ui/MessageBoxButtons.h"
#include "ui/WinDefs.h"
#include "ui/Wnd.h"

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

class CDialog;
class CLevelMeter;

// What the framework keeps of a window whatever draws it; each realisation's
// CWndPrivate adds its toolkit's handle to it.
struct CWndState {
    CWnd* self = nullptr;
    CWnd* parent = nullptr;
    int id = 0;
    // The windows with an id made inside this one, in the order they were made.
    std::vector<CWnd*> children;
    const CFont* font = nullptr;
    std::string text;
    std::map<std::pair<int, int>, std::function<void()>> commands;
    // What a screen reader says of the window: a name and a description the
    // program gave it ("": none).
    std::string accName;
    std::string accDescription;
    // A text whose changes are told to a screen reader as they happen.
    bool liveRegion = false;
};

namespace uiimpl {

// ---- provided by each realisation -------------------------------------------

// The window's state (its CWndPrivate).
CWndState& StateOf(const CWnd& wnd);
// Whether the window itself is set to show, whatever its parents are.
bool IsShown(const CWnd& wnd);
// Gives a top-level window (dialog, sheet) a client area width x height.
void SetFrameSize(CWnd& wnd, int width, int height);

// Drops the toolkit's tool-tip windows; stops the toolkit a session started
// (after the shared end of the session, AppSession.cpp).
void ReleaseToolTips();
void StopToolkit();

// Makes button the one Enter presses in window.
void SetDefaultButton(CWnd& window, CWnd& button);
// Puts the window above its siblings.
void BringToTop(CWnd& wnd);

// The toolkit's font built from a font's description goes; it is built
// anew when next used.
void DropBuiltFont(const CFont& font);
// Whether the system has a face of that name (UTF-8 or Windows-1252).
bool FaceInstalled(const std::string& face);

// t of the way from colour a to b in hue (the shorter way round),
// saturation and value.
COLORREF HueBlend(COLORREF a, COLORREF b, double t);
// A screen reader that listens hears the level the meter now shows.
void NotifyLevelShown(CLevelMeter& meter, int shown);

// Shows the message box (no test handler answered it): the buttons of type
// with their captions (none given: the toolkit's own).
int ShowMessageBox(CWnd& owner, const std::string& text, const std::string& caption,
                   plat::UINT type, const std::vector<BoxButton>& buttons, bool captionsGiven);

// ---- shared (FontRegistry.cpp, WindowTree.cpp, LevelMeterState.cpp ...) -----

// The level meter's look, as both realisations draw it: the marks of the
// target zone reach kMeterMarkLength into the bar from its top and its
// bottom edge, so the middle of the bar shows the tip's colour.
constexpr int kMeterMarkLength = 4;
constexpr COLORREF kMeterMarkColor = RGB(80, 80, 80);
constexpr COLORREF kMeterTickColor = RGB(40, 40, 40);
constexpr COLORREF kMeterClipColor = RGB(200, 0, 0);

// The level meter's gradient along the whole bar (0..1), its colours blended
// in hue between the meter's left and right colours (LevelMeterState.cpp).
struct GradientStop {
    double at;
    COLORREF color;
};
std::vector<GradientStop> GradientStops(const CLevelMeter& meter);

// The face a font of `face` is drawn in: a substitute set by the program
// where installed, the face itself, the metric-compatible stand-in of a
// Windows core font, else Liberation Sans (else the face as asked).
std::string ResolveFace(const std::string& face);
// The dialog font used where no registry font is set.
const CFont& DefaultFont();
// Line height and text extent of a (possibly multi-line) text, wrapped
// within wrapWidth when it is above 0 (CFont::GetTextExtent).
CSize TextExtent(const CFont* font, const std::string& text, int wrapWidth = 0);
// Drops every toolkit font (the registry's and the default one).
void ReleaseFonts();
// Called with every dialog that enters DoModal, once it is shown
// (CDialog::SetModalHook).
std::function<void(CDialog&)>& ModalHook();
// Notifies a window's parent of a command from the window.
void SendCommand(CWnd* from, int code);

} // namespace uiimpl
