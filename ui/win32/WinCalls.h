// The Win32 calls the framework's Windows realisation makes, as plain
// functions: <windows.h> defines names our own headers use (IDOK, RGB, MSG,
// LOGFONT, ACCEL ...), so only the os_*.cpp files see it, and everything
// crosses here as fundamental types. A Handle is an HWND, HFONT, HDC,
// HIMAGELIST or HBITMAP; texts are UTF-16; colours are 0x00BBGGRR.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace win {

using Handle = void*;

// Messages, styles and codes with the values Windows gives them.
namespace msg {
constexpr unsigned kDestroy = 0x0002;
constexpr unsigned kSize = 0x0005;
constexpr unsigned kSetFocus = 0x0007;
constexpr unsigned kKillFocus = 0x0008;
constexpr unsigned kSetFont = 0x0030;
constexpr unsigned kPaint = 0x000F;
constexpr unsigned kClose = 0x0010;
constexpr unsigned kEraseBackground = 0x0014;
constexpr unsigned kNotify = 0x004E;
constexpr unsigned kNcHitTest = 0x0084;
constexpr unsigned kKeyDown = 0x0100;
constexpr unsigned kKeyUp = 0x0101;
constexpr unsigned kChar = 0x0102;
constexpr unsigned kSysKeyDown = 0x0104;
constexpr unsigned kSysKeyUp = 0x0105;
constexpr unsigned kCommand = 0x0111;
constexpr unsigned kTimer = 0x0113;
constexpr unsigned kHScroll = 0x0114;
constexpr unsigned kCtlColorEdit = 0x0133;
constexpr unsigned kCtlColorButton = 0x0135;
constexpr unsigned kCtlColorStatic = 0x0138;
constexpr unsigned kMouseMove = 0x0200;
constexpr unsigned kLButtonDown = 0x0201;
constexpr unsigned kLButtonUp = 0x0202;
constexpr unsigned kDrawItem = 0x002B;
constexpr unsigned kPrintClient = 0x0318;
constexpr unsigned kUser = 0x0400;
constexpr unsigned kApp = 0x8000;
constexpr unsigned kGetDefId = 0x0400; // DM_GETDEFID
// Buttons.
constexpr unsigned kBmGetCheck = 0x00F0;
constexpr unsigned kBmSetCheck = 0x00F1;
constexpr unsigned kBmSetStyle = 0x00F4;
constexpr unsigned kBmClick = 0x00F5;
// Combo boxes.
constexpr unsigned kCbAddString = 0x0143;
constexpr unsigned kCbGetCount = 0x0146;
constexpr unsigned kCbGetCurSel = 0x0147;
constexpr unsigned kCbGetLbText = 0x0148;
constexpr unsigned kCbGetLbTextLen = 0x0149;
constexpr unsigned kCbInsertString = 0x014A;
constexpr unsigned kCbResetContent = 0x014B;
constexpr unsigned kCbSetCurSel = 0x014E;
constexpr unsigned kCbGetItemData = 0x0150;
constexpr unsigned kCbSetItemData = 0x0151;
// Edit fields.
constexpr unsigned kEmSetReadOnly = 0x00CF;
// Track bars.
constexpr unsigned kTbmGetPos = 0x0400;
constexpr unsigned kTbmGetRangeMin = 0x0401;
constexpr unsigned kTbmGetRangeMax = 0x0402;
constexpr unsigned kTbmSetPos = 0x0405;
constexpr unsigned kTbmSetRangeMin = 0x0407;
constexpr unsigned kTbmSetRangeMax = 0x0408;
constexpr unsigned kTbmSetPageSize = 0x0415;
constexpr unsigned kTbmGetPageSize = 0x0416;
constexpr unsigned kTbmSetLineSize = 0x0417;
constexpr unsigned kTbmGetLineSize = 0x0418;
// List views.
constexpr unsigned kLvmGetItemCount = 0x1004;
constexpr unsigned kLvmDeleteItem = 0x1008;
constexpr unsigned kLvmDeleteAllItems = 0x1009;
constexpr unsigned kLvmSetBkColor = 0x1001;
constexpr unsigned kLvmSetImageList = 0x1003;
constexpr unsigned kLvmGetColumnWidth = 0x101D;
constexpr unsigned kLvmSetColumnWidth = 0x101E;
constexpr unsigned kLvmSetTextColor = 0x1024;
constexpr unsigned kLvmSetTextBkColor = 0x1026;
} // namespace msg

