// A message box shown before any window of ours exists (an error at start-up):
// it starts the user interface for itself, shows the text with the program's
// name as caption, answers the button, and can be shown again afterwards.
#include "ui/MessageBox.h"
#include "ui/Testing.h"
#include "ui/WinApp.h"

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
