// The sheet, page and dialog machinery with pages of the test's own: page
// order, posted wizard buttons, the cancel notification, timers, the key
// hook, pages that grow, buttons that widen and the notice above them.
#include "tests/support/GuiSessionTest.h"
#include "ui/Accelerator.h"
#include "ui/Button.h"
#include "ui/PropertyPage.h"
#include "ui/PropertySheet.h"
#include "ui/Testing.h"
#include "ui/WinApp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> g_log;

class TestPage : public CPropertyPage {
public:
    TestPage(int templateId, std::string name)
        : CPropertyPage(templateId), m_name(std::move(name)) {}
    void CreateControls() override {
        m_button.Create(this, 1000 + GetTemplateId());
        g_log.push_back(m_name + ".create");
    }
    bool OnInitDialog() override {
        g_log.push_back(m_name + ".init");
        if (lowestControl > 0)
            m_button.MoveWindow(10, lowestControl - 20, 60, 20);
        return true;
    }
    bool OnSetActive() override {
        g_log.push_back(m_name + ".active");
        GetParentSheet()->SetWizardButtons(buttons);
        return acceptActive;
    }
    bool OnKillActive() override {
        g_log.push_back(m_name + ".kill");
        return true;
    }
    int OnWizardNext() override { return nextAnswer; }
    bool OnQueryCancel() override { return allowCancel; }
    void OnCancel() override { g_log.push_back(m_name + ".cancel"); }
    void OnTimer(plat::UINT_PTR id) override {
        ++ticks;
        if (ticks == 3)
            KillTimer(id);
    }

    plat::DWORD buttons = PSWIZB_BACK | PSWIZB_NEXT;
    bool acceptActive = true;
    int nextAnswer = 0;
    bool allowCancel = true;
    int ticks = 0;
    int lowestControl = 0; // where OnInitDialog puts its button's bottom

private:
    std::string m_name;
    CButton m_button;
};

class TestSheet : public CPropertySheet {
public:
    TestSheet() : CPropertySheet("Test wizard") {
        AddPage(&a);
        AddPage(&b);
        AddPage(&c);
        SetWizardMode();
    }
    bool PreTranslateMessage(const MSG& msg) override {
        keys.push_back(msg);
        return accel != nullptr && TranslateAccelerator(this, accel, msg);
    }
    TestPage a{201, "a"};
    TestPage b{202, "b"};
    TestPage c{203, "c"};
    std::vector<MSG> keys;
    HACCEL accel = nullptr;
};

class SheetFrameworkTest : public GuiSessionTest {
protected:
    void SetUp() override { g_log.clear(); }
};

TEST_F(SheetFrameworkTest, WizardButtonsArePostedAndFinishTakesNextsPlace) {
    TestSheet sheet;
    ASSERT_TRUE(sheet.Create());
    uitest::ProcessEvents();
    CWnd* back = sheet.GetDlgItem(ID_WIZBACK);
    CWnd* next = sheet.GetDlgItem(ID_WIZNEXT);
    CWnd* finish = sheet.GetDlgItem(ID_WIZFINISH);
    ASSERT_TRUE(back && next && finish);

    sheet.SetWizardButtons(PSWIZB_BACK);
    EXPECT_TRUE(next->IsWindowEnabled()) << "applied before the loop ran";
    uitest::ProcessEvents();
    EXPECT_FALSE(next->IsWindowEnabled());
    EXPECT_TRUE(back->IsWindowEnabled());

    back->ShowWindow(SW_HIDE);
    sheet.SetWizardButtons(PSWIZB_BACK | PSWIZB_FINISH);
    uitest::ProcessEvents();
    EXPECT_FALSE(back->IsWindowVisible()) << "enabling never shows a hidden button";
    EXPECT_TRUE(back->IsWindowEnabled());
    EXPECT_FALSE(next->IsWindowVisible());
    EXPECT_TRUE(finish->IsWindowVisible());
    EXPECT_TRUE(finish->IsWindowEnabled());
    EXPECT_EQ(finish->GetRectInParent(), next->GetRectInParent());

    sheet.SetWizardButtons(PSWIZB_DISABLEDFINISH);
    uitest::ProcessEvents();
    EXPECT_TRUE(finish->IsWindowVisible());
    EXPECT_FALSE(finish->IsWindowEnabled());
    EXPECT_FALSE(back->IsWindowEnabled());

    sheet.SetWizardButtons(PSWIZB_NEXT);
    uitest::ProcessEvents();
    EXPECT_TRUE(next->IsWindowVisible());
    EXPECT_FALSE(finish->IsWindowVisible());
}

