// The framework used from the keyboard alone: Enter and Space on the focused
// button, Enter elsewhere for the default button, the track bar's keys, Tab
// in reading order, where the focus starts, and the ring that shows it.
#include "ui/Button.h"
#include "ui/CheckBox.h"
#include "ui/ComboBox.h"
#include "ui/Dialog.h"
#include "ui/Edit.h"
#include "ui/ListCtrl.h"
#include "ui/PropertyPage.h"
#include "ui/PropertySheet.h"
#include "ui/SliderCtrl.h"
#include "ui/Testing.h"
#include "ui/WinApp.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

// A page with a button, a check box and a track bar side by side.
class KeyPage : public CPropertyPage {
public:
    explicit KeyPage(int id) : CPropertyPage(id) {}
    void CreateControls() override {
        button.Create(this, 101, "Go");
        check.Create(this, 102);
        slider.Create(this, 103);
        BindCommand(101, [this] { ++clicks; });
    }
    bool OnInitDialog() override {
        button.MoveWindow(10, 10, 80, 40);
        check.MoveWindow(110, 20, 15, 15);
        slider.MoveWindow(150, 15, 250, 30);
        slider.SetRange(0, 10000);
        slider.SetPageSize(1000);
        slider.SetLineSize(200);
        slider.SetPos(5000);
        button.EnableWindow(buttonEnabled);
        return true;
    }
    void OnHScroll(plat::UINT code, plat::UINT, CSliderCtrl*) override { codes.push_back(code); }

    CButton button;
    CCheckBox check;
    CSliderCtrl slider;
    int clicks = 0;
    bool buttonEnabled = true;
    std::vector<plat::UINT> codes;
};

class KeySheet : public CPropertySheet {
public:
    KeySheet() : CPropertySheet("Keys") {
        AddPage(&first);
        AddPage(&second);
        SetWizardMode();
    }
    KeyPage first{201};
    KeyPage second{202};
};

class KeyboardTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_gui = new CGuiSession(); }
    static void TearDownTestSuite() {
        delete s_gui;
        s_gui = nullptr;
    }
    static void Key(plat::UINT vk, bool shift = false) {
        uitest::PressFocusedKey(vk, false, false, shift);
        uitest::ProcessEvents();
    }
    static int FocusedId() {
        const CWnd* focused = uitest::FocusedWindow();
        return focused == nullptr ? 0 : focused->GetDlgCtrlID();
    }
    static CGuiSession* s_gui;
};
CGuiSession* KeyboardTest::s_gui = nullptr;

TEST_F(KeyboardTest, EnterAndSpacePressTheFocusedButtonEnterElsewhereTheDefaultOne) {
    KeySheet sheet;
    ASSERT_TRUE(sheet.Create());
    uitest::ProcessEvents();
    ASSERT_EQ(FocusedId(), 101) << "a page opens with the focus on its first control";

    Key(VK_RETURN);
    EXPECT_EQ(sheet.first.clicks, 1);
    EXPECT_EQ(sheet.GetActiveIndex(), 0) << "Enter on a button is not Next";
    Key(VK_SPACE);
    EXPECT_EQ(sheet.first.clicks, 2);

    // Space ticks the check box; Enter there is the wizard's Next.
    sheet.first.check.SetFocus();
    Key(VK_SPACE);
    EXPECT_EQ(sheet.first.check.GetCheck(), BST_CHECKED);
    Key(VK_RETURN);
    EXPECT_EQ(sheet.GetActiveIndex(), 1);
    EXPECT_EQ(sheet.first.clicks, 2);

    // Likewise on a track bar, back on the first page.
    sheet.SetActivePage(0);
    sheet.first.slider.SetFocus();
    uitest::ProcessEvents();
    Key(VK_RETURN);
    EXPECT_EQ(sheet.GetActiveIndex(), 1);
    EXPECT_EQ(sheet.first.slider.GetPos(), 5000);
    sheet.EndDialog(IDCANCEL);
}

