// What a screen reader finds on every page and in both help dialogs, read
// through the toolkit's accessibility interface as an assistive technology
// reads it: no visible control without a name, and the names, descriptions,
// roles and values the pages' texts give their controls.
#include "SheetTestSuite.h"

#include "app/PropSheet.h"
#include "platform/sound_backend.h"
#include "platform/system/trace.h"
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
        CloseSheet(sheet);
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

TEST_F(AccessibleNamesTest, ControlsAreReadByTheTextsTheirPagesShowBesideOrOverThem) {
    using R = QAccessible::Role;
    // What each page's controls read as it opens: buttons named by the text
    // over them (or their tool-tip) and described by the tool-tip, sliders,
    // check boxes and frames by their labels, the page by its title.
    const struct {
        int page;
        int id; // 0: the page itself
        Read read;
    } expected[] = {
        {1, 0, {"Step 1/3: Sound card Test", "", R::PropertyPage}},
        {1, 1065, {"Test", "Click here to test your sound card", R::PushButton}},
        {1, 1024, {"Test results", "", R::Tree}},
        {1, 1051, {"Test results", "", R::Grouping}},
        {2, 1001, {"Test", "Click here to listen to the music", R::PushButton}},
        {2, 1002, {"Listening Volume", "", R::Slider}},
        {2, 1074, {"Check the connections to the sound card", "", R::PushButton}},
        {2, 1054, {"Playback controls", "", R::Grouping}},
        {2, 1240, {"L", "Play a voice on the left speaker only", R::PushButton}},
        {3, 1064, {"Replay", "Replay your recording", R::PushButton}},
        {3, 1018, {"Recording level", "", R::Slider}},
        {3, 1230, {"Adjust the microphone level automatically", "", R::CheckBox}},
        {3, 1085, {"Warning", "", R::EditableText}},
        {4, 0, {"Test completed!", "", R::PropertyPage}},
        {4,
         1120,
         {"If you wish to configure this computer with these parameters, please click here", "",
          R::CheckBox}},
        {4, 1102, {"Update", "Click here to update the sound parameters", R::PushButton}},
    };
    for (const auto& e : expected) {
        Show(e.page);
        const CWnd& page = *sheet->GetPage(e.page);
        const Read read = e.id == 0
                              ? Read{Trimmed(QAccessible::queryAccessibleInterface(page.GetWidget())
                                                 ->text(QAccessible::Name)),
                                     "", R::PropertyPage}
                              : ReadOf(page, e.id);
        EXPECT_EQ(read, e.read) << "page " << e.page + 1 << ", control " << e.id;
    }
    EXPECT_EQ(ReadOf(sheet->m_page1, 1067),
              (Read{"About the connections...", "Connections to the sound card", R::PushButton}));
    // The desktop's screen readers take a combo box's text as its name: what
    // the student box is for is its description.
    EXPECT_EQ(ReadOf(sheet->m_page5, 1104).description, "Student");
    // So are page 2's device lists: each read as the device it shows, for
    // the label beside it.
    EXPECT_EQ(ReadOf(sheet->m_page2, 1201), (Read{"Virtual Wave In", "Microphone", R::ComboBox}));
    EXPECT_EQ(ReadOf(sheet->m_page2, 1203), (Read{"Virtual Wave Out", "Speakers", R::ComboBox}));

    // A button whose text changes is read by the text it shows now.
    Show(2);
    Click(sheet->m_page3, 1001);
    EXPECT_EQ(ReadOf(sheet->m_page3, 1001),
              (Read{"Stop", "Click here to stop the music", R::PushButton}));
    Click(sheet->m_page3, 1001);
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
    // The verdict that follows is a status line, which a screen reader is
    // told of as it appears (tests/atspi hears it).
    const Read verdict = ReadOf(sheet->m_page4, 1210);
    EXPECT_EQ(verdict.role, QAccessible::StatusBar);
    EXPECT_NE(verdict.name, "");
}

} // namespace
