// Every translation shipped in resources/lang/: a complete file of the
// table, in the order and sections the program writes, each text translated
// with the English text's printf directives, stored as Windows-1252 with CR LF
// line ends as the learning product's own files are.
#include "texts/UiTexts.h"

#include "platform/text/text_encoding.h"
#include "tests/support/ShownTranslation.h"
#include "tests/support/TestDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct KeyLine {
    std::string section;
    std::string key;
    std::string value;
    bool operator==(const KeyLine& other) const = default;
};

// The key lines of a language file's lines (CR LF already removed), its
// comments aside.
std::vector<KeyLine> KeyLines(const std::vector<std::string>& lines) {
    std::vector<KeyLine> keys;
    std::string section;
    for (const std::string& line : lines) {
        if (!line.empty() && line.front() == ';')
            continue;
        if (!line.empty() && line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            continue;
        }
        const std::size_t equals = line.find('=');
        EXPECT_NE(equals, std::string::npos) << "not a key line: " << line;
        if (equals != std::string::npos)
            keys.push_back({section, line.substr(0, equals), line.substr(equals + 1)});
    }
    return keys;
}

std::vector<std::string> SplitCrLf(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(bytes.substr(start, end - start));
    EXPECT_EQ(start, bytes.size()) << "the last line ends with CR LF";
    return lines;
}

std::vector<std::string> PrintfDirectives(const std::string& text) {
    static const std::regex directive("%[-+ #0]*[0-9*]*(\\.[0-9*]+)?(hh|h|ll|l|L|z|j|t)?[a-zA-Z%]");
    std::vector<std::string> found;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), directive);
         it != std::sregex_iterator(); ++it)
        found.push_back(it->str());
    return found;
}

// True when the bytes hold a well-formed UTF-8 sequence of two or more
// bytes: an accented letter saved as UTF-8 ("\xC3\xA9" for e acute).
bool HasUtf8MultiByteSequence(const std::string& bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                                   : lead >= 0xE0 && lead <= 0xEF ? 3
                                   : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                                  : 0;
        if (length == 0 || i + length > bytes.size())
            continue;
        if (plat::IsValidUtf8(std::string_view(bytes).substr(i, length)))
            return true;
    }
    return false;
}

class ShippedTranslations : public ::testing::Test {
protected:
    void SetUp() override {
        ResetUiTexts();
        m_dir = FreshTestDir("pelmora-shipped");
    }
    void TearDown() override {
        ResetUiTexts();
        fs::remove_all(m_dir);
    }

    static std::vector<fs::path> Files() {
        std::vector<fs::path> files;
        const fs::path dir = fs::path(std::getenv("PELMORA_SOURCE_DIR")) / "resources" / "lang";
        for (const auto& entry : fs::directory_iterator(dir))
            files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        return files;
    }
    // The lines the program writes for the English texts on a first run.
    std::vector<KeyLine> EnglishFile() {
        const std::string path = (m_dir / "english.INI").string();
        ResetUiTexts();
        LoadUiTextsFrom(path);
        ResetUiTexts();
        return KeyLines(SplitCrLf(FileContents(path)));
    }

    fs::path m_dir;
};

TEST_F(ShippedTranslations, FrenchGermanAndSpanishAreShippedAsLanguageFiles) {
    std::vector<std::string> names;
    for (const fs::path& file : Files())
        names.push_back(file.filename().string());
    EXPECT_EQ(names, (std::vector<std::string>{"de.INI", "es.INI", "fr.INI"}));
}

TEST_F(ShippedTranslations, EachHoldsEveryTextOfTheTableInItsOrderWithItsDirectives) {
    const std::vector<KeyLine> english = EnglishFile();
    ASSERT_EQ(english.size(), UiTextCount());
    for (const fs::path& file : Files()) {
        SCOPED_TRACE(file.filename().string());
        // As this system reads it: a text for this system in place of the
        // common one, those of other systems left out.
        const std::vector<KeyLine> translated =
            KeyLines(SplitCrLf(ShownTranslation(FileContents(file))));
        ASSERT_EQ(translated.size(), english.size());
        std::size_t differing = 0;
        for (std::size_t i = 0; i < english.size(); ++i) {
            const KeyLine& e = english[i];
            const KeyLine& t = translated[i];
            SCOPED_TRACE(e.section + "/" + e.key);
            ASSERT_EQ(t.section, e.section) << "sections in the table's order";
            ASSERT_EQ(t.key, e.key) << "keys in the table's order, none unknown";
            EXPECT_FALSE(t.value.empty());
            EXPECT_EQ(t.value.find_first_not_of(' '), 0u) << "no leading blank: " << t.value;
            EXPECT_NE(t.value.back(), ' ') << "no trailing blank: " << t.value;
            EXPECT_EQ(PrintfDirectives(t.value), PrintfDirectives(e.value)) << t.value;
            std::string trimmedEnglish = e.value;
            trimmedEnglish.erase(0, trimmedEnglish.find_first_not_of(' '));
            trimmedEnglish.erase(trimmedEnglish.find_last_not_of(' ') + 1);
            differing += plat::Windows1252ToUtf8(t.value) != trimmedEnglish ? 1 : 0;
        }
        EXPECT_GE(differing * 10, english.size() * 9) << "nine texts in ten are translated";
    }
}

TEST_F(ShippedTranslations, EachIsWindows1252WithCrLfAndNoUtf8) {
    for (const fs::path& file : Files()) {
        SCOPED_TRACE(file.filename().string());
        const std::string bytes = FileContents(file);
        ASSERT_FALSE(bytes.empty());
        std::size_t accented = 0;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const auto c = static_cast<unsigned char>(bytes[i]);
            if (c == '\r') {
                EXPECT_TRUE(i + 1 < bytes.size() && bytes[i + 1] == '\n')
                    << "CR without LF at " << i;
            } else if (c == '\n') {
                EXPECT_TRUE(i > 0 && bytes[i - 1] == '\r') << "LF without CR at " << i;
            } else {
                EXPECT_GE(c, 0x20) << "control character at " << i;
                EXPECT_NE(c, 0x7F) << "at " << i;
                for (unsigned char undefined : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
                    EXPECT_NE(c, undefined) << "a byte code page 1252 leaves undefined, at " << i;
            }
            accented += c >= 0x80 ? 1 : 0;
        }
        EXPECT_GT(accented, 0u) << "a translation with no accent at all was saved as ASCII";
        EXPECT_FALSE(HasUtf8MultiByteSequence(bytes)) << "saved as UTF-8, not Windows-1252";
        EXPECT_EQ(plat::DetectTextEncoding(bytes), plat::TextEncoding::Windows1252);
    }
}

TEST_F(ShippedTranslations, TheProgramReadsEveryTextAsTheFileHoldsIt) {
    for (const fs::path& file : Files()) {
        SCOPED_TRACE(file.filename().string());
        const std::vector<KeyLine> lines =
            KeyLines(SplitCrLf(ShownTranslation(FileContents(file))));
        ResetUiTexts();
        LoadUiTextsFrom(file.string());
        for (const KeyLine& line : lines)
            EXPECT_EQ(UiText(line.section.c_str(), line.key.c_str()), line.value)
                << line.section << "/" << line.key;
    }
}

} // namespace
