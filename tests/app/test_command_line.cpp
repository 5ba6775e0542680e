#include "app/CommandLine.h"

#include "platform/system/program.h"
#include "platform/system/speech_recogniser.h"
#include "platform/system/system_testing.h"
#include "tests/support/HostCommand.h"
#include "tests/support/ScopedEnv.h"

#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
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

// --verdict judges a file without the sound system: a missing file is a
// usage error (2), a file that is no recording a fault of it (1).
TEST(CommandLine, TheVerdictToolTakesOneFile) {
    std::ostringstream out, err;
    CommandLine c = ParseCommandLine({"--verdict"}, CommandLineTools(), out, err);
    EXPECT_TRUE(c.exit);
    EXPECT_EQ(c.exitCode, 2);
    EXPECT_NE(err.str().find("--verdict needs 1 argument"), std::string::npos) << err.str();
    EXPECT_EQ(
        ParseCommandLine({"--verdict", "a.wav", "b.wav"}, CommandLineTools(), out, err).exitCode,
        2);

    err.str("");
    c = ParseCommandLine({"--verdict", "no-such-recording.wav"}, CommandLineTools(), out, err);
    ASSERT_NE(c.tool, nullptr);
    EXPECT_FALSE(c.tool->usesSound);
    EXPECT_EQ(c.toolArgs, std::vector<std::string>{"no-such-recording.wav"});
    std::ostringstream toolOut, toolErr;
    EXPECT_EQ(c.tool->run(c.toolArgs, toolOut, toolErr), 1);
    EXPECT_TRUE(toolOut.str().empty());
    EXPECT_EQ(toolErr.str().rfind("pelmora: no-such-recording.wav: ", 0), 0u) << toolErr.str();

    std::ostringstream help;
    PrintUsage(CommandLineTools(), help);
    EXPECT_NE(help.str().find("--verdict FILE"), std::string::npos) << help.str();
}

// --verdict also says what the speech recogniser understood of page 4's
// sentence, and a count below the pass mark is a fault of the recording;
// without a recogniser for the sentence's language the signal alone decides.
TEST(CommandLine, TheVerdictToolSaysWhatTheSpeechRecogniserUnderstood) {
    if (!hostcmd::Have("espeak-ng"))
        GTEST_SKIP() << "espeak-ng is missing: scripts/deps.sh test installs it";
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "pelmora-verdict-speech";
    fs::create_directories(dir);
    auto say = [&](const std::string& text, const std::string& name) {
        const std::string file = (dir / name).string();
        EXPECT_EQ(hostcmd::Run("espeak-ng -v en-us+f2 -s 130 -w '" + hostcmd::HostPath(file) +
                               "' '" + text + "'"),
                  0);
        return file;
    };
    auto verdict = [](const std::string& file, std::string& out) {
        std::ostringstream o, e;
        const CommandLine c = ParseCommandLine({"--verdict", file}, CommandLineTools(), o, e);
        const int code = c.tool->run(c.toolArgs, o, e);
        out = o.str();
        return code;
    };
    const std::string sentence = say("I am testing the microphone.", "sentence.wav");
    const std::string weather = say("The weather is nice today.", "weather.wav");
    std::string out;
    plat::SpeechModel model;
    if (!plat::FindSpeechModel(plat::SpeechModelRoot(), "en", model)) {
        // Windows, or no model installed: one line says so.
        EXPECT_EQ(verdict(sentence, out), 0) << out;
        EXPECT_NE(out.find("\nspeech recogniser: none serves ("), std::string::npos) << out;
        EXPECT_NE(out.find("judged by the signal alone\n"), std::string::npos) << out;
        EXPECT_EQ(verdict(weather, out), 0) << out;
        fs::remove_all(dir);
        return;
    }
    EXPECT_EQ(verdict(sentence, out), 0) << out;
    EXPECT_NE(out.find("\nspeech recogniser: understood 5 of 5 words: i am testing the "
                       "microphone ("),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("), passes\n"), std::string::npos) << out;
    // A good signal of another sentence: exit 1.
    EXPECT_EQ(verdict(weather, out), 1) << out;
    EXPECT_NE(out.find("verdict: Good\n"), std::string::npos) << out;
    EXPECT_NE(out.find("\nspeech recogniser: understood 1 of 5 words: "), std::string::npos) << out;
    EXPECT_NE(out.find("below the pass mark\n"), std::string::npos) << out;
    fs::remove_all(dir);
}

TEST(CommandLine, ToolArgumentsMayLookLikeOptions) {
    const Parsed p = Parse({"--export", "--report", "--help"});
    ASSERT_FALSE(p.result.exit);
    EXPECT_EQ(p.result.tool, &kTools[1]);
    EXPECT_EQ(p.result.toolArgs, (std::vector<std::string>{"--report", "--help"}));
}

} // namespace

