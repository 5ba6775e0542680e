// The platform services on Windows, on the system's own calls (run under
// Wine): the private temporary directory, the file writer, new files, file
// locks, process identity, the registry, file URLs and case folding.
#include "platform/files/directories.h"
#include "platform/files/file_lock.h"
#include "platform/files/file_writer.h"
#include "platform/files/log_file.h"
#include "platform/files/new_file.h"
#include "platform/files/paths.h"
#include "platform/registry/registry.h"
#include "platform/system/process_identity.h"
#include "platform/system/program.h"
#include "platform/system/system_testing.h"
#include "platform/system/url_stream.h"
#include "platform/text/text_case.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TestDir.h"
#include "tests/win32/WindowsCalls.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

void WriteBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

std::size_t EntriesIn(const fs::path& dir) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir))
        ++n;
    return n;
}

} // namespace

TEST(WindowsTempDirectory, IsPelmoraInTheUsersTempAndRefusesAFileInItsPlace) {
    const fs::path base = FreshTestDir("win-temp");
    ScopedEnv tmp("TMP", base.string());
    ScopedEnv temp("TEMP", base.string());
    std::string error;
    const std::string dir = plat::GetTempPath(&error);
    ASSERT_FALSE(dir.empty()) << error;
    EXPECT_EQ(dir, (base / "pelmora").string() + "\\");
    EXPECT_TRUE(fs::is_directory(base / "pelmora"));

    fs::remove(base / "pelmora");
    WriteBytes(base / "pelmora", "not a directory");
    EXPECT_TRUE(plat::GetTempPath(&error).empty());
    EXPECT_NE(error.find("it is not a directory"), std::string::npos) << error;
}

TEST(WindowsFileWriter, ReplacesTheContentAndLeavesNothingBeside) {
    const fs::path dir = FreshTestDir("win-writer");
    const std::string target = (dir / "QRV.INI").string();
    std::string error;
    ASSERT_TRUE(plat::SaveFileContents(target, "[a]\r\nx=1\r\n", &error)) << error;
    ASSERT_TRUE(plat::SaveFileContents(target, "[a]\r\nx=2\r\n", &error)) << error;
    EXPECT_EQ(FileContents(target), "[a]\r\nx=2\r\n"); // bytes as given: no line-end change
    EXPECT_EQ(EntriesIn(dir), 1u);
}

TEST(WindowsFileWriter, ARefusedTargetKeepsItsContentAndTheErrorSaysWhy) {
    const fs::path dir = FreshTestDir("win-writer-ro");
    const fs::path target = dir / "options.ini";
    WriteBytes(target, "old");
    ASSERT_TRUE(wintest::SetReadOnly(target.string(), true));
    std::string error;
    EXPECT_FALSE(plat::SaveFileContents(target.string(), "new", &error));
    EXPECT_NE(error.find("read-only"), std::string::npos) << error;
    EXPECT_NE(error.find("left as it was"), std::string::npos) << error;
    wintest::SetReadOnly(target.string(), false);
    EXPECT_EQ(FileContents(target), "old");
    EXPECT_EQ(EntriesIn(dir), 1u);

    EXPECT_FALSE(plat::SaveFileContents((dir / "missing" / "x.ini").string(), "new", &error));
    EXPECT_NE(error.find("no new file can be made"), std::string::npos) << error;
}

TEST(WindowsFileWriter, AHardLinkedFileIsRewrittenInPlaceAndPutBackWhenThatFails) {
    const fs::path dir = FreshTestDir("win-writer-links");
    const fs::path first = dir / "Tiko.ini";
    const fs::path second = dir / "Tiko-link.ini";
    WriteBytes(first, "old content");
    ASSERT_TRUE(wintest::MakeHardLink(second.string(), first.string()));

    std::string error;
    ASSERT_TRUE(plat::SaveFileContents(first.string(), "new content", &error)) << error;
    EXPECT_EQ(FileContents(first), "new content");
    EXPECT_EQ(FileContents(second), "new content");

    plat::FailInPlaceRewritesForTesting(1, 3);
    EXPECT_FALSE(plat::SaveFileContents(first.string(), "third content", &error));
    EXPECT_EQ(FileContents(first), "new content");
    EXPECT_EQ(FileContents(second), "new content");
    EXPECT_EQ(EntriesIn(dir), 2u);
}

