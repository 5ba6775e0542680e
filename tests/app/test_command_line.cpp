#include "app/CommandLine.h"

#include "platform/system_testing.h"
#include "tests/support/ScopedEnv.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

int g_runs = 0;
std::vector<std::string> g_lastArgs;

int RunRecord(const std::vector<std::string>& args, std::ostream& out, std::ostream&) {
    ++g_runs;
    g_lastArgs = args;
    out << "recorded";
    return 7;
}

const CommandLineTool kTools[] = {
    {"--report", "", "print the inventory", 0, &RunRecord},
    {"--export", "FILE KEY", "export a key to a file", 2, &RunRecord},
};

struct Parsed {
    CommandLine result;
    std::string out;
    std::string err;
};

Parsed Parse(std::vector<std::string> args) {
    std::ostringstream out, err;
    Parsed p{ParseCommandLine(args, kTools, out, err), {}, {}};
    p.out = out.str();
    p.err = err.str();
    return p;
}

TEST(CommandLine, NoArgumentsRunsTheWizard) {
    const Parsed p = Parse({});
    EXPECT_FALSE(p.result.exit);
    EXPECT_EQ(p.result.tool, nullptr);
    EXPECT_EQ(p.result.soundChoice, "");
    EXPECT_TRUE(p.out.empty() && p.err.empty());
}

TEST(CommandLine, HelpListsEveryOptionAndTool) {
    const Parsed p = Parse({"--sound=alsa", "--help", "--bogus"});
    EXPECT_TRUE(p.result.exit);
    EXPECT_EQ(p.result.exitCode, 0);
    for (const char* text : {"--sound=CHOICE", "--report", "--export FILE KEY",
                             "export a key to a file", "--help", "--version"})
        EXPECT_NE(p.out.find(text), std::string::npos) << text;
    EXPECT_TRUE(p.err.empty());
}

TEST(CommandLine, VersionComesFromTheProgram) {
    Parsed p = Parse({"--version"});
    EXPECT_TRUE(p.result.exit);
    EXPECT_EQ(p.result.exitCode, 0);
    EXPECT_EQ(p.out, "pelmora 1.0.0\n");
    plat::SetProductVersionForTesting("");
    p = Parse({"--version"});
    plat::SetProductVersionForTesting(nullptr);
    EXPECT_EQ(p.out, "pelmora (no version)\n");
}

TEST(CommandLine, SoundChoiceAndToolWithItsArguments) {
    const Parsed p = Parse({"--sound=virtual:card.ini", "--export", "out.reg", "HKLM\\X"});
    ASSERT_FALSE(p.result.exit);
    EXPECT_EQ(p.result.soundChoice, "virtual:card.ini");
    ASSERT_EQ(p.result.tool, &kTools[1]);
    EXPECT_EQ(p.result.toolArgs, (std::vector<std::string>{"out.reg", "HKLM\\X"}));

    g_runs = 0;
    std::ostringstream out, err;
    EXPECT_EQ(p.result.tool->run(p.result.toolArgs, out, err), 7);
    EXPECT_EQ(g_runs, 1);
    EXPECT_EQ(g_lastArgs, p.result.toolArgs);
}

TEST(CommandLine, MistakesEndWithUsageErrorCode) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--bogus"},
                                                 {"report"},
                                                 {"--sound="},
                                                 {"--export", "only-one"},
                                                 {"--report", "--export", "a", "b"}}) {
        const Parsed p = Parse(args);
        EXPECT_TRUE(p.result.exit) << args[0];
        EXPECT_EQ(p.result.exitCode, 2) << args[0];
        EXPECT_NE(p.err.find("pelmora: "), std::string::npos);
        EXPECT_TRUE(p.out.empty());
    }
    EXPECT_NE(Parse({"--export", "x"}).err.find("needs 2 arguments"), std::string::npos);
}

TEST(CommandLine, ToolArgumentsMayLookLikeOptions) {
    const Parsed p = Parse({"--export", "--report", "--help"});
    ASSERT_FALSE(p.result.exit);
    EXPECT_EQ(p.result.tool, &kTools[1]);
    EXPECT_EQ(p.result.toolArgs, (std::vector<std::string>{"--report", "--help"}));
}

} // namespace

namespace {

TEST(CommandLine, StartErrorsGoToAWindowOnlyForTheWizardOnADesktop) {
    const Parsed wizard = Parse({"--sound=pulse"});
    const Parsed tool = Parse({"--sound=pulse", "--report"});
#if defined(_WIN32)
    // Windows has no display variables: every session shows windows.
    ScopedEnv x("DISPLAY", nullptr);
    ScopedEnv w("WAYLAND_DISPLAY", nullptr);
    EXPECT_TRUE(StartedFromDesktop(wizard.result));
    EXPECT_FALSE(StartedFromDesktop(tool.result)); // a tool answers on the console
#else
    {
        ScopedEnv x("DISPLAY", nullptr);
        ScopedEnv w("WAYLAND_DISPLAY", nullptr);
        EXPECT_FALSE(StartedFromDesktop(wizard.result)); // a console, ssh, a service
        ScopedEnv empty("DISPLAY", "");
        EXPECT_FALSE(StartedFromDesktop(wizard.result));
    }
    {
        ScopedEnv x("DISPLAY", ":0");
        ScopedEnv w("WAYLAND_DISPLAY", nullptr);
        EXPECT_TRUE(StartedFromDesktop(wizard.result));
        EXPECT_FALSE(StartedFromDesktop(tool.result)); // a tool answers on the terminal
    }
    {
        ScopedEnv x("DISPLAY", nullptr);
        ScopedEnv w("WAYLAND_DISPLAY", "wayland-0");
        EXPECT_TRUE(StartedFromDesktop(wizard.result));
    }
#endif
}

} // namespace
