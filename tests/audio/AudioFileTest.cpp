// The readers on WAVE files the tests write: extension choice, fmt sizes,
// chunk search, error texts, and files that lie about their lengths.
#include "audio/AudioFile.h"
#include "WaveBuilder.h"
#include "audio/WaveFileReader.h"

#include <gtest/gtest.h>

using namespace plat;
using Bytes = WaveBuilder::Bytes;

namespace {

Bytes PcmWave(std::uint32_t samples, std::uint32_t fmtSize = 16, std::uint16_t extra = 0) {
    std::vector<std::int16_t> data(samples);
    for (std::uint32_t i = 0; i < samples; ++i)
        data[i] = static_cast<std::int16_t>(i * 7 - 300);
    return WaveBuilder()
        .Chunk("fmt ", WaveBuilder::Fmt(1, 1, 11025, 16, fmtSize, extra))
        .Chunk("data", WaveBuilder::Samples(data))
        .Build();
}

class AudioFileTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const Bytes& bytes) {
        const std::string path = dir.File(name);
        WaveBuilder::Write(path, bytes);
        return path;
    }
    TempDir dir;
    CAudioFile file;
};

TEST_F(AudioFileTest, ExtensionChoosesTheReaderWhateverItsCase) {
    for (const char* name : {"a.wav", "b.WAV", "c.Wav"}) {
        const std::string path = Write(name, PcmWave(100));
        ASSERT_EQ(file.Open(path), S_OK) << name << ": " << file.GetLastError();
        EXPECT_EQ(file.GetKind(), CAudioFile::kWave);
        EXPECT_TRUE(file.IsOpened());
        EXPECT_EQ(file.GetDataSize(), 200u);
        file.Close();
    }
    // Both MPEG extensions go to the MPEG reader, which refuses PCM bytes.
    for (const char* name : {"d.mp3", "e.snf", "f.SNF"}) {
        const std::string path = Write(name, PcmWave(100));
        EXPECT_EQ(file.Open(path), E_FAIL) << name;
        EXPECT_NE(file.GetLastError(), kErrUnknownFormat) << name;
        EXPECT_EQ(file.GetKind(), CAudioFile::kNone);
        EXPECT_EQ(file.GetFile(), nullptr);
    }
    for (const char* name : {"g.txt", "wav", ".wa"}) {
        EXPECT_EQ(file.Open(name), E_FAIL) << name;
        EXPECT_EQ(file.GetLastError(), kErrUnknownFormat) << name;
    }
    EXPECT_EQ(file.Open(""), E_FAIL);
    EXPECT_EQ(file.GetLastError(), kErrEmptyFileName);
}

TEST_F(AudioFileTest, OperationsWithoutAReaderFail) {
    DWORD got = 5;
    char buffer[8];
    EXPECT_EQ(file.Read(8, buffer, got), E_FAIL);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(file.GetLastError(), kErrUnknownFormat);
    EXPECT_EQ(file.Seek(10), 0u);
    EXPECT_EQ(file.Rewind(), E_FAIL);
    EXPECT_EQ(file.GetFormat(), nullptr);
}

TEST_F(AudioFileTest, FmtSizes16And18OpenOthersFail) {
    ASSERT_EQ(file.Open(Write("16.wav", PcmWave(10, 16))), S_OK);
    EXPECT_EQ(file.GetFormat()->cbSize, 0);
    EXPECT_EQ(file.GetFormat()->nSamplesPerSec, 11025u);
    EXPECT_EQ(file.GetFormat()->nBlockAlign, 2);
    EXPECT_EQ(file.GetFormat()->wBitsPerSample, 16);

    ASSERT_EQ(file.Open(Write("18.wav", PcmWave(10, 18, 0x1234))), S_OK);
    EXPECT_EQ(file.GetFormat()->cbSize, 0x1234);
    EXPECT_EQ(file.GetDataSize(), 20u);

    for (std::uint32_t size : {20u, 40u}) {
        EXPECT_EQ(file.Open(Write("big.wav", PcmWave(10, size))), E_FAIL) << size;
        EXPECT_EQ(file.GetLastError(), kErrUnknownFmtSize);
        EXPECT_EQ(file.GetFile(), nullptr);
        EXPECT_EQ(file.GetFormat(), nullptr);
    }
}

TEST_F(AudioFileTest, OtherFormatTagLeavesNothingOpen) {
    const Bytes adpcm = WaveBuilder()
                            .Chunk("fmt ", WaveBuilder::Fmt(2, 1, 11025, 4))
                            .Chunk("data", Bytes(100, 0))
                            .Build();
    EXPECT_EQ(file.Open(Write("adpcm.wav", adpcm)), E_FAIL);
    EXPECT_EQ(file.GetKind(), CAudioFile::kNone);
    EXPECT_FALSE(file.IsOpened());
    EXPECT_EQ(file.GetFile(), nullptr);
    DWORD got = 0;
    char buffer[4];
    EXPECT_EQ(file.Read(4, buffer, got), E_FAIL);
}

