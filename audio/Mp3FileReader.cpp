#include "audio/Mp3FileReader.h"

#include "audio/Mp3Tags.h"
#include "platform/archive/little_endian.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

using namespace plat;

namespace {

constexpr DWORD kTagSize = 128;
constexpr DWORD kMp3FmtSize = 30;

std::string Formatted(const char* format, MMRESULT code) {
    char text[96];
    std::snprintf(text, sizeof text, format, static_cast<int>(code));
    return text;
}

bool HasExtension(const std::string& name, const char* ext) {
    const std::size_t n = std::strlen(ext);
    if (name.size() < n)
        return false;
    for (std::size_t i = 0; i < n; ++i)
        if (std::toupper(static_cast<unsigned char>(name[name.size() - n + i])) != ext[i])
            return false;
    return true;
}

DWORD ClampToDword(std::uint64_t value) {
    return static_cast<DWORD>(std::min<std::uint64_t>(value, std::numeric_limits<DWORD>::max()));
}

} // namespace

CMp3FileReader::~CMp3FileReader() {
    Close();
}

HRESULT CMp3FileReader::Fail(std::string text) {
    Close();
    m_lastError = std::move(text);
    return E_FAIL;
}

HRESULT CMp3FileReader::Open(const std::string& name) {
    Close();
    if (!OpenAny(name))
        return E_FAIL; // "Error opening file" or "Too long file"
    m_dataStart = 0;
    if (!ReadTag())
        return E_FAIL;
    // Most files carry tags of other programs around the frames: the frames
    // are indexed between them.
    DWORD audioStart = 0;
    DWORD audioEnd = m_fileLength;
    if (!SkipLeadingTags(*m_file, 0, m_fileLength, audioStart) ||
        !FindTrailingTags(*m_file, audioStart, m_fileLength, audioEnd))
        return Fail(kErrReadingFile);
    m_dataStart = audioStart;
    m_fileLength = audioEnd;
    if (!IndexFrames(m_fileLength, HasExtension(name, ".SNF")))
        return E_FAIL;
    const Mp3FrameInfo& info = m_index.Info();
    m_dataSize = ClampToDword(std::uint64_t{2} * static_cast<DWORD>(info.Channels()) *
                              info.samplesPerFrame * (m_index.FrameCount() - 1));
    SetMp3FormatFromFrames();
    if (!SetUpDecoder())
        return E_FAIL;
    return Rewind();
}

HRESULT CMp3FileReader::OpenFromFile(std::unique_ptr<CSourceFile> file, DWORD fileLength,
                                     DWORD position, DWORD fmtSize) {
    Close();
    m_file = std::move(file);
    m_fileLength = fileLength;
    m_position = position;
    if (!m_file)
        return Fail(kErrNoOpenFile);
    if (fmtSize != kMp3FmtSize)
        return Fail(kErrUnknownFmtSize);

    // The 28 bytes of the fmt payload after the format tag.
    unsigned char raw[kMp3FmtSize - 2];
    DWORD got = 0;
    if (!ReadFile(raw, sizeof raw, got) || got != sizeof raw)
        return Fail(kErrReadingFile);
    m_mp3Format = MPEGLAYER3WAVEFORMAT{};
    m_mp3Format.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    m_mp3Format.wfx.nChannels = Le16(raw);
    m_mp3Format.wfx.nSamplesPerSec = Le32(raw + 2);
    m_mp3Format.wfx.nAvgBytesPerSec = Le32(raw + 6);
    m_mp3Format.wfx.nBlockAlign = Le16(raw + 10);
    m_mp3Format.wfx.wBitsPerSample = Le16(raw + 12);
    m_mp3Format.wfx.cbSize = Le16(raw + 14);
    m_mp3Format.wID = Le16(raw + 16);
    m_mp3Format.fdwFlags = Le32(raw + 18);
    m_mp3Format.nBlockSize = Le16(raw + 22);
    m_mp3Format.nFramesPerBlock = Le16(raw + 24);
    m_mp3Format.nCodecDelay = Le16(raw + 26);

    RiffChunkHeader chunk;
    if (!FindChunk(MakeFourCC('f', 'a', 'c', 't'), chunk))
        return Fail(m_lastError);
    unsigned char count[4];
    if (chunk.length < 4 || !ReadFile(count, 4, got) || got != 4)
        return Fail(kErrReadingFile);
    const DWORD sampleCount = Le32(count);
    // A fact chunk may hold more than the sample count: the search for the
    // data chunk starts after all of it.
    if (!SkipChunkRest(chunk, 4))
        return Fail(kErrReadingFile);

    if (!FindChunk(kFourCCData, chunk))
        return Fail(m_lastError);
    m_dataStart = m_position;
    // The frames end with the data chunk; chunks after it are no MPEG data.
    DWORD dataEnd = m_fileLength;
    if (chunk.length > 0 && chunk.length <= m_fileLength - m_dataStart)
        dataEnd = m_dataStart + chunk.length;
    if (!IndexFrames(dataEnd, false))
        return E_FAIL;

    // The sample count is per channel; the PCM delivered has one 16-bit value
    // per channel and sample.
    const Mp3FrameInfo& info = m_index.Info();
    const std::uint64_t wanted = std::uint64_t{sampleCount} * info.Channels() * 2;
    const std::uint64_t decoded =
        std::uint64_t{info.samplesPerFrame} * m_index.FrameCount() * info.Channels() * 2;
    if (decoded < wanted)
        return Fail(kErrReadingFrames);
    m_dataSize = ClampToDword(wanted);
    if (!SetUpDecoder())
        return E_FAIL;
    return Rewind();
}

