// Our trace library, bound as the program binds it.
#include "platform/system.h"
#include "platform/trace.h"

#include <QApplication>
#include <QPlainTextEdit>

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

namespace {

std::string ReadLog() {
    std::ifstream in(plat::GetTempPath() + "PelmoraTrace.log", std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::string Marker(const char* what) {
    return std::string(what) + "-" + std::to_string(plat::GetTickCount());
}

class TraceLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        plat::SetTraceLibraryName("Trace.dll");
        plat::LoadTraceLibrary();
        ASSERT_TRUE(plat::TraceBound()) << "libTrace.so not found beside the test";
    }
    void TearDown() override { plat::UnloadTraceLibrary(); }
};

TEST_F(TraceLibraryTest, LinesAreAppendedToTheLogWithTimeSeverityModuleAndLine) {
    const std::string marker = Marker("log");
    TRACE_LOG(1, "MixerSet", 1124,
              "S\xC3\xA9lection source en entr\xC3\xA9"
              "e %s",
              marker.c_str());
    TRACE_LOG(2, "InfoMix", 7, "%s second", marker.c_str());
    const std::string log = ReadLog();
    const std::regex first("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}  W  MixerSet:1124  "
                           "S\xC3\xA9lection source en entr\xC3\xA9"
                           "e " +
                           marker + "\n\\S+ \\S+  E  InfoMix:7  " + marker + " second\n");
    EXPECT_TRUE(std::regex_search(log, first))
        << log.substr(log.size() > 400 ? log.size() - 400 : 0);
}

TEST_F(TraceLibraryTest, ListGoesToStandardErrorWithoutAnApplication) {
    const std::string marker = Marker("list");
    TRACE_LOG(0, "PropSheet", 3, "%s", marker.c_str());
    ::testing::internal::CaptureStderr();
    plat::TraceShowTraceList();
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("  I  PropSheet:3  " + marker), std::string::npos) << err;
}

TEST_F(TraceLibraryTest, ListIsAWindowWhenTheProgramRunsQt) {
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    const std::string marker = Marker("window");
    TRACE_LOG(0, "PropSheet", 4, "%s", marker.c_str());
    ::testing::internal::CaptureStderr();
    plat::TraceShowTraceList();
    EXPECT_EQ(::testing::internal::GetCapturedStderr().find(marker), std::string::npos);

    QPlainTextEdit* text = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->windowTitle() == QStringLiteral("Trace"))
            text = w->findChild<QPlainTextEdit*>();
    }
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(text->toPlainText().contains(QString::fromStdString(marker)));
    plat::UnloadTraceLibrary(); // closes the window before the library goes
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_NE(w->windowTitle(), QStringLiteral("Trace"));
}

} // namespace
