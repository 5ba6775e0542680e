// The MPEG layer III reader on small files made by tests/data/mpeg/generate.sh.
#include "audio/AudioFile.h"
#include "audio/Mp3FileReader.h"
#include "tests/support/MpegReference.h"
#include "tests/support/TestDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

using namespace plat;
namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

namespace {

fs::path DataDir() {
    if (const char* root = std::getenv("PELMORA_SOURCE_DIR"))
        return fs::path(root) / "tests" / "data" / "mpeg";
    return fs::path(__FILE__).parent_path().parent_path() / "data" / "mpeg";
}

Bytes Load(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void Save(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

void Put16(Bytes& b, unsigned v) {
    b.push_back(static_cast<unsigned char>(v));
    b.push_back(static_cast<unsigned char>(v >> 8));
}
void Put32(Bytes& b, DWORD v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
void PutCode(Bytes& b, const char* code) {
    for (int i = 0; i < 4; ++i) // byte by byte: GCC 12 misjudges a range insert here at -O2
        b.push_back(static_cast<unsigned char>(code[i]));
}

// Reads everything the reader delivers, in requests of `chunk` bytes.
Bytes ReadAll(CAudioSource& reader, DWORD chunk) {
    Bytes all, buffer(chunk);
    for (;;) {
        DWORD got = 0;
        EXPECT_EQ(reader.Read(chunk, buffer.data(), got), S_OK) << reader.GetLastError();
        if (got == 0)
            break;
        all.insert(all.end(), buffer.begin(), buffer.begin() + got);
    }
    return all;
}

int Sample(const Bytes& pcm, std::size_t i) {
    return static_cast<std::int16_t>(pcm[2 * i] | (pcm[2 * i + 1] << 8));
}

// Largest difference between the samples of two PCM streams of equal length.
int MaxDifference(const Bytes& a, const Bytes& b) {
    int worst = 0;
    for (std::size_t i = 0; i < a.size() / 2; ++i)
        worst = std::max(worst, std::abs(Sample(a, i) - Sample(b, i)));
    return worst;
}

// The offsets of the frames of a constant-bit-rate file, by walking its headers.
std::vector<std::size_t> FrameOffsets(const Bytes& file) {
    std::vector<std::size_t> offsets;
    for (std::size_t at = 0; at + 4 <= file.size();) {
        Mp3FrameInfo info;
        const WORD length = ParseMp3FrameHeader(&file[at], info);
        if (length == 0)
            break;
        offsets.push_back(at);
        at += length;
    }
    return offsets;
}

class Mp3ReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = FreshTestDir("pelmora_mp3");
        m_tone = Load(DataDir() / "tone128.mp3");
        m_reference = Load(DataDir() / "tone128.pcm");
        ASSERT_EQ(m_tone.size(), 32600u) << "run tests/data/mpeg/generate.sh";
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string Write(const std::string& name, const Bytes& bytes) {
        Save(m_dir / name, bytes);
        return (m_dir / name).string();
    }

    // A RIFF/WAVE file holding the tone's frames with format tag 85.
    // factExtra bytes follow the sample count in the fact chunk.
    Bytes MpegWave(DWORD fmtSize, DWORD sampleCount, DWORD factExtra = 0) const {
        Bytes fmt;
        Put16(fmt, WAVE_FORMAT_MPEGLAYER3);
        Put16(fmt, 1);
        Put32(fmt, 44100);
        Put32(fmt, 16000);
        Put16(fmt, 1);
        Put16(fmt, 0);
        Put16(fmt, 12);
        Put16(fmt, MPEGLAYER3_ID_MPEG);
        Put32(fmt, MPEGLAYER3_FLAG_PADDING_ISO);
        Put16(fmt, 418);
        Put16(fmt, 1);
        Put16(fmt, 1393);
        fmt.resize(fmtSize, 0);
        Bytes body;
        PutCode(body, "WAVE");
        PutCode(body, "fmt ");
        Put32(body, fmtSize);
        body.insert(body.end(), fmt.begin(), fmt.end());
        PutCode(body, "fact");
        Put32(body, 4 + factExtra);
        Put32(body, sampleCount);
        body.insert(body.end(), factExtra, 'f');
        PutCode(body, "data");
        Put32(body, static_cast<DWORD>(m_tone.size()));
        body.insert(body.end(), m_tone.begin(), m_tone.end());
        // A chunk after the data is no MPEG data.
        PutCode(body, "LIST");
        Put32(body, 8);
        PutCode(body, "INFO");
        body.insert(body.end(), {0xFF, 0xFB, 0x90, 0xC4});
        Bytes file;
        PutCode(file, "RIFF");
        Put32(file, static_cast<DWORD>(body.size()));
        file.insert(file.end(), body.begin(), body.end());
        return file;
    }

    fs::path m_dir;
    Bytes m_tone;
    Bytes m_reference;
};

} // namespace

TEST(Mp3FrameHeader, ParsesEveryVersionAndLayer) {
    struct Case {
        unsigned char bytes[4];
        WORD length;
        bool mpeg1;
        int layer;
        DWORD bitRate, sampleRate;
        WORD samples;
        int channelMode;
    };
    const Case cases[] = {
        // MPEG-1 layer III 128 kbit/s 44100 Hz mono, without and with padding.
        {{0xFF, 0xFB, 0x90, 0xC4}, 417, true, 1, 128000, 44100, 1152, 3},
        {{0xFF, 0xFB, 0x92, 0x04}, 418, true, 1, 128000, 44100, 1152, 0},
        // 320 kbit/s 32000 Hz joint stereo.
        {{0xFF, 0xFB, 0xE8, 0x44}, 1440, true, 1, 320000, 32000, 1152, 1},
        // MPEG-2 layer III 32 kbit/s 22050 Hz: half the samples, half the bytes.
        {{0xFF, 0xF3, 0x40, 0xC4}, 104, false, 1, 32000, 22050, 576, 3},
        // MPEG-2.5 layer III 64 kbit/s 11025 Hz.
        {{0xFF, 0xE3, 0x80, 0x00}, 417, false, 1, 64000, 11025, 576, 0},
        // MPEG-1 layer II 192 kbit/s 48000 Hz and layer I 384 kbit/s 44100 Hz.
        {{0xFF, 0xFD, 0xA4, 0x80}, 576, true, 2, 192000, 48000, 1152, 2},
        {{0xFF, 0xFF, 0xC0, 0x00}, 416, true, 3, 384000, 44100, 384, 0},
    };
    for (const Case& c : cases) {
        Mp3FrameInfo info;
        EXPECT_EQ(ParseMp3FrameHeader(c.bytes, info), c.length)
            << int(c.bytes[1]) << " " << int(c.bytes[2]);
        EXPECT_EQ(info.mpeg1, c.mpeg1);
        EXPECT_EQ(info.layer, c.layer);
        EXPECT_EQ(info.bitRate, c.bitRate);
        EXPECT_EQ(info.sampleRate, c.sampleRate);
        EXPECT_EQ(info.samplesPerFrame, c.samples);
        EXPECT_EQ(info.channelMode, c.channelMode);
    }
    Mp3FrameInfo info;
    ParseMp3FrameHeader(cases[0].bytes, info);
    EXPECT_FLOAT_EQ(info.frameMs, 26.0625f);
}

TEST(Mp3FrameHeader, RejectsWhatIsNoHeader) {
    const unsigned char bad[][4] = {
        {'T', 'A', 'G', 0},       // no sync
        {0xFF, 0xEB, 0x90, 0xC4}, // the reserved version
        {0xFF, 0xF9, 0x90, 0xC4}, // the reserved layer
        {0xFF, 0xFB, 0xF0, 0xC4}, // bit-rate index 15
        {0xFF, 0xFB, 0x00, 0xC4}, // free format
        {0xFF, 0xFB, 0x9C, 0xC4}, // sample-rate index 3
    };
    for (const auto& bytes : bad) {
        Mp3FrameInfo info;
        info.bitRate = 1;
        EXPECT_EQ(ParseMp3FrameHeader(bytes, info), 0) << int(bytes[1]) << " " << int(bytes[2]);
        EXPECT_EQ(info.bitRate, 0u);
        EXPECT_EQ(info.samplesPerFrame, 0);
    }
}

TEST_F(Mp3ReaderTest, IndexesFramesAndDecodesLikeTheReference) {
    CMp3FileReader reader;
    ASSERT_EQ(reader.Open(Write("tone.mp3", m_tone)), S_OK) << reader.GetLastError();
    const std::vector<std::size_t> offsets = FrameOffsets(m_tone);
    ASSERT_EQ(reader.GetFrameCount(), offsets.size());
    EXPECT_EQ(reader.GetFrameLength(0), 417);
    for (std::size_t i = 0; i + 1 < offsets.size(); ++i)
        ASSERT_EQ(reader.GetFrameLength(static_cast<DWORD>(i)), offsets[i + 1] - offsets[i]) << i;
    EXPECT_EQ(reader.GetFramesPerBlock(), 38u);
    EXPECT_EQ(reader.GetFrameInfo().bitRate, 128000u);

    const WAVEFORMATEX* format = reader.GetFormat();
    ASSERT_NE(format, nullptr);
    EXPECT_EQ(format->wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(format->nChannels, 1);
    EXPECT_EQ(format->nSamplesPerSec, 44100u);
    EXPECT_EQ(format->nAvgBytesPerSec, 88200u);
    EXPECT_EQ(format->nBlockAlign, 2);
    EXPECT_EQ(format->wBitsPerSample, 16);
    EXPECT_EQ(reader.GetDataSize(), (offsets.size() - 1) * 1152 * 2);
    const MPEGLAYER3WAVEFORMAT& mp3 = reader.GetMp3Format();
    EXPECT_EQ(mp3.wfx.wFormatTag, WAVE_FORMAT_MPEGLAYER3);
    EXPECT_EQ(mp3.wfx.nAvgBytesPerSec, 16000u);
    EXPECT_EQ(mp3.wfx.cbSize, 12);
    EXPECT_EQ(mp3.fdwFlags, MPEGLAYER3_FLAG_PADDING_OFF);
    EXPECT_EQ(mp3.nCodecDelay, 1393);

    // Requests smaller than a block, not a multiple of it, and larger than it.
    for (DWORD chunk : {1001u, 87553u, 200000u}) {
        ASSERT_EQ(reader.Rewind(), S_OK);
        const Bytes pcm = ReadAll(reader, chunk);
        ASSERT_EQ(pcm.size(), m_reference.size()) << chunk;
        EXPECT_LE(MaxDifference(pcm, m_reference), 1 + kMpegCodecExtraSteps) << chunk;
    }
}

TEST_F(Mp3ReaderTest, SeekLandsOnTheSamplesOfTheOffset) {
    CMp3FileReader reader;
    ASSERT_EQ(reader.Open(Write("tone.mp3", m_tone)), S_OK) << reader.GetLastError();
    const DWORD offset = 1152 * 2 * 50 + 600;
    EXPECT_EQ(reader.Seek(offset), offset);
    const Bytes rest = ReadAll(reader, 4096);
    ASSERT_EQ(rest.size(), m_reference.size() - offset);
    // The frames before the target are decoded again, so the reservoir is whole
    // by the target frame.
    EXPECT_LE(MaxDifference(rest, Bytes(m_reference.begin() + offset, m_reference.end())),
              1 + kMpegCodecExtraSteps);
}

TEST_F(Mp3ReaderTest, ConstantFramesOfSnfFiles) {
    const Bytes snf = Load(DataDir() / "stereo48.snf");
    ASSERT_EQ(snf.size() % 384, 0u);
    CMp3FileReader reader;
    ASSERT_EQ(reader.Open(Write("voice.SNF", snf)), S_OK) << reader.GetLastError();
    EXPECT_EQ(reader.GetFrameCount(), snf.size() / 384);
    EXPECT_EQ(reader.GetFrameLength(reader.GetFrameCount() - 1), 384);
    EXPECT_EQ(reader.GetFramesPerBlock(), 41u); // 24 ms frames
    EXPECT_EQ(reader.GetFormat()->nChannels, 2);
    EXPECT_EQ(reader.GetFormat()->nSamplesPerSec, 48000u);
    EXPECT_EQ(ReadAll(reader, 10000).size(), snf.size() / 384 * 1152 * 4);

    // The constant length is an assumption: a file of 417/418-byte frames
    // named .snf is cut into 417-byte pieces.
    ASSERT_EQ(reader.Open(Write("tone.snf", m_tone)), S_OK) << reader.GetLastError();
    EXPECT_EQ(reader.GetFrameCount(), m_tone.size() / 417);
}

TEST_F(Mp3ReaderTest, LowSamplingFrequencyFrames) {
    const Bytes lsf = Load(DataDir() / "lsf22.mp3");
    CMp3FileReader reader;
    ASSERT_EQ(reader.Open(Write("lsf.mp3", lsf)), S_OK) << reader.GetLastError();
    const std::size_t frames = FrameOffsets(lsf).size();
    EXPECT_EQ(reader.GetFrameCount(), frames);
    EXPECT_EQ(reader.GetFrameInfo().samplesPerFrame, 576);
    EXPECT_EQ(reader.GetFormat()->nSamplesPerSec, 22050u);
    EXPECT_EQ(ReadAll(reader, 3000).size(), frames * 576 * 2);
}

TEST_F(Mp3ReaderTest, TrailingTagIsNotIndexed) {
    CMp3FileReader plain;
    ASSERT_EQ(plain.Open(Write("plain.mp3", m_tone)), S_OK);

    // The tag holds the bytes of a frame header: were it scanned, a search for
    // the next header would find it and stretch the last frame.
    Bytes tagged = m_tone;
    Bytes tag(128, ' ');
    std::memcpy(tag.data(), "TAG", 3);
    std::memcpy(tag.data() + 3, m_tone.data(), 4);
    tagged.insert(tagged.end(), tag.begin(), tag.end());
    CMp3FileReader reader;
    ASSERT_EQ(reader.Open(Write("tagged.mp3", tagged)), S_OK) << reader.GetLastError();
    EXPECT_EQ(reader.GetFrameCount(), plain.GetFrameCount());
    const DWORD last = reader.GetFrameCount() - 1;
    EXPECT_EQ(reader.GetFrameLength(last), plain.GetFrameLength(last));
    EXPECT_EQ(0, std::memcmp(reader.GetTag().data(), tag.data(), 128));
    EXPECT_EQ(ReadAll(reader, 50000).size(), m_reference.size());
    EXPECT_EQ(plain.GetTag()[0], 0);
}

TEST_F(Mp3ReaderTest, JunkBetweenFramesIsSkipped) {
    const std::vector<std::size_t> offsets = FrameOffsets(m_tone);
    // Junk with sync patterns in it, even a whole header.
    Bytes junk(300);
    std::mt19937 random(7);
    for (auto& b : junk)
        b = static_cast<unsigned char>(random());
    junk[0] = 0x00;
    std::memcpy(&junk[100], m_tone.data(), 4);
    junk[200] = 0xFF;
    junk[201] = 0xFB;
    Bytes file(m_tone.begin(), m_tone.begin() + static_cast<long>(offsets[6]));
    file.insert(file.end(), junk.begin(), junk.end());
    file.insert(file.end(), m_tone.begin() + static_cast<long>(offsets[6]), m_tone.end());

    CMp3FileReader reader;
    ASSERT_EQ(reader.Open(Write("junk.mp3", file)), S_OK) << reader.GetLastError();
    ASSERT_EQ(reader.GetFrameCount(), offsets.size());
    EXPECT_EQ(reader.GetFrameLength(5), offsets[6] - offsets[5] + junk.size());
    for (std::size_t i = 6; i + 1 < offsets.size(); ++i)
        ASSERT_EQ(reader.GetFrameLength(static_cast<DWORD>(i)), offsets[i + 1] - offsets[i]) << i;
    const Bytes pcm = ReadAll(reader, 20000);
    ASSERT_EQ(pcm.size(), m_reference.size());
    // The frames after the junk sound as in the clean file.
    const std::size_t from = 10 * 1152 * 2;
    EXPECT_LE(MaxDifference(Bytes(pcm.begin() + from, pcm.end()),
                            Bytes(m_reference.begin() + from, m_reference.end())),
              1 + kMpegCodecExtraSteps);
}

TEST_F(Mp3ReaderTest, FilesThatAreNoLayer3FailWithTheirText) {
    CMp3FileReader reader;
    Bytes layer2 = m_tone;
    layer2[1] = 0xFD;
    EXPECT_EQ(reader.Open(Write("layer2.mp3", layer2)), E_FAIL);
    EXPECT_EQ(reader.GetLastError(), "Not a MP3 File");
    EXPECT_EQ(reader.GetFile(), nullptr);

    const std::string text = "This is a text file, not a song.\n";
    EXPECT_EQ(reader.Open(Write("text.mp3", Bytes(text.begin(), text.end()))), E_FAIL);
    EXPECT_EQ(reader.GetLastError(), "Not Mp3 Format");
    EXPECT_EQ(reader.GetFile(), nullptr);
    EXPECT_EQ(reader.GetFormat(), nullptr);

    EXPECT_EQ(reader.Open(Write("empty.mp3", {})), E_FAIL);
    EXPECT_EQ(reader.GetLastError(), "Not Mp3 Format");

    EXPECT_EQ(reader.Open((m_dir / "missing.mp3").string()), E_FAIL);
    EXPECT_EQ(reader.GetLastError(), "Error opening file");

    DWORD got = 5;
    char buffer[16];
    EXPECT_EQ(reader.Read(sizeof buffer, buffer, got), E_FAIL);
    EXPECT_EQ(got, 0u);
}

TEST_F(Mp3ReaderTest, TruncatedAndRandomFilesFailOrReadCleanly) {
    CMp3FileReader reader;
    // Less than one frame.
    EXPECT_EQ(reader.Open(Write("short.mp3", Bytes(m_tone.begin(), m_tone.begin() + 300))), E_FAIL);
    EXPECT_FALSE(reader.GetLastError().empty());
    EXPECT_EQ(reader.GetFile(), nullptr);

    // Cut inside a frame: the whole frames before the cut are read.
    const std::vector<std::size_t> offsets = FrameOffsets(m_tone);
    const Bytes cut(m_tone.begin(), m_tone.begin() + static_cast<long>(offsets[23] + 200));
    ASSERT_EQ(reader.Open(Write("cut.mp3", cut)), S_OK) << reader.GetLastError();
    EXPECT_EQ(reader.GetFrameCount(), 23u);
    EXPECT_EQ(ReadAll(reader, 30000).size(), 23u * 1152 * 2);

    std::mt19937 random(42);
    Bytes noise(20000);
    for (auto& b : noise)
        b = static_cast<unsigned char>(random());
    noise[0] = 0x12;
    EXPECT_EQ(reader.Open(Write("noise.mp3", noise)), E_FAIL);
    EXPECT_EQ(reader.GetLastError(), "Not Mp3 Format");

    // A good first header followed by noise: whatever is indexed decodes
    // without harm.
    std::memcpy(noise.data(), m_tone.data(), 4);
    if (reader.Open(Write("noisy.mp3", noise)) == S_OK) {
        EXPECT_GE(reader.GetFrameCount(), 1u);
        ReadAll(reader, 5000);
    }
}

TEST_F(Mp3ReaderTest, MpegInsideWaveOpensThroughTheAudioFile) {
    const DWORD samples = static_cast<DWORD>(m_reference.size() / 2);
    CAudioFile file;
    ASSERT_EQ(file.Open(Write("speech.wav", MpegWave(30, samples))), S_OK) << file.GetLastError();
    EXPECT_EQ(file.GetKind(), CAudioFile::kMpeg);
    ASSERT_NE(file.GetFormat(), nullptr);
    EXPECT_EQ(file.GetFormat()->wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(file.GetDataSize(), samples * 2);
    const Bytes pcm = ReadAll(file, 7000);
    ASSERT_EQ(pcm.size(), m_reference.size());
    EXPECT_LE(MaxDifference(pcm, m_reference), 1 + kMpegCodecExtraSteps);

    // A fact chunk longer than its sample count: the data chunk is found after it.
    CAudioFile longFact;
    ASSERT_EQ(longFact.Open(Write("fact.wav", MpegWave(30, samples, 8))), S_OK)
        << longFact.GetLastError();
    EXPECT_EQ(ReadAll(longFact, 7000).size(), m_reference.size());

    CAudioFile bad;
    EXPECT_EQ(bad.Open(Write("fmt20.wav", MpegWave(20, samples))), E_FAIL);
    EXPECT_EQ(bad.GetLastError(), "Error : Unknown fmt chunk size");
    // More samples announced than the frames hold.
    EXPECT_EQ(bad.Open(Write("long.wav", MpegWave(30, samples + 2000))), E_FAIL);
    EXPECT_EQ(bad.GetLastError(), "Error reading frames");
}

TEST_F(Mp3ReaderTest, AudioFileChoosesTheMpegReaderByExtension) {
    for (const char* name : {"a.mp3", "b.MP3", "c.snf"}) {
        CAudioFile file;
        ASSERT_EQ(file.Open(Write(name, m_tone)), S_OK) << name << ": " << file.GetLastError();
        EXPECT_EQ(file.GetKind(), CAudioFile::kMpeg);
        EXPECT_EQ(file.GetFormat()->nSamplesPerSec, 44100u);
    }
}

// ---- files tagged by other programs ----------------------------------------

namespace {

class TaggedMp3Test : public Mp3ReaderTest {
protected:
    void SetUp() override {
        Mp3ReaderTest::SetUp();
        m_plain = Load(DataDir() / "short.mp3");
        ASSERT_GT(m_plain.size(), 4000u) << "run tests/data/mpeg/generate.sh";
        ASSERT_EQ(m_untagged.Open(Write("plain.mp3", m_plain)), S_OK) << m_untagged.GetLastError();
        m_plainPcm = ReadAll(m_untagged, 4096);
        ASSERT_FALSE(m_plainPcm.empty());
    }
    // Windows removes no file that is open.
    void TearDown() override {
        m_untagged.Close();
        Mp3ReaderTest::TearDown();
    }

    // Where the untagged frames sit inside a tagged file.
    std::size_t FramesAt(const Bytes& tagged) const {
        const auto at = std::search(tagged.begin(), tagged.end(), m_plain.begin(), m_plain.end());
        return at == tagged.end() ? std::string::npos
                                  : static_cast<std::size_t>(at - tagged.begin());
    }

    // The tagged file opens on the same frames and sounds like the untagged one.
    void ExpectSameSound(const std::string& label, const Bytes& tagged) {
        const std::size_t frames = FramesAt(tagged);
        ASSERT_NE(frames, std::string::npos) << label;
        CMp3FileReader reader;
        ASSERT_EQ(reader.Open(Write("tagged.mp3", tagged)), S_OK)
            << label << ": " << reader.GetLastError();
        EXPECT_EQ(reader.GetDataStart(), frames) << label;
        EXPECT_EQ(reader.GetFrameCount(), m_untagged.GetFrameCount()) << label;
        const DWORD last = reader.GetFrameCount() - 1;
        EXPECT_EQ(reader.GetFrameLength(last), m_untagged.GetFrameLength(last)) << label;
        EXPECT_EQ(reader.GetDataSize(), m_untagged.GetDataSize()) << label;
        EXPECT_EQ(ReadAll(reader, 3000), m_plainPcm) << label;
        // Decoding again from the start begins at the frames, not at the tag.
        ASSERT_EQ(reader.Rewind(), S_OK);
        EXPECT_EQ(ReadAll(reader, 100000), m_plainPcm) << label;
    }

    // The ID3v2 tag at the front of a file, as its header states its size.
    static Bytes FrontTag(const Bytes& file) {
        const DWORD size = (DWORD{file[6]} << 21) | (DWORD{file[7]} << 14) | (DWORD{file[8]} << 7) |
                           DWORD{file[9]};
        return Bytes(file.begin(), file.begin() + 10 + size);
    }

    // An ID3v2.4 tag with the footer flag set and the footer appended.
    static Bytes WithFooter(Bytes tag) {
        tag[5] |= 0x10;
        Bytes footer(tag.begin(), tag.begin() + 10);
        std::memcpy(footer.data(), "3DI", 3);
        tag.insert(tag.end(), footer.begin(), footer.end());
        return tag;
    }

    Bytes m_plain;
    Bytes m_plainPcm;
    CMp3FileReader m_untagged;
};

} // namespace

TEST_F(TaggedMp3Test, FilesTaggedByTaggersAndTheEncoderOpenOnTheirFrames) {
    for (const char* name : {"short-lame-v2.mp3", "short-lame-v2only.mp3", "short-eyed3.mp3",
                             "short-id3v2.mp3", "short-mp3gain.mp3"}) {
        const Bytes tagged = Load(DataDir() / name);
        ASSERT_FALSE(tagged.empty()) << name;
        ASSERT_EQ(0, std::memcmp(tagged.data(), "ID3", 3)) << name;
        ExpectSameSound(name, tagged);
    }
    // The trailing ID3v1 tag is kept as before, behind an APE tag too.
    CMp3FileReader reader;
    ASSERT_EQ(reader.Open(Write("gain.mp3", Load(DataDir() / "short-mp3gain.mp3"))), S_OK);
    EXPECT_EQ(0, std::memcmp(reader.GetTag().data(), "TAGTitle", 8));
}

TEST_F(TaggedMp3Test, SeveralTagsInFrontAndAFooterArePassed) {
    const Bytes eyed3 = Load(DataDir() / "short-eyed3.mp3");
    const Bytes lameTag = FrontTag(Load(DataDir() / "short-lame-v2only.mp3"));
    const Bytes eyed3Tag = FrontTag(eyed3);
    ASSERT_EQ(eyed3Tag[3], 4);

    // Two taggers' tags in a row, as when one writes its tag before another's.
    Bytes two = lameTag;
    two.insert(two.end(), eyed3.begin(), eyed3.end());
    ExpectSameSound("two tags", two);

    // A tag with a footer: the footer's ten bytes are passed as well.
    Bytes footed = WithFooter(eyed3Tag);
    footed.insert(footed.end(), m_plain.begin(), m_plain.end());
    ExpectSameSound("footer", footed);

    // Three tags, the first of them with a footer.
    Bytes three = WithFooter(eyed3Tag);
    three.insert(three.end(), lameTag.begin(), lameTag.end());
    three.insert(three.end(), eyed3.begin(), eyed3.end());
    ExpectSameSound("three tags", three);
}

TEST_F(TaggedMp3Test, TagsAtTheEndAreNotTakenForFrames) {
    // An ID3v2 tag appended after the frames, known by its footer, behind an
    // ID3v1 tag: neither is read as frames. Tags hold any bytes (pictures):
    // here a frame header in the tag's padding, which a search for the next
    // header would take for a frame and so stretch the last one.
    const Bytes id3v2 = Load(DataDir() / "short-id3v2.mp3");
    Bytes end = m_plain;
    Bytes tail = WithFooter(FrontTag(Load(DataDir() / "short-eyed3.mp3")));
    ASSERT_EQ(tail[tail.size() - 30], 0); // padding
    std::memcpy(&tail[tail.size() - 30], m_plain.data(), 4);
    end.insert(end.end(), tail.begin(), tail.end());
    end.insert(end.end(), id3v2.end() - 128, id3v2.end());
    ExpectSameSound("appended tag", end);

    // The APE tag an analyser appends, without an ID3v1 tag after it.
    const Bytes gain = Load(DataDir() / "short-mp3gain.mp3");
    const std::size_t frames = FramesAt(gain);
    ASSERT_NE(frames, std::string::npos);
    Bytes ape = m_plain;
    ape.insert(ape.end(), gain.begin() + static_cast<long>(frames + m_plain.size()),
               gain.end() - 128);
    ASSERT_EQ(0, std::memcmp(&*(ape.end() - 32), "APETAGEX", 8));
    ExpectSameSound("APE tag", ape);
    // The last item's value holding the bytes of a frame header.
    std::memcpy(&*(ape.end() - 36), m_plain.data(), 4);
    ExpectSameSound("APE tag with a header in a value", ape);
}

TEST_F(TaggedMp3Test, TagThatStatesMoreThanTheFileHoldsFails) {
    Bytes tagged = Load(DataDir() / "short-eyed3.mp3");
    tagged[6] = 0x7F; // some 266 MB
    CMp3FileReader reader;
    EXPECT_EQ(reader.Open(Write("huge.mp3", tagged)), E_FAIL);
    EXPECT_EQ(reader.GetLastError(), "Not Mp3 Format");
    EXPECT_EQ(reader.GetFile(), nullptr);

    // A tag and nothing after it.
    const Bytes tagOnly = FrontTag(Load(DataDir() / "short-eyed3.mp3"));
    EXPECT_EQ(reader.Open(Write("tagonly.mp3", tagOnly)), E_FAIL);
    EXPECT_EQ(reader.GetLastError(), "Not Mp3 Format");
    EXPECT_EQ(reader.GetFile(), nullptr);
}