TEST_F(SheetFrameworkTest, PagesAreCreatedOnceAndVisitedInOrder) {
    TestSheet sheet;
    ASSERT_TRUE(sheet.Create());
    uitest::ProcessEvents();
    EXPECT_EQ(g_log, (std::vector<std::string>{"a.create", "a.init", "a.active"}));
    EXPECT_FALSE(sheet.b.HasWindow());

    g_log.clear();
    sheet.PressButton(ID_WIZNEXT);
    sheet.PressButton(ID_WIZBACK);
    sheet.PressButton(ID_WIZNEXT);
    EXPECT_EQ(g_log, (std::vector<std::string>{"a.kill", "b.create", "b.init", "b.active", "b.kill",
                                               "a.active", "a.kill", "b.active"}));
    EXPECT_EQ(sheet.GetActivePage(), &sheet.b);
    EXPECT_TRUE(sheet.b.IsWindowVisible());
    EXPECT_FALSE(sheet.a.IsWindowVisible());

    // -1 stays; a template id jumps; a page refusing activation is skipped.
    sheet.b.nextAnswer = -1;
    sheet.PressButton(ID_WIZNEXT);
    EXPECT_EQ(sheet.GetActiveIndex(), 1);
    sheet.b.nextAnswer = 0;
    sheet.PressButton(ID_WIZBACK);
    sheet.a.nextAnswer = 203;
    sheet.PressButton(ID_WIZNEXT);
    EXPECT_EQ(sheet.GetActiveIndex(), 2);
    sheet.PressButton(ID_WIZBACK);
    EXPECT_EQ(sheet.GetActiveIndex(), 1);
    sheet.PressButton(ID_WIZBACK);
    sheet.a.nextAnswer = 0;
    sheet.b.acceptActive = false;
    sheet.PressButton(ID_WIZNEXT);
    EXPECT_EQ(sheet.GetActiveIndex(), 2);
}

TEST_F(SheetFrameworkTest, CancelAsksTheActivePageThenResetsEveryCreatedPageOnce) {
    TestSheet sheet;
    ASSERT_TRUE(sheet.Create());
    sheet.PressButton(ID_WIZNEXT);
    uitest::ProcessEvents();
    ASSERT_EQ(sheet.GetActiveIndex(), 1);

    sheet.b.allowCancel = false;
    g_log.clear();
    uitest::Click(*sheet.GetDlgItem(IDCANCEL));
    EXPECT_TRUE(sheet.IsOpen());
    EXPECT_TRUE(g_log.empty());

    sheet.b.allowCancel = true;
    uitest::Click(*sheet.GetDlgItem(IDCANCEL));
    uitest::ProcessEvents();
    EXPECT_FALSE(sheet.IsOpen());
    EXPECT_EQ(sheet.GetResult(), IDCANCEL);
    // Page c never had a window.
    EXPECT_EQ(g_log, (std::vector<std::string>{"a.cancel", "b.cancel"}));
}