TEST_F(KeyboardTest, KeysMoveATrackBarByItsLineAndPageSizesAndToItsEnds) {
    KeySheet sheet;
    ASSERT_TRUE(sheet.Create());
    CSliderCtrl& slider = sheet.first.slider;
    std::vector<plat::UINT>& codes = sheet.first.codes;
    slider.SetFocus();
    uitest::ProcessEvents();
    const struct {
        plat::UINT vk;
        int pos;
        plat::UINT code;
    } steps[] = {
        {VK_RIGHT, 5200, TB_LINEDOWN}, {VK_LEFT, 5000, TB_LINEUP},     {VK_LEFT, 4800, TB_LINEUP},
        {0x22, 3800, TB_PAGEUP},       {0x21, 4800, TB_PAGEDOWN},      {0x24, 0, TB_TOP},
        {0x23, 10000, TB_BOTTOM},      {VK_RIGHT, 10000, TB_LINEDOWN},
    };
    for (const auto& step : steps) {
        codes.clear();
        Key(step.vk);
        EXPECT_EQ(slider.GetPos(), step.pos) << "key " << step.vk;
        // Each key is one move and its end, which the page applies.
        EXPECT_EQ(codes, (std::vector<plat::UINT>{step.code, TB_ENDTRACK})) << "key " << step.vk;
    }
    sheet.EndDialog(IDCANCEL);
}

TEST_F(KeyboardTest, APageOpensOnItsFirstControlThatCanTakeTheFocus) {
    KeySheet sheet;
    sheet.second.buttonEnabled = false;
    ASSERT_TRUE(sheet.Create());
    uitest::ProcessEvents();
    EXPECT_EQ(FocusedId(), 101);
    // Next by the keyboard: the new page's first control that is enabled.
    sheet.GetDlgItem(ID_WIZNEXT)->SetFocus();
    Key(VK_SPACE);
    ASSERT_EQ(sheet.GetActiveIndex(), 1);
    EXPECT_EQ(uitest::FocusedWindow(), &sheet.second.check);
    sheet.EndDialog(IDCANCEL);
}

// Controls created out of reading order: a row of two buttons, a row with a
// button and a slightly lower track bar, a check box, an edit field below.
class Scrambled : public CDialog {
public:
    Scrambled() : CDialog(301) { SetTemplate("Scrambled"); }
    void CreateControls() override {
        edit.Create(this, 6);
        slider.Create(this, 4);
        right.Create(this, 2, "Right");
        check.Create(this, 5);
        left.Create(this, 1, "Left");
        lower.Create(this, 3, "Lower");
        hidden.Create(this, 7, "Hidden");
    }
    bool OnInitDialog() override {
        left.MoveWindow(10, 10, 80, 30);
        right.MoveWindow(200, 12, 80, 30);
        lower.MoveWindow(10, 60, 80, 40);
        slider.MoveWindow(100, 70, 200, 30);
        check.MoveWindow(10, 120, 15, 15);
        hidden.MoveWindow(50, 118, 80, 23);
        hidden.ShowWindow(SW_HIDE);
        edit.MoveWindow(10, 150, 200, 23);
        return true;
    }
    CButton left, right, lower, hidden;
    CSliderCtrl slider;
    CCheckBox check;
    CEdit edit;
};

TEST_F(KeyboardTest, TabFollowsTheReadingOrderAndShiftTabGoesBack) {
    Scrambled dialog;
    ASSERT_TRUE(dialog.CreateIndirect());
    dialog.ShowWindow(SW_SHOW);
    uitest::ProcessEvents();
    std::vector<int> order{FocusedId()};
    for (int i = 0; i < 7; ++i) {
        Key(VK_TAB);
        order.push_back(FocusedId());
    }
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4, 5, 6, IDOK, 1}));
    Key(VK_TAB, true);
    EXPECT_EQ(FocusedId(), IDOK);
    Key(VK_TAB, true);
    EXPECT_EQ(FocusedId(), 6);
    dialog.EndDialog(IDOK);
}

// One control of each kind that takes the focus, apart from each other.
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
        return true;
    }
    CButton icon;
    CCheckBox check;
    CSliderCtrl slider;
    CComboBox combo;
    CListCtrl list;
    CEdit edit;
};

int Distance(COLORREF a, COLORREF b) {
    return std::abs(GetRValue(a) - GetRValue(b)) + std::abs(GetGValue(a) - GetGValue(b)) +
           std::abs(GetBValue(a) - GetBValue(b));
}

TEST_F(KeyboardTest, TheFocusedControlOfEveryKindHasTheSameClearRingAroundIt) {
    Focusable dialog;
    ASSERT_TRUE(dialog.CreateIndirect());
    dialog.ShowWindow(SW_SHOW);
    uitest::ProcessEvents();
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
    dialog.EndDialog(IDOK);
}

} // namespace
