// Opening WAVE files given as URLs, against a small HTTP server the test runs
// on 127.0.0.1 (test scaffolding only: the program reaches URLs through the
// platform's fetcher).
#include "audio/UrlFile.h"
#include "WaveBuilder.h"
#include "audio/AudioFile.h"

#include "tests/support/LocalHttpServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

using namespace plat;
using Bytes = WaveBuilder::Bytes;

namespace {

// Answers every GET with one body, with or without a Content-Length header,
// then closes the connection. It may announce another length than the body's
// and send filler bytes after the body, until the client closes or the
// filler is all sent; it counts the bytes it got rid of.
class TinyHttpServer {
public:
    TinyHttpServer(Bytes body, bool sendLength)
        : TinyHttpServer(body, sendLength ? std::to_string(body.size()) : std::string(), 0) {}
    TinyHttpServer(Bytes body, std::string announcedLength, std::uint64_t filler)
        : m_body(std::move(body)), m_length(std::move(announcedLength)), m_filler(filler),
          m_server([this](int client, const std::string&) { Answer(client); }) {}
    std::string Url(const std::string& path) const { return m_server.Url(path); }
    // Bytes handed to the connection so far, headers included.
    std::uint64_t Sent() const { return m_sent.load(); }

private:
    void Answer(int client) {
        std::string head = "HTTP/1.0 200 OK\r\nContent-Type: audio/wav\r\n";
        if (!m_length.empty())
            head += "Content-Length: " + m_length + "\r\n";
        head += "Connection: close\r\n\r\n";
        SendAll(client, head.data(), head.size());
        SendAll(client, m_body.data(), m_body.size());
        const Bytes filler(64 * 1024, 0x5A);
        for (std::uint64_t left = m_filler; left > 0 && !m_server.Stopping();) {
            const std::size_t n = static_cast<std::size_t>(
                std::min<std::uint64_t>(left, static_cast<std::uint64_t>(filler.size())));
            if (!SendAll(client, filler.data(), n))
                break; // the client has gone
            left -= n;
        }
    }

    bool SendAll(int client, const void* data, std::size_t size) {
        const auto* p = static_cast<const char*>(data);
        while (size > 0) {
            const ssize_t n = ::send(client, p, size, MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            m_sent += static_cast<std::uint64_t>(n);
            p += n;
            size -= static_cast<std::size_t>(n);
        }
        return true;
    }

    Bytes m_body;
    std::string m_length;
    std::uint64_t m_filler = 0;
    std::atomic<std::uint64_t> m_sent{0};
    LocalHttpServer m_server; // last: it answers once everything above is made
};

Bytes Wave() {
    std::vector<std::int16_t> samples(300);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(i * 100);
    return WaveBuilder()
        .Chunk("fmt ", WaveBuilder::Fmt(1, 1, 22050, 16))
        .Chunk("LIST", Bytes(10, 'i'))
        .Chunk("data", WaveBuilder::Samples(samples))
        .Build();
}

TEST(UrlFileTest, HttpWithContentLengthReadsLikeALocalFile) {
    TinyHttpServer server(Wave(), true);
    CAudioFile file;
    ASSERT_EQ(file.Open(server.Url("/music/song.wav")), S_OK) << file.GetLastError();
    EXPECT_EQ(file.GetDataSize(), 600u);
    EXPECT_EQ(file.GetFormat()->nSamplesPerSec, 22050u);
    std::int16_t samples[300] = {};
    DWORD got = 0;
    ASSERT_EQ(file.Read(sizeof samples, samples, got), S_OK);
    ASSERT_EQ(got, 600u);
    EXPECT_EQ(samples[0], 0);
    EXPECT_EQ(samples[299], 29900);
    // The end: nothing more, whatever is asked.
    ASSERT_EQ(file.Read(100, samples, got), S_OK);
    EXPECT_EQ(got, 0u);
}

TEST(UrlFileTest, HttpWithoutContentLengthIsTooLong) {
    TinyHttpServer server(Wave(), false);
    CAudioFile file;
    EXPECT_EQ(file.Open(server.Url("/song.wav")), E_FAIL);
    EXPECT_EQ(file.GetLastError(), kErrTooLongFile);
    EXPECT_EQ(file.GetFile(), nullptr);
}

TEST(UrlFileTest, UnreachableServerAndFileUrls) {
    CAudioFile file;
    // A port nobody listens on (the server's, once closed).
    std::string url;
    {
        TinyHttpServer server(Wave(), true);
        url = server.Url("/gone.wav");
    }
    EXPECT_EQ(file.Open(url), E_FAIL);
    EXPECT_EQ(file.GetLastError(), kErrOpeningFile);

    TempDir dir;
    WaveBuilder::Write(dir.File("local.wav"), Wave());
    ASSERT_EQ(file.Open("file://" + dir.File("local.wav")), S_OK) << file.GetLastError();
    EXPECT_EQ(file.GetDataSize(), 600u);
}

} // namespace

namespace {

// Far more than a file the reader may hold: were it fetched, the test would
// see it in the server's count.
constexpr std::uint64_t kFiller = 200ull * 1024 * 1024;
constexpr std::uint64_t kSocketBuffers = 32ull * 1024 * 1024;

} // namespace

TEST(UrlFileTest, LengthOfTenDigitsOrBeyondTheBoundFailsAtOnce) {
    // Ten digits do not fit the length buffer; 600 000 000 bytes are more than
    // a file held in memory may have; twenty digits overflow any counter.
    for (const char* length : {"1000000000", "4294967296", "600000000", "99999999999999999999"}) {
        TinyHttpServer server(Wave(), length, kFiller);
        CAudioFile file;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(file.Open(server.Url("/huge.wav")), E_FAIL) << length;
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(file.GetLastError(), kErrTooLongFile) << length;
        EXPECT_EQ(file.GetFile(), nullptr);
        EXPECT_LT(took, std::chrono::seconds(5)) << length;
        EXPECT_LT(server.Sent(), kSocketBuffers) << length;
    }
}

TEST(UrlFileTest, DownloadStopsAtTheAnnouncedLength) {
    // The server announces the WAVE file and then goes on sending.
    const Bytes wave = Wave();
    TinyHttpServer server(wave, std::to_string(wave.size()), kFiller);
    CAudioFile file;
    ASSERT_EQ(file.Open(server.Url("/song.wav")), S_OK) << file.GetLastError();
    EXPECT_EQ(file.GetDataSize(), 600u);
    std::int16_t samples[300] = {};
    DWORD got = 0;
    ASSERT_EQ(file.Read(sizeof samples, samples, got), S_OK);
    EXPECT_EQ(got, 600u);
    EXPECT_EQ(samples[299], 29900);

    // The bytes held are the announced ones, not one more.
    CUrlFile url;
    ASSERT_EQ(url.Open(server.Url("/song.wav"), true), CUrlFile::Result::Ok);
    EXPECT_EQ(url.GetLength(), wave.size());
    EXPECT_EQ(url.GetContentLength(), wave.size());
    url.Close();
    EXPECT_LT(server.Sent(), 2 * kSocketBuffers);
}
