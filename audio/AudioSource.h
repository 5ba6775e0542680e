// The stream of PCM samples a reader delivers, and the RIFF machinery every
// reader shares: opening a local file or a URL, finding a chunk by its code,
// checking the RIFF/WAVE header and reading the format tag of the fmt chunk.
//
// Results of Close, Rewind, Open and Read are S_OK (0) or E_FAIL with the
// reason in GetLastError(); Seek returns the byte position reached.
#pragma once

#include "audio/SourceFile.h"
#include "platform/mmsystem.h"

#include <memory>
#include <string>

// Four-character chunk code as it reads little-endian from the file.
constexpr plat::DWORD MakeFourCC(char a, char b, char c, char d) {
    return static_cast<plat::DWORD>(static_cast<unsigned char>(a)) |
           (static_cast<plat::DWORD>(static_cast<unsigned char>(b)) << 8) |
           (static_cast<plat::DWORD>(static_cast<unsigned char>(c)) << 16) |
           (static_cast<plat::DWORD>(static_cast<unsigned char>(d)) << 24);
}
constexpr plat::DWORD kFourCCRiff = MakeFourCC('R', 'I', 'F', 'F');
constexpr plat::DWORD kFourCCWave = MakeFourCC('W', 'A', 'V', 'E');
constexpr plat::DWORD kFourCCFmt = MakeFourCC('f', 'm', 't', ' ');
constexpr plat::DWORD kFourCCData = MakeFourCC('d', 'a', 't', 'a');

struct RiffChunkHeader {
    plat::DWORD code = 0;
    plat::DWORD length = 0;
};

// How a name is opened: a local file, or a URL of one of these services
// (the service numbers of the classic internet API).
enum class UrlService : plat::DWORD {
    None = 0, // a local file
    Ftp = 1,
    Gopher = 2,
    Http = 3,
    File = 0x1001,
};

// A name without "://" is a local file; otherwise it is a URL only when its
// scheme is ftp, gopher, http or file (case-insensitive), else a local file.
UrlService ClassifyName(const std::string& name);

class CAudioSource {
public:
    CAudioSource() = default;
    CAudioSource(const CAudioSource&) = delete;
    CAudioSource& operator=(const CAudioSource&) = delete;

    // Slot 0: the PCM format delivered, or null when nothing is open.
    virtual const plat::WAVEFORMATEX* GetFormat() const;
    // Slot 1: the number of PCM bytes delivered.
    virtual plat::DWORD GetDataSize() const;
    // Slot 2: moves to byte offset of the PCM data; returns the position reached.
    virtual plat::DWORD Seek(plat::DWORD offset) = 0;
    // Slot 3: closes the file and forgets the data start.
    virtual plat::HRESULT Close() = 0;
    // Slot 4: moves to the start of the PCM data.
    virtual plat::HRESULT Rewind() = 0;
    // Slot 5: opens a file by name (local path or URL).
    virtual plat::HRESULT Open(const std::string& name) = 0;
    // Slot 6: reads up to count bytes of PCM; got receives the number read.
    virtual plat::HRESULT Read(plat::DWORD count, void* buffer, plat::DWORD& got) = 0;
    // Slot 7: a copy of the text of the last failure.
    virtual std::string GetLastError() const;
    // Slot 8: closes and deletes any file still open.
    virtual ~CAudioSource();

    // ---- RIFF operations --------------------------------------------------
    // Opens name (OpenAny), then checks the RIFF chunk and the WAVE form type.
    bool OpenRiff(const std::string& name);
    // Searches from the current position for the chunk code; on success the
    // file stands at the chunk's payload and header holds code and length.
    // Chunks are skipped by their stated length, or by one byte more when the
    // writer padded an odd-length chunk and no header stands at that length.
    bool FindChunk(plat::DWORD code, RiffChunkHeader& header);
    // Finds "fmt " and reads its first two bytes (the format tag).
    bool ReadFormatTag(plat::WORD& tag, RiffChunkHeader& header);
    // Opens a local file or URL without looking at its content; sets the file
    // length (HTTP: Content-Length, "Too long file" without it) and position 0.
    bool OpenAny(const std::string& name);

    // The file held (null when none), its length and the reader's position.
    CSourceFile* GetFile() const { return m_file.get(); }
    plat::DWORD GetFileLength() const { return m_fileLength; }
    plat::DWORD GetPosition() const { return m_position; }
    // Hands the file over to another reader; this one forgets it.
    std::unique_ptr<CSourceFile> ReleaseFile();

protected:
    // Closes and deletes the file held, if any.
    void CloseFile();
    // Reads from the file and adds the bytes read to m_position. False on a
    // read failure (the caller sets its error text).
    bool ReadFile(void* buffer, plat::DWORD count, plat::DWORD& got);
    // Seeks and sets m_position to the position reached.
    bool SeekFile(std::int64_t offset, CSourceFile::Origin origin);
    // Moves past the rest of a chunk's payload of which `consumed` bytes have
    // been read, so that the next FindChunk starts at a chunk header.
    bool SkipChunkRest(const RiffChunkHeader& header, plat::DWORD consumed);

    std::string m_lastError;
    std::unique_ptr<plat::WAVEFORMATEX> m_format;
    plat::DWORD m_dataSize = 0;
    std::unique_ptr<CSourceFile> m_file;
    plat::DWORD m_fileLength = 0;
    plat::DWORD m_position = 0;
};

// Error texts of the readers.
inline constexpr const char* kErrNoOpenFile = "No Open file";
inline constexpr const char* kErrChunkNotFound = "Can't find specified chunk";
inline constexpr const char* kErrOpeningFile = "Error opening file";
inline constexpr const char* kErrTooLongFile = "Too long file";
inline constexpr const char* kErrInvalidWave = "Invalid Wave File";
inline constexpr const char* kErrReadingFile = "Error reading file";
inline constexpr const char* kErrEmptyFileName = "Empty FileName";
inline constexpr const char* kErrUnknownFormat = "Unknown File Format";
inline constexpr const char* kErrUnknownFmtSize = "Error : Unknown fmt chunk size";