TEST_F(AudioFileTest, HeaderMustBeRiffWave) {
    const WaveBuilder body =
        WaveBuilder().Chunk("fmt ", WaveBuilder::Fmt(1, 1, 11025, 16)).Chunk("data", Bytes(10, 0));
    EXPECT_EQ(file.Open(Write("rifx.wav", body.Build("RIFX"))), E_FAIL);
    EXPECT_EQ(file.GetLastError(), kErrInvalidWave);
    EXPECT_EQ(file.Open(Write("avi.wav", body.Build("RIFF", "AVI "))), E_FAIL);
    EXPECT_EQ(file.GetLastError(), kErrInvalidWave);
    EXPECT_EQ(file.GetFile(), nullptr);
    EXPECT_EQ(file.Open(Write("short.wav", Bytes{'R', 'I', 'F'})), E_FAIL);
    EXPECT_EQ(file.GetLastError(), kErrInvalidWave);
    EXPECT_EQ(file.Open(dir.File("missing.wav")), E_FAIL);
    EXPECT_EQ(file.GetLastError(), kErrOpeningFile);
}

TEST_F(AudioFileTest, ChunksBetweenFmtAndDataAreSkippedByTheirLength) {
    // An odd LIST length: skipped by exactly that length, no padding byte.
    const Bytes wave = WaveBuilder()
                           .Chunk("fmt ", WaveBuilder::Fmt(1, 1, 11025, 16))
                           .Chunk("LIST", Bytes(13, 'x'))
                           .Chunk("data", WaveBuilder::Samples({1, 2, 3, 4}))
                           .Build();
    ASSERT_EQ(file.Open(Write("list.wav", wave)), S_OK) << file.GetLastError();
    EXPECT_EQ(file.GetDataSize(), 8u);
    std::int16_t samples[4] = {};
    DWORD got = 0;
    ASSERT_EQ(file.Read(8, samples, got), S_OK);
    ASSERT_EQ(got, 8u);
    EXPECT_EQ(samples[0], 1);
    EXPECT_EQ(samples[3], 4);
}

TEST_F(AudioFileTest, MissingDataChunk) {
    const Bytes wave = WaveBuilder()
                           .Chunk("fmt ", WaveBuilder::Fmt(1, 1, 11025, 16))
                           .Chunk("LIST", Bytes(4, 0))
                           .Build();
    EXPECT_EQ(file.Open(Write("nodata.wav", wave)), E_FAIL);
    EXPECT_EQ(file.GetLastError(), kErrChunkNotFound);
    EXPECT_EQ(file.GetFile(), nullptr);
}

TEST_F(AudioFileTest, ReadKeepsWholeBlocksAndRewindSeekWork) {
    ASSERT_EQ(file.Open(Write("r.wav", PcmWave(1000))), S_OK);
    std::vector<std::uint8_t> buffer(2000);
    DWORD got = 0;
    ASSERT_EQ(file.Read(1001, buffer.data(), got), S_OK);
    EXPECT_EQ(got, 1000u);
    const auto first = static_cast<std::int16_t>(buffer[0] | (buffer[1] << 8));
    EXPECT_EQ(first, -300);

    ASSERT_EQ(file.Rewind(), S_OK);
    ASSERT_EQ(file.Read(2, buffer.data(), got), S_OK);
    EXPECT_EQ(static_cast<std::int16_t>(buffer[0] | (buffer[1] << 8)), -300);

    EXPECT_EQ(file.Seek(20), 20u);
    ASSERT_EQ(file.Read(2, buffer.data(), got), S_OK);
    EXPECT_EQ(static_cast<std::int16_t>(buffer[0] | (buffer[1] << 8)), 10 * 7 - 300);
    // Beyond the end: the absolute end of the file.
    EXPECT_EQ(file.Seek(5000), 44u + 2000u);
}