TEST(WindowsNewFile, ReplacesAnOldFileAndRefusesADirectory) {
    const fs::path dir = FreshTestDir("win-new");
    const fs::path wav = dir / "User.wav";
    WriteBytes(wav, "old recording");
    std::string error;
    std::FILE* file = plat::CreateNewFile(wav.string(), &error);
    ASSERT_NE(file, nullptr) << error;
    std::fputs("RIFF\n", file);
    std::fclose(file);
    EXPECT_EQ(FileContents(wav), "RIFF\n");

    fs::create_directory(dir / "User2.wav");
    EXPECT_EQ(plat::CreateNewFile((dir / "User2.wav").string(), &error), nullptr);
    EXPECT_NE(error.find("directory"), std::string::npos) << error;
}

TEST(WindowsFileLock, AWriterHoldsItAloneAndReadersShareIt) {
    const std::string path = (FreshTestDir("win-lock") / "UserList.dat").string();
    plat::CFileLock writer, other;
    ASSERT_TRUE(writer.Acquire(path, true));
    EXPECT_FALSE(other.Acquire(path, true));
    EXPECT_FALSE(other.Acquire(path, false));
    writer.Release();
    plat::CFileLock reader;
    ASSERT_TRUE(reader.Acquire(path, false));
    EXPECT_TRUE(other.Acquire(path, false));
    EXPECT_FALSE(writer.Acquire(path, true));
    EXPECT_EQ(reader.Size(), 0);
}

TEST(WindowsFileLock, ALockedFileMayStillBeReplacedByTheWriter) {
    // "UserList.dat" is locked itself while its new copy is moved over it.
    const std::string path = (FreshTestDir("win-lock-write") / "UserList.dat").string();
    plat::CFileLock lock;
    ASSERT_TRUE(lock.Acquire(path, true));
    std::string error;
    EXPECT_TRUE(plat::SaveFileContents(path, "list", &error)) << error;
    lock.Release();
    EXPECT_EQ(FileContents(path), "list");
}

TEST(WindowsLogFile, StaysBoundedKeepingItsNewestWholeLines) {
    const fs::path dir = FreshTestDir("win-log");
    const std::string path = (dir / "PelmoraTrace.log").string();
    {
        plat::CLogFile log(200, 100);
        std::string error;
        ASSERT_TRUE(log.Open(path, &error)) << error;
        for (int i = 0; i < 30; ++i)
            ASSERT_TRUE(log.Append("line " + std::to_string(i) + "\r\n", &error)) << error;
    }
    const std::string text = FileContents(path);
    EXPECT_LE(text.size(), 200u);
    EXPECT_EQ(text.substr(text.size() - 9), "line 29\r\n");
    EXPECT_EQ(text.rfind("line ", 0), 0u) << "starts with a whole line";
    EXPECT_EQ(EntriesIn(dir), 1u);
}

TEST(WindowsProcessIdentity, TheRunningProcessLivesAndAnotherStartTimeDoesNot) {
    plat::ProcessIdentity self = plat::CurrentProcess();
    EXPECT_EQ(self.pid, static_cast<long>(wintest::CurrentProcessId()));
    EXPECT_NE(self.start, 0u);
    EXPECT_TRUE(plat::IsProcessAlive(self));
    plat::ProcessIdentity reused = self;
    reused.start += 1;
    EXPECT_FALSE(plat::IsProcessAlive(reused));
    plat::ProcessIdentity otherBoot = self;
    otherBoot.bootId = "0b6c5d1e-linux-boot";
    EXPECT_FALSE(plat::IsProcessAlive(otherBoot));
}