bool CMp3FileReader::ReadTag() {
    m_tag.fill(0);
    if (m_fileLength < kTagSize)
        return true;
    DWORD got = 0;
    if (!SeekFile(m_fileLength - kTagSize, CSourceFile::Origin::Begin) ||
        !ReadFile(m_tag.data(), kTagSize, got)) {
        Fail(kErrReadingFile);
        return false;
    }
    if (got == kTagSize && std::memcmp(m_tag.data(), "TAG", 3) == 0)
        m_fileLength -= kTagSize;
    else
        m_tag.fill(0);
    return true;
}

bool CMp3FileReader::IndexFrames(DWORD dataEnd, bool constantFrames) {
    switch (m_index.Build(*m_file, m_dataStart, dataEnd, constantFrames)) {
    case CMp3FrameIndex::Result::Ok:
        return true;
    case CMp3FrameIndex::Result::NotMpeg:
        Fail(kErrNotMp3Format);
        return false;
    case CMp3FrameIndex::Result::NotLayer3:
        Fail(kErrNotAMp3File);
        return false;
    case CMp3FrameIndex::Result::FirstFrameTooLong:
        // Fewer bytes than one frame: a truncated file.
        Fail(kErrReadingFrames);
        return false;
    case CMp3FrameIndex::Result::ReadError:
        break;
    }
    Fail(kErrReadingFile);
    return false;
}

void CMp3FileReader::SetMp3FormatFromFrames() {
    const Mp3FrameInfo& info = m_index.Info();
    m_mp3Format = MPEGLAYER3WAVEFORMAT{};
    m_mp3Format.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    m_mp3Format.wfx.nChannels = static_cast<WORD>(info.Channels());
    m_mp3Format.wfx.nSamplesPerSec = info.sampleRate;
    m_mp3Format.wfx.nAvgBytesPerSec = info.bitRate / 8;
    m_mp3Format.wfx.nBlockAlign = 1;
    m_mp3Format.wfx.wBitsPerSample = 0;
    m_mp3Format.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
    m_mp3Format.wID = MPEGLAYER3_ID_MPEG;
    m_mp3Format.fdwFlags = MPEGLAYER3_FLAG_PADDING_OFF;
    m_mp3Format.nBlockSize = 1;
    m_mp3Format.nFramesPerBlock = 1;
    m_mp3Format.nCodecDelay = 1393;
}

bool CMp3FileReader::SetUpDecoder() {
    const Mp3FrameInfo& info = m_index.Info();
    const WORD channels = static_cast<WORD>(info.Channels());
    // About one second of frames; at least one frame, however long they last.
    m_framesPerBlock = std::max<DWORD>(1, static_cast<DWORD>(1000.0 / info.frameMs));
    const DWORD inSize = static_cast<DWORD>(m_index.LargestFrame()) * m_framesPerBlock;
    const DWORD outSize =
        static_cast<DWORD>(info.samplesPerFrame) * m_framesPerBlock * channels * 2;
    try {
        m_inBuffer.assign(inSize, 0);
        m_outBuffer.assign(outSize, 0);
        m_format = std::make_unique<WAVEFORMATEX>();
    } catch (const std::bad_alloc&) {
        Fail(kErrMemoryAllocation);
        return false;
    }
    m_format->wFormatTag = WAVE_FORMAT_PCM;
    m_format->nChannels = channels;
    m_format->nSamplesPerSec = info.sampleRate;
    m_format->wBitsPerSample = 16;
    m_format->nBlockAlign = static_cast<WORD>(channels * 2);
    m_format->nAvgBytesPerSec = m_format->nBlockAlign * info.sampleRate;
    m_format->cbSize = 0;

    m_streamHeader = ACMSTREAMHEADER{};
    m_streamHeader.cbStruct = sizeof(ACMSTREAMHEADER);
    m_streamHeader.pbSrc = m_inBuffer.data();
    m_streamHeader.cbSrcLength = inSize;
    m_streamHeader.pbDst = m_outBuffer.data();
    m_streamHeader.cbDstLength = outSize;

    MMRESULT r = acmStreamOpen(nullptr, nullptr, &m_mp3Format.wfx, m_format.get(), nullptr, 0, 0,
                               ACM_STREAMOPENF_QUERY);
    if (r == MMSYSERR_NOERROR)
        r = acmStreamOpen(&m_stream, nullptr, &m_mp3Format.wfx, m_format.get(), nullptr, 0, 0,
                          ACM_STREAMOPENF_NONREALTIME);
    if (r != MMSYSERR_NOERROR) {
        const std::string text = Formatted("No possible decoding %d", r);
        Fail(text);
        return false;
    }
    r = acmStreamPrepareHeader(m_stream, &m_streamHeader, 0);
    if (r != MMSYSERR_NOERROR) {
        const std::string text = Formatted("No possible decoding : Prepare ACM Header %d", r);
        Fail(text);
        return false;
    }
    return true;
}

