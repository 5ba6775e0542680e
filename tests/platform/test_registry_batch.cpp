// A batch of registry calls answers as the same calls made one by one and
// leaves the same hive, byte for byte, with another process changing the hive
// between batches; the batch holds the hive (other writers wait, the file is
// written once at its end); a failed write at the end keeps the old hive and
// says why; a call outside a batch is on disk at once.
#include "platform/registry/registry.h"
#include "platform/registry/registry_batch.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/TestDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

using namespace plat;
namespace fs = std::filesystem;

namespace {

HKEY CreateKey(HKEY parent, const std::string& path, LONG* result = nullptr) {
    HKEY h = nullptr;
    const LONG r = RegCreateKeyEx(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, &h, nullptr);
    if (result != nullptr)
        *result = r;
    return r == ERROR_SUCCESS ? h : nullptr;
}

LONG SetText(HKEY h, const std::string& name, const std::string& text) {
    return RegSetValueEx(h, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>(text.size() + 1));
}

// The text of a string value of HKCU\path, or "(error N)".
std::string ReadText(const std::string& path, const std::string& name) {
    HKEY h = nullptr;
    LONG r = RegOpenKeyEx(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &h);
    if (r != ERROR_SUCCESS)
        return "(error " + std::to_string(r) + ")";
    char buf[256] = {};
    DWORD size = sizeof buf;
    r = RegQueryValueEx(h, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(h);
    return r == ERROR_SUCCESS ? std::string(buf) : "(error " + std::to_string(r) + ")";
}

// Random registry calls on a few keys and values whose names meet regardless
// of case. Each call and its answer (result code, and what a read gave) go to
// the log; the choice of the next call never depends on an answer, so the
// same draw makes the same calls.
class Caller {
public:
    explicit Caller(unsigned draw) : m_random(draw) {}
    ~Caller() { CloseAll(); }
    Caller(const Caller&) = delete;
    Caller& operator=(const Caller&) = delete;

    void Run(int calls, std::string& log) {
        for (int i = 0; i < calls; ++i)
            One(log);
    }
    void CloseAll() {
        for (HKEY h : m_handles)
            RegCloseKey(h);
        m_handles.clear();
    }

private:
    std::size_t Below(std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(m_random);
    }
    std::string Path() {
        static const char* const names[] = {"A", "a", "B", "b", "C"};
        std::string path = "Software\\T";
        for (std::size_t n = 1 + Below(3); n > 0; --n)
            path += std::string("\\") + names[Below(5)];
        return path;
    }
    std::string Name() {
        static const char* const names[] = {"", "x", "X", "y", "Name"};
        return names[Below(5)];
    }
    // A handle made earlier (perhaps closed or deleted since), or a root.
    HKEY Handle() {
        if (m_handles.empty() || Below(6) == 0)
            return HKEY_CURRENT_USER;
        return m_handles[Below(m_handles.size())];
    }
    static std::string Code(LONG r) { return " -> " + std::to_string(r) + "\n"; }

    void One(std::string& log) {
        switch (Below(12)) {
        case 0:
        case 1:
        case 2: {
            const std::string path = Path();
            HKEY h = nullptr;
            DWORD disposition = 0;
            const LONG r = RegCreateKeyEx(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0,
                                          KEY_ALL_ACCESS, nullptr, &h, &disposition);
            if (r == ERROR_SUCCESS)
                m_handles.push_back(h);
            log += "create " + path + " " + std::to_string(disposition) + Code(r);
            break;
        }
        case 3:
        case 4:
        case 5: {
            const std::string name = Name();
            std::vector<BYTE> data(Below(40));
            for (BYTE& b : data)
                b = static_cast<BYTE>(Below(256));
            const DWORD types[] = {REG_SZ, REG_DWORD, REG_BINARY, REG_MULTI_SZ};
            const DWORD type = types[Below(4)];
            if (type == REG_DWORD)
                data.resize(4);
            const LONG r = RegSetValueEx(Handle(), name.c_str(), 0, type, data.data(),
                                         static_cast<DWORD>(data.size()));
            log += "set " + name + Code(r);
            break;
        }
        case 6: {
            const std::string name = Name();
            BYTE data[64];
            DWORD type = 0, size = sizeof data;
            const LONG r = RegQueryValueEx(Handle(), name.c_str(), nullptr, &type, data, &size);
            log += "query " + name + " " + std::to_string(type) + " " +
                   (r == ERROR_SUCCESS ? std::string(reinterpret_cast<char*>(data), size) : "") +
                   Code(r);
            break;
        }
        case 7: {
            const std::string name = Name();
            log += "delete value " + name + Code(RegDeleteValue(Handle(), name.c_str()));
            break;
        }
        case 8: {
            const std::string path = Path();
            log += "delete key " + path + Code(RegDeleteKey(HKEY_CURRENT_USER, path.c_str()));
            break;
        }
        case 9: {
            char name[64];
            DWORD length = sizeof name;
            const DWORD index = static_cast<DWORD>(Below(4));
            const LONG r =
                RegEnumKeyEx(Handle(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
            log += "enum key " + std::to_string(index) + " " +
                   (r == ERROR_SUCCESS ? std::string(name) : "") + Code(r);
            break;
        }
        case 10: {
            char name[64];
            DWORD length = sizeof name, type = 0;
            const DWORD index = static_cast<DWORD>(Below(4));
            const LONG r =
                RegEnumValue(Handle(), index, name, &length, nullptr, &type, nullptr, nullptr);
            log += "enum value " + std::to_string(index) + " " +
                   (r == ERROR_SUCCESS ? std::string(name) + " " + std::to_string(type) : "") +
                   Code(r);
            break;
        }
        default: {
            if (!m_handles.empty() && Below(2) == 0) {
                const std::size_t i = Below(m_handles.size());
                log += "close" + Code(RegCloseKey(m_handles[i]));
                m_handles.erase(m_handles.begin() + static_cast<std::ptrdiff_t>(i));
            } else {
                const std::string path = Path();
                HKEY h = nullptr;
                const LONG r = RegOpenKeyEx(HKEY_CURRENT_USER, path.c_str(), 0,
                                            Below(2) ? KEY_READ : KEY_ALL_ACCESS, &h);
                if (r == ERROR_SUCCESS)
                    m_handles.push_back(h);
                log += "open " + path + Code(r);
            }
            break;
        }
        }
    }

    std::mt19937 m_random;
    std::vector<HKEY> m_handles;
};

// Another program's change to the hive: a value of its own, and a key of the
// calls' (which handles may still name) deleted.
void OtherProcessChanges(int round) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        HKEY h = CreateKey(HKEY_CURRENT_USER, "Software\\Other");
        const bool ok = h != nullptr && SetText(h, "round", std::to_string(round)) == 0;
        RegCloseKey(h);
        RegDeleteKey(HKEY_CURRENT_USER, round % 2 ? "Software\\T\\a\\B" : "Software\\T\\C");
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

class RegistryBatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = FreshTestDir("pelmora-reg-batch");
        Use("registry.reg");
    }
    void TearDown() override {
        RegUseHiveFile("");
        fs::remove_all(m_dir);
    }
    void Use(const std::string& name) {
        m_hive = (m_dir / name).string();
        RegUseHiveFile(m_hive);
    }
    std::string Hive() const { return FileContents(m_hive); }

    fs::path m_dir;
    std::string m_hive;
};

TEST_F(RegistryBatchTest, BatchesAnswerAndStoreAsTheSameCallsOneByOne) {
    constexpr int kRounds = 12;
    const int sizes[kRounds] = {1, 40, 0, 7, 120, 3, 60, 2, 90, 15, 30, 200};
    for (unsigned draw : {1u, 2u}) {
        std::string alone, batched;
        Use("alone-" + std::to_string(draw) + ".reg");
        {
            Caller caller(draw);
            for (int round = 0; round < kRounds; ++round) {
                caller.Run(sizes[round], alone);
                OtherProcessChanges(round);
            }
        }
        const std::string aloneHive = Hive();

        Use("batched-" + std::to_string(draw) + ".reg");
        {
            Caller caller(draw);
            for (int round = 0; round < kRounds; ++round) {
                const std::string before = Hive();
                RegBatch batch;
                ASSERT_TRUE(batch.Held());
                caller.Run(sizes[round], batched);
                EXPECT_EQ(Hive(), before) << "the batch wrote before its end";
                ASSERT_EQ(ERROR_SUCCESS, batch.End()) << RegHiveError();
                OtherProcessChanges(round);
            }
        }
        EXPECT_EQ(batched, alone) << "draw " << draw;
        EXPECT_EQ(Hive(), aloneHive) << "draw " << draw;
        EXPECT_NE(aloneHive.find("\"round\"=\"11\""), std::string::npos) << aloneHive;
        if (HasFailure())
            return;
    }
}

TEST_F(RegistryBatchTest, ALoneCallIsOnDiskAtOnceAndABatchAtItsEnd) {
    HKEY h = CreateKey(HKEY_CURRENT_USER, "Software\\Lone");
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(ERROR_SUCCESS, SetText(h, "first", "one"));
    EXPECT_NE(Hive().find("\"first\"=\"one\""), std::string::npos) << Hive();

    {
        RegBatch batch;
        ASSERT_EQ(ERROR_SUCCESS, SetText(h, "second", "two"));
        EXPECT_EQ(Hive().find("\"second\""), std::string::npos);
        EXPECT_EQ(ReadText("Software\\Lone", "second"), "two"); // the batch sees its own change
        {
            RegBatch inner; // joins the outer batch
            ASSERT_EQ(ERROR_SUCCESS, SetText(h, "third", "three"));
            EXPECT_EQ(ERROR_SUCCESS, inner.End());
        }
        EXPECT_EQ(Hive().find("\"third\""), std::string::npos) << "only the outermost end writes";
    } // the end of its scope ends the batch
    EXPECT_NE(Hive().find("\"second\"=\"two\""), std::string::npos) << Hive();
    EXPECT_NE(Hive().find("\"third\"=\"three\""), std::string::npos) << Hive();

    ASSERT_EQ(ERROR_SUCCESS, SetText(h, "fourth", "four"));
    EXPECT_NE(Hive().find("\"fourth\"=\"four\""), std::string::npos) << Hive();
    RegCloseKey(h);
}

TEST_F(RegistryBatchTest, AnotherProgramsWriteWaitsForTheBatchAndKeepsItsChanges) {
    HKEY h = CreateKey(HKEY_CURRENT_USER, "Software\\Shared");
    ASSERT_NE(h, nullptr);
    int ready[2];
    ASSERT_EQ(0, ::pipe(ready));
    RegBatch batch;
    ASSERT_TRUE(batch.Held());
    ASSERT_EQ(ERROR_SUCCESS, SetText(h, "parent", "p"));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // A program of its own (this test program, running the test below),
        // not a copy of this process and its batch.
        ::close(ready[0]);
        ::setenv("PELMORA_BATCH_CHILD", std::to_string(ready[1]).c_str(), 1);
        ::setenv("PELMORA_REGISTRY", m_hive.c_str(), 1);
        const int quiet = ::open("/dev/null", O_WRONLY);
        ::dup2(quiet, STDOUT_FILENO);
        ::execl("/proc/self/exe", "/proc/self/exe",
                "--gtest_filter=RegistryBatchChild.WritesOneValue", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(ready[1]);
    char byte = 0;
    EXPECT_EQ(1, ::read(ready[0], &byte, 1)) << "the other program did not start";
    ::close(ready[0]);
    // However long the other program takes, it cannot write while the batch
    // holds the lock.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    int status = 0;
    EXPECT_EQ(0, ::waitpid(child, &status, WNOHANG)) << "the other writer did not wait";
    EXPECT_EQ(Hive().find("\"child\""), std::string::npos);
    ASSERT_EQ(ERROR_SUCCESS, batch.End());
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ReadText("Software\\Shared", "parent"), "p");
    EXPECT_EQ(ReadText("Software\\Shared", "child"), "c");
    RegCloseKey(h);
}

TEST_F(RegistryBatchTest, OtherThreadsWaitForTheBatchAndThenSeeItsChanges) {
    HKEY h = CreateKey(HKEY_CURRENT_USER, "Software\\Threads");
    ASSERT_NE(h, nullptr);
    std::atomic<bool> answered{false};
    std::string seen;
    std::thread reader;
    {
        RegBatch batch;
        ASSERT_EQ(ERROR_SUCCESS, SetText(h, "v", "in the batch"));
        reader = std::thread([&] {
            seen = ReadText("Software\\Threads", "v");
            answered = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_FALSE(answered) << "another thread read the batch's hive before its end";
    }
    reader.join();
    EXPECT_EQ(seen, "in the batch");
    RegCloseKey(h);
}

TEST_F(RegistryBatchTest, AFullDiskAtTheEndKeepsTheHiveAndSaysWhy) {
    HKEY h = CreateKey(HKEY_CURRENT_USER, "Software\\Full");
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(ERROR_SUCCESS, SetText(h, "kept", "yes"));
    const std::string before = Hive();
    LONG ended = ERROR_SUCCESS;
    {
        RegBatch batch;
        for (int i = 0; i < 200; ++i)
            ASSERT_EQ(ERROR_SUCCESS, SetText(h, "v" + std::to_string(i), std::string(100, 'x')));
        FileSizeLimit disk(4096);
        ended = batch.End();
    }
    EXPECT_EQ(ended, ERROR_CANTWRITE);
    EXPECT_NE(RegHiveError().find(m_hive), std::string::npos) << RegHiveError();
    EXPECT_NE(RegHiveError().find(std::strerror(EFBIG)), std::string::npos) << RegHiveError();
    EXPECT_EQ(Hive(), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 2)
        << "only the hive and its lock";
    // What the failed batch changed is gone; the hive as it was answers.
    EXPECT_EQ(ReadText("Software\\Full", "v0"), "(error 2)");
    EXPECT_EQ(ReadText("Software\\Full", "kept"), "yes");
    RegCloseKey(h);
}

TEST_F(RegistryBatchTest, AHiveThatCannotBeLockedLeavesTheCallsToThemselves) {
    fs::create_directories(m_dir / "ro");
    Use("ro/registry.reg");
    fs::create_directory(m_hive + ".lock"); // a lock file that cannot be opened
    RegBatch batch;
    EXPECT_FALSE(batch.Held());
    LONG created = ERROR_SUCCESS;
    EXPECT_EQ(CreateKey(HKEY_CURRENT_USER, "Software\\X", &created), nullptr);
    EXPECT_EQ(created, ERROR_CANTWRITE);
    EXPECT_NE(RegHiveError().find("cannot be locked"), std::string::npos) << RegHiveError();
    EXPECT_EQ(ReadText("Software\\X", "v"), "(error 2)");
    EXPECT_EQ(batch.End(), ERROR_SUCCESS);
}

} // namespace

// Run by AnotherProgramsWriteWaitsForTheBatchAndKeepsItsChanges as a program
// of its own, on the hive that test names in PELMORA_REGISTRY.
TEST(RegistryBatchChild, WritesOneValue) {
    const char* ready = std::getenv("PELMORA_BATCH_CHILD");
    if (ready == nullptr)
        GTEST_SKIP() << "run by another test";
    const int fd = std::atoi(ready);
    ASSERT_EQ(1, ::write(fd, "r", 1));
    ::close(fd);
    HKEY h = CreateKey(HKEY_CURRENT_USER, "Software\\Shared");
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(ERROR_SUCCESS, SetText(h, "child", "c"));
    RegCloseKey(h);
}