TEST_F(SheetFrameworkTest, TitleFollowsTheActivePagesTabText) {
    TestSheet sheet;
    sheet.SetTabItemText(1, "Second ");
    ASSERT_TRUE(sheet.Create());
    EXPECT_EQ(sheet.GetWindowText(), "Test wizard");
    sheet.PressButton(ID_WIZNEXT);
    EXPECT_EQ(sheet.GetWindowText(), "Second ");
    sheet.PressButton(ID_WIZNEXT);
    EXPECT_EQ(sheet.GetWindowText(), "Test wizard");
}

TEST_F(SheetFrameworkTest, KeysReachPreTranslateMessageOnceAndAcceleratorsBecomeCommands) {
    RegisterAcceleratorResource(901, {{FVIRTKEY | FCONTROL | FALT, 'T', 40001}});
    TestSheet sheet;
    sheet.accel = LoadAccelerators(901);
    ASSERT_NE(sheet.accel, nullptr);
    EXPECT_EQ(LoadAccelerators(902), nullptr);
    int commands = 0;
    sheet.BindCommand(
        40001, [&] { ++commands; }, 0);
    ASSERT_TRUE(sheet.Create());
    uitest::ProcessEvents();

    uitest::PressKey(sheet.a, 'T', true, true);
    EXPECT_EQ(commands, 1);
    ASSERT_GE(sheet.keys.size(), 2u);
    EXPECT_EQ(sheet.keys[0].message, WM_SYSKEYDOWN);
    EXPECT_EQ(sheet.keys[0].wParam, static_cast<std::uintptr_t>('T'));

    // A key nobody handles travels up the parents; the hook sees it once.
    sheet.keys.clear();
    uitest::PressKey(sheet.a, 'Q');
    EXPECT_EQ(sheet.keys.size(), 2u);
    EXPECT_EQ(sheet.keys[0].message, WM_KEYDOWN);
    EXPECT_EQ(sheet.keys[1].message, WM_KEYUP);
    uitest::PressKey(sheet.a, 'T', true, false);
    EXPECT_EQ(commands, 1);
}

TEST_F(SheetFrameworkTest, TimersTickUntilKilledFromTheirOwnHandler) {
    TestSheet sheet;
    ASSERT_TRUE(sheet.Create());
    ASSERT_TRUE(sheet.a.SetTimer(7, 5));
    // A loaded machine may tick late, never more than three times.
    for (int i = 0; i < 200 && sheet.a.ticks < 3; ++i)
        uitest::ProcessEvents(10);
    uitest::ProcessEvents(50);
    EXPECT_EQ(sheet.a.ticks, 3);
    EXPECT_FALSE(sheet.a.KillTimer(7));
}

TEST_F(SheetFrameworkTest, APageWhoseControlsReachLowerGrowsAndTheSheetWithIt) {
    TestSheet sheet;
    // Within the page with its margin below.
    sheet.b.lowestControl = CPropertyPage::kPageHeight - CPropertyPage::kBottomMargin;
    sheet.c.lowestControl = 420;
    ASSERT_TRUE(sheet.Create());
    uitest::ProcessEvents();
    CRect client;
    sheet.GetClientRect(client);
    const int height = client.Height();
    const CRect next = sheet.GetDlgItem(ID_WIZNEXT)->GetRectInParent();
    const CRect cancel = sheet.GetDlgItem(IDCANCEL)->GetRectInParent();

    // Room enough: nothing changes.
    sheet.PressButton(ID_WIZNEXT);
    EXPECT_EQ(sheet.b.GetPageHeight(), CPropertyPage::kPageHeight);
    sheet.GetClientRect(client);
    EXPECT_EQ(client.Height(), height);

    sheet.PressButton(ID_WIZNEXT);
    ASSERT_EQ(sheet.GetActiveIndex(), 2);
    const int grown = 420 + CPropertyPage::kBottomMargin - CPropertyPage::kPageHeight;
    EXPECT_EQ(sheet.c.GetPageHeight(), 420 + CPropertyPage::kBottomMargin);
    sheet.GetClientRect(client);
    EXPECT_EQ(client.Height(), height + grown);
    // Every page is as high as the tallest, the buttons lower by as much.
    for (const CPropertyPage* page : {&sheet.a, &sheet.b, &sheet.c}) {
        CRect r;
        page->GetClientRect(r);
        EXPECT_EQ(r.Height(), 420 + CPropertyPage::kBottomMargin);
    }
    CRect moved = next;
    moved.top += grown;
    moved.bottom += grown;
    EXPECT_EQ(sheet.GetDlgItem(ID_WIZNEXT)->GetRectInParent(), moved);
    EXPECT_EQ(sheet.GetDlgItem(IDCANCEL)->GetRectInParent().top, cancel.top + grown);
    EXPECT_GE(sheet.GetDlgItem(ID_WIZNEXT)->GetRectInParent().top,
              sheet.c.GetRectInParent().bottom);

    // Going back keeps the height: the sheet does not jump.
    sheet.PressButton(ID_WIZBACK);
    sheet.GetClientRect(client);
    EXPECT_EQ(client.Height(), height + grown);
}

