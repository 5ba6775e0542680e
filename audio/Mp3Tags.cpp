#include "audio/Mp3Tags.h"

#include "platform/archive/little_endian.h"

#include <cstring>

using namespace plat;

namespace {

constexpr DWORD kId3v2HeaderSize = 10;
constexpr DWORD kApeFooterSize = 32;
constexpr DWORD kId3v1Size = 128;
// Tags never come in long rows; a bound keeps a file of nothing but tag
// headers from being walked byte by byte.
constexpr int kMostTags = 64;

// A size of four bytes of seven bits each, the high bit clear in every byte.
bool Synchsafe(const unsigned char* p, DWORD& value) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
        if (p[i] & 0x80)
            return false;
        value = (value << 7) | p[i];
    }
    return true;
}

// The ID3v2 header or footer fields after the three identifying bytes: a
// known major version, a revision that is not 0xFF, and a synchsafe size.
DWORD Id3v2Length(const unsigned char* p, const char* id) {
    if (std::memcmp(p, id, 3) != 0 || p[3] < 2 || p[3] > 4 || p[4] == 0xFF)
        return 0;
    DWORD size = 0;
    if (!Synchsafe(p + 6, size))
        return 0;
    const bool footer = (p[5] & 0x10) != 0;
    return kId3v2HeaderSize + size + (footer ? kId3v2HeaderSize : 0);
}

bool ReadAt(CSourceFile& file, DWORD offset, unsigned char* buffer, DWORD count, bool& whole) {
    whole = false;
    DWORD reached = 0;
    if (!file.Seek(offset, CSourceFile::Origin::Begin, reached))
        return false;
    if (reached != offset)
        return true;
    DWORD got = 0;
    if (!file.Read(buffer, count, got))
        return false;
    whole = got == count;
    return true;
}

} // namespace

DWORD Id3v2TagLength(const unsigned char* p) {
    return Id3v2Length(p, "ID3");
}

DWORD ApeTagLength(const unsigned char* p) {
    if (std::memcmp(p, "APETAGEX", 8) != 0)
        return 0;
    const DWORD version = Le32(p + 8);
    const DWORD size = Le32(p + 12); // the items and this footer
    const DWORD flags = Le32(p + 20);
    if ((version != 1000 && version != 2000) || size < kApeFooterSize ||
        size > 0xFFFFFFFFu - kApeFooterSize)
        return 0;
    const bool header = (flags & 0x80000000u) != 0;
    return size + (header ? kApeFooterSize : 0);
}

bool SkipLeadingTags(CSourceFile& file, DWORD start, DWORD end, DWORD& audioStart) {
    audioStart = start;
    for (int i = 0; i < kMostTags && end - audioStart >= kId3v2HeaderSize; ++i) {
        unsigned char header[kId3v2HeaderSize];
        bool whole = false;
        if (!ReadAt(file, audioStart, header, sizeof header, whole))
            return false;
        const DWORD length = whole ? Id3v2TagLength(header) : 0;
        if (length == 0 || length > end - audioStart)
            break;
        audioStart += length;
    }
    return true;
}

bool FindTrailingTags(CSourceFile& file, DWORD start, DWORD end, DWORD& audioEnd) {
    audioEnd = end;
    for (int i = 0; i < kMostTags; ++i) {
        const DWORD held = audioEnd - start;
        DWORD length = 0;
        bool whole = false;
        if (held >= kApeFooterSize) {
            unsigned char footer[kApeFooterSize];
            if (!ReadAt(file, audioEnd - kApeFooterSize, footer, sizeof footer, whole))
                return false;
            if (whole)
                length = ApeTagLength(footer);
            // An ID3v2 tag at the end is known by its footer.
            // An ID3v2 tag at the end is known by its footer, which repeats
            // the header's flags (the footer bit set) and size.
            const unsigned char* id3 = footer + kApeFooterSize - kId3v2HeaderSize;
            if (length == 0 && whole && (id3[5] & 0x10))
                length = Id3v2Length(id3, "3DI");
        }
        if (length == 0 && held >= kId3v1Size) {
            unsigned char tag[3];
            if (!ReadAt(file, audioEnd - kId3v1Size, tag, sizeof tag, whole))
                return false;
            if (whole && std::memcmp(tag, "TAG", 3) == 0)
                length = kId3v1Size;
        }
        if (length == 0 || length > held)
            break;
        audioEnd -= length;
    }
    return true;
}
