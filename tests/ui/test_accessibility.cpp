// What a screen reader finds in the framework's controls, read through the
// toolkit's accessibility interface as an assistive technology reads it:
// names from captions, labels and tool-tips, descriptions, roles, the level
// meter's value and range, who labels whom, and names that follow the texts.
#include "ui/Button.h"
#include "ui/CheckBox.h"
#include "ui/ColorText.h"
#include "ui/ComboBox.h"
#include "ui/Dialog.h"
#include "ui/GroupBox.h"
#include "ui/LevelMeter.h"
#include "ui/Picture.h"
#include "ui/PropertyPage.h"
#include "ui/PropertySheet.h"
#include "ui/SliderCtrl.h"
#include "ui/Testing.h"
#include "ui/WinApp.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

QAccessibleInterface* Interface(const CWnd& wnd) {
    return QAccessible::queryAccessibleInterface(wnd.GetWidget());
}

std::string Name(const CWnd& wnd) {
    QAccessibleInterface* iface = Interface(wnd);
    return iface == nullptr ? "(no interface)" : iface->text(QAccessible::Name).toStdString();
}

std::string Description(const CWnd& wnd) {
    QAccessibleInterface* iface = Interface(wnd);
    return iface == nullptr ? "(no interface)"
                            : iface->text(QAccessible::Description).toStdString();
}

QAccessible::Role Role(const CWnd& wnd) {
    QAccessibleInterface* iface = Interface(wnd);
    return iface == nullptr ? QAccessible::NoRole : iface->role();
}

// The windows related to wnd by relation, as a screen reader finds them.
std::vector<const QWidget*> Related(const CWnd& wnd, QAccessible::Relation relation) {
    std::vector<const QWidget*> widgets;
    for (const auto& [iface, r] : Interface(wnd)->relations(relation))
        if (r == relation && iface != nullptr)
            widgets.push_back(qobject_cast<const QWidget*>(iface->object()));
    return widgets;
}

// A dialog with one control of each kind; each test ties and names them.
class Controls : public CDialog {
public:
    Controls() : CDialog(300) { SetTemplate("Controls"); }
    void CreateControls() override {
        button.Create(this, 101, "");
        caption.Create(this, 102, "Replay");
        check.Create(this, 103);
        slider.Create(this, 104);
        meter.Create(this, 105);
        frame.Create(this, 106, "        ");
        picture.Create(this, 107, 138);
        combo.Create(this, 108);
        first.Create(this, 110, "Test");
        second.Create(this, 111, "Stop");
        third.Create(this, 112, "Recording level:");
    }
    CButton button;
    CButton caption;
    CCheckBox check;
    CSliderCtrl slider;
    CLevelMeter meter;
    CGroupBox frame;
    CPicture picture;
    CComboBox combo;
    CColorText first;
    CColorText second;
    CColorText third;
};

class AccessibilityTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_gui = new CGuiSession(); }
    static void TearDownTestSuite() {
        delete s_gui;
        s_gui = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(dialog.CreateIndirect()); }
    static CGuiSession* s_gui;
    Controls dialog;
};
CGuiSession* AccessibilityTest::s_gui = nullptr;

TEST_F(AccessibilityTest, AButtonIsNamedByItsCaptionElseItsToolTip) {
    dialog.caption.SetTooltipText("Replay your recording");
    EXPECT_EQ(Role(dialog.caption), QAccessible::PushButton);
    EXPECT_EQ(Name(dialog.caption), "Replay");
    EXPECT_EQ(Description(dialog.caption), "Replay your recording");

    // An icon without a caption: the tool-tip names it and describes nothing
    // more; the blank that ends it is not read.
    dialog.button.SetIcon(184, 27, 20);
    dialog.button.SetTooltipText("Check the connections to the sound card ");
    EXPECT_EQ(Name(dialog.button), "Check the connections to the sound card");
    EXPECT_EQ(Description(dialog.button), "");
    // A new tool-tip is read at once.
    dialog.button.SetTooltipText("Check the recording conditions ");
    EXPECT_EQ(Name(dialog.button), "Check the recording conditions");
}

TEST_F(AccessibilityTest, TheTextShownOverAButtonNamesItAndTheNameFollowsIt) {
    dialog.button.SetTooltipText("Click here to listen to the music ");
    dialog.first.SetLabelFor(dialog.button);
    dialog.second.SetLabelFor(dialog.button);
    dialog.second.ShowWindow(SW_HIDE);
    EXPECT_EQ(Name(dialog.button), "Test");
    EXPECT_EQ(Description(dialog.button), "Click here to listen to the music");

    dialog.first.ShowWindow(SW_HIDE);
    dialog.second.ShowWindow(SW_SHOW);
    EXPECT_EQ(Name(dialog.button), "Stop");
    dialog.second.SetText("Halt");
    EXPECT_EQ(Name(dialog.button), "Halt");
    EXPECT_EQ(dialog.button.GetAccessibleName(), "Halt");

    // Its own caption comes before any label.
    dialog.button.SetWindowText("Go");
    EXPECT_EQ(Name(dialog.button), "Go");
}

