// The Windows program's resources (resources/windows/pelmora.rc) linked into
// this test as into the program, found the way the program finds them and
// compared with the committed files they are made from.
#include "platform/system/program.h"
#include "platform/system/system_testing.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kProgramIconId = 128;

fs::path SourceDir() {
    const char* dir = std::getenv("PELMORA_SOURCE_DIR");
    return dir != nullptr ? fs::path(dir) : fs::path();
}

std::string FileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

struct PngHeader {
    unsigned width = 0;
    unsigned height = 0;
    int colourType = -1; // 2 RGB, 6 RGBA
};

unsigned BigEndian32(const std::string& bytes, std::size_t at) {
    return static_cast<unsigned>(static_cast<unsigned char>(bytes[at])) << 24 |
           static_cast<unsigned>(static_cast<unsigned char>(bytes[at + 1])) << 16 |
           static_cast<unsigned>(static_cast<unsigned char>(bytes[at + 2])) << 8 |
           static_cast<unsigned>(static_cast<unsigned char>(bytes[at + 3]));
}

PngHeader ReadPngHeader(const fs::path& path) {
    const std::string bytes = FileBytes(path);
    PngHeader header;
    if (bytes.size() < 26 || bytes.compare(12, 4, "IHDR") != 0)
        return header;
    header.width = BigEndian32(bytes, 16);
    header.height = BigEndian32(bytes, 20);
    header.colourType = static_cast<unsigned char>(bytes[25]);
    return header;
}

// The pictures of resources/images named PREFIX_N.png, by N.
std::map<int, PngHeader> Pictures(const std::string& prefix) {
    std::map<int, PngHeader> found;
    const std::regex name(prefix + "_(\\d+)\\.png");
    for (const auto& entry : fs::directory_iterator(SourceDir() / "resources" / "images")) {
        std::smatch match;
        const std::string file = entry.path().filename().string();
        if (std::regex_match(file, match, name))
            found[std::stoi(match[1])] = ReadPngHeader(entry.path());
    }
    return found;
}

std::string ResourceBytes(LPCSTR type, int id) {
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(id), type);
    if (found == nullptr)
        return {};
    HGLOBAL loaded = LoadResource(nullptr, found);
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr)
        return {};
    return std::string(static_cast<const char*>(data), SizeofResource(nullptr, found));
}

std::vector<int> ResourceIds(LPCSTR type) {
    std::vector<int> ids;
    EnumResourceNamesA(
        nullptr, type,
        [](HMODULE, LPCSTR, LPSTR name, LONG_PTR param) -> BOOL {
            if (IS_INTRESOURCE(name))
                reinterpret_cast<std::vector<int>*>(param)->push_back(
                    static_cast<int>(reinterpret_cast<std::uintptr_t>(name)));
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&ids));
    return ids;
}

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width;
    BYTE height;
    BYTE colours;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

struct IconSize {
    unsigned width;
    unsigned height;
    bool operator==(const IconSize&) const = default;
};

// The sizes an icon group lists, each checked to name an icon image of that
// size in 32 bits that the system can make an icon of.
std::vector<IconSize> IconGroupSizes(int id) {
    const std::string group = ResourceBytes(RT_GROUP_ICON, id);
    std::vector<IconSize> sizes;
    if (group.size() < 6)
        return sizes;
    const auto count = static_cast<std::size_t>(static_cast<unsigned char>(group[4]) |
                                                static_cast<unsigned char>(group[5]) << 8);
    EXPECT_EQ(group.size(), 6 + count * sizeof(GroupIconEntry)) << "icon " << id;
    for (std::size_t i = 0; i < count && 6 + (i + 1) * sizeof(GroupIconEntry) <= group.size();
         ++i) {
        GroupIconEntry entry;
        std::copy_n(group.data() + 6 + i * sizeof entry, sizeof entry,
                    reinterpret_cast<char*>(&entry));
        const IconSize size{entry.width == 0 ? 256u : entry.width,
                            entry.height == 0 ? 256u : entry.height};
        sizes.push_back(size);
        std::string image = ResourceBytes(RT_ICON, entry.id);
        EXPECT_EQ(image.size(), entry.bytes) << "icon " << id << " image " << entry.id;
        if (image.size() < sizeof(BITMAPINFOHEADER))
            continue;
        BITMAPINFOHEADER header;
        std::copy_n(image.data(), sizeof header, reinterpret_cast<char*>(&header));
        EXPECT_EQ(header.biWidth, static_cast<LONG>(size.width)) << "icon " << id;
        EXPECT_EQ(header.biHeight, static_cast<LONG>(2 * size.height)) << "icon " << id;
        EXPECT_EQ(header.biBitCount, 32) << "icon " << id;
        HICON icon = CreateIconFromResourceEx(reinterpret_cast<PBYTE>(image.data()),
                                              static_cast<DWORD>(image.size()), TRUE, 0x00030000, 0,
                                              0, LR_DEFAULTCOLOR);
        EXPECT_NE(icon, nullptr) << "icon " << id << " image " << entry.id;
        if (icon != nullptr)
            DestroyIcon(icon);
    }
    return sizes;
}

