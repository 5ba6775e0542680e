// The vocabulary of the wizard framework: colour values, rectangles, message
// and control constants with the values and names the page code is written
// against. Nothing here depends on the toolkit that draws the windows.
#pragma once

#include "platform/types.h"

#include <cstdint>

// A colour as 0x00BBGGRR.
using COLORREF = plat::DWORD;

constexpr COLORREF RGB(int r, int g, int b) {
    return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int GetRValue(COLORREF c) {
    return static_cast<int>(c & 0xFF);
}
constexpr int GetGValue(COLORREF c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int GetBValue(COLORREF c) {
    return static_cast<int>((c >> 16) & 0xFF);
}

struct CSize {
    int cx = 0;
    int cy = 0;
    bool operator==(const CSize&) const = default;
};

struct CPoint {
    int x = 0;
    int y = 0;
    bool operator==(const CPoint&) const = default;
};

// Left, top, right and bottom edges; right and bottom lie outside the area.
struct CRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const CRect&) const = default;
};

// ---- show commands ----------------------------------------------------------
constexpr int SW_HIDE = 0;
constexpr int SW_SHOW = 5;

// ---- GetWindow ----------------------------------------------------------------
constexpr int GW_HWNDNEXT = 2;
constexpr int GW_CHILD = 5;

// ---- dialog and wizard ids --------------------------------------------------
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;
constexpr int IDHELP = 9;
constexpr int ID_WIZBACK = 12323;
constexpr int ID_WIZNEXT = 12324;
constexpr int ID_WIZFINISH = 12325;

// Wizard button flags of SetWizardButtons.
constexpr plat::DWORD PSWIZB_BACK = 0x1;
constexpr plat::DWORD PSWIZB_NEXT = 0x2;
constexpr plat::DWORD PSWIZB_FINISH = 0x4;
constexpr plat::DWORD PSWIZB_DISABLEDFINISH = 0x8;

// ---- notifications ----------------------------------------------------------
constexpr int BN_CLICKED = 0;

// Check state of a check box.
constexpr int BST_UNCHECKED = 0;
constexpr int BST_CHECKED = 1;

// Track-bar scroll codes passed to OnHScroll.
constexpr plat::UINT TB_LINEUP = 0;
constexpr plat::UINT TB_LINEDOWN = 1;
constexpr plat::UINT TB_PAGEUP = 2;
constexpr plat::UINT TB_PAGEDOWN = 3;
constexpr plat::UINT TB_THUMBPOSITION = 4;
constexpr plat::UINT TB_THUMBTRACK = 5;
constexpr plat::UINT TB_TOP = 6;
constexpr plat::UINT TB_BOTTOM = 7;
constexpr plat::UINT TB_ENDTRACK = 8;
// The same codes under their scroll-bar names.
constexpr plat::UINT SB_PAGELEFT = 2;
constexpr plat::UINT SB_PAGERIGHT = 3;
constexpr plat::UINT SB_THUMBTRACK = 5;
constexpr plat::UINT SB_ENDSCROLL = 8;

// ---- message boxes ----------------------------------------------------------
constexpr plat::UINT MB_OK = 0x00;
constexpr plat::UINT MB_OKCANCEL = 0x01;
constexpr plat::UINT MB_YESNOCANCEL = 0x03;
constexpr plat::UINT MB_YESNO = 0x04;
constexpr plat::UINT MB_ICONHAND = 0x10;
constexpr plat::UINT MB_ICONSTOP = 0x10;
constexpr plat::UINT MB_ICONERROR = 0x10;
constexpr plat::UINT MB_ICONQUESTION = 0x20;
constexpr plat::UINT MB_ICONEXCLAMATION = 0x30;
constexpr plat::UINT MB_ICONWARNING = 0x30;
constexpr plat::UINT MB_ICONASTERISK = 0x40;
constexpr plat::UINT MB_ICONINFORMATION = 0x40;

// ---- list view --------------------------------------------------------------
constexpr int LVCFMT_LEFT = 0;
constexpr int LVCFMT_RIGHT = 1;
constexpr int LVCFMT_CENTER = 2;
constexpr int LVSIL_NORMAL = 0;
constexpr int LVSIL_SMALL = 1;

// ---- combo box --------------------------------------------------------------
constexpr int CB_ERR = -1;
// The user chose another entry of a combo box's list.
constexpr int CBN_SELCHANGE = 1;

// ---- keyboard messages (PreTranslateMessage) --------------------------------
constexpr plat::UINT WM_KEYFIRST = 0x100;
constexpr plat::UINT WM_KEYDOWN = 0x100;
constexpr plat::UINT WM_KEYUP = 0x101;
constexpr plat::UINT WM_CHAR = 0x102;
constexpr plat::UINT WM_SYSKEYDOWN = 0x104;
constexpr plat::UINT WM_SYSKEYUP = 0x105;
constexpr plat::UINT WM_KEYLAST = 0x108;
constexpr plat::UINT WM_COMMAND = 0x111;

// Virtual key codes: letters and digits are their upper-case ASCII codes.
constexpr plat::UINT VK_BACK = 0x08;
constexpr plat::UINT VK_TAB = 0x09;
constexpr plat::UINT VK_RETURN = 0x0D;
constexpr plat::UINT VK_SHIFT = 0x10;
constexpr plat::UINT VK_CONTROL = 0x11;
constexpr plat::UINT VK_MENU = 0x12;
constexpr plat::UINT VK_ESCAPE = 0x1B;
constexpr plat::UINT VK_SPACE = 0x20;
constexpr plat::UINT VK_LEFT = 0x25;
constexpr plat::UINT VK_UP = 0x26;
constexpr plat::UINT VK_RIGHT = 0x27;
constexpr plat::UINT VK_DOWN = 0x28;
constexpr plat::UINT VK_F1 = 0x70;

class CWnd;

// A keyboard message as PreTranslateMessage sees it. The modifier flags carry
// the state of Ctrl, Alt and Shift when the key went down (what GetKeyState
// would tell on Windows).
struct MSG {
    CWnd* hwnd = nullptr;
    plat::UINT message = 0;
    std::uintptr_t wParam = 0; // virtual key code for key messages
    std::intptr_t lParam = 0;
    bool ctrl = false;
    bool alt = false;
    bool shift = false;
};
