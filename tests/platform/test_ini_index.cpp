// CIniFile finds sections and keys through an index; it must answer exactly
// as reading the lines one by one does: the wrap-around scan from the current
// line, the first match from there, duplicate sections and keys, keys before
// the first header, names holding ']' or '=', and the current line and
// section after every call. A plain scan of the lines, written here as the
// reference, runs beside CIniFile on random files and random calls, changes
// to the lines included.
#include "platform/text/ini_file.h"
#include "platform/text/trim.h"
#include "tests/support/TestDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsNoCase(const std::string& line, const std::string& prefix) {
    if (line.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (Lower(line[i]) != Lower(prefix[i]))
            return false;
    return true;
}

bool Header(const std::string& line) {
    return !line.empty() && line[0] == '[';
}

// The INI file as a plain list of lines, every lookup a scan.
struct ScanIni {
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    std::vector<std::string> lines;
    std::size_t section = 0;
    bool selected = false;
    std::size_t current = 0;

    bool FindSection(const std::string& name) {
        selected = false;
        const std::size_t n = lines.size();
        if (n == 0)
            return false;
        if (current >= n)
            current = 0;
        for (std::size_t k = 0; k < n; ++k) {
            const std::size_t i = (current + k) % n;
            if (StartsNoCase(lines[i], "[" + name + "]")) {
                section = current = i;
                selected = true;
                return true;
            }
        }
        return false;
    }
    std::size_t SectionEnd() const {
        std::size_t end = section + 1;
        while (end < lines.size() && !Header(lines[end]))
            ++end;
        return end;
    }
    std::size_t KeyLine(const std::string& key) const {
        if (!selected || section >= lines.size())
            return npos;
        const std::size_t end = SectionEnd();
        const std::size_t length = end - section;
        const std::size_t start = current >= section && current < end ? current - section : 0;
        for (std::size_t k = 0; k < length; ++k) {
            const std::size_t i = section + (start + k) % length;
            if (StartsNoCase(lines[i], key + "="))
                return i;
        }
        return npos;
    }
    std::string GetValue(const std::string& key) {
        const std::size_t line = KeyLine(key);
        if (line == npos)
            return "";
        current = line;
        return plat::Trim(lines[line].substr(key.size() + 1));
    }
    bool AddSection(const std::string& name) {
        if (FindSection(name))
            return true;
        lines.push_back("[" + name + "]");
        section = current = lines.size() - 1;
        selected = true;
        return true;
    }
    bool SetValue(const std::string& key, const std::string& value) {
        if (!selected || section >= lines.size())
            return false;
        const std::size_t line = KeyLine(key);
        if (line != npos) {
            lines[line] = key + "=" + value;
            current = line;
            return true;
        }
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(SectionEnd()), key + "=" + value);
        return true;
    }
    void StepInSection() {
        ++current;
        if (current >= lines.size() || Header(lines[current]))
            current = section;
    }
    void WrapCurrentLine() {
        if (current >= lines.size())
            current = 0;
    }
    std::vector<std::string> KeyNames() const {
        std::vector<std::string> keys;
        if (!selected || section >= lines.size())
            return keys;
        for (std::size_t i = section + 1; i < SectionEnd(); ++i) {
            const std::size_t equals = lines[i].find('=');
            const std::size_t semicolon = lines[i].find(';');
            if (equals != std::string::npos &&
                (semicolon == std::string::npos || semicolon > equals))
                keys.push_back(lines[i].substr(0, equals));
        }
        return keys;
    }
};

// Names that meet each other regardless of case, and names holding the
// characters that end a header's name or a key.
const char* const kSections[] = {"a", "A", "b", "ab", "Mixer 0", "", "a]b", "a]", "a=b", "[a"};
const char* const kKeys[] = {"k", "K", "kk", "k2", "", "k=k", "k=", "[a", "a]", "=", ";k"};
const char* const kValues[] = {"1", " v ", "", "=", "x=y", "[a]", " two words "};

class Random {
public:
    explicit Random(unsigned draw) : m_engine(draw) {}
    std::size_t Below(std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(m_engine);
    }
    template <std::size_t N> std::string Pick(const char* const (&names)[N]) {
        return names[Below(N)];
    }
    // Every letter in a random case.
    std::string OddCase(std::string text) {
        for (char& c : text)
            if (c >= 'a' && c <= 'z' && Below(2) == 0)
                c = static_cast<char>(c - 'a' + 'A');
            else if (c >= 'A' && c <= 'Z' && Below(2) == 0)
                c = static_cast<char>(c - 'A' + 'a');
        return text;
    }
    std::string Section() { return OddCase(Pick(kSections)); }
    std::string Key() { return OddCase(Pick(kKeys)); }
    std::string Value() { return Pick(kValues); }

    // One line of a file as people and programs write them.
    std::string Line() {
        switch (Below(12)) {
        case 0:
        case 1:
        case 2:
            return "[" + Section() + "]";
        case 3:
            return "[" + Section() + "] ; " + Value(); // text after the header
        case 4:
            return "[" + Section(); // never closed
        case 5:
            return "[" + Section() + "]=" + Value();
        case 6:
            return Key() + " =" + Value(); // a blank before '='
        case 7:
            return ";" + Key() + "=" + Value(); // a comment
        case 8:
            return Below(2) ? "" : "   "; // blank lines
        default:
            return Key() + "=" + Value();
        }
    }

private:
    std::mt19937 m_engine;
};

