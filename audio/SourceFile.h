// The byte stream a reader holds: a local file or a URL. Reads and seeks never
// throw; a false result stands for the file exception of the design and the
// reader turns it into its error text.
#pragma once

#include "platform/types.h"

#include <algorithm>
#include <cstdint>

class CSourceFile {
public:
    enum class Origin { Begin, Current, End };

    virtual ~CSourceFile() = default;

    // Reads up to count bytes into buffer; got receives the number read, which
    // is smaller than count only at the end of the bytes the file holds.
    virtual bool Read(void* buffer, plat::DWORD count, plat::DWORD& got) = 0;

    // Moves the read position and stores the position reached in reached. A
    // target beyond the bytes the file holds stops at its end; one before the
    // start fails.
    virtual bool Seek(std::int64_t offset, Origin origin, plat::DWORD& reached) = 0;

    // Number of bytes the file holds (for a URL: the bytes received).
    virtual plat::DWORD GetLength() const = 0;

    virtual void Close() = 0;

protected:
    // Where a seek lands in a file of `length` bytes read up to `position`:
    // false before the start; beyond the end it stops at the end.
    static bool SeekTarget(std::int64_t offset, Origin origin, plat::DWORD position,
                           plat::DWORD length, plat::DWORD& target) {
        std::int64_t base = 0;
        if (origin == Origin::Current)
            base = position;
        else if (origin == Origin::End)
            base = length;
        const std::int64_t at = base + offset;
        if (at < 0)
            return false;
        target = static_cast<plat::DWORD>(std::min<std::int64_t>(at, length));
        return true;
    }
};