TEST_F(AccessibilityTest, LabelsNameCheckBoxesSlidersAndFramesWithoutTheirEndingColon) {
    dialog.third.SetLabelFor(dialog.slider);
    dialog.third.SetLabelFor(dialog.meter);
    dialog.first.SetText("If you wish to configure Windows with these parameters, please click "
                         "here:   ");
    dialog.first.SetLabelFor(dialog.check);
    dialog.second.SetText("Playback controls");
    dialog.second.SetLabelFor(dialog.frame);

    EXPECT_EQ(Role(dialog.slider), QAccessible::Slider);
    EXPECT_EQ(Name(dialog.slider), "Recording level");
    EXPECT_EQ(Role(dialog.meter), QAccessible::ProgressBar);
    EXPECT_EQ(Name(dialog.meter), "Recording level");
    EXPECT_EQ(Role(dialog.check), QAccessible::CheckBox);
    EXPECT_EQ(Name(dialog.check),
              "If you wish to configure Windows with these parameters, please click here");
    EXPECT_EQ(Role(dialog.frame), QAccessible::Grouping);
    EXPECT_EQ(Name(dialog.frame), "Playback controls");
    // The label itself reads as it stands, colon and all.
    EXPECT_EQ(Name(dialog.third), "Recording level:");

    // A frame with a caption of its own is named by it.
    dialog.frame.SetWindowText("Results");
    EXPECT_EQ(Name(dialog.frame), "Results");
}

TEST_F(AccessibilityTest, LabelsAndWhatTheyLabelFindEachOther) {
    dialog.third.SetLabelFor(dialog.meter);
    dialog.third.SetLabelFor(dialog.slider);
    dialog.third.SetLabelFor(dialog.slider); // once is enough
    const std::vector<const QWidget*> labelled = Related(dialog.third, QAccessible::Labelled);
    EXPECT_EQ(labelled,
              (std::vector<const QWidget*>{dialog.meter.GetWidget(), dialog.slider.GetWidget()}));
    EXPECT_EQ(Related(dialog.meter, QAccessible::Label),
              (std::vector<const QWidget*>{dialog.third.GetWidget()}));
}

TEST_F(AccessibilityTest, AGivenNameWinsAndAnEmptyOneGivesTheRuleBack) {
    dialog.first.SetLabelFor(dialog.check);
    dialog.check.SetAccessibleName("Keep the settings");
    dialog.check.SetAccessibleDescription("For every program");
    EXPECT_EQ(Name(dialog.check), "Keep the settings");
    EXPECT_EQ(Description(dialog.check), "For every program");
    dialog.check.SetAccessibleName("");
    dialog.check.SetAccessibleDescription("");
    EXPECT_EQ(Name(dialog.check), "Test");
    EXPECT_EQ(Description(dialog.check), "");
}

TEST_F(AccessibilityTest, TextsAreStaticTextsNamedByWhatTheyShow) {
    EXPECT_EQ(Role(dialog.first), QAccessible::StaticText);
    EXPECT_EQ(Name(dialog.first), "Test");
    dialog.first.SetText("                'I am testing the microphone.'");
    EXPECT_EQ(Name(dialog.first), "'I am testing the microphone.'");
    // A language file's Windows-1252 bytes read as they show.
    dialog.first.SetText("Caf\xe9 cr\xe8me");
    EXPECT_EQ(Name(dialog.first), "Café crème");
    EXPECT_TRUE(Interface(dialog.first)->state().readOnly);
}

TEST_F(AccessibilityTest, TheMeterIsAValueWithinItsRange) {
    dialog.meter.SetRange(0, 9031);
    dialog.meter.SetPos(4500);
    QAccessibleValueInterface* value = Interface(dialog.meter)->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->currentValue().toInt(), 4500);
    EXPECT_EQ(value->minimumValue().toInt(), 0);
    EXPECT_EQ(value->maximumValue().toInt(), 9031);
    // It shows levels; a screen reader cannot set one.
    value->setCurrentValue(100);
    EXPECT_EQ(dialog.meter.GetPos(), 4500);
    // While it falls, the value is what the bar shows.
    dialog.meter.SetLevel(1000);
    EXPECT_EQ(value->currentValue().toInt(), 4500);
    dialog.meter.Advance(1000);
    EXPECT_EQ(value->currentValue().toInt(), dialog.meter.ShownPos());
    EXPECT_LT(dialog.meter.ShownPos(), 4500);

    // Other painted controls have no value.
    EXPECT_EQ(Interface(dialog.first)->valueInterface(), nullptr);
    EXPECT_EQ(Role(dialog.picture), QAccessible::Graphic);
}

TEST_F(AccessibilityTest, ALabelThatGoesTakesItsNameAlong) {
    dialog.button.SetTooltipText("Update the sound parameters");
    {
        CColorText label;
        label.Create(&dialog, 120, "Update");
        label.SetLabelFor(dialog.button);
        EXPECT_EQ(Name(dialog.button), "Update");
    }
    EXPECT_EQ(Name(dialog.button), "Update the sound parameters");
}

// A sheet whose pages are named after their titles.
class Page : public CPropertyPage {
public:
    explicit Page(int id) : CPropertyPage(id) {}
    void CreateControls() override { text.Create(this, 100, "Hello"); }
    CColorText text;
};

TEST_F(AccessibilityTest, PagesArePropertyPagesNamedByTheirTitles) {
    Page one(201);
    Page two(202);
    CPropertySheet sheet("Wizard");
    sheet.AddPage(&one);
    sheet.AddPage(&two);
    sheet.SetWizardMode();
    ASSERT_TRUE(sheet.Create());
    sheet.SetTabItemText(0, " Step 1/2: Sound card Test");
    sheet.SetTabItemText(1, " Step 2/2: Audio level Test");
    EXPECT_EQ(Role(one), QAccessible::PropertyPage);
    EXPECT_EQ(Name(one), "Step 1/2: Sound card Test");
    sheet.SetActivePage(1);
    EXPECT_EQ(Name(two), "Step 2/2: Audio level Test");
    // The sheet itself is a dialog named by its title.
    EXPECT_EQ(Role(sheet), QAccessible::Dialog);
    EXPECT_EQ(Name(sheet), " Step 2/2: Audio level Test");
    sheet.EndDialog(IDCANCEL);
}

} // namespace