namespace style {
constexpr unsigned kChild = 0x40000000;
constexpr unsigned kVisible = 0x10000000;
constexpr unsigned kDisabled = 0x08000000;
constexpr unsigned kClipSiblings = 0x04000000;
constexpr unsigned kClipChildren = 0x02000000;
constexpr unsigned kCaption = 0x00C00000;
constexpr unsigned kBorder = 0x00800000;
constexpr unsigned kSysMenu = 0x00080000;
constexpr unsigned kMinimizeBox = 0x00020000;
constexpr unsigned kTabStop = 0x00010000;
constexpr unsigned kGroup = 0x00020000;
constexpr unsigned kPopup = 0x80000000;
constexpr unsigned kVScroll = 0x00200000;
constexpr unsigned kExControlParent = 0x00010000;
constexpr unsigned kExDlgModalFrame = 0x00000001;
constexpr unsigned kExTransparent = 0x00000020;
constexpr unsigned kExClientEdge = 0x00000200;
constexpr unsigned kExTopmost = 0x00000008;
// Buttons.
constexpr unsigned kBsPushButton = 0x0;
constexpr unsigned kBsDefPushButton = 0x1;
constexpr unsigned kBsAutoCheckBox = 0x3;
constexpr unsigned kBsGroupBox = 0x7;
constexpr unsigned kBsOwnerDraw = 0xB;
// Combo boxes, edits, track bars, list views.
constexpr unsigned kCbsDropDown = 0x2;
constexpr unsigned kCbsDropDownList = 0x3;
constexpr unsigned kCbsSort = 0x100;
constexpr unsigned kCbsAutoHScroll = 0x40;
constexpr unsigned kEsAutoHScroll = 0x80;
constexpr unsigned kTbsHorz = 0x0;
constexpr unsigned kTbsBoth = 0x8;
constexpr unsigned kTbsNoTicks = 0x10;
constexpr unsigned kLvsReport = 0x1;
constexpr unsigned kLvsSingleSel = 0x4;
constexpr unsigned kLvsNoSortHeader = 0x8000;
} // namespace style

constexpr intptr_t kHitTransparent = -1; // HTTRANSPARENT

// ---- start, classes, dispatch -------------------------------------------------
// Every message of a window of our classes comes here first; handled = true
// answers it with the result, else the system's default handling follows.
using Dispatcher = std::function<intptr_t(Handle hwnd, unsigned message, std::uintptr_t wParam,
                                          std::intptr_t lParam, bool& handled)>;
void Start(Dispatcher dispatcher);
void Stop();
bool Started();

// Our window classes.
enum class Class {
    Frame,   // a top-level window: dialog, sheet
    Pane,    // a page inside the sheet
    Painted, // a control that paints itself: text, meter, picture, frame
};
// The system's classes used.
enum class System { Button, Edit, ComboBox, TrackBar, ListView };

Handle CreateOwn(Class cls, const std::u16string& text, unsigned style, unsigned exStyle,
                 Handle parent, int id, int x, int y, int width, int height);
Handle CreateSystem(System cls, const std::u16string& text, unsigned style, unsigned exStyle,
                    Handle parent, int id, int x, int y, int width, int height);
void Destroy(Handle hwnd);
bool IsWindow(Handle hwnd);

// The framework's object kept with a window.
void SetOwner(Handle hwnd, void* owner);
void* GetOwner(Handle hwnd);

// ---- state and place ------------------------------------------------------------
void Show(Handle hwnd, bool show);
bool IsShown(Handle hwnd); // WS_VISIBLE of the window itself
// Tells assistive technology that the window's text is news to read out
// (a live region that changed: its name and the live region events).
void NotifyLiveRegion(Handle hwnd);
bool IsVisible(Handle hwnd); // shown up to its top-level window
void Enable(Handle hwnd, bool enable);
bool IsEnabled(Handle hwnd);
void Move(Handle hwnd, int x, int y, int width, int height, bool repaint);
// Client size of a top-level window: the frame grows around it.
void SetClientSize(Handle hwnd, int width, int height);
void CenterOver(Handle hwnd, Handle owner);
struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
};
Rect WindowRect(Handle hwnd); // screen coordinates
Rect ClientRect(Handle hwnd);
// The window's rectangle in its parent's client coordinates.
Rect RectInParent(Handle hwnd);
void ClientOrigin(Handle hwnd, int& x, int& y); // client (0,0) on the screen
void BringToTop(Handle hwnd);
Handle Root(Handle hwnd); // its top-level window
// Restores, raises and activates the top-level window (or the box or dialog
// that it owns and that is active over it).
void BringToFront(Handle hwnd);
// The same for the visible top-level frame of another process of this
// program (a second start's wizard); false when there is none.
bool BringOtherProgramToFront();
Handle Parent(Handle hwnd);
unsigned Style(Handle hwnd);
void SetStyle(Handle hwnd, unsigned style);

void SetText(Handle hwnd, const std::u16string& text);
std::u16string GetText(Handle hwnd);
void SetFont(Handle hwnd, Handle font, bool redraw);

void Invalidate(Handle hwnd, bool erase);
void InvalidateArea(Handle hwnd, const Rect& area, bool erase);
void Update(Handle hwnd);
void Redraw(Handle hwnd); // now, children included
void Focus(Handle hwnd);
Handle Focused();
Handle ActiveWindow(); // the thread's active top-level window, or null
void Activate(Handle hwnd);

