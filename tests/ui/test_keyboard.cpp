// The framework from the keyboard: the track bar's keys, and the ring that
// shows which control has the focus. (Enter, Space and Tab through the pages:
// tests/pages/test_keyboard_walk.cpp.)
#include "tests/support/GuiSessionTest.h"
#include "ui/Button.h"
#include "ui/CheckBox.h"
#include "ui/ComboBox.h"
#include "ui/Dialog.h"
#include "ui/Edit.h"
#include "ui/ListCtrl.h"
#include "ui/SliderCtrl.h"
#include "ui/Testing.h"
#include "ui/WinApp.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

// One control of each kind that takes the focus, apart from each other; the
// track bar runs 0..10000 by 200 a line and 1000 a page.
class Focusable : public CDialog {
public:
    Focusable() : CDialog(302) { SetTemplate("Focus", 420, 330, false); }
    void CreateControls() override {
        icon.Create(this, 1);
        check.Create(this, 2);
        slider.Create(this, 3);
        combo.Create(this, 4);
        list.Create(this, 5);
        edit.Create(this, 6);
    }
    bool OnInitDialog() override {
        icon.SetIcon(184, 27, 20);
        icon.MoveWindow(20, 20, 40, 26);
        check.MoveWindow(100, 25, 15, 15);
        slider.MoveWindow(160, 20, 200, 30);
        combo.MoveWindow(20, 80, 200, 80);
        list.MoveWindow(20, 130, 300, 100);
        edit.MoveWindow(20, 270, 200, 23);
        slider.SetRange(0, 10000);
        slider.SetPageSize(1000);
        slider.SetLineSize(200);
        slider.SetPos(5000);
        return true;
    }
    void OnHScroll(plat::UINT code, plat::UINT, CSliderCtrl*) override { codes.push_back(code); }
    CButton icon;
    CCheckBox check;
    CSliderCtrl slider;
    CComboBox combo;
    CListCtrl list;
    CEdit edit;
    std::vector<plat::UINT> codes;
};

class KeyboardTest : public GuiSessionTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(dialog.CreateIndirect());
        dialog.ShowWindow(SW_SHOW);
        uitest::ProcessEvents();
    }
    void TearDown() override { dialog.EndDialog(IDOK); }
    Focusable dialog;
};

TEST_F(KeyboardTest, KeysMoveATrackBarByItsLineAndPageSizesAndToItsEnds) {
    CSliderCtrl& slider = dialog.slider;
    std::vector<plat::UINT>& codes = dialog.codes;
    slider.SetFocus();
    uitest::ProcessEvents();
    const struct {
        plat::UINT vk;
        int pos;
        plat::UINT code;
    } steps[] = {
        {VK_RIGHT, 5200, TB_LINEDOWN},
        {VK_LEFT, 5000, TB_LINEUP},
        {VK_LEFT, 4800, TB_LINEUP},
#ifdef _WIN32
        // The system's track bar: Page Down moves towards the maximum.
        {0x22, 5800, TB_PAGEDOWN},
        {0x21, 4800, TB_PAGEUP},
#else
        {0x22, 3800, TB_PAGEUP},
        {0x21, 4800, TB_PAGEDOWN},
#endif
        {0x24, 0, TB_TOP},
        {0x23, 10000, TB_BOTTOM},
#ifndef _WIN32
        // At its end the system's track bar may keep the line move to itself.
        {VK_RIGHT, 10000, TB_LINEDOWN},
#endif
    };
    for (const auto& step : steps) {
        codes.clear();
        uitest::PressFocusedKey(step.vk);
        uitest::ProcessEvents();
        EXPECT_EQ(slider.GetPos(), step.pos) << "key " << step.vk;
        // Each key is one move and its end, which the page applies.
        EXPECT_EQ(codes, (std::vector<plat::UINT>{step.code, TB_ENDTRACK})) << "key " << step.vk;
    }
}

int Distance(COLORREF a, COLORREF b) {
    return std::abs(GetRValue(a) - GetRValue(b)) + std::abs(GetGValue(a) - GetGValue(b)) +
           std::abs(GetBValue(a) - GetBValue(b));
}

TEST_F(KeyboardTest, TheFocusedControlOfEveryKindHasTheSameClearRingAroundIt) {
    CWnd* controls[] = {&dialog.icon,  &dialog.check, &dialog.slider,
                        &dialog.combo, &dialog.list,  &dialog.edit};
    std::vector<COLORREF> rings;
    for (CWnd* control : controls) {
        const CRect r = control->GetRectInParent();
        const int midY = (r.top + r.bottom) / 2;
        const int midX = (r.left + r.right) / 2;
        // The focus elsewhere (the edit field's neighbour for the edit field).
        (control == &dialog.icon ? static_cast<CWnd&>(dialog.edit) : dialog.icon).SetFocus();
        uitest::ProcessEvents();
        const COLORREF left = uitest::PixelAt(dialog, r.left - 1, midY);
        const COLORREF above = uitest::PixelAt(dialog, midX, r.top - 1);
        control->SetFocus();
        uitest::ProcessEvents();
        const COLORREF ringLeft = uitest::PixelAt(dialog, r.left - 1, midY);
        const COLORREF ringAbove = uitest::PixelAt(dialog, midX, r.top - 1);
        EXPECT_GT(Distance(ringLeft, left), 200) << "control " << control->GetDlgCtrlID();
        EXPECT_GT(Distance(ringAbove, above), 200) << "control " << control->GetDlgCtrlID();
        EXPECT_EQ(ringLeft, ringAbove) << "control " << control->GetDlgCtrlID();
        rings.push_back(ringLeft);
    }
    for (COLORREF ring : rings)
        EXPECT_EQ(ring, rings.front());

    // The ring leaves with the focus and follows a control that moves.
    dialog.slider.SetFocus();
    uitest::ProcessEvents();
    const CRect icon = dialog.icon.GetRectInParent();
    EXPECT_NE(uitest::PixelAt(dialog, icon.left - 1, (icon.top + icon.bottom) / 2), rings.front());
    dialog.slider.MoveWindow(160, 60, 200, 30);
    uitest::ProcessEvents();
    EXPECT_EQ(uitest::PixelAt(dialog, 159, 75), rings.front());
}

} // namespace
