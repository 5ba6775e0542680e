// CWnd: the base of every window of the wizard framework, controls as well as
// pages, dialogs and the sheet. A window carries its numeric control id and is
// found by it through its parent (GetDlgItem). Every operation on a window
// that has not been created yet, or that was destroyed with its parent, does
// nothing and answers with an empty value, as a call on a null handle would.
#pragma once

#include "ui/WinDefs.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

#ifndef _WIN32
class QWidget;
#endif
class CFont;
class CSliderCtrl;
struct CWndPrivate;

class CWnd {
public:
    CWnd();
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // True while the window exists.
    bool HasWindow() const;

    int GetDlgCtrlID() const;
    CWnd* GetParent() const;

    // The child window with this control id, or null.
    CWnd* GetDlgItem(int id) const;
    template <class T> T* GetDlgItemAs(int id) const { return dynamic_cast<T*>(GetDlgItem(id)); }
    // GW_CHILD: the first child window; GW_HWNDNEXT: the next sibling (in the
    // order they were created); null when there is none.
    CWnd* GetWindow(int cmd) const;

    // ---- state and place ---------------------------------------------------
    // SW_SHOW or SW_HIDE; answers whether the window was visible before.
    bool ShowWindow(int cmd);
    void EnableWindow(bool enable = true);
    bool IsWindowEnabled() const;
    // Shown itself and every parent up to the top-level window shown.
    bool IsWindowVisible() const;
    virtual void MoveWindow(int x, int y, int width, int height, bool repaint = true);
    void MoveWindow(const CRect& rect, bool repaint = true);
    // Screen coordinates, as on Windows; ScreenToClient of the parent turns
    // them into the parent's client coordinates.
    void GetWindowRect(CRect& rect) const;
    void GetClientRect(CRect& rect) const;
    void ScreenToClient(CRect& rect) const;
    // The window's rectangle in its parent's client coordinates.
    CRect GetRectInParent() const;

    // ---- text and font -----------------------------------------------------
    void SetWindowText(const std::string& text);
    std::string GetWindowText() const;
    // A font of the font registry (CFontRegistry::Get); null = the default
    // dialog font.
    void SetFont(const CFont* font, bool redraw = true);
    const CFont* GetFont() const;
    // Pixel size of a text drawn in the window's current font; line feeds
    // start new lines.
    CSize GetTextExtent(const std::string& text) const;
    // The same wrapped within wrapWidth pixels (DrawText with DT_WORDBREAK |
    // DT_CALCRECT, CFont::GetTextExtent).
    CSize GetTextExtent(const std::string& text, int wrapWidth) const;

    // ---- painting ----------------------------------------------------------
    void Invalidate(bool erase = true);
    void UpdateWindow();
    // Invalidate, erase and repaint at once.
    void RedrawWindow();
    void SetFocus();

    // ---- what a screen reader says ------------------------------------------
    // A control is named after its own caption (buttons, check boxes), else
    // after the text controls that label it (CColorText::SetLabelFor: the
    // one shown, as a static before its control labels it in a dialog), else
    // after its tool-tip (buttons); a button's tool-tip is its description
    // unless it gave the name. A name reads as one line (a text broken to
    // fit is joined again), without the blanks around it and the colon
    // ending it. A name or description given here wins; "" gives the rule
    // back.
    void SetAccessibleName(const std::string& name);
    void SetAccessibleDescription(const std::string& description);
    // The name and description in force (UTF-8).
    std::string GetAccessibleName() const;
    std::string GetAccessibleDescription() const;

    // ---- timers: OnTimer(id) every ms milliseconds until KillTimer -----------
    // Setting an id that runs already restarts it with the new period.
    bool SetTimer(plat::UINT_PTR id, plat::UINT ms);
    bool KillTimer(plat::UINT_PTR id);

    // A modal message box over this window's top-level window. type: MB_OK,
    // MB_OKCANCEL, MB_YESNO ... plus an icon flag (MB_ICONEXCLAMATION 0x30 ...).
    // Returns IDOK, IDCANCEL, IDYES or IDNO.
    int MessageBox(const std::string& text, const std::string& caption = "",
                   plat::UINT type = MB_OK);
    // The same with buttons that say what they do: `buttons` are the captions
    // of type's buttons in order (Yes, No, Cancel for MB_YESNOCANCEL); the
    // answer is the pressed button's id as above.
    int MessageBox(const std::string& text, const std::string& caption, plat::UINT type,
                   const std::vector<std::string>& buttons);

    // ---- notifications from the children -----------------------------------
    // A command from control id (BN_CLICKED from buttons and check boxes,
    // accelerator commands with code 0). The default runs the handler bound
    // with BindCommand and answers whether there was one.
    virtual bool OnCommand(int id, int code);
    void BindCommand(int id, std::function<void()> handler, int code = BN_CLICKED);
    virtual void OnTimer(plat::UINT_PTR id);
    // Track-bar notifications (TB_* codes); pos is meaningful for
    // TB_THUMBTRACK and TB_THUMBPOSITION.
    virtual void OnHScroll(plat::UINT code, plat::UINT pos, CSliderCtrl* slider);

    // ---- for the framework itself --------------------------------------------
#ifdef _WIN32
    // The window's handle (an HWND), null without a window.
    void* GetSafeHwnd() const;
#else
    QWidget* GetWidget() const;
#endif

protected:
#ifdef _WIN32
    // Takes ownership of the window hwnd (a child of parent's window, or a
    // top-level window when parent is null) and files it under id in parent.
    void AttachHwnd(void* hwnd, CWnd* parent, int id);
#else
    // Takes ownership of widget (a child of parent's widget, or a top-level
    // window when parent is null) and files the window under id in parent.
    void AttachWidget(QWidget* widget, CWnd* parent, int id);
#endif
    // Destroys the window now (and the windows of its children).
    void DestroyWindow();

private:
    friend struct CWndPrivate;
    std::unique_ptr<CWndPrivate> d;
};