TEST(WindowsRegistry, KeysAndValuesGoThroughTheSystemsRegistry) {
    const std::string path =
        "Software\\PelmoraTest\\" + std::to_string(wintest::CurrentProcessId()) + "\\Produkt";
    plat::HKEY key = nullptr;
    plat::DWORD disposition = 0;
    ASSERT_EQ(plat::RegCreateKeyEx(plat::HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0,
                                   plat::KEY_ALL_ACCESS, nullptr, &key, &disposition),
              plat::ERROR_SUCCESS);
    EXPECT_EQ(disposition, plat::REG_CREATED_NEW_KEY);
    const std::string dir = "C:\\Programme\\M\xFCller"; // code-page bytes as they are
    ASSERT_EQ(plat::RegSetValueEx(key, "Path", 0, plat::REG_SZ,
                                  reinterpret_cast<const plat::BYTE*>(dir.c_str()),
                                  static_cast<plat::DWORD>(dir.size() + 1)),
              plat::ERROR_SUCCESS);
    const plat::DWORD number = 0x12345678;
    ASSERT_EQ(plat::RegSetValueEx(key, "Level", 0, plat::REG_DWORD,
                                  reinterpret_cast<const plat::BYTE*>(&number), sizeof number),
              plat::ERROR_SUCCESS);
    plat::RegCloseKey(key);

    ASSERT_EQ(plat::RegOpenKeyEx(plat::HKEY_CURRENT_USER, path.c_str(), 0, plat::KEY_READ, &key),
              plat::ERROR_SUCCESS);
    char text[64] = {};
    plat::DWORD type = 0, size = sizeof text;
    ASSERT_EQ(plat::RegQueryValueEx(key, "Path", nullptr, &type,
                                    reinterpret_cast<plat::BYTE*>(text), &size),
              plat::ERROR_SUCCESS);
    EXPECT_EQ(type, plat::REG_SZ);
    EXPECT_EQ(std::string(text), dir);
    plat::DWORD values = 0;
    ASSERT_EQ(plat::RegQueryInfoKey(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                    &values, nullptr, nullptr, nullptr, nullptr),
              plat::ERROR_SUCCESS);
    EXPECT_EQ(values, 2u);
    size = sizeof text;
    EXPECT_EQ(plat::RegQueryValueEx(key, "Missing", nullptr, &type,
                                    reinterpret_cast<plat::BYTE*>(text), &size),
              plat::ERROR_FILE_NOT_FOUND);
    plat::RegCloseKey(key);

    const std::string parent = path.substr(0, path.rfind('\\'));
    EXPECT_EQ(plat::RegDeleteKey(plat::HKEY_CURRENT_USER, path.c_str()), plat::ERROR_SUCCESS);
    EXPECT_EQ(plat::RegDeleteKey(plat::HKEY_CURRENT_USER, parent.c_str()), plat::ERROR_SUCCESS);
    EXPECT_EQ(plat::RegOpenKeyEx(plat::HKEY_CURRENT_USER, path.c_str(), 0, plat::KEY_READ, &key),
              plat::ERROR_FILE_NOT_FOUND);
}

TEST(WindowsUrl, AFileUrlIsReadWithItsLengthAndAMissingOneFails) {
    const fs::path dir = FreshTestDir("win-url");
    WriteBytes(dir / "a b.mp3", std::string("ID3\x03\0\0", 6) + "frames");
    std::string url = "file:///" + (dir / "a b.mp3").string();
    for (char& c : url)
        if (c == '\\')
            c = '/';
    url.replace(url.find("a b"), 3, "a%20b");
    plat::UrlContent content;
    ASSERT_EQ(plat::FetchUrl(url, true, content), plat::UrlFetchResult::Ok);
    EXPECT_EQ(content.contentLength, 12);
    EXPECT_EQ(std::string(content.bytes.begin(), content.bytes.end()),
              std::string("ID3\x03\0\0", 6) + "frames");
    EXPECT_EQ(plat::FetchUrl(url, false, content, 4), plat::UrlFetchResult::TooLarge);
    EXPECT_EQ(plat::FetchUrl("file:///Z:/no/such/file.mp3", false, content),
              plat::UrlFetchResult::Failed);
}

TEST(WindowsSystem, TheProgramsDirectoryAndUtf8CaseFolding) {
    const std::string dir = plat::GetModuleDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), '\\');
    EXPECT_TRUE(plat::FileExists(plat::GetModuleFileName()));
    EXPECT_EQ(plat::GetModuleFileName().rfind(dir, 0), 0u);
    EXPECT_EQ(plat::NativePath("a/b\\c"), "a\\b\\c");

    using plat::TextEncoding;
    EXPECT_EQ(plat::FoldCase("\xC3\x84rger \xC3\x9F \xCE\xA3", TextEncoding::Utf8),
              "\xC3\xA4rger \xC3\x9F \xCF\x83"); // Ä -> ä, ß stays, Σ -> σ
    EXPECT_EQ(plat::FoldCase("A\xFF"
                             "B",
                             TextEncoding::Utf8),
              "a\xFF"
              "b");
    EXPECT_TRUE(plat::EqualNoCase("M\xC3\x9CLLER", "m\xC3\xBCller", TextEncoding::Utf8));
}