TEST_F(SheetFrameworkTest, TheButtonsWidenToTheirLongestTextAndKeepTheirPlaces) {
    TestSheet sheet;
    ASSERT_TRUE(sheet.Create());
    uitest::ProcessEvents();
    CWnd* back = sheet.GetDlgItem(ID_WIZBACK);
    CWnd* next = sheet.GetDlgItem(ID_WIZNEXT);
    CWnd* finish = sheet.GetDlgItem(ID_WIZFINISH);
    CWnd* cancel = sheet.GetDlgItem(IDCANCEL);
    CWnd* help = sheet.GetDlgItem(IDHELP);
    const int right = help->GetRectInParent().right;
    const int width = next->GetRectInParent().Width();

    // Short texts: the row stays as it is.
    next->SetWindowText("Go >");
    sheet.PressButton(ID_WIZNEXT);
    EXPECT_EQ(next->GetRectInParent().Width(), width);

    // A text that does not fit widens every button alike, from the right.
    const std::string longText = "Cancel wizard";
    cancel->SetWindowText(longText);
    sheet.PressButton(ID_WIZNEXT);
    const int wide = cancel->GetRectInParent().Width();
    EXPECT_GT(wide, width);
    EXPECT_GE(wide, cancel->GetTextExtent(longText).cx + 4);
    for (CWnd* button : {back, next, finish, help})
        EXPECT_EQ(button->GetRectInParent().Width(), wide);
    EXPECT_EQ(help->GetRectInParent().right, right);
    EXPECT_EQ(finish->GetRectInParent(), next->GetRectInParent());
    EXPECT_EQ(back->GetRectInParent().right, next->GetRectInParent().left);
    EXPECT_LT(next->GetRectInParent().right, cancel->GetRectInParent().left);
    EXPECT_LT(cancel->GetRectInParent().right, help->GetRectInParent().left);
    EXPECT_GE(back->GetRectInParent().left, 0);

    // However long, the four places stay within the sheet.
    cancel->SetWindowText(std::string(200, 'W'));
    sheet.PressButton(ID_WIZBACK);
    EXPECT_GE(back->GetRectInParent().left, 0);
    EXPECT_EQ(help->GetRectInParent().right, right);
}

