// What a screen reader finds on every page and in both help dialogs, read
// through the toolkit's accessibility interface as an assistive technology
// reads it: no visible control without a name, and the names, descriptions,
// roles and values the pages' texts give their controls.
#include "SheetTestSuite.h"

#include "app/PropSheet.h"
#include "platform/sound_backend.h"
#include "platform/trace.h"
#include "platform/virtual/VirtualCard.h"
#include "resources/ProgramResources.h"
#include "ui/Dialog.h"
#include "ui/Testing.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QMetaEnum>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

std::string RoleName(QAccessible::Role role) {
    const char* key = QMetaEnum::fromType<QAccessible::Role>().valueToKey(role);
    return key != nullptr ? key : std::to_string(static_cast<int>(role));
}

std::string Trimmed(const QString& text) {
    return text.trimmed().toStdString();
}

// Decorations carry no name: pictures, and frames with no caption nor a
// title laid over them. Everything else a screen reader stops at is named.
bool IsDecoration(QAccessible::Role role) {
    return role == QAccessible::Graphic || role == QAccessible::Grouping;
}

// Containers are walked into; controls are checked, not their insides (a
// list's rows, a combo box's edit field).
bool IsContainer(QAccessible::Role role) {
    return role == QAccessible::Dialog || role == QAccessible::PropertyPage ||
           role == QAccessible::Window || role == QAccessible::Client;
}

// Every visible control under iface without a name, said as "where: id role".
void FindUnnamed(QAccessibleInterface* iface, const std::string& where,
                 std::vector<std::string>& unnamed) {
    for (int i = 0; i < iface->childCount(); ++i) {
        QAccessibleInterface* child = iface->child(i);
        const auto* widget = child == nullptr ? nullptr : qobject_cast<QWidget*>(child->object());
        if (widget == nullptr || !widget->isVisible())
            continue;
        const QAccessible::Role role = child->role();
        const CWnd* wnd = uitest::WindowOfWidget(widget);
        const std::string id = wnd == nullptr ? "(no window)" : std::to_string(wnd->GetDlgCtrlID());
        const std::string name = Trimmed(child->text(QAccessible::Name));
        if (name.empty() && !IsDecoration(role))
            unnamed.push_back(where + ": " + id + " " + RoleName(role));
        if (IsContainer(role))
            FindUnnamed(child, where + "/" + (name.empty() ? id : name), unnamed);
    }
}

std::vector<std::string> Unnamed(const CWnd& top, const std::string& where) {
    std::vector<std::string> unnamed;
    FindUnnamed(QAccessible::queryAccessibleInterface(top.GetWidget()), where, unnamed);
    return unnamed;
}

QAccessibleInterface* Interface(const CWnd& page, int id) {
    const CWnd* control = page.GetDlgItem(id);
    return control == nullptr ? nullptr
                              : QAccessible::queryAccessibleInterface(control->GetWidget());
}

struct Read {
    std::string name;
    std::string description;
    QAccessible::Role role = QAccessible::NoRole;
    bool operator==(const Read&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Read& r) {
    return out << "{\"" << r.name << "\", \"" << r.description << "\", " << RoleName(r.role) << "}";
}

Read ReadOf(const CWnd& page, int id) {
    QAccessibleInterface* iface = Interface(page, id);
    if (iface == nullptr)
        return {"(no control " + std::to_string(id) + ")", "", QAccessible::NoRole};
    return {iface->text(QAccessible::Name).toStdString(),
            iface->text(QAccessible::Description).toStdString(), iface->role()};
}

class AccessibleNamesTest : public SheetTestSuite {
protected:
    void SetUp() override {
        plat::SetTraceLibraryName("NoTraceForPageTests.dll");
        RegisterProgramResources();
        card = std::make_shared<plat::CVirtualCard>(plat::DefaultCardDesc(),
                                                    plat::CVirtualCard::Clock::Manual);
        plat::MicrophoneSignal tone;
        tone.kind = plat::MicrophoneSignal::Kind::Sine;
        tone.amplitude = 6000;
        tone.frequency = 440;
        card->SetMicrophone(tone);
        plat::InstallSoundBackend(card);
        sheet = std::make_unique<CPropSheet>();
        ASSERT_TRUE(sheet->Create());
        uitest::ProcessEvents();
    }
    void TearDown() override {
        CDialog::SetModalHook(nullptr);
        if (sheet && sheet->IsOpen()) {
            sheet->m_audioEngine.StopPlay();
            sheet->m_audioEngine.StopRecording();
            sheet->EndDialog(IDCANCEL);
        }
        uitest::ProcessEvents(10);
        sheet.reset();
        card->WaitCallbacks();
        plat::InstallSoundBackend(std::make_shared<plat::CVirtualCard>());
    }
    void Show(int page) {
        ASSERT_TRUE(sheet->SetActivePage(page));
        uitest::ProcessEvents();
    }
    void Click(CWnd& page, int id) {
        uitest::Click(*page.GetDlgItem(id));
        uitest::ProcessEvents();
    }