TEST(WindowsResources, TheProgramsIconComesFirstWithEverySizeOfTheIconTheme) {
    const std::vector<int> groups = ResourceIds(RT_GROUP_ICON);
    ASSERT_FALSE(groups.empty());
    EXPECT_EQ(groups.front(), kProgramIconId) << "the system shows the first icon for the file";

    std::vector<IconSize> theme;
    for (const auto& entry : fs::directory_iterator(SourceDir() / "resources/icons/hicolor")) {
        const fs::path png = entry.path() / "apps" / "pelmora.png";
        if (fs::exists(png)) {
            const PngHeader header = ReadPngHeader(png);
            theme.push_back({header.width, header.height});
        }
    }
    std::sort(theme.begin(), theme.end(),
              [](const IconSize& a, const IconSize& b) { return a.width < b.width; });
    ASSERT_GE(theme.size(), 5u);
    EXPECT_EQ(IconGroupSizes(kProgramIconId), theme);
}

TEST(WindowsResources, EveryIconPictureIsAnIconOfItsSizeAndNoOtherIconsAreThere) {
    const std::map<int, PngHeader> pictures = Pictures("icon");
    ASSERT_EQ(pictures.size(), 3u) << "icons 182, 184 and 185";
    std::vector<int> expected{kProgramIconId};
    for (const auto& [id, png] : pictures) {
        expected.push_back(id);
        EXPECT_EQ(IconGroupSizes(id), (std::vector<IconSize>{{png.width, png.height}}))
            << "icon " << id;
    }
    std::vector<int> groups = ResourceIds(RT_GROUP_ICON);
    std::sort(groups.begin(), groups.end());
    EXPECT_EQ(groups, expected);
}

// Whether a bottom-up bitmap's pixels hold the colour (r, g, b).
bool HoldsColour(const std::string& dib, const BITMAPINFOHEADER& header, BYTE r, BYTE g, BYTE b) {
    const int bytesPerPixel = header.biBitCount / 8;
    const std::size_t row = ((header.biWidth * header.biBitCount + 31) / 32) * 4;
    const char* pixels = dib.data() + header.biSize;
    for (LONG y = 0; y < header.biHeight; ++y)
        for (LONG x = 0; x < header.biWidth; ++x) {
            const auto* p =
                reinterpret_cast<const unsigned char*>(pixels + y * row) + x * bytesPerPixel;
            if (p[0] == b && p[1] == g && p[2] == r)
                return true;
        }
    return false;
}