void CMp3FileReader::ReleaseDecoder() {
    if (m_stream) {
        if (m_streamHeader.fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED)
            acmStreamUnprepareHeader(m_stream, &m_streamHeader, 0);
        acmStreamClose(m_stream, 0);
        m_stream = nullptr;
    }
    m_streamHeader = ACMSTREAMHEADER{};
}

HRESULT CMp3FileReader::Rewind() {
    m_currentFrame = 0;
    m_outAvail = 0;
    m_outPtr = 0;
    m_restart = true;
    if (!m_file) {
        m_lastError = kErrNoOpenFile;
        return E_FAIL;
    }
    if (!SeekFile(m_dataStart, CSourceFile::Origin::Begin)) {
        m_lastError = kErrReadingFile;
        return E_FAIL;
    }
    return S_OK;
}

bool CMp3FileReader::DecodeNextBlock() {
    m_outAvail = 0;
    m_outPtr = 0;
    const DWORD frameCount = m_index.FrameCount();
    if (m_currentFrame >= frameCount)
        return true;
    const DWORD frames = std::min(m_framesPerBlock, frameCount - m_currentFrame);
    const DWORD bytes = m_index.BytesOf(m_currentFrame, frames);
    DWORD got = 0;
    if (!ReadFile(m_inBuffer.data(), bytes, got)) {
        m_lastError = kErrReadingFile;
        return false;
    }
    m_streamHeader.cbSrcLength = got;
    m_streamHeader.fdwStatus &= ~ACMSTREAMHEADER_STATUSF_DONE;
    const MMRESULT r =
        acmStreamConvert(m_stream, &m_streamHeader, m_restart ? ACM_STREAMCONVERTF_START : 0);
    m_restart = false;
    if (r != MMSYSERR_NOERROR) {
        m_lastError = Formatted("Error on decompression %d", r);
        return false;
    }
    m_outAvail = m_streamHeader.cbDstLengthUsed;
    m_currentFrame += frames;
    return true;
}

HRESULT CMp3FileReader::Read(DWORD count, void* buffer, DWORD& got) {
    got = 0;
    if (!m_stream || !m_file) {
        m_lastError = kErrNoOpenFile;
        return E_FAIL;
    }
    auto* out = static_cast<unsigned char*>(buffer);
    while (got < count) {
        // A block may hold no whole frame (junk only): go on to the next one.
        while (m_outAvail == 0 && m_currentFrame < m_index.FrameCount())
            if (!DecodeNextBlock())
                return E_FAIL;
        if (m_outAvail == 0)
            break;
        const DWORD n = std::min(m_outAvail, count - got);
        std::memcpy(out + got, m_outBuffer.data() + m_outPtr, n);
        m_outPtr += n;
        m_outAvail -= n;
        got += n;
    }
    return S_OK;
}

bool CMp3FileReader::PositionAtFrame(DWORD frame) {
    m_currentFrame = frame;
    m_outAvail = 0;
    m_outPtr = 0;
    m_restart = true;
    return SeekFile(static_cast<std::int64_t>(m_dataStart) + m_index.BytesOf(0, frame),
                    CSourceFile::Origin::Begin);
}

DWORD CMp3FileReader::Seek(DWORD offset) {
    if (!m_stream || !m_file || !m_format)
        return 0;
    const DWORD frameBytes =
        static_cast<DWORD>(m_index.Info().samplesPerFrame) * m_format->nBlockAlign;
    offset -= offset % m_format->nBlockAlign;
    const DWORD target = std::min(offset / frameBytes, m_index.FrameCount());
    const DWORD start = target > 2 ? target - 2 : 0;
    if (!PositionAtFrame(start)) {
        m_lastError = kErrReadingFile;
        return 0;
    }
    // Decode from the start frame and drop what lies before the offset.
    DWORD skip = offset - start * frameBytes;
    DWORD reached = start * frameBytes;
    while (skip > 0) {
        while (m_outAvail == 0 && m_currentFrame < m_index.FrameCount())
            if (!DecodeNextBlock())
                return reached;
        if (m_outAvail == 0)
            break;
        const DWORD n = std::min(m_outAvail, skip);
        m_outPtr += n;
        m_outAvail -= n;
        skip -= n;
        reached += n;
    }
    return reached;
}

HRESULT CMp3FileReader::Close() {
    ReleaseDecoder();
    m_index.Clear();
    m_inBuffer = {};
    m_outBuffer = {};
    m_outPtr = m_outAvail = 0;
    m_format.reset();
    m_dataSize = 0;
    m_currentFrame = 0;
    m_framesPerBlock = 0;
    m_dataStart = 0;
    CloseFile();
    m_tag.fill(0);
    return S_OK;
}
