// The program as a user starts it from a shell: without a display, with a
// display that cannot be opened, with a sound choice that cannot start from
// a terminal and from the desktop, and a second time while a wizard runs.
#include "platform/pulse/testing/PulseServerForTesting.h"
#include "tests/support/TestDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;
using Clock = std::chrono::steady_clock;

namespace {

// A display number no X server of this machine answers.
std::string UnusedDisplay() {
    for (int n = 987; n < 1100; ++n)
        if (!fs::exists("/tmp/.X11-unix/X" + std::to_string(n)))
            return ":" + std::to_string(n);
    return ":987";
}

struct Outcome {
    bool ended = false;  // before the time given
    bool exited = false; // by exit, not by a signal
    int code = -1;
    int signal = 0;
    std::string out, err;
    double seconds = 0;
};

enum class Stderr { Pipe, Terminal };

class Program {
public:
    explicit Program(const fs::path& home) : m_home(home) {
        fs::create_directories(home / "run");
        fs::permissions(home / "run", fs::perms::owner_all);
        fs::create_directories(home / "tmp");
        // Only what is set here: no DISPLAY, WAYLAND_DISPLAY, QT_QPA_PLATFORM.
        m_env = {"PATH=/usr/bin:/bin",
                 "HOME=" + home.string(),
                 "XDG_RUNTIME_DIR=" + (home / "run").string(),
                 "TMPDIR=" + (home / "tmp").string(),
                 "LANGUAGE=en",
                 "XDG_CONFIG_HOME=" + (home / "config").string()};
        // The sanitizer build's settings (scripts/test).
        for (const char* name : {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"})
            if (const char* value = std::getenv(name))
                m_env.push_back(std::string(name) + "=" + value);
    }
    void Set(const std::string& assignment) { m_env.push_back(assignment); }
    // The file-size limit the program starts with (ulimit -f).
    void LimitFileSize(rlim_t bytes) { m_fileSizeLimit = bytes; }
    fs::path Socket() const { return m_home / "run" / "pelmora" / "wizard.socket"; }
    // Kills the program (SIGKILL) as soon as `now` holds, or when it ended
    // first; true when it was killed.
    bool KillWhen(const std::function<bool()>& now, double seconds) {
        const auto limit = m_started + std::chrono::duration<double>(seconds);
        while (Clock::now() < limit) {
            if (now())
                return ::kill(m_pid, SIGKILL) == 0;
            if (::waitpid(m_pid, &m_reapedStatus, WNOHANG) == m_pid) {
                m_reaped = true;
                return false;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return false;
    }

    // Starts the program; Wait ends it after `seconds` at most.
    void Start(const std::vector<std::string>& args, Stderr err = Stderr::Pipe) {
        int out[2], errPipe[2];
        ASSERT_EQ(::pipe2(out, O_CLOEXEC), 0);
        int terminal = -1;
        if (err == Stderr::Terminal) {
            ASSERT_EQ(::openpty(&m_errFd, &terminal, nullptr, nullptr, nullptr), 0);
        } else {
            ASSERT_EQ(::pipe2(errPipe, O_CLOEXEC), 0);
            m_errFd = errPipe[0];
            terminal = errPipe[1];
        }
        std::vector<std::string> argv = {PELMORA_PROGRAM};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> cargv, cenv;
        for (std::string& a : argv)
            cargv.push_back(a.data());
        cargv.push_back(nullptr);
        for (std::string& e : m_env)
            cenv.push_back(e.data());
        cenv.push_back(nullptr);
        m_started = Clock::now();
        m_pid = ::fork();
        ASSERT_GE(m_pid, 0);
        if (m_pid == 0) {
            const int null = ::open("/dev/null", O_RDONLY);
            ::dup2(null, 0);
            ::dup2(out[1], 1);
            ::dup2(terminal, 2);
            if (m_fileSizeLimit != RLIM_INFINITY) {
                const rlimit limit{m_fileSizeLimit, m_fileSizeLimit};
                ::setrlimit(RLIMIT_FSIZE, &limit);
            }
            ::execve(cargv[0], cargv.data(), cenv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        ::close(terminal);
        m_outFd = out[0];
    }

    Outcome Wait(double seconds) {
        Outcome o;
        int status = 0;
        const auto limit = m_started + std::chrono::duration<double>(seconds);
        pid_t done = m_reaped ? m_pid : 0;
        while (done == 0 && (done = ::waitpid(m_pid, &status, WNOHANG)) == 0 &&
               Clock::now() < limit) {
            Drain();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (m_reaped)
            status = m_reapedStatus;
        o.seconds = std::chrono::duration<double>(Clock::now() - m_started).count();
        o.ended = done == m_pid;
        if (!o.ended) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, &status, 0);
        }
        o.exited = o.ended && WIFEXITED(status);
        o.code = o.exited ? WEXITSTATUS(status) : -1;
        o.signal = o.ended && WIFSIGNALED(status) ? WTERMSIG(status) : 0;
        Drain();
        ::close(m_outFd);
        ::close(m_errFd);
        o.out = m_out;
        o.err = m_err;
        return o;
    }

private:
    void Drain() {
        for (auto [fd, text] : {std::pair{m_outFd, &m_out}, std::pair{m_errFd, &m_err}}) {
            pollfd p{fd, POLLIN, 0};
            char buffer[4096];
            while (::poll(&p, 1, 0) > 0 && (p.revents & POLLIN) != 0) {
                const ssize_t n = ::read(fd, buffer, sizeof buffer);
                if (n <= 0)
                    break;
                text->append(buffer, static_cast<std::size_t>(n));
            }
        }
    }

    fs::path m_home;
    std::vector<std::string> m_env;
    rlim_t m_fileSizeLimit = RLIM_INFINITY;
    pid_t m_pid = -1;
    bool m_reaped = false; // by KillWhen, with this status
    int m_reapedStatus = 0;
    int m_outFd = -1, m_errFd = -1;
    std::string m_out, m_err;
    Clock::time_point m_started;
};

Outcome RunProgram(Program& program, const std::vector<std::string>& args, double seconds,
                   Stderr err = Stderr::Pipe) {
    program.Start(args, err);
    return program.Wait(seconds);
}

int Lines(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

TEST(ProgramStart, WithoutADisplaySaysSoInOneLineAtOnce) {
    Program program(FreshTestDir("pelmora-start"));
    const Outcome o = RunProgram(program, {"--sound=virtual"}, 10);
    ASSERT_TRUE(o.ended) << o.err;
    EXPECT_TRUE(o.exited) << "signal " << o.signal << ": " << o.err;
    EXPECT_EQ(o.code, 2);
    EXPECT_LT(o.seconds, 1.0);
    EXPECT_EQ(Lines(o.err), 1) << o.err;
    EXPECT_THAT(o.err, HasSubstr("needs a graphical session"));
    EXPECT_THAT(o.err, HasSubstr("QT_QPA_PLATFORM=offscreen"));
    EXPECT_THAT(o.err, HasSubstr("render_pages"));
    EXPECT_EQ(o.out, "");
}

TEST(ProgramStart, ADisplayThatCannotBeOpenedIsOneLineNotAnAbort) {
    Program program(FreshTestDir("pelmora-start"));
    const std::string display = UnusedDisplay();
    program.Set("DISPLAY=" + display);
    const Outcome o = RunProgram(program, {"--sound=virtual"}, 10);
    ASSERT_TRUE(o.ended) << o.err;
    EXPECT_TRUE(o.exited) << "signal " << o.signal << ": " << o.err;
    EXPECT_EQ(o.code, 2);
    EXPECT_EQ(Lines(o.err), 1) << o.err;
    EXPECT_THAT(o.err, HasSubstr("cannot open a window"));
    EXPECT_THAT(o.err, HasSubstr(display));
    EXPECT_THAT(o.err, HasSubstr("QT_QPA_PLATFORM=offscreen"));
    EXPECT_THAT(o.err, Not(HasSubstr("Reinstalling")));
}

TEST(ProgramStart, TheToolsNeedNoDisplayAndTheReportSpeaksEnglish) {
    Program program(FreshTestDir("pelmora-start"));
    const Outcome o = RunProgram(program, {"--sound=virtual", "--report"}, 20);
    ASSERT_TRUE(o.ended);
    EXPECT_EQ(o.code, 0) << o.err;
    EXPECT_THAT(o.out, HasSubstr("Wave-out devices: 1"));
    EXPECT_THAT(o.out, HasSubstr("Mixers: 1\n"));
    EXPECT_THAT(o.out, HasSubstr("Name: Virtual Mixer\n"));
    for (const char* french : {"Nom", "Nombre", "Ligne", "n°", "contrôle", "Controle"})
        EXPECT_THAT(o.out, Not(HasSubstr(french))) << french;
}

// --verdict needs neither a display nor the sound system: our test sentence
// is Good (0), a file that is no recording a fault (1), no file a usage error.
TEST(ProgramStart, TheVerdictToolJudgesAFileWithoutADisplay) {
    const fs::path voice =
        fs::path(std::getenv("PELMORA_SOURCE_DIR")) / "resources" / "voice" / "voice.wav";
    // The bound guards against a hang only: the recogniser's model loads and
    // decodes within it even on a machine busy with builds.
    Program good(FreshTestDir("pelmora-start"));
    Outcome o = RunProgram(good, {"--verdict", voice.string()}, 90);
    ASSERT_TRUE(o.ended);
    EXPECT_EQ(o.code, 0) << o.out << o.err;
    EXPECT_THAT(o.out, HasSubstr("verdict: Good\n"));
    EXPECT_THAT(o.out, HasSubstr("voiced share: "));
    EXPECT_TRUE(o.err.empty()) << o.err;

    Program bad(FreshTestDir("pelmora-start"));
    o = RunProgram(bad, {"--verdict", PELMORA_PROGRAM}, 20);
    ASSERT_TRUE(o.ended);
    EXPECT_EQ(o.code, 1) << o.out << o.err;
    EXPECT_TRUE(o.out.empty()) << o.out;
    EXPECT_THAT(o.err, HasSubstr(std::string("pelmora: ") + PELMORA_PROGRAM + ": "));

    Program none(FreshTestDir("pelmora-start"));
    o = RunProgram(none, {"--verdict"}, 20);
    ASSERT_TRUE(o.ended);
    EXPECT_EQ(o.code, 2) << o.out << o.err;
    EXPECT_THAT(o.err, HasSubstr("--verdict needs 1 argument"));
}

// Under a file-size limit smaller than the snapshot, the save fails as on a
// full disk: said with the system's reason, no copy left beside the file, and
// the program is not killed by the limit's signal.
TEST(ProgramStart, AFileSizeLimitFailsTheWriteInsteadOfKillingTheProgram) {
    const fs::path home = FreshTestDir("pelmora-start");
    Program limited(home);
    limited.LimitFileSize(64);
    const fs::path saved = home / "saved";
    fs::create_directories(saved);
    const Outcome o =
        RunProgram(limited, {"--sound=virtual", "--save-mixer", (saved / "big.ser").string()}, 30);
    ASSERT_TRUE(o.ended);
    EXPECT_EQ(o.signal, 0) << "killed by signal " << o.signal;
    EXPECT_EQ(o.code, 1) << o.out << o.err;
    EXPECT_THAT(o.err, HasSubstr("File too large"));
    EXPECT_TRUE(fs::is_empty(saved)) << "a copy was left beside the file";

    // Without the limit the same save succeeds: the snapshot is larger than it.
    Program free(home);
    const Outcome ok =
        RunProgram(free, {"--sound=virtual", "--save-mixer", (saved / "big.ser").string()}, 30);
    EXPECT_EQ(ok.code, 0) << ok.out << ok.err;
    EXPECT_GT(fs::file_size(saved / "big.ser"), 64u);
}

// A sound server that is there but stopped (SIGSTOP) is a failure to say,
// not a reason to save the virtual card's mixer in its place.
TEST(ProgramStart, AStoppedSoundServerIsReportedNotReplacedByTheVirtualCard) {
    plat::CPulseServerForTesting server;
    std::string error;
    if (!server.Start(error))
        GTEST_SKIP() << "no private sound server here: " << error;
    const fs::path home = FreshTestDir("pelmora-start");
    // The program finds the private server as this process does.
    auto withServer = [&](Program& p) {
        for (const char* name : {"PULSE_SERVER", "ALSA_CONFIG_PATH"})
            if (const char* value = std::getenv(name))
                p.Set(std::string(name) + "=" + value);
    };
    Program program(home);
    withServer(program);
    const fs::path saved = home / "saved.ser";
    {
        plat::CServerStop stop(server);
        ASSERT_TRUE(stop.Stop());
        const Outcome o = RunProgram(program, {"--save-mixer", saved.string()}, 30);
        ASSERT_TRUE(o.ended) << o.err;
        EXPECT_NE(o.code, 0) << o.out << o.err;
        EXPECT_THAT(o.err, HasSubstr("the sound server does not answer in time"));
        EXPECT_THAT(o.out, Not(HasSubstr("Mixer saved")));
        EXPECT_FALSE(fs::exists(saved)) << "a mixer was saved without the server";
        EXPECT_LT(o.seconds, 15) << "the user waited too long for the answer";
    }
    // Going on, the same server's mixer is saved.
    Program again(home);
    withServer(again);
    const Outcome ok = RunProgram(again, {"--save-mixer", saved.string()}, 30);
    EXPECT_EQ(ok.code, 0) << ok.out << ok.err;
    EXPECT_TRUE(fs::exists(saved));
}

// Imports killed while they write the registry's file leave it whole, and
// the next import removes the copies the killed ones left beside it.
TEST(ProgramStart, KilledImportsLeaveNothingBehindOnceTheNextImportRuns) {
    const fs::path home = FreshTestDir("pelmora-start");
    const fs::path hiveDir = home / "registry";
    fs::create_directories(hiveDir);
    const fs::path hive = hiveDir / "hive.reg";
    // Two installers' files of 300 kB, each changing every value the
    // other set: each import writes the whole file.
    auto installer = [&](const std::string& name, int shift) {
        const fs::path reg = home / name;
        std::ofstream out(reg, std::ios::binary);
        out << "REGEDIT4\r\n";
        for (int i = 0; i < 6000; ++i) {
            if (i % 100 == 0) // a key holds what a REGEDIT4 section may: under 32 kB
                out << "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendrel\\Big\\Key" << i / 100 << "]\r\n";
            out << "\"Value" << i << "\"=\"" << std::string(40, char('a' + (i + shift) % 26))
                << "\"\r\n";
        }
        return reg.string();
    };
    const std::string first = installer("first.reg", 0);
    const std::string second = installer("second.reg", 1);
    auto program = [&] {
        Program p(home);
        p.Set("PELMORA_REGISTRY=" + hive.string());
        return p;
    };
    auto read = [](const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };
    auto copyNames = [&] {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(hiveDir))
            if (entry.path().filename().string().find(".new-") != std::string::npos)
                names.insert(entry.path().filename().string());
        return names;
    };
    auto copies = [&] { return copyNames().size(); };
    // The file as each import leaves it.
    std::string contents[2];
    const std::string installers[2] = {first, second};
    for (int i : {0, 1}) {
        Program once = program();
        const Outcome o = RunProgram(once, {"--import-registry", installers[i]}, 120);
        ASSERT_EQ(o.code, 0) << o.out << o.err;
        contents[i] = read(hive);
    }
    ASSERT_NE(contents[0], contents[1]);
    auto now = [&] { return read(hive) == contents[0] ? 0 : read(hive) == contents[1] ? 1 : -1; };

    // Each import brings the other file, and is killed once its new copy of
    // the file appears (one that ends first leaves the other file).
    int killed = 0;
    for (int i = 0; i < 50; ++i) {
        const int before = now();
        ASSERT_GE(before, 0) << "the file is torn";
        const std::set<std::string> left = copyNames();
        Program run = program();
        run.Start({"--import-registry", installers[1 - before]});
        killed += run.KillWhen(
            [&] {
                for (const std::string& name : copyNames())
                    if (!left.count(name))
                        return true;
                return false;
            },
            60);
        run.Wait(60);
        EXPECT_LE(copies(), 1u) << "the copies of dead writers pile up";
    }
    EXPECT_GE(killed, 10) << "the kills did not meet the writes";
    ::testing::Test::RecordProperty("killed", killed);
    ASSERT_GE(now(), 0) << "the file is torn";

    Program last = program();
    const int before = now();
    const Outcome o = RunProgram(last, {"--import-registry", installers[1 - before]}, 120);
    ASSERT_EQ(o.code, 0) << o.out << o.err;
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(hiveDir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_THAT(names, ::testing::AnyOf(::testing::ElementsAre("hive.reg"),
                                        ::testing::ElementsAre("hive.reg", "hive.reg.lock")));
    EXPECT_EQ(now(), 1 - before);
}

TEST(ProgramStart, ASoundChoiceThatCannotStartEndsInTheTerminal) {
    // A display and a platform that would show a box: from a terminal, the
    // line there is all.
    Program program(FreshTestDir("pelmora-start"));
    program.Set("DISPLAY=" + UnusedDisplay());
    program.Set("QT_QPA_PLATFORM=offscreen");
    const Outcome o = RunProgram(program, {"--sound=bogus"}, 10, Stderr::Terminal);
    ASSERT_TRUE(o.ended) << "a box waits for an answer: " << o.err;
    EXPECT_EQ(o.code, 2);
    EXPECT_THAT(o.err, HasSubstr("unknown sound backend \"bogus\""));
}

TEST(ProgramStart, ASoundChoiceThatCannotStartFromTheDesktopWaitsInABox) {
    // No terminal: the line goes where nobody reads it, and a box says it.
    Program program(FreshTestDir("pelmora-start"));
    program.Set("DISPLAY=" + UnusedDisplay());
    program.Set("QT_QPA_PLATFORM=offscreen");
    const Outcome o = RunProgram(program, {"--sound=bogus"}, 2);
    EXPECT_FALSE(o.ended) << "no box was shown: " << o.err;
    EXPECT_THAT(o.err, HasSubstr("unknown sound backend \"bogus\""));
}

TEST(ProgramStart, ASecondStartBringsTheRunningWizardToTheFront) {
    const fs::path home = FreshTestDir("pelmora-start");
    Program program(home);
    program.Set("QT_QPA_PLATFORM=offscreen");
    program.Start({"--sound=virtual"});
    // The first wizard listens once its sheet is on the way.
    const auto limit = Clock::now() + std::chrono::seconds(20);
    while (!fs::exists(program.Socket()) && Clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(fs::exists(program.Socket()));

    Program second(home);
    second.Set("QT_QPA_PLATFORM=offscreen");
    const Outcome o = RunProgram(second, {"--sound=virtual"}, 10);
    const Outcome first = program.Wait(0);
    EXPECT_FALSE(first.ended) << "the first wizard ended: " << first.err;
    ASSERT_TRUE(o.ended) << "the second start shows a box: " << o.err;
    EXPECT_EQ(o.code, 0);
    EXPECT_THAT(o.err,
                HasSubstr("Pelmora is already running; its window was brought to the front."));
    EXPECT_LT(o.seconds, 5.0);
}

} // namespace
