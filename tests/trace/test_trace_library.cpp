// Our trace library, bound as the program binds it.
#include "platform/files/directories.h"
#include "platform/system/clock.h"
#include "platform/system/trace.h"
#include "tests/support/TestDir.h"

#include <QApplication>
#include <QPlainTextEdit>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace fs = std::filesystem;

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

// The library's log in a temporary directory of the test's own: TMPDIR
// points there while the library is bound.
class TraceLogPlaceTest : public TraceLibraryTest {
protected:
    void SetUp() override {
        if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"))
            m_runtime = runtime;
        if (const char* tmp = std::getenv("TMPDIR"))
            m_tmp = tmp;
        ::unsetenv("XDG_RUNTIME_DIR");
        ::setenv("TMPDIR", m_dir.c_str(), 1);
        m_log = plat::GetTempPath() + "PelmoraTrace.log";
        ASSERT_EQ(m_log, (m_dir / ("pelmora-" + std::to_string(::geteuid())) / "PelmoraTrace.log"));
        Prepare();
        TraceLibraryTest::SetUp();
    }
    void TearDown() override {
        TraceLibraryTest::TearDown();
        Restore("XDG_RUNTIME_DIR", m_runtime);
        Restore("TMPDIR", m_tmp);
        fs::remove_all(m_dir);
    }
    virtual void Prepare() {}
    static void Restore(const char* name, const std::string& value) {
        if (value.empty())
            ::unsetenv(name);
        else
            ::setenv(name, value.c_str(), 1);
    }
    static std::string Listed() {
        ::testing::internal::CaptureStderr();
        plat::TraceShowTraceList();
        return ::testing::internal::GetCapturedStderr();
    }

    fs::path m_dir = FreshTestDir("pelmora_tracelog");
    std::string m_log;
    std::string m_runtime;
    std::string m_tmp;
};

TEST_F(TraceLogPlaceTest, TheLogLivesInTheUsersPrivateDirectoryAndStaysBounded) {
    const std::string text(100, 't');
    for (int i = 0; i < 7000; ++i)
        TRACE_LOG(0, "MixerSet", i, "%s", text.c_str());
    TRACE_LOG(2, "InfoMix", 9, "last line");
    const auto size = fs::file_size(m_log);
    EXPECT_LE(size, 512u * 1024u);
    EXPECT_GE(size, 256u * 1024u - 200u);
    std::ifstream in(m_log, std::ios::binary);
    std::string first;
    std::getline(in, first);
    EXPECT_TRUE(std::regex_match(first, std::regex("\\S+ \\S+  I  MixerSet:\\d+  t{100}")))
        << "the cut is at a line boundary: " << first.substr(0, 80);
    const std::string log = ReadLog();
    EXPECT_EQ(log.substr(log.size() - 10), "last line\n");
    EXPECT_EQ(fs::status(m_log).permissions(), fs::perms::owner_read | fs::perms::owner_write);
}

class TraceLogLinkTest : public TraceLogPlaceTest {
protected:
    void Prepare() override {
        std::ofstream(m_dir / "victim.txt") << "precious";
        fs::create_symlink(m_dir / "victim.txt", m_log);
    }
};

TEST_F(TraceLogLinkTest, ALinkPlantedAsTheLogIsNotFollowedAndTheListSaysSo) {
    TRACE_LOG(1, "MixerSet", 5, "not for the victim");
    std::ifstream in(m_dir / "victim.txt");
    std::string victim;
    std::getline(in, victim);
    EXPECT_EQ(victim, "precious");
    EXPECT_TRUE(fs::is_symlink(m_log));
    const std::string listed = Listed();
    EXPECT_NE(
        listed.find("no trace log: cannot write the log " + m_log + ": it is a symbolic link"),
        std::string::npos)
        << listed;
    EXPECT_NE(listed.find("not for the victim"), std::string::npos) << listed;
}

} // namespace