// Runs the same random calls on the file and on the scan, and stops at the
// first call whose answer, lines or position differ.
void RunCalls(Random& random, CIniFile& ini, ScanIni& scan, int calls, const std::string& what) {
    ASSERT_EQ(ini.Lines(), scan.lines) << what;
    for (int call = 0; call < calls; ++call) {
        std::string done;
        switch (random.Below(10)) {
        case 0:
        case 1: {
            const std::string name = random.Section();
            done = "FindSection(" + name + ")";
            ASSERT_EQ(ini.FindSection(name), scan.FindSection(name)) << what << done;
            break;
        }
        case 2:
        case 3: {
            const std::string key = random.Key();
            done = "GetValue(" + key + ")";
            ASSERT_EQ(ini.GetValue(key), scan.GetValue(key)) << what << done;
            break;
        }
        case 4: {
            const std::string name = random.Section(), key = random.Key();
            done = "GetString(" + name + ", " + key + ")";
            const bool found = scan.FindSection(name);
            ASSERT_EQ(ini.GetString(name, key), found ? scan.GetValue(key) : "") << what << done;
            break;
        }
        case 5: {
            const std::string key = random.Key(), value = random.Value();
            done = "SetValue(" + key + ", " + value + ")";
            ASSERT_EQ(ini.SetValue(key, value), scan.SetValue(key, value)) << what << done;
            break;
        }
        case 6: {
            const std::string name = random.Section(), key = random.Key(), value = random.Value();
            done = "SetString(" + name + ", " + key + ", " + value + ")";
            const bool set = scan.AddSection(name) && scan.SetValue(key, value);
            ASSERT_EQ(ini.SetString(name, key, value), set) << what << done;
            break;
        }
        case 7: {
            const std::string name = random.Section();
            done = "AddSection(" + name + ")";
            ASSERT_EQ(ini.AddSection(name), scan.AddSection(name)) << what << done;
            break;
        }
        case 8: {
            done = "StepInSection, WrapCurrentLine";
            ini.StepInSection();
            scan.StepInSection();
            if (random.Below(2) == 0) {
                ini.WrapCurrentLine();
                scan.WrapCurrentLine();
            }
            break;
        }
        default: {
            const std::string name = random.Section();
            done = "GetKeyNames(" + name + "), GetKeyNames()";
            std::vector<std::string> keys;
            ini.GetKeyNames(name, keys);
            ScanIni other = scan;
            const std::vector<std::string> expected =
                other.FindSection(name) ? other.KeyNames() : std::vector<std::string>{};
            ASSERT_EQ(keys, expected) << what << done;
            ini.GetKeyNames(keys);
            ASSERT_EQ(keys, scan.KeyNames()) << what << done;
            break;
        }
        }
        ASSERT_EQ(ini.Lines(), scan.lines) << what << done;
        ASSERT_EQ(ini.CurrentLine(), scan.current) << what << done;
        ASSERT_EQ(ini.SectionSelected(), scan.selected) << what << done;
        ASSERT_EQ(ini.CurrentSection(), scan.section) << what << done;
    }
}

class IniIndexTest : public ::testing::Test {
protected:
    void SetUp() override { m_dir = FreshTestDir("pelmora-ini-index"); }
    void TearDown() override { fs::remove_all(m_dir); }
    fs::path m_dir;
};

TEST_F(IniIndexTest, OpenedFilesAnswerAsTheScanOfTheirLines) {
    const std::string path = (m_dir / "random.ini").string();
    for (unsigned draw = 1; draw <= 600; ++draw) {
        Random random(draw);
        std::string text;
        const std::size_t lines = random.Below(40);
        for (std::size_t i = 0; i < lines; ++i)
            text += random.Line() + (random.Below(3) == 0 ? "\r\n" : "\n");
        std::ofstream(path, std::ios::binary) << text;
        CIniFile ini;
        ASSERT_TRUE(ini.Open(path));
        ScanIni scan;
        scan.lines = ini.Lines();
        RunCalls(random, ini, scan, 300, "draw " + std::to_string(draw) + ":\n" + text + "\n");
        if (HasFatalFailure())
            return;
    }
}

TEST_F(IniIndexTest, FilesBuiltByCallsAnswerAsTheScanOfTheirLines) {
    for (unsigned draw = 1; draw <= 300; ++draw) {
        Random random(1000 + draw);
        CIniFile ini;
        ScanIni scan;
        for (int i = 0; i < 20; ++i) {
            const std::string name = random.Section(), key = random.Key(), value = random.Value();
            ASSERT_EQ(ini.SetString(name, key, value),
                      scan.AddSection(name) && scan.SetValue(key, value));
        }
        RunCalls(random, ini, scan, 300, "built, draw " + std::to_string(draw) + ": ");
        if (HasFatalFailure())
            return;
    }
}

TEST_F(IniIndexTest, ReopeningForgetsTheLinesOfTheFileBefore) {
    const std::string first = (m_dir / "first.ini").string();
    const std::string second = (m_dir / "second.ini").string();
    std::ofstream(first, std::ios::binary) << "[A]\nk=1\n[B]\nk=2\n";
    std::ofstream(second, std::ios::binary) << "; other\n[B]\nk=3\n";
    CIniFile ini;
    ASSERT_TRUE(ini.Open(first));
    EXPECT_EQ(ini.GetString("B", "k"), "2");
    ASSERT_TRUE(ini.Open(second));
    EXPECT_FALSE(ini.FindSection("A"));
    EXPECT_EQ(ini.GetString("B", "k"), "3");
    EXPECT_EQ(ini.CurrentLine(), 2u);
    EXPECT_FALSE(ini.Open((m_dir / "none.ini").string()));
    EXPECT_FALSE(ini.FindSection("B"));
    EXPECT_EQ(ini.GetValue("k"), "");
}

} // namespace
