// The controls pages use: measured texts, sorted combo box, track-bar codes,
// level meter, list view, and clicks through a label laid over a button.
#include "ui/Button.h"
#include "ui/ColorText.h"
#include "ui/ComboBox.h"
#include "ui/Dialog.h"
#include "ui/Font.h"
#include "ui/GroupBox.h"
#include "ui/LevelMeter.h"
#include "ui/ListCtrl.h"
#include "ui/SliderCtrl.h"
#include "ui/Testing.h"
#include "ui/WinApp.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

class Host : public CDialog {
public:
    Host() : CDialog(500) { SetTemplate("Host", 400, 300, false); }
    void OnHScroll(plat::UINT code, plat::UINT pos, CSliderCtrl* slider) override {
        scrolls.emplace_back(code,
                             code == TB_THUMBTRACK ? static_cast<int>(pos) : slider->GetPos());
    }
    std::vector<std::pair<plat::UINT, int>> scrolls;
};

class ControlsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_gui = new CGuiSession();
        LOGFONT lf;
        lf.lfHeight = 14;
        lf.lfFaceName = "Arial";
        CFontRegistry::Register(1121, 1252, lf);
        lf.lfHeight = 15;
        lf.lfUnderline = true;
        CFontRegistry::Register(1122, 1252, lf);
    }
    static void TearDownTestSuite() {
        CFontRegistry::Clear();
        delete s_gui;
        s_gui = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(host.CreateIndirect()); }
    Host host;
    static CGuiSession* s_gui;
};
CGuiSession* ControlsTest::s_gui = nullptr;

TEST_F(ControlsTest, TextsMeasureEveryLineInTheirOwnFont) {
    CColorText text;
    ASSERT_TRUE(text.Create(&host, 10));
    text.SetFontId(1121);
    ASSERT_EQ(CFontRegistry::Get(1121, 1252)->GetLineHeight(), 14);
    EXPECT_EQ(CFontRegistry::Get(1121, 1250), nullptr);

    text.SetText("Short");
    const CSize one = text.GetTextSize();
    EXPECT_EQ(one.cy, 14);
    EXPECT_GT(one.cx, 0);
    text.SetText("Short\nA much longer second line\n");
    const CSize three = text.GetTextSize();
    EXPECT_EQ(three.cy, 3 * 14);
    EXPECT_EQ(three.cx, CFontRegistry::Get(1121)->GetTextExtent("A much longer second line").cx);
    text.SetText("Short\n\nA much longer second line");
    EXPECT_EQ(text.GetTextSize().cy, 3 * 14);

    // A box shorter than the text still holds the whole text; where it is
    // placed is what was asked.
    text.MoveWindow(30, 40, 10, 5);
    EXPECT_EQ(text.GetRectInParent().left, 30);
    EXPECT_EQ(text.GetRectInParent().top, 40);
    EXPECT_EQ(text.GetRectInParent().Height(), 3 * 14);

    // Registering an id again replaces the font in place.
    LOGFONT bigger;
    bigger.lfHeight = 20;
    bigger.lfFaceName = "Arial";
    CFontRegistry::Register(1121, 1252, bigger);
    EXPECT_EQ(text.GetTextSize().cy, 3 * 20);
    LOGFONT normal;
    normal.lfHeight = 14;
    normal.lfFaceName = "Arial";
    CFontRegistry::Register(1121, 1252, normal);
}

TEST_F(ControlsTest, ClicksPassThroughALabelToTheButtonBelow) {
    int clicks = 0;
    host.BindCommand(77, [&] { ++clicks; });
    CButton button;
    CColorText label;
    ASSERT_TRUE(button.Create(&host, 77));
    ASSERT_TRUE(label.Create(&host, 78, "Open"));
    button.MoveWindow(10, 10, 100, 30);
    label.MoveWindow(20, 15, 80, 20);
    host.ShowWindow(SW_SHOW);
    uitest::Click(label);
    EXPECT_EQ(clicks, 1);
    button.EnableWindow(false);
    uitest::Click(button);
    button.Click();
    EXPECT_EQ(clicks, 1);
    host.ShowWindow(SW_HIDE);
}

