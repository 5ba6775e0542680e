// resources/windows/pelmora.rc, read on every build: it names each picture of
// resources/images and binds Ctrl+Alt+T to the sheet's own command, so the
// Windows program cannot drift from the tree it is built from.
#include "app/PropSheet.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string ResourceScript() {
    std::ifstream in(fs::path(std::getenv("PELMORA_SOURCE_DIR")) / "resources/windows/pelmora.rc");
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::set<std::string> Matches(const std::string& text, const std::regex& pattern) {
    std::set<std::string> found;
    for (std::sregex_iterator it(text.begin(), text.end(), pattern), end; it != end; ++it)
        found.insert((*it)[1]);
    return found;
}

TEST(WindowsResourceScript, NamesEveryPictureUnderItsNumberAsIconOrBitmap) {
    const std::string script = ResourceScript();
    ASSERT_FALSE(script.empty());
    std::set<std::string> pictures;
    for (const auto& entry :
         fs::directory_iterator(fs::path(std::getenv("PELMORA_SOURCE_DIR")) / "resources/images"))
        if (entry.path().extension() == ".png")
            pictures.insert(entry.path().stem().string());
    ASSERT_FALSE(pictures.empty());
    std::set<std::string> named;
    for (const char* kind : {"icon", "bitmap"}) {
        const std::string type = kind == std::string("icon") ? "ICON" : "BITMAP";
        const std::string file = kind == std::string("icon") ? ".ico" : ".bmp";
        for (const std::string& id : Matches(
                 script, std::regex("\\n(\\d+) " + type + " \"" + kind + "_\\1\\" + file + "\"")))
            named.insert(kind + ("_" + id));
    }
    EXPECT_EQ(named, pictures);
    EXPECT_NE(script.find("\n128 ICON \"pelmora.ico\""), std::string::npos) << "the program's icon";
    EXPECT_LT(script.find("\n128 ICON"), script.find(" ICON \"icon_")) << "first in the file";
}

TEST(WindowsResourceScript, CtrlAltTSendsTheSheetsShowTraceListCommand) {
    const std::string script = ResourceScript();
    std::smatch match;
    ASSERT_TRUE(std::regex_search(
        script, match,
        std::regex(R"(\n(\d+) ACCELERATORS\s+BEGIN\s+"T", (\d+), VIRTKEY, CONTROL, ALT\s+END)")));
    EXPECT_EQ(std::stoi(match[1]), IDR_ACCELERATORS);
    EXPECT_EQ(std::stoi(match[2]), ID_SHOW_TRACE_LIST);
}

} // namespace