    std::shared_ptr<plat::CVirtualCard> card;
    std::unique_ptr<CPropSheet> sheet;
};

TEST_F(AccessibleNamesTest, NoVisibleControlOfAnyPageOrDialogIsWithoutAName) {
    std::vector<std::string> unnamed;
    const auto walk = [&](const std::string& where) {
        for (const std::string& u : Unnamed(*sheet, where))
            unnamed.push_back(u);
    };
    // Each page as it opens and in the states that show other controls.
    walk("page 1");
    for (int id : {1067, 1066}) {
        CDialog::SetModalHook([&](CDialog& dialog) {
            for (const std::string& u :
                 Unnamed(dialog, "dialog " + std::to_string(dialog.GetTemplateId())))
                unnamed.push_back(u);
            dialog.EndDialog(IDOK);
        });
        Click(sheet->m_page1, id);
    }
    CDialog::SetModalHook(nullptr);
    Show(1);
    walk("page 2");
    Click(sheet->m_page2, 1065);
    walk("page 2 tested");
    Show(2);
    walk("page 3");
    Click(sheet->m_page3, 1001);
    walk("page 3 playing");
    Click(sheet->m_page3, 1001);
    Show(3);
    walk("page 4");
    Click(sheet->m_page4, 1004);
    walk("page 4 recording");
    card->AdvanceClock(400);
    uitest::ProcessEvents(50);
    Click(sheet->m_page4, 1004);
    walk("page 4 recorded");
    Show(4);
    walk("page 5");
    EXPECT_EQ(unnamed, std::vector<std::string>{});
}

TEST_F(AccessibleNamesTest, PagesAreNamedByTheirTitles) {
    const char* titles[] = {nullptr, "Step 1/3: Sound card Test", "Step 2/3: Audio level Test",
                            "Step 3/3: Microphone level Test", "Test completed!"};
    for (int page = 1; page < 5; ++page) {
        Show(page);
        QAccessibleInterface* iface =
            QAccessible::queryAccessibleInterface(sheet->GetPage(page)->GetWidget());
        EXPECT_EQ(iface->role(), QAccessible::PropertyPage);
        EXPECT_EQ(Trimmed(iface->text(QAccessible::Name)), titles[page]);
    }
}

TEST_F(AccessibleNamesTest, ButtonsAreNamedByTheTextOverThemAndDescribedByTheirToolTips) {
    using R = QAccessible::Role;
    CPropPage1& p1 = sheet->m_page1;
    EXPECT_EQ(ReadOf(p1, 1067),
              (Read{"About the connections...", "Connections to the sound card", R::PushButton}));
    EXPECT_EQ(ReadOf(p1, 1066),
              (Read{"About your headset...", "Ideal test conditions", R::PushButton}));
    EXPECT_EQ(ReadOf(p1, 1010).role, R::StaticText);
    EXPECT_EQ(ReadOf(p1, 1010).name,
              "The audio wizard will adjust the audio and microphone levels.");

    Show(1);
    CPropPage2& p2 = sheet->m_page2;
    EXPECT_EQ(ReadOf(p2, 1065),
              (Read{"Test", "Click here to test your sound card", R::PushButton}));
    EXPECT_EQ(ReadOf(p2, 1024).name, "Test results");
    EXPECT_EQ(ReadOf(p2, 1051), (Read{"Test results", "", R::Grouping}));

    Show(2);
    CPropPage3& p3 = sheet->m_page3;
    EXPECT_EQ(ReadOf(p3, 1001), (Read{"Test", "Click here to listen to the music", R::PushButton}));
    EXPECT_EQ(ReadOf(p3, 1074),
              (Read{"Check the connections to the sound card", "", R::PushButton}));
    EXPECT_EQ(ReadOf(p3, CPropPage3::kLeftButton),
              (Read{"L", "Play a voice on the left speaker only", R::PushButton}));
    Click(p3, 1001);
    // The button now shows "Stop": it is read so, with its new tool-tip.
    EXPECT_EQ(ReadOf(p3, 1001), (Read{"Stop", "Click here to stop the music", R::PushButton}));
    Click(p3, 1001);

    Show(3);
    CPropPage4& p4 = sheet->m_page4;
    EXPECT_EQ(ReadOf(p4, 1004), (Read{"Start", "Click here to begin recording", R::PushButton}));
    EXPECT_EQ(ReadOf(p4, 1064), (Read{"Replay", "Replay your recording", R::PushButton}));
    EXPECT_EQ(ReadOf(p4, 1074), (Read{"Check the recording conditions", "", R::PushButton}));
    Click(p4, 1004);
    EXPECT_EQ(ReadOf(p4, 1004), (Read{"Stop", "Click here to stop recording", R::PushButton}));
    card->AdvanceClock(400);
    uitest::ProcessEvents(50);
    Click(p4, 1004);

    Show(4);
    EXPECT_EQ(ReadOf(sheet->m_page5, 1102),
              (Read{"Update", "Click here to update the sound parameters", R::PushButton}));
}

TEST_F(AccessibleNamesTest, SlidersCheckBoxesAndFramesAreNamedByTheirLabels) {
    using R = QAccessible::Role;
    Show(2);
    EXPECT_EQ(ReadOf(sheet->m_page3, 1002), (Read{"Listening Volume", "", R::Slider}));
    EXPECT_EQ(ReadOf(sheet->m_page3, 1054), (Read{"Playback controls", "", R::Grouping}));

    Show(3);
    CPropPage4& p4 = sheet->m_page4;
    EXPECT_EQ(ReadOf(p4, 1018), (Read{"Recording level", "", R::Slider}));
    EXPECT_EQ(ReadOf(p4, CPropPage4::kAutoLevelBox),
              (Read{"Adjust the microphone level automatically", "", R::CheckBox}));
    EXPECT_EQ(ReadOf(p4, 1058), (Read{"Playback controls", "", R::Grouping}));
    // The result line of a warning is named so.
    EXPECT_EQ(ReadOf(p4, 1085).name, "Warning");

    Show(4);
    CPropPage5& p5 = sheet->m_page5;
    EXPECT_EQ(ReadOf(p5, 1006),
              (Read{"If you wish to configure Parlendo with these parameters, please click here",
                    "", R::CheckBox}));
    EXPECT_EQ(ReadOf(p5, 1118).name,
              "If you wish to configure QRV Tiko with these parameters, please click here");
    EXPECT_EQ(ReadOf(p5, 1120).name,
              "If you wish to configure Windows with these parameters, please click here");
    // The student box: the desktop's screen readers take its text as its
    // name; what it is for is its description.
    EXPECT_EQ(ReadOf(p5, 1104).role, R::ComboBox);
    EXPECT_EQ(ReadOf(p5, 1104).description, "Student");
}

TEST_F(AccessibleNamesTest, TheMeterIsTheRecordingLevelWithinItsRange) {
    // The microphone chosen for recording, as the sound-card test leaves it.
    sheet->m_mixerSetup.PrepareRecording();
    sheet->m_mixerSetup.SetRecordingVolume(5000);
    Show(3);
    QAccessibleInterface* meter = Interface(sheet->m_page4, 1003);
    ASSERT_NE(meter, nullptr);
    EXPECT_EQ(meter->role(), QAccessible::ProgressBar);
    EXPECT_EQ(meter->text(QAccessible::Name).toStdString(), "Recording level");
    QAccessibleValueInterface* value = meter->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->minimumValue().toInt(), 0);
    EXPECT_EQ(value->maximumValue().toInt(), CPropPage4::kMeterMax);
    EXPECT_EQ(value->currentValue().toInt(), 0);

    // While a recording runs the value is the level the bar shows.
    Click(sheet->m_page4, 1004);
    for (int i = 0; i < 20 && value->currentValue().toInt() == 0; ++i) {
        card->AdvanceClock(40);
        uitest::ProcessEvents(25);
    }
    EXPECT_GT(value->currentValue().toInt(), 0);
    EXPECT_LE(value->currentValue().toInt(), CPropPage4::kMeterMax);
    Click(sheet->m_page4, 1004);
}

} // namespace