// The pages lay a label over a frame whose caption is a run of blanks: along
// the frame's top line, the label shows its own ink, neither the line nor a
// gap painted over it, whichever of the two is made (and painted) first.
TEST_F(ControlsTest, AFrameLeavesTheLabelOnItsCaptionWhole) {
    for (const bool labelFirst : {false, true}) {
        CGroupBox frame;
        CColorText caption;
        const auto makeCaption = [&] {
            ASSERT_TRUE(caption.Create(&host, 21, "Playback controls"));
            caption.SetFontId(1121);
            caption.SetColor(RGB(0, 0, 255));
        };
        if (labelFirst)
            makeCaption();
        ASSERT_TRUE(frame.Create(&host, 20, std::string(40, ' ')));
        if (!labelFirst)
            makeCaption();
        frame.MoveWindow(10, 10, 300, 100);
        const CSize size = caption.GetTextSize();
        caption.MoveWindow(18, 10, size.cx, size.cy);
        host.ShowWindow(SW_SHOW);
        uitest::ProcessEvents(50);
        const int top = 10 + frame.GetTextExtent(" ").cy / 2;
        const COLORREF line = uitest::PixelAt(host, 250, top);
        const COLORREF page = uitest::PixelAt(host, 250, top + 10);
        ASSERT_NE(line, page) << "no top line at " << top;
        int ink = 0;
        for (int x = 18; x < 18 + size.cx; ++x) {
            const COLORREF shown = uitest::PixelAt(host, x, top);
            EXPECT_NE(shown, line) << "the line under the caption at " << x;
            ink += shown != page ? 1 : 0;
        }
        EXPECT_GT(ink, 4) << (labelFirst ? "label made first" : "frame made first");
        host.ShowWindow(SW_HIDE);
    }
}

TEST_F(ControlsTest, ComboBoxKeepsItsListSortedAndItsEditFieldAlone) {
    CComboBox combo;
    ASSERT_TRUE(combo.Create(&host, 20));
    combo.SetWindowText("typed");
    EXPECT_EQ(combo.AddString("martin"), 0);
    EXPECT_EQ(combo.AddString("Alice"), 0);
    EXPECT_EQ(combo.AddString("bob"), 1);
    EXPECT_EQ(combo.AddString("Bob"), 2);
    EXPECT_EQ(combo.GetCount(), 4);
    EXPECT_EQ(combo.GetWindowText(), "typed");
    EXPECT_EQ(combo.GetCurSel(), CB_ERR);
    EXPECT_EQ(combo.SetCurSel(0), 0);
    EXPECT_EQ(combo.GetWindowText(), "Alice");
    EXPECT_EQ(combo.GetLBText(3), "martin");
    // A text put in the edit field ends the selection, even another entry's
    // or one that differs only in case; the selected entry's own text keeps it.
    combo.SetWindowText("bob");
    EXPECT_EQ(combo.GetCurSel(), CB_ERR);
    combo.SetWindowText("alice");
    EXPECT_EQ(combo.GetCurSel(), CB_ERR);
    combo.SetWindowText("Alice");
    EXPECT_EQ(combo.GetCurSel(), 0);
    EXPECT_EQ(combo.SetCurSel(9), CB_ERR);
    combo.ResetContent();
    EXPECT_EQ(combo.GetCount(), 0);
    EXPECT_EQ(combo.GetLBText(0), "");
}

TEST_F(ControlsTest, DropDownListKeepsTheOrderOfAddingAndReportsEachChoice) {
    CComboBox list;
    ASSERT_TRUE(list.CreateList(&host, 21));
    int choices = 0;
    host.BindCommand(
        21, [&] { ++choices; }, CBN_SELCHANGE);
    EXPECT_EQ(list.AddString("USB Headset"), 0);
    EXPECT_EQ(list.AddString("Built-in Audio"), 1);
    EXPECT_EQ(list.GetLBText(0), "USB Headset");
    EXPECT_EQ(list.GetCurSel(), CB_ERR);
    // The program's own selection is no choice of the user.
    EXPECT_EQ(list.SetCurSel(0), 0);
    EXPECT_EQ(choices, 0);
    EXPECT_EQ(list.Choose(1), 1);
    EXPECT_EQ(list.GetCurSel(), 1);
    EXPECT_EQ(list.GetWindowText(), "Built-in Audio");
    EXPECT_EQ(choices, 1);
    EXPECT_EQ(list.Choose(2), CB_ERR);
    EXPECT_EQ(choices, 1);
    // A disabled list takes no choice.
    list.EnableWindow(false);
    EXPECT_EQ(list.Choose(0), CB_ERR);
    EXPECT_EQ(list.GetCurSel(), 1);
    EXPECT_EQ(choices, 1);
}