TEST_F(AudioFileTest, LengthsBeyondTheFileAreNotTrusted) {
    // A data chunk that claims far more than the file holds: the data size is
    // what is really there.
    const Bytes lying = WaveBuilder()
                            .Chunk("fmt ", WaveBuilder::Fmt(1, 1, 11025, 16))
                            .ChunkWithLength("data", 0x7FFFFFF0u, Bytes(64, 1))
                            .Build();
    ASSERT_EQ(file.Open(Write("lying.wav", lying)), S_OK);
    EXPECT_EQ(file.GetDataSize(), 64u);
    std::vector<std::uint8_t> buffer(4096);
    DWORD got = 0;
    ASSERT_EQ(file.Read(4096, buffer.data(), got), S_OK);
    EXPECT_EQ(got, 64u);

    // A chunk before data whose length runs past the end (and past 4 GiB).
    const Bytes absurd = WaveBuilder()
                             .Chunk("fmt ", WaveBuilder::Fmt(1, 1, 11025, 16))
                             .ChunkWithLength("LIST", 0xFFFFFFF0u, Bytes(4, 0))
                             .Chunk("data", Bytes(16, 0))
                             .Build();
    EXPECT_EQ(file.Open(Write("absurd.wav", absurd)), E_FAIL);
    EXPECT_EQ(file.GetLastError(), kErrChunkNotFound);

    // Truncated inside the fmt payload, inside a chunk header, and before the form type.
    Bytes wave = PcmWave(10);
    for (std::size_t cut : {std::size_t{30}, std::size_t{38}, std::size_t{10}}) {
        const Bytes truncated(wave.begin(), wave.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_EQ(file.Open(Write("cut.wav", truncated)), E_FAIL) << cut;
        EXPECT_EQ(file.GetFile(), nullptr) << cut;
        EXPECT_FALSE(file.IsOpened()) << cut;
    }

    // A format that describes no sound (block alignment 0).
    Bytes fmt = WaveBuilder::Fmt(1, 1, 11025, 16);
    fmt[12] = fmt[13] = 0;
    EXPECT_EQ(file.Open(Write("align0.wav",
                              WaveBuilder().Chunk("fmt ", fmt).Chunk("data", Bytes(8, 0)).Build())),
              E_FAIL);
    EXPECT_EQ(file.GetLastError(), kErrInvalidWave);
}

TEST_F(AudioFileTest, FindChunkAndFormatTagWithoutAFile) {
    CWaveFileReader reader;
    RiffChunkHeader header;
    WORD tag = 0;
    EXPECT_FALSE(reader.FindChunk(kFourCCData, header));
    EXPECT_EQ(reader.GetLastError(), kErrNoOpenFile);
    EXPECT_FALSE(reader.ReadFormatTag(tag, header));
    EXPECT_EQ(reader.GetLastError(), kErrNoOpenFile);
    EXPECT_EQ(reader.OpenFromFile(nullptr, 0, 0, 16), E_FAIL);
}

TEST_F(AudioFileTest, WaveReaderOpensByNameAndCloses) {
    CWaveFileReader reader;
    ASSERT_EQ(reader.Open(Write("direct.wav", PcmWave(50))), S_OK) << reader.GetLastError();
    EXPECT_EQ(reader.GetDataSize(), 100u);
    EXPECT_EQ(reader.GetDataStart(), 44u);
    EXPECT_EQ(reader.Close(), S_OK);
    EXPECT_EQ(reader.GetFile(), nullptr);
    EXPECT_EQ(reader.GetDataStart(), 0u);
}

TEST(ClassifyNameTest, OnlyTheFourServicesAreUrls) {
    EXPECT_EQ(ClassifyName("C:\\sound\\a.wav"), UrlService::None);
    EXPECT_EQ(ClassifyName("/tmp/a.wav"), UrlService::None);
    EXPECT_EQ(ClassifyName("http://host/a.wav"), UrlService::Http);
    EXPECT_EQ(ClassifyName("HTTP://host/a.wav"), UrlService::Http);
    EXPECT_EQ(ClassifyName("ftp://host/a.wav"), UrlService::Ftp);
    EXPECT_EQ(ClassifyName("gopher://host/a.wav"), UrlService::Gopher);
    EXPECT_EQ(ClassifyName("file:///tmp/a.wav"), UrlService::File);
    EXPECT_EQ(ClassifyName("mailto://x.wav"), UrlService::None);
    EXPECT_EQ(ClassifyName("://a.wav"), UrlService::None);
}

} // namespace

// ---- files as other programs write them (tests/data/wave) -------------------

namespace {

class WrittenByOthersTest : public ::testing::Test {
protected:
    // Opens a file of tests/data/wave and reads all it delivers.
    Bytes OpenAndReadAll(const std::string& name, CAudioFile& file) {
        const Bytes bytes = WaveBuilder::Load(WaveDataFile(name));
        EXPECT_FALSE(bytes.empty()) << name << ": run tests/data/wave/generate.sh";
        const std::string path = dir.File(name);
        WaveBuilder::Write(path, bytes);
        EXPECT_EQ(file.Open(path), S_OK) << name << ": " << file.GetLastError();
        Bytes all;
        std::vector<std::uint8_t> buffer(1000);
        DWORD got = 0;
        while (file.Read(1000, buffer.data(), got) == S_OK && got > 0 &&
               all.size() < file.GetDataSize())
            all.insert(all.end(), buffer.begin(), buffer.begin() + got);
        all.resize(std::min<std::size_t>(all.size(), file.GetDataSize()));
        return all;
    }
    std::string Write(const Bytes& bytes) {
        const std::string path = dir.File("built.wav");
        WaveBuilder::Write(path, bytes);
        return path;
    }
    TempDir dir;
};

} // namespace

