// The table of frame lengths of an MPEG audio stream, built once when a file
// is opened so that decoding never parses a header again.
#pragma once

#include "audio/SourceFile.h"
#include "platform/media/mp3_frame.h"

#include <vector>

class CMp3FrameIndex {
public:
    enum class Result {
        Ok,
        NotMpeg,           // the first four bytes are no MPEG audio header
        NotLayer3,         // an MPEG audio stream of another layer
        FirstFrameTooLong, // the first frame does not fit in the bytes given
        ReadError,         // the file failed while reading
    };

    // Indexes the frames of file between dataStart and dataEnd (exclusive).
    // constantFrames takes every frame to have the first frame's length.
    // Otherwise each header is read; where a header is lost, the next header of
    // the same stream is searched over at most twice the largest frame length
    // from the start of the last good frame, and the last frame's length is
    // corrected to reach it. When the scan reaches dataEnd the bit rate becomes
    // the mean of the frames' bit rates and frameMs that of the largest frame.
    Result Build(CSourceFile& file, plat::DWORD dataStart, plat::DWORD dataEnd,
                 bool constantFrames);
    void Clear();

    // The first frame's header, with the bit rate and frame duration of the
    // whole stream once the scan has reached the end of the data.
    const Mp3FrameInfo& Info() const { return m_info; }
    plat::DWORD FrameCount() const { return m_frameCount; }
    // Length of frame i; a table of one length serves every frame.
    plat::WORD FrameLength(plat::DWORD i) const {
        return m_lengths[i % static_cast<plat::DWORD>(m_lengths.size())];
    }
    plat::WORD LargestFrame() const { return m_largest; }
    // Bytes of the frames first .. first + count - 1.
    plat::DWORD BytesOf(plat::DWORD first, plat::DWORD count) const;

private:
    bool ReadAt(CSourceFile& file, plat::DWORD offset, void* buffer, plat::DWORD count,
                plat::DWORD& got);
    // Searches a header of the stream after lastStart; 0 when none was found.
    plat::DWORD Resync(CSourceFile& file, plat::DWORD lastStart, plat::DWORD dataEnd,
                       bool& ioError);

    Mp3FrameInfo m_info;
    std::vector<plat::WORD> m_lengths;
    plat::DWORD m_frameCount = 0;
    plat::WORD m_largest = 0;
    // The bytes around the headers being read, while Build runs.
    std::vector<unsigned char> m_window;
    plat::DWORD m_windowStart = 0;
    plat::DWORD m_windowSize = 0;
};
