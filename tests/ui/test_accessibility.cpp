// What a screen reader finds in the framework's controls, read through the
// toolkit's accessibility interface as an assistive technology reads it:
// names from captions, labels and tool-tips, descriptions, roles, the level
// meter's value and range, who labels whom, and names that follow the texts.
#include "tests/support/GuiSessionTest.h"
#include "ui/Button.h"
#include "ui/CheckBox.h"
#include "ui/ColorText.h"
#include "ui/ComboBox.h"
#include "ui/Dialog.h"
#include "ui/GroupBox.h"
#include "ui/LevelMeter.h"
#include "ui/Picture.h"
#include "ui/SliderCtrl.h"
#include "ui/Testing.h"
#include "ui/WinApp.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QWidget>

#include <gtest/gtest.h>

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

class AccessibilityTest : public GuiSessionTest {
protected:
    void SetUp() override { ASSERT_TRUE(dialog.CreateIndirect()); }
    Controls dialog;
};

TEST_F(AccessibilityTest, AButtonIsNamedByItsCaptionTheTextShownOverItOrItsToolTip) {
    dialog.caption.SetTooltipText("Replay your recording");
    EXPECT_EQ(Role(dialog.caption), QAccessible::PushButton);
    EXPECT_EQ(Name(dialog.caption), "Replay");
    EXPECT_EQ(Description(dialog.caption), "Replay your recording");

    // An icon alone: the tool-tip names it, without its ending blank.
    dialog.button.SetIcon(184, 27, 20);
    dialog.button.SetTooltipText("Click here to listen to the music ");
    EXPECT_EQ(Name(dialog.button), "Click here to listen to the music");
    EXPECT_EQ(Description(dialog.button), "");

    // Two texts over it: the one shown names it, whatever it becomes.
    dialog.first.SetLabelFor(dialog.button);
    dialog.second.SetLabelFor(dialog.button);
    dialog.second.ShowWindow(SW_HIDE);
    EXPECT_EQ(Name(dialog.button), "Test");
    EXPECT_EQ(Description(dialog.button), "Click here to listen to the music");
    dialog.first.ShowWindow(SW_HIDE);
    dialog.second.ShowWindow(SW_SHOW);
    EXPECT_EQ(Name(dialog.button), "Stop");
    dialog.second.SetText("Halt");
    EXPECT_EQ(dialog.button.GetAccessibleName(), "Halt");

    // A name given wins until an empty one gives the rule back.
    dialog.button.SetAccessibleName("Music");
    EXPECT_EQ(Name(dialog.button), "Music");
    dialog.button.SetAccessibleName("");
    EXPECT_EQ(Name(dialog.button), "Halt");
    // A label that goes takes its name along.
    dialog.first.SetLabelFor(dialog.caption);
    {
        CColorText label;
        label.Create(&dialog, 120, "Update");
        label.SetLabelFor(dialog.check);
        EXPECT_EQ(Name(dialog.check), "Update");
    }
    EXPECT_EQ(Name(dialog.check), "");
}

TEST_F(AccessibilityTest, LabelsNameCheckBoxesSlidersMetersAndFramesAsOneLineWithoutItsColon) {
    dialog.third.SetLabelFor(dialog.slider);
    dialog.third.SetLabelFor(dialog.meter);
    dialog.first.SetText("If you wish to configure Caf\xe9 with these\nparameters, please "
                         "click here:   ");
    dialog.first.SetLabelFor(dialog.check);
    dialog.second.SetLabelFor(dialog.frame);

    EXPECT_EQ(Role(dialog.slider), QAccessible::Slider);
    EXPECT_EQ(Name(dialog.slider), "Recording level");
    EXPECT_EQ(Role(dialog.meter), QAccessible::ProgressBar);
    EXPECT_EQ(Name(dialog.meter), "Recording level");
    EXPECT_EQ(Role(dialog.check), QAccessible::CheckBox);
    EXPECT_EQ(Name(dialog.check),
              "If you wish to configure Café with these parameters, please click here");
    // A frame whose caption is blanks under a title: the title names it.
    EXPECT_EQ(Role(dialog.frame), QAccessible::Grouping);
    EXPECT_EQ(Name(dialog.frame), "Stop");
    dialog.frame.SetWindowText("Results");
    EXPECT_EQ(Name(dialog.frame), "Results");

    // The label is a text that reads as it stands, colon and all, and knows
    // what it labels, as they know it.
    EXPECT_EQ(Role(dialog.third), QAccessible::StaticText);
    EXPECT_EQ(Name(dialog.third), "Recording level:");
    EXPECT_EQ(Related(dialog.third, QAccessible::Labelled),
              (std::vector<const QWidget*>{dialog.slider.GetWidget(), dialog.meter.GetWidget()}));
    EXPECT_EQ(Related(dialog.meter, QAccessible::Label),
              (std::vector<const QWidget*>{dialog.third.GetWidget()}));
    EXPECT_EQ(Role(dialog.picture), QAccessible::Graphic);
}

TEST_F(AccessibilityTest, TheMeterIsTheLevelItShowsWithinItsRange) {
    dialog.meter.SetRange(0, 9031);
    dialog.meter.SetPos(4500);
    QAccessibleValueInterface* value = Interface(dialog.meter)->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->currentValue().toInt(), 4500);
    EXPECT_EQ(value->minimumValue().toInt(), 0);
    EXPECT_EQ(value->maximumValue().toInt(), 9031);
    value->setCurrentValue(100); // it shows levels; nobody sets one through it
    EXPECT_EQ(dialog.meter.GetPos(), 4500);
    // While the bar falls, the value is what it shows.
    dialog.meter.SetLevel(1000);
    dialog.meter.Advance(1000);
    EXPECT_EQ(value->currentValue().toInt(), dialog.meter.ShownPos());
    EXPECT_GT(dialog.meter.ShownPos(), 1000);
    EXPECT_EQ(Interface(dialog.first)->valueInterface(), nullptr);
}

// What a live text tells when it appears takes a listening screen reader,
// which the offscreen platform never has: tests/atspi hears it.
TEST_F(AccessibilityTest, ALiveTextIsAStatusLineThatReadsAsItsText) {
    EXPECT_FALSE(dialog.first.IsLiveRegion());
    dialog.first.SetLiveRegion(true);
    dialog.first.SetText("No voice was heard:\ncheck the microphone.");
    EXPECT_TRUE(dialog.first.IsLiveRegion());
    EXPECT_EQ(Role(dialog.first), QAccessible::StatusBar);
    EXPECT_EQ(Name(dialog.first), "No voice was heard: check the microphone.");
    EXPECT_TRUE(Interface(dialog.first)->state().readOnly);
    EXPECT_EQ(Role(dialog.second), QAccessible::StaticText);
    dialog.first.SetLiveRegion(false);
    EXPECT_EQ(Role(dialog.first), QAccessible::StaticText);
}

} // namespace