TEST_F(WrittenByOthersTest, OddChunksFollowedByTheirPadByteAreSkipped) {
    // An odd LIST/INFO chunk and its pad byte before the data, in a file of
    // python's wave module and in one of sox.
    for (const char* name : {"oddlist.wav", "oddlist8.wav"}) {
        CAudioFile file;
        const Bytes samples = OpenAndReadAll(name, file);
        ASSERT_TRUE(file.IsOpened()) << name;
        const Bytes expected = WaveBuilder::DataOf(WaveBuilder::Load(WaveDataFile(name)));
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(file.GetDataSize(), expected.size()) << name;
        EXPECT_EQ(samples, expected) << name;
    }
    CAudioFile file;
    OpenAndReadAll("oddlist.wav", file);
    EXPECT_EQ(file.GetDataSize(), 551u * 2);
}

TEST_F(WrittenByOthersTest, ExtensiblePcmReadsLikeThePlainPcmHeader) {
    // sox writes the extensible header for more than 16 bits or 2 channels;
    // its plain-header conversion of the same file holds the same samples.
    const std::pair<const char*, const char*> pairs[] = {{"ext24.wav", "pcm24.wav"},
                                                         {"ext3ch.wav", "pcm3ch.wav"}};
    for (const auto& [extensible, plain] : pairs) {
        CAudioFile ext, pcm;
        const Bytes extSamples = OpenAndReadAll(extensible, ext);
        const Bytes pcmSamples = OpenAndReadAll(plain, pcm);
        ASSERT_NE(ext.GetFormat(), nullptr) << extensible;
        ASSERT_NE(pcm.GetFormat(), nullptr) << plain;
        EXPECT_EQ(ext.GetKind(), CAudioFile::kWave);
        const WAVEFORMATEX& a = *ext.GetFormat();
        const WAVEFORMATEX& b = *pcm.GetFormat();
        EXPECT_EQ(a.wFormatTag, WAVE_FORMAT_PCM) << extensible;
        EXPECT_EQ(a.nChannels, b.nChannels) << extensible;
        EXPECT_EQ(a.nSamplesPerSec, b.nSamplesPerSec) << extensible;
        EXPECT_EQ(a.nAvgBytesPerSec, b.nAvgBytesPerSec) << extensible;
        EXPECT_EQ(a.nBlockAlign, b.nBlockAlign) << extensible;
        EXPECT_EQ(a.wBitsPerSample, b.wBitsPerSample) << extensible;
        EXPECT_EQ(a.cbSize, 0) << extensible;
        EXPECT_EQ(ext.GetDataSize(), pcm.GetDataSize()) << extensible;
        EXPECT_FALSE(extSamples.empty());
        EXPECT_EQ(extSamples, pcmSamples) << extensible;
    }
    // The reader opened by name takes the extensible header too.
    CWaveFileReader reader;
    ASSERT_EQ(reader.Open(WaveDataFile("ext16.wav").string()), S_OK) << reader.GetLastError();
    EXPECT_EQ(reader.GetFormat()->nChannels, 2);
    EXPECT_EQ(reader.GetDataSize(), 2205u * 4);
}

TEST_F(WrittenByOthersTest, ExtensibleOfAnotherSubFormatOrTooShortIsRefused) {
    CAudioFile file;
    const std::string path = dir.File("float.wav");
    WaveBuilder::Write(path, WaveBuilder::Load(WaveDataFile("extfloat.wav")));
    EXPECT_EQ(file.Open(path), E_FAIL);
    EXPECT_EQ(file.GetLastError(), kErrUnknownFormat);
    EXPECT_EQ(file.GetKind(), CAudioFile::kNone);
    EXPECT_EQ(file.GetFile(), nullptr);
    EXPECT_EQ(file.GetFormat(), nullptr);

    // An extensible tag whose fmt chunk is too short to hold the sub-format.
    const Bytes shortFmt = WaveBuilder()
                               .Chunk("fmt ", WaveBuilder::Fmt(0xFFFE, 2, 22050, 16, 18))
                               .Chunk("data", Bytes(16, 0))
                               .Build();
    EXPECT_EQ(file.Open(Write(shortFmt)), E_FAIL);
    EXPECT_EQ(file.GetLastError(), kErrUnknownFmtSize);
    EXPECT_EQ(file.GetFile(), nullptr);
}