namespace {

#if !defined(_WIN32)
// Standard input and error for one block as a start from the menu has them
// (not terminals) or as a terminal gives them; standard output (the test's
// report) stays.
class StandardStreams {
public:
    explicit StandardStreams(bool terminal) {
        m_saved[0] = ::dup(0);
        m_saved[1] = ::dup(2);
        int stream = -1;
        if (terminal)
            EXPECT_EQ(::openpty(&m_master, &stream, nullptr, nullptr, nullptr), 0);
        else
            stream = ::open("/dev/null", O_RDWR);
        ::dup2(stream, 0);
        ::dup2(stream, 2);
        ::close(stream);
    }
    ~StandardStreams() {
        ::dup2(m_saved[0], 0);
        ::dup2(m_saved[1], 2);
        ::close(m_saved[0]);
        ::close(m_saved[1]);
        if (m_master >= 0)
            ::close(m_master);
    }

private:
    int m_saved[2] = {-1, -1};
    int m_master = -1;
};
#endif

TEST(CommandLine, StartErrorsGoToAWindowOnlyForTheWizardOnADesktop) {
    const Parsed wizard = Parse({"--sound=pulse"});
    const Parsed tool = Parse({"--sound=pulse", "--report"});
#if defined(_WIN32)
    // Windows has no display variables: every session shows windows, and a
    // program with a console (run from one) tells its errors there.
    ScopedEnv x("DISPLAY", nullptr);
    ScopedEnv w("WAYLAND_DISPLAY", nullptr);
    EXPECT_EQ(StartedFromDesktop(wizard.result), !plat::HasTerminal());
    EXPECT_FALSE(StartedFromDesktop(tool.result)); // a tool answers on the console
#else
    StandardStreams menu(false);
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

#if !defined(_WIN32)
TEST(CommandLine, FromATerminalStartErrorsStayThere) {
    // A terminal on the desktop: the user reads the line where he typed.
    const Parsed wizard = Parse({"--sound=bogus"});
    ScopedEnv x("DISPLAY", ":0");
    ScopedEnv w("WAYLAND_DISPLAY", "wayland-0");
    {
        StandardStreams terminal(true);
        EXPECT_TRUE(plat::HasTerminal());
        EXPECT_FALSE(StartedFromDesktop(wizard.result));
    }
    StandardStreams menu(false);
    EXPECT_FALSE(plat::HasTerminal());
    EXPECT_TRUE(StartedFromDesktop(wizard.result));
}

TEST(CommandLine, TheWizardWithoutADisplaySaysHowToTryIt) {
    const Parsed wizard = Parse({"--sound=virtual"});
    const Parsed tool = Parse({"--report"});
    ScopedEnv x("DISPLAY", nullptr);
    ScopedEnv w("WAYLAND_DISPLAY", nullptr);
    ScopedEnv q("QT_QPA_PLATFORM", nullptr);
    const std::string text = NoDisplayText(wizard.result);
    EXPECT_EQ(text.find('\n'), std::string::npos) << text;
    for (const char* part : {"pelmora: ", "graphical session", "DISPLAY", "WAYLAND_DISPLAY",
                             "QT_QPA_PLATFORM=offscreen", "render_pages"})
        EXPECT_NE(text.find(part), std::string::npos) << part;
    EXPECT_EQ(NoDisplayText(tool.result), ""); // the tools need no display
    {
        ScopedEnv empty("DISPLAY", "");
        EXPECT_NE(NoDisplayText(wizard.result), "");
    }
    for (const auto& [name, value] : {std::pair{"DISPLAY", ":0"},
                                      {"WAYLAND_DISPLAY", "wayland-0"},
                                      {"QT_QPA_PLATFORM", "offscreen"}}) {
        ScopedEnv set(name, value);
        EXPECT_EQ(NoDisplayText(wizard.result), "") << name;
    }
    const std::string failed = DisplayFailedText("could not connect to display :99\nagain");
    EXPECT_EQ(failed.find('\n'), std::string::npos) << failed;
    EXPECT_NE(failed.find("could not connect to display :99"), std::string::npos);
    EXPECT_NE(failed.find("QT_QPA_PLATFORM=offscreen"), std::string::npos);
}
#endif

TEST(CommandLine, HelpNamesEverySoundChoiceAndTheDefaultOrder) {
    const std::string help = Parse({"--help"}).out;
#if defined(_WIN32)
    const std::vector<const char*> choices = {"winmm", "virtual", "virtual:CARD.ini"};
    const std::vector<const char*> order = {"winmm", "wave device", "else the virtual card"};
#else
    const std::vector<const char*> choices = {"pulse", "alsa", "virtual", "virtual:CARD.ini"};
    const std::vector<const char*> order = {"default: the sound server", "else ALSA",
                                            "else\n                    the virtual card"};
#endif
    for (const char* choice : choices) {
        EXPECT_NE(help.find(choice), std::string::npos) << choice;
        EXPECT_NE(Parse({"--sound="}).err.find(choice), std::string::npos) << choice;
    }
    std::size_t at = 0;
    for (const char* step : order) {
        const std::size_t found = help.find(step, at);
        EXPECT_NE(found, std::string::npos) << step << " after " << at << " in\n" << help;
        at = found == std::string::npos ? at : found;
    }
}

} // namespace