TEST_F(ControlsTest, ComboBoxEntriesKeepTheirDataWhereverTheSortPutsThem) {
    CComboBox combo;
    ASSERT_TRUE(combo.Create(&host, 20));
    const std::vector<std::string> names = {"Zo\xC3\xA9", "anna", "Bruno", "anna"};
    for (std::size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(combo.SetItemData(combo.AddString(names[i]), 100 + i), 0);
    // anna(1) anna(3) Bruno(2) Zoé(0)
    const std::vector<plat::DWORD_PTR> expected = {101, 103, 102, 100};
    for (int i = 0; i < combo.GetCount(); ++i)
        EXPECT_EQ(combo.GetItemData(i), expected[static_cast<std::size_t>(i)]) << i;
    EXPECT_EQ(combo.SetItemData(4, 1), CB_ERR);
    EXPECT_EQ(combo.GetItemData(-1), static_cast<plat::DWORD_PTR>(CB_ERR));
}

TEST_F(ControlsTest, TextsOfTheWindowsCodePageShowAsTheirCharacters) {
    // H\xE9l\xE8ne \x96 \x80: "Hélène – €" in Windows-1252.
    const std::string cp1252 = "H\xE9l\xE8ne \x96 \x80";
    const std::string shown = "H\xC3\xA9l\xC3\xA8ne \xE2\x80\x93 \xE2\x82\xAC";
    CColorText label;
    ASSERT_TRUE(label.Create(&host, 30));
    label.SetFontId(1121);
    label.SetText(cp1252);
    EXPECT_EQ(uitest::ShownText(label), shown);
    EXPECT_EQ(label.GetWindowText(), cp1252) << "the owner gets back what it gave";
    EXPECT_EQ(label.GetTextSize().cx, CFontRegistry::Get(1121)->GetTextExtent(shown).cx);
    CButton button;
    ASSERT_TRUE(button.Create(&host, 31));
    button.SetWindowText(cp1252);
    EXPECT_EQ(uitest::ShownText(button), shown);
    CComboBox combo;
    ASSERT_TRUE(combo.Create(&host, 32));
    combo.AddString(cp1252);
    combo.AddString("Zo\xC3\xA9"); // UTF-8 shows as it is
    EXPECT_EQ(combo.GetLBText(0), shown);
    EXPECT_EQ(combo.GetLBText(1), "Zo\xC3\xA9");
    combo.SetCurSel(0);
    EXPECT_EQ(combo.GetWindowText(), shown) << "typed text comes back as UTF-8";
    host.SetWindowText(cp1252);
    EXPECT_EQ(uitest::ShownText(host), shown);
}

TEST_F(ControlsTest, TrackBarReportsDragsAndPagesWithTheirCodes) {
    CSliderCtrl slider;
    ASSERT_TRUE(slider.Create(&host, 30));
    slider.SetRangeMin(0);
    slider.SetRangeMax(10000);
    slider.SetPageSize(1000);
    slider.SetPos(7500);
    EXPECT_EQ(slider.GetPos(), 7500);
    slider.SetPos(20000);
    EXPECT_EQ(slider.GetPos(), 10000);
    slider.SetPos(4000);
    EXPECT_TRUE(host.scrolls.empty()) << "SetPos notifies nobody";

    uitest::DragSlider(slider, 6200);
    ASSERT_EQ(host.scrolls.size(), 3u);
    EXPECT_EQ(host.scrolls[0], std::make_pair(TB_THUMBTRACK, 6200));
    EXPECT_EQ(host.scrolls[1], std::make_pair(TB_THUMBPOSITION, 6200));
    EXPECT_EQ(host.scrolls[2], std::make_pair(TB_ENDTRACK, 6200));

    host.scrolls.clear();
    uitest::PageSlider(slider, false);
    uitest::PageSlider(slider, true);
    uitest::PageSlider(slider, true);
    ASSERT_EQ(host.scrolls.size(), 6u);
    EXPECT_EQ(host.scrolls[0], std::make_pair(TB_PAGEDOWN, 7200));
    EXPECT_EQ(host.scrolls[1], std::make_pair(TB_ENDTRACK, 7200));
    EXPECT_EQ(host.scrolls[2], std::make_pair(TB_PAGEUP, 6200));
    EXPECT_EQ(host.scrolls[5], std::make_pair(TB_ENDTRACK, 5200));

    host.scrolls.clear();
    slider.EnableWindow(false);
    uitest::DragSlider(slider, 100);
    EXPECT_TRUE(host.scrolls.empty());
}

TEST_F(ControlsTest, LevelMeterIsBlankUnlessThePositionLiesInsideTheRange) {
    CLevelMeter meter;
    ASSERT_TRUE(meter.Create(&host, 40));
    meter.MoveWindow(0, 0, 202, 20);
    meter.SetRange(0, 9031);
    meter.ShowPercent(true);
    for (int pos : {0, 9031, 9500, -100}) {
        meter.SetPos(pos);
        EXPECT_TRUE(meter.IsBlank()) << pos;
        EXPECT_EQ(meter.FilledWidth(), 0) << pos;
        EXPECT_EQ(meter.PercentText(), "") << pos;
    }
    meter.SetPos(4500);
    EXPECT_FALSE(meter.IsBlank());
    EXPECT_EQ(meter.FilledWidth(), 200 * 4500 / 9031);
    EXPECT_EQ(meter.PercentText(), "50%");
    meter.ShowPercent(false);
    EXPECT_EQ(meter.PercentText(), "");
    meter.SetPos(9000);
    EXPECT_EQ(meter.FilledWidth(), 199);

    meter.SetRange(0, 100);
    meter.SetStep(30);
    meter.SetPos(80);
    meter.StepIt();
    EXPECT_EQ(meter.GetPos(), 10);
}

TEST_F(ControlsTest, ListViewInsertsWhereAskedAndColoursEveryRow) {
    CListCtrl list;
    ASSERT_TRUE(list.Create(&host, 50));
    EXPECT_EQ(list.InsertColumn(0, "Test", LVCFMT_LEFT, 220), 0);
    EXPECT_EQ(list.InsertColumn(1, "Result", LVCFMT_LEFT, 110), 1);
    EXPECT_EQ(list.GetColumnWidth(0), 220);
    EXPECT_EQ(list.InsertItem(0, "first", 1), 0);
    EXPECT_EQ(list.InsertItem(5, "last", 2), 1);
    EXPECT_TRUE(list.SetItemText(1, 1, "Successful"));
    EXPECT_EQ(list.InsertItem(0, "top", 0), 0);
    EXPECT_EQ(list.GetItemCount(), 3);
    EXPECT_EQ(list.GetItemText(0, 0), "top");
    EXPECT_EQ(list.GetItemText(2, 0), "last");
    EXPECT_EQ(list.GetItemText(2, 1), "Successful");
    EXPECT_EQ(list.GetItemImage(1), 1);
    EXPECT_FALSE(list.SetItemText(3, 0, "beyond"));
    EXPECT_FALSE(list.SetItemText(0, 2, "no such column"));
    list.SetTextColor(0xB81818);
    EXPECT_EQ(list.GetTextColor(), 0xB81818u);
    EXPECT_TRUE(list.DeleteItem(0));
    EXPECT_EQ(list.GetItemText(0, 0), "first");
    EXPECT_TRUE(list.DeleteAllItems());
    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_GT(list.GetStringWidth("Output wave formats test"), list.GetStringWidth("Test"));
}

TEST_F(ControlsTest, ChildWindowsFollowEachOtherInTheOrderTheyWereMade) {
    std::vector<int> ids;
    for (CWnd* w = host.GetWindow(GW_CHILD); w != nullptr; w = w->GetWindow(GW_HWNDNEXT))
        ids.push_back(w->GetDlgCtrlID());
    EXPECT_TRUE(ids.empty());
    CButton first;
    CColorText second;
    CButton third;
    ASSERT_TRUE(first.Create(&host, 41));
    ASSERT_TRUE(second.Create(&host, 42));
    ASSERT_TRUE(third.Create(&host, 43));
    for (CWnd* w = host.GetWindow(GW_CHILD); w != nullptr; w = w->GetWindow(GW_HWNDNEXT))
        ids.push_back(w->GetDlgCtrlID());
    EXPECT_EQ(ids, (std::vector<int>{41, 42, 43}));
    EXPECT_EQ(third.GetWindow(GW_HWNDNEXT), nullptr);
    EXPECT_EQ(first.GetWindow(GW_CHILD), nullptr);
}

} // namespace
