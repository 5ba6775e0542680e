// The reader of MPEG audio layer III: raw ".MP3" files, raw ".SNF" files
// (frames of constant length) and RIFF/WAVE files whose format tag is 85.
// Frames are indexed once at open; decoding then feeds the decoder about one
// second of whole frames at a time and delivers 16-bit PCM.
#pragma once

#include "audio/AudioSource.h"
#include "audio/Mp3FrameIndex.h"
#include "platform/media/mpeg_decoder.h"

#include <array>
#include <vector>

// Error texts of the MPEG reader (besides the shared reader texts).
inline constexpr const char* kErrNotMp3Format = "Not Mp3 Format";
inline constexpr const char* kErrNotAMp3File = "Not a MP3 File";
inline constexpr const char* kErrReadingFrames = "Error reading frames";
inline constexpr const char* kErrMemoryAllocation = "Memory Allocation";

class CMp3FileReader : public CAudioSource {
public:
    CMp3FileReader() = default;
    ~CMp3FileReader() override;

    // Moves to byte offset of the PCM data: decoding restarts two frames before
    // the frame holding it (for the bit reservoir) and drops the surplus.
    // Returns the offset reached, 0 when nothing is open.
    plat::DWORD Seek(plat::DWORD offset) override;
    plat::HRESULT Close() override;
    plat::HRESULT Rewind() override;
    // Opens a raw MPEG file or URL; ".SNF" names take every frame to have the
    // first frame's length. The ID3v2 tags in front of the frames and the APE,
    // ID3v2 and ID3v1 tags after them are passed over.
    plat::HRESULT Open(const std::string& name) override;
    plat::HRESULT Read(plat::DWORD count, void* buffer, plat::DWORD& got) override;

    // Takes over a RIFF file positioned after the fmt chunk's format tag (85);
    // fmtSize must be 30.
    plat::HRESULT OpenFromFile(std::unique_ptr<CSourceFile> file, plat::DWORD fileLength,
                               plat::DWORD position, plat::DWORD fmtSize);

    const Mp3FrameInfo& GetFrameInfo() const { return m_index.Info(); }
    plat::DWORD GetFrameCount() const { return m_index.FrameCount(); }
    plat::WORD GetFrameLength(plat::DWORD i) const { return m_index.FrameLength(i); }
    plat::DWORD GetFramesPerBlock() const { return m_framesPerBlock; }
    plat::DWORD GetDataStart() const { return m_dataStart; }
    // The trailing 128-byte ID3v1 tag of a raw file, or zeros.
    const std::array<unsigned char, 128>& GetTag() const { return m_tag; }
    const plat::MPEGLAYER3WAVEFORMAT& GetMp3Format() const { return m_mp3Format; }

private:
    plat::HRESULT Fail(std::string text);
    // Indexes the frames from m_dataStart up to dataEnd; sets the error text.
    bool IndexFrames(plat::DWORD dataEnd, bool constantFrames);
    bool ReadTag();
    void SetMp3FormatFromFrames();
    bool SetUpDecoder();
    void ReleaseDecoder();
    // Decodes the next block of frames into m_outBuffer.
    bool DecodeNextBlock();
    bool PositionAtFrame(plat::DWORD frame);

    std::array<unsigned char, 128> m_tag{};
    CMp3FrameIndex m_index;
    plat::DWORD m_currentFrame = 0;
    plat::DWORD m_framesPerBlock = 0;
    plat::DWORD m_dataStart = 0;
    std::vector<plat::BYTE> m_inBuffer;
    std::vector<plat::BYTE> m_outBuffer;
    plat::DWORD m_outPtr = 0;   // offset in m_outBuffer of the next byte to return
    plat::DWORD m_outAvail = 0; // bytes from m_outPtr not yet returned
    plat::MPEGLAYER3WAVEFORMAT m_mp3Format{};
    plat::HACMSTREAM m_stream = nullptr;
    plat::ACMSTREAMHEADER m_streamHeader{};
    // The next conversion starts afresh (after Rewind or Seek).
    bool m_restart = true;
};