TEST(WindowsResources, EveryBitmapPictureIsABitmapOfItsSizeThatTheSystemLoads) {
    const std::map<int, PngHeader> pictures = Pictures("bitmap");
    ASSERT_TRUE(pictures.count(188)) << "the result list's images";
    std::vector<int> expected;
    for (const auto& [id, png] : pictures) {
        expected.push_back(id);
        const std::string dib = ResourceBytes(RT_BITMAP, id);
        ASSERT_GE(dib.size(), sizeof(BITMAPINFOHEADER)) << "bitmap " << id;
        BITMAPINFOHEADER header;
        std::copy_n(dib.data(), sizeof header, reinterpret_cast<char*>(&header));
        EXPECT_EQ(header.biWidth, static_cast<LONG>(png.width)) << "bitmap " << id;
        EXPECT_EQ(header.biHeight, static_cast<LONG>(png.height)) << "bitmap " << id;
        // Transparency is kept where the picture has it.
        EXPECT_EQ(header.biBitCount, png.colourType == 6 ? 32 : 24) << "bitmap " << id;
        EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB)) << "bitmap " << id;
        EXPECT_GE(dib.size(),
                  header.biSize + ((png.width * header.biBitCount + 31) / 32) * 4 * png.height)
            << "bitmap " << id;

        HANDLE loaded = LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0,
                                   0, LR_CREATEDIBSECTION);
        ASSERT_NE(loaded, nullptr) << "bitmap " << id;
        BITMAP info{};
        GetObjectA(loaded, sizeof info, &info);
        EXPECT_EQ(info.bmWidth, static_cast<LONG>(png.width)) << "bitmap " << id;
        EXPECT_EQ(info.bmHeight, static_cast<LONG>(png.height)) << "bitmap " << id;
        DeleteObject(loaded);
        if (id == 188) {
            EXPECT_EQ(png.width, 48u) << "three images 16 pixels wide";
            EXPECT_TRUE(HoldsColour(dib, header, 0, 128, 128))
                << "the image list's mask colour, RGB(0, 128, 128)";
        }
    }
    std::vector<int> bitmaps = ResourceIds(RT_BITMAP);
    std::sort(bitmaps.begin(), bitmaps.end());
    EXPECT_EQ(bitmaps, expected);
}

TEST(WindowsResources, TheWaveResourcesAreTheCommittedFilesByteForByte) {
    const std::map<int, fs::path> waves{{164, "resources/music/music.wav"},
                                        {170, "resources/voice/left.wav"},
                                        {171, "resources/voice/right.wav"}};
    for (const auto& [id, file] : waves) {
        const std::string expected = FileBytes(SourceDir() / file);
        ASSERT_GT(expected.size(), 44u) << file;
        const std::string embedded = ResourceBytes("WAVE", id);
        EXPECT_EQ(embedded.size(), expected.size()) << "WAVE " << id;
        EXPECT_TRUE(embedded == expected) << "WAVE " << id << " differs from " << file;
    }
}

TEST(WindowsResources, TheCaptionStringAndTheTraceListAccelerator) {
    char caption[64] = {};
    EXPECT_EQ(LoadStringA(GetModuleHandleA(nullptr), 103, caption, sizeof caption), 6);
    EXPECT_STREQ(caption, "Wizard");

    HACCEL table = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(208));
    ASSERT_NE(table, nullptr);
    ACCEL entries[4] = {};
    ASSERT_EQ(CopyAcceleratorTableA(table, entries, 4), 1);
    EXPECT_EQ(entries[0].fVirt & (FVIRTKEY | FCONTROL | FALT | FSHIFT), FVIRTKEY | FCONTROL | FALT);
    EXPECT_EQ(entries[0].key, 'T');
    EXPECT_EQ(entries[0].cmd, 32776) << "ID_SHOW_TRACE_LIST";
    DestroyAcceleratorTable(table);
}

TEST(WindowsResources, TheVersionResourceCarriesTheProjectsVersion) {
    char path[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameA(nullptr, path, MAX_PATH), 0u);
    DWORD ignored = 0;
    std::vector<char> info(GetFileVersionInfoSizeA(path, &ignored));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, static_cast<DWORD>(info.size()), info.data()));
    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", &value, &length));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);

    int major = 0, minor = 0, patch = 0;
    ASSERT_EQ(std::sscanf(PELMORA_VERSION, "%d.%d.%d", &major, &minor, &patch), 3);
    EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(major << 16 | minor));
    EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(patch << 16));
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
    ASSERT_TRUE(
        VerQueryValueA(info.data(), "\\StringFileInfo\\040904e4\\FileVersion", &value, &length));
    EXPECT_STREQ(static_cast<const char*>(value), PELMORA_VERSION);

    // What the wizard's title shows.
    EXPECT_EQ(plat::GetProductVersion(), PELMORA_VERSION);
    plat::SetProductVersionForTesting("");
    EXPECT_EQ(plat::GetProductVersion(), "");
    plat::SetProductVersionForTesting(nullptr);
    EXPECT_EQ(plat::GetProductVersion(), PELMORA_VERSION);
}

} // namespace