std::intptr_t Send(Handle hwnd, unsigned message, std::uintptr_t wParam = 0,
                   std::intptr_t lParam = 0);
bool Post(Handle hwnd, unsigned message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);

// ---- the message loop ---------------------------------------------------------
// A message as the loop took it; the framework may eat it before it is
// dispatched (keys for the sheet's accelerators, dialog navigation).
struct LoopMessage {
    Handle hwnd = nullptr;
    unsigned message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
};
using MessageFilter = std::function<bool(const LoopMessage&)>;
void SetMessageFilter(MessageFilter filter);
// Handles the messages waiting, for at most maxMs; false when WM_QUIT came.
bool PumpMessages(unsigned maxMs);
// Waits for the next message (at most maxMs) and handles what came.
bool WaitAndPump(unsigned maxMs);
// Dialog navigation (Tab, Enter, Escape, arrows) for top-level window root.
bool DialogNavigation(Handle root, const LoopMessage& message);
// Whether Ctrl, Alt and Shift are down now.
void KeyModifiers(bool& ctrl, bool& alt, bool& shift);

// Runs fn on the GUI thread when its messages are next handled; any thread.
void PostTask(std::function<void()> fn);
// Timers: fn every ms milliseconds until KillTimer; answer the timer's key.
std::uintptr_t StartTimer(unsigned ms, std::function<void()> fn);
void StopTimer(std::uintptr_t key);
unsigned long TickCount();

// ---- fonts and painting ---------------------------------------------------------
Handle CreateFontHandle(int height, int weight, bool italic, bool underline, bool strikeOut,
                        const std::u16string& face);
void DeleteObject(Handle object);
bool FaceInstalled(const std::u16string& face);
std::u16string FontFace(Handle font);
struct TextMetrics {
    int height = 0, ascent = 0, descent = 0, internalLeading = 0;
};
TextMetrics FontMetrics(Handle font);
int TextWidth(Handle font, std::u16string_view text);

// A paint of one window between BeginPaint and EndPaint (or a memory DC).
class Painter {
public:
    explicit Painter(Handle hwnd);   // BeginPaint
    Painter(Handle hwnd, Handle dc); // drawing into a given DC (WM_PRINTCLIENT)
    ~Painter();
    Painter(const Painter&) = delete;
    Painter& operator=(const Painter&) = delete;
    Handle Dc() const { return m_dc; }
    void Fill(int x, int y, int width, int height, std::uint32_t color);
    void Frame(int x, int y, int width, int height, std::uint32_t color);
    void Line(int x1, int y1, int x2, int y2, std::uint32_t color);
    void Text(Handle font, std::uint32_t color, int x, int y, std::u16string_view text);
    // 0xAARRGGBB pixels, drawn blended at x, y scaled to width x height.
    void Pixels(const unsigned int* pixels, int pixelsWidth, int pixelsHeight, int x, int y,
                int width, int height);

private:
    Handle m_hwnd;
    Handle m_dc;
    void* m_paint;
};

// A brush of one colour, kept for the program's life (WM_CTLCOLOR* answers),
// with the device context's text drawn transparently in textColor.
Handle ColorBrush(std::uint32_t color);
void PrepareControlDc(Handle dc, std::uint32_t textColor);
// WM_DRAWITEM's record.
struct DrawItem {
    Handle hwnd = nullptr;
    Handle dc = nullptr;
    bool pressed = false;
    bool focused = false;
    bool disabled = false;
};
bool ReadDrawItem(std::intptr_t lParam, DrawItem& item);
// The window owning a top-level window (a dialog's sheet), or null.
Handle Owner(Handle hwnd);

// What the window shows now, its client area as 0x00BBGGRR pixels, row after
// row; false when it has no window.
bool Capture(Handle hwnd, std::vector<std::uint32_t>& pixels, int& width, int& height);

// ---- system controls' records ---------------------------------------------------
int ListInsertColumn(Handle list, int column, const std::u16string& heading, int format, int width);
int ListInsertItem(Handle list, int index, const std::u16string& text, int image);
bool ListSetItemText(Handle list, int item, int subItem, const std::u16string& text);
std::u16string ListGetItemText(Handle list, int item, int subItem);
int ListGetItemImage(Handle list, int item);
void ListSetExtendedStyle(Handle list, unsigned style);
// Image list of equally wide images from 0xAARRGGBB pixels.
Handle CreateImageList(const unsigned int* pixels, int width, int height, int imageWidth);
void DestroyImageList(Handle images);

// Tool-tips: one window holding the tools; a tool is a window and its text.
Handle CreateToolTip(Handle owner);
void SetToolTipText(Handle tip, Handle tool, const std::u16string& text);
void SetToolTipActive(Handle tip, bool active);

// The system's message box; `captions` rename its buttons (id, caption), which
// are widened, with the box, to fit them.
int ShowMessageBox(Handle owner, const std::u16string& text, const std::u16string& caption,
                   unsigned type, const std::vector<std::pair<int, std::u16string>>& captions);

} // namespace win
