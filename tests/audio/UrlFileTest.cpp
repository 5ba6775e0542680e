// Opening WAVE files given as URLs, against a small HTTP server the test runs
// on 127.0.0.1 (test scaffolding only: the program reaches URLs through the
// platform's fetcher).
#include "WaveBuilder.h"
#include "audio/AudioFile.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>

using namespace plat;
using Bytes = WaveBuilder::Bytes;

namespace {

// Answers every GET with one body, with or without a Content-Length header,
// then closes the connection.
class TinyHttpServer {
public:
    TinyHttpServer(Bytes body, bool sendLength)
        : m_body(std::move(body)), m_sendLength(sendLength) {
        m_socket = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0;
        ::bind(m_socket, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        ::listen(m_socket, 4);
        socklen_t len = sizeof addr;
        ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&addr), &len);
        m_port = ntohs(addr.sin_port);
        m_thread = std::thread([this] { Serve(); });
    }
    ~TinyHttpServer() {
        m_stop = true;
        ::shutdown(m_socket, SHUT_RDWR);
        ::close(m_socket);
        m_thread.join();
    }
    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(m_port) + path;
    }

private:
    void Serve() {
        while (!m_stop) {
            const int client = ::accept(m_socket, nullptr, nullptr);
            if (client < 0)
                return;
            std::string request;
            char chunk[512];
            while (request.find("\r\n\r\n") == std::string::npos) {
                const ssize_t n = ::recv(client, chunk, sizeof chunk, 0);
                if (n <= 0)
                    break;
                request.append(chunk, static_cast<std::size_t>(n));
            }
            std::string head = "HTTP/1.0 200 OK\r\nContent-Type: audio/wav\r\n";
            if (m_sendLength)
                head += "Content-Length: " + std::to_string(m_body.size()) + "\r\n";
            head += "Connection: close\r\n\r\n";
            ::send(client, head.data(), head.size(), MSG_NOSIGNAL);
            ::send(client, m_body.data(), m_body.size(), MSG_NOSIGNAL);
            ::close(client);
        }
    }

    Bytes m_body;
    bool m_sendLength;
    int m_socket = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
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