TEST_F(SheetFrameworkTest, ANoticeTakesARowAboveTheButtonsUntilOneOfItsButtonsPutsItAway) {
    TestSheet sheet;
    sheet.c.lowestControl = 420;
    ASSERT_TRUE(sheet.Create());
    uitest::ProcessEvents();
    CRect client;
    sheet.GetClientRect(client);
    const int height = client.Height();
    const CRect next = sheet.GetDlgItem(ID_WIZNEXT)->GetRectInParent();
    int accepted = 0;
    int dismissed = 0;
    const std::string text = "USB Headset was plugged in \u2014 use it";
    auto show = [&] {
        sheet.ShowNotice(
            text, "Yes", "No", [&] { ++accepted; }, [&] { ++dismissed; });
    };
    auto item = [&](int id) { return sheet.GetDlgItemAs<CButton>(id); };

    show();
    ASSERT_TRUE(sheet.HasNotice());
    EXPECT_EQ(sheet.GetNoticeText(), text);
    ASSERT_NE(item(CPropertySheet::kNoticeAccept), nullptr);
    EXPECT_TRUE(sheet.GetDlgItem(CPropertySheet::kNoticeText)->IsWindowVisible());
    EXPECT_EQ(item(CPropertySheet::kNoticeAccept)->GetWindowText(), "Yes");
    EXPECT_EQ(item(CPropertySheet::kNoticeDismiss)->GetWindowText(), "No");
    // Between the page and the buttons, which go down by its row.
    sheet.GetClientRect(client);
    const int row = client.Height() - height;
    EXPECT_GE(row, next.Height());
    const CRect moved = sheet.GetDlgItem(ID_WIZNEXT)->GetRectInParent();
    EXPECT_EQ(moved.top, next.top + row);
    for (int id : {CPropertySheet::kNoticeText, CPropertySheet::kNoticeAccept,
                   CPropertySheet::kNoticeDismiss}) {
        const CRect r = sheet.GetDlgItem(id)->GetRectInParent();
        EXPECT_GE(r.top, sheet.a.GetRectInParent().bottom) << id;
        EXPECT_LE(r.bottom, moved.top) << id;
        EXPECT_LE(r.right, client.Width()) << id;
    }
    EXPECT_LT(sheet.GetDlgItem(CPropertySheet::kNoticeText)->GetRectInParent().right,
              sheet.GetDlgItem(CPropertySheet::kNoticeAccept)->GetRectInParent().left);

    // Not modal: the wizard goes on with it; a second one takes its place.
    sheet.PressButton(ID_WIZNEXT);
    EXPECT_EQ(sheet.GetActiveIndex(), 1);
    show();
    sheet.GetClientRect(client);
    EXPECT_EQ(client.Height(), height + row);

    item(CPropertySheet::kNoticeAccept)->Click();
    uitest::ProcessEvents();
    EXPECT_EQ(accepted, 1);
    EXPECT_EQ(dismissed, 0);
    EXPECT_FALSE(sheet.HasNotice());
    EXPECT_EQ(sheet.GetNoticeText(), "");
    EXPECT_FALSE(sheet.GetDlgItem(CPropertySheet::kNoticeText)->IsWindowVisible());
    sheet.GetClientRect(client);
    EXPECT_EQ(client.Height(), height);
    EXPECT_EQ(sheet.GetDlgItem(ID_WIZNEXT)->GetRectInParent(), next);

    // A page that grows under a notice takes the notice down with the row.
    show();
    sheet.PressButton(ID_WIZNEXT);
    ASSERT_EQ(sheet.GetActiveIndex(), 2);
    const int grown = 420 + CPropertyPage::kBottomMargin - CPropertyPage::kPageHeight;
    EXPECT_GE(sheet.GetDlgItem(CPropertySheet::kNoticeText)->GetRectInParent().top,
              sheet.c.GetRectInParent().bottom);
    item(CPropertySheet::kNoticeDismiss)->Click();
    uitest::ProcessEvents();
    EXPECT_EQ(accepted, 1);
    EXPECT_EQ(dismissed, 1);
    sheet.GetClientRect(client);
    EXPECT_EQ(client.Height(), height + grown);
    EXPECT_EQ(sheet.GetDlgItem(ID_WIZNEXT)->GetRectInParent().top, next.top + grown);

    // Put away by the program: neither function runs.
    show();
    sheet.HideNotice();
    sheet.HideNotice();
    EXPECT_EQ(accepted + dismissed, 2);
    sheet.GetClientRect(client);
    EXPECT_EQ(client.Height(), height + grown);
}

} // namespace
