// The URL reader against a local HTTP server that misbehaves as servers on
// the Internet do: one that sends a couple of bytes a second, and
// redirections to another port, another scheme and back to itself.
#include "platform/system/url_stream.h"

#include "tests/support/LocalHttpServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

using namespace plat;
using Clock = std::chrono::steady_clock;

namespace {

// Answers each request with what `answer` makes of its path: the head, then
// the body, each byte of it `pause` after the one before.
class ScriptedServer {
public:
    struct Answer {
        std::string head; // "HTTP/1.0 200 OK\r\n..." without the empty line
        std::string body;
        std::chrono::milliseconds pause{0};
    };
    explicit ScriptedServer(std::function<Answer(const std::string& path)> answer)
        : m_server([this, answer = std::move(answer)](int client, const std::string& request) {
              Send(client, answer(LocalHttpServer::PathOf(request)));
          }) {}
    std::string Url(const std::string& path) const { return m_server.Url(path); }
    int Requests() const { return m_server.Requests(); }

private:
    void Send(int client, const Answer& answer) {
        const std::string head = answer.head + "Connection: close\r\n\r\n";
        bool open = ::send(client, head.data(), head.size(), MSG_NOSIGNAL) > 0;
        for (std::size_t i = 0; open && !m_server.Stopping() && i < answer.body.size(); ++i) {
            std::this_thread::sleep_for(answer.pause);
            open = ::send(client, &answer.body[i], 1, MSG_NOSIGNAL) == 1;
        }
    }

    LocalHttpServer m_server;
};

ScriptedServer::Answer File(const std::string& body) {
    return {"HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n", body};
}

ScriptedServer::Answer MovedTo(const std::string& location) {
    return {"HTTP/1.0 302 Found\r\nLocation: " + location + "\r\nContent-Length: 5\r\n", "moved"};
}

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

TEST(UrlStream, AServerThatDripsIsLeftOnceItIsTooSlowOrTooLong) {
    // Two bytes a second of a file of a thousand: it would take eight minutes.
    ScriptedServer server([](const std::string&) {
        ScriptedServer::Answer a = File(std::string(1000, 'x'));
        a.pause = std::chrono::milliseconds(500);
        return a;
    });
    UrlLimits slow;
    slow.leastBytesPerSecond = 100;
    slow.slowSeconds = 2;
    UrlContent content;
    auto start = Clock::now();
    EXPECT_EQ(FetchUrl(server.Url("/music.mp3"), true, content, 1 << 20, slow),
              UrlFetchResult::TooSlow);
    EXPECT_LT(SecondsSince(start), 6.0);
    EXPECT_TRUE(content.bytes.size() < 1000u);

    // Fast enough for the least speed, but not done in the time given.
    UrlLimits brief;
    brief.leastBytesPerSecond = 1;
    brief.slowSeconds = 30;
    brief.overallSeconds = 2;
    start = Clock::now();
    EXPECT_EQ(FetchUrl(server.Url("/music.mp3"), true, content, 1 << 20, brief),
              UrlFetchResult::TooSlow);
    EXPECT_LT(SecondsSince(start), 6.0);
}

TEST(UrlStream, ARedirectionIsFollowedOnlyToTheSameSchemeHostAndPort) {
    ScriptedServer elsewhere([](const std::string&) { return File("elsewhere"); });
    const std::string other = elsewhere.Url("/music.mp3");
    ScriptedServer server([&](const std::string& path) {
        if (path == "/here")
            return MovedTo("/music.mp3"); // relative: the same place
        if (path == "/there")
            return MovedTo(other); // another port
        if (path == "/file")
            return MovedTo("file:///etc/passwd");
        if (path == "/loop")
            return MovedTo("/loop");
        return File("the music");
    });
    UrlContent content;
    ASSERT_EQ(FetchUrl(server.Url("/here"), true, content), UrlFetchResult::Ok);
    EXPECT_EQ(std::string(content.bytes.begin(), content.bytes.end()), "the music");
    EXPECT_EQ(content.contentLength, 9);

    EXPECT_EQ(FetchUrl(server.Url("/there"), false, content), UrlFetchResult::Failed);
    EXPECT_EQ(elsewhere.Requests(), 0) << "the other port was asked";
    EXPECT_TRUE(content.bytes.empty());
    EXPECT_EQ(FetchUrl(server.Url("/file"), false, content), UrlFetchResult::Failed);
    EXPECT_TRUE(content.bytes.empty());
    const int before = server.Requests();
    EXPECT_EQ(FetchUrl(server.Url("/loop"), false, content), UrlFetchResult::Failed);
    EXPECT_LE(server.Requests() - before, 6);
}

TEST(UrlStream, OnlyTheListedSchemesAreRead) {
    UrlContent content;
    EXPECT_EQ(FetchUrl("dict://127.0.0.1:1/x", false, content), UrlFetchResult::Failed);
    EXPECT_EQ(FetchUrl("scp://127.0.0.1/etc/passwd", false, content), UrlFetchResult::Failed);
}
