// CSliderCtrl on the system's track bar: its WM_HSCROLL reaches the parent's
// OnHScroll (Dispatch.cpp) with the codes the track bar sends.
#include "ui/SliderCtrl.h"

#include "ui/win32/Native.h"

using namespace uiimpl;

bool CSliderCtrl::Create(CWnd* parent, int id) {
    if (parent == nullptr || !parent->HasWindow())
        return false;
    win::Handle hwnd =
        win::CreateSystem(win::System::TrackBar, u"",
                          win::style::kVisible | win::style::kTabStop | win::style::kTbsHorz, 0,
                          Hwnd(parent), id, 0, 0, 200, 30);
    if (hwnd == nullptr)
        return false;
    AttachHwnd(hwnd, parent, id);
    SetRange(0, 100);
    SetPageSize(20);
    SetLineSize(1);
    return true;
}

void CSliderCtrl::SetRangeMin(int minimum, bool redraw) {
    if (HasWindow())
        win::Send(Hwnd(this), win::msg::kTbmSetRangeMin, redraw ? 1 : 0, minimum);
}

void CSliderCtrl::SetRangeMax(int maximum, bool redraw) {
    if (HasWindow())
        win::Send(Hwnd(this), win::msg::kTbmSetRangeMax, redraw ? 1 : 0, maximum);
}

void CSliderCtrl::SetRange(int minimum, int maximum, bool redraw) {
    SetRangeMin(minimum, false);
    SetRangeMax(maximum, redraw);
}

int CSliderCtrl::GetRangeMin() const {
    return HasWindow() ? static_cast<int>(win::Send(Hwnd(this), win::msg::kTbmGetRangeMin)) : 0;
}

int CSliderCtrl::GetRangeMax() const {
    return HasWindow() ? static_cast<int>(win::Send(Hwnd(this), win::msg::kTbmGetRangeMax)) : 0;
}

void CSliderCtrl::SetPageSize(int size) {
    if (HasWindow())
        win::Send(Hwnd(this), win::msg::kTbmSetPageSize, 0, size);
}

int CSliderCtrl::GetPageSize() const {
    return HasWindow() ? static_cast<int>(win::Send(Hwnd(this), win::msg::kTbmGetPageSize)) : 0;
}

void CSliderCtrl::SetLineSize(int size) {
    if (HasWindow())
        win::Send(Hwnd(this), win::msg::kTbmSetLineSize, 0, size);
}

int CSliderCtrl::GetLineSize() const {
    return HasWindow() ? static_cast<int>(win::Send(Hwnd(this), win::msg::kTbmGetLineSize)) : 0;
}

void CSliderCtrl::SetPos(int pos) {
    if (HasWindow())
        win::Send(Hwnd(this), win::msg::kTbmSetPos, 1, pos);
}

int CSliderCtrl::GetPos() const {
    return HasWindow() ? static_cast<int>(win::Send(Hwnd(this), win::msg::kTbmGetPos)) : 0;
}
