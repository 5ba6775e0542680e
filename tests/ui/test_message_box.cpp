// A message box shown before any window of ours exists (an error at start-up):
// it starts the user interface for itself, shows the text with the program's
// name as caption, answers the button, and can be shown again afterwards.
#include "ui/MessageBox.h"
#include "ui/Testing.h"
#include "ui/WinApp.h"
#include "ui/Wnd.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Shown {
    std::string text;
    std::string caption;
    plat::UINT type;
};

TEST(StartUpMessageBox, ShowsTheTextWithoutAWindowAndAnswersTheButton) {
    std::vector<Shown> shown;
    uitest::SetMessageBoxHandler(
        [&](const std::string& text, const std::string& caption, plat::UINT type) {
            shown.push_back({text, caption, type});
            return IDOK;
        });
    int argc = 1;
    char name[] = "pelmora";
    char* argv[] = {name, nullptr};
    EXPECT_EQ(AfxMessageBox(argc, argv, "no sound server answers", MB_OK | MB_ICONHAND), IDOK);
    // The session it started is gone: a second box (or a later wizard) starts
    // its own.
    EXPECT_EQ(AfxMessageBox(argc, argv, "second"), IDOK);
    {
        CGuiSession running;
        EXPECT_EQ(AfxMessageBox(argc, argv, "inside a running session"), IDOK);
    }
    uitest::SetMessageBoxHandler(nullptr);
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].text, "no sound server answers");
    EXPECT_EQ(shown[0].caption, "Pelmora");
    EXPECT_EQ(shown[0].type, MB_OK | MB_ICONHAND);
    EXPECT_EQ(shown[1].type, MB_OK);
    EXPECT_EQ(shown[2].text, "inside a running session");
}

} // namespace

namespace {

// Buttons that say what they do: the test presses one by what it says, and
// the box answers the id of the standard button in its place.
TEST(MessageBoxButtons, ATestPressesAButtonByItsCaption) {
    std::vector<std::vector<std::string>> seen;
    std::string press;
    uitest::SetMessageBoxHandler([&](const std::string&, const std::string&, plat::UINT) {
        seen.push_back(uitest::MessageBoxButtonTexts());
        return uitest::MessageBoxButtonId(press);
    });
    CGuiSession gui;
    CWnd none;
    const std::vector<std::string> captions = {"Put back", "Keep as it is", "Ask me later"};
    press = "Keep as it is";
    EXPECT_EQ(none.MessageBox("Put them back?", "", MB_YESNOCANCEL | MB_ICONQUESTION, captions),
              IDNO);
    press = "Ask me later";
    EXPECT_EQ(none.MessageBox("Put them back?", "", MB_YESNOCANCEL, captions), IDCANCEL);
    press = "Put back";
    EXPECT_EQ(none.MessageBox("Put them back?", "", MB_YESNOCANCEL, captions), IDYES);
    // A caption the box does not have presses nothing.
    press = "Yes";
    EXPECT_EQ(none.MessageBox("Put them back?", "", MB_YESNOCANCEL, captions), 0);
    // Without captions of its own a box has the standard ones; an empty
    // caption keeps the standard one in its place.
    press = "Cancel";
    EXPECT_EQ(none.MessageBox("Go on?", "", MB_YESNOCANCEL), IDCANCEL);
    press = "OK";
    EXPECT_EQ(none.MessageBox("Go on?", "", MB_OKCANCEL, {"", "Stop"}), IDOK);
    uitest::SetMessageBoxHandler(nullptr);

    ASSERT_EQ(seen.size(), 6u);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(seen[i], captions);
    EXPECT_EQ(seen[4], (std::vector<std::string>{"Yes", "No", "Cancel"}));
    EXPECT_EQ(seen[5], (std::vector<std::string>{"OK", "Stop"}));
    // Outside a handler there is no box being answered.
    EXPECT_TRUE(uitest::MessageBoxButtonTexts().empty());
    EXPECT_EQ(uitest::MessageBoxButtonId("OK"), 0);
}

} // namespace
