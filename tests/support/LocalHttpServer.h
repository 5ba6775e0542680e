// An HTTP server of the tests' own on 127.0.0.1 (POSIX sockets): it takes
// one connection at a time, reads the request's head and hands the
// connection to `answer`, which writes the response; the connection is
// closed after it. Test scaffolding only: the program reaches URLs through
// the platform's fetcher.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

class LocalHttpServer {
public:
    // `request` is the head the client sent ("GET /x HTTP/1.1\r\n...").
    using Answer = std::function<void(int client, const std::string& request)>;

    explicit LocalHttpServer(Answer answer) : m_answer(std::move(answer)) {
        m_socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_socket, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        ::listen(m_socket, 8);
        socklen_t len = sizeof addr;
        ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&addr), &len);
        m_port = ntohs(addr.sin_port);
        m_thread = std::thread([this] { Serve(); });
    }
    ~LocalHttpServer() {
        m_stop = true;
        ::shutdown(m_socket, SHUT_RDWR);
        ::close(m_socket);
        m_thread.join();
    }
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(m_port) + path;
    }
    int Requests() const { return m_requests.load(); }
    // True once the server is going: an answer that takes long stops.
    bool Stopping() const { return m_stop.load(); }

    // The path a request asks for ("/music.mp3").
    static std::string PathOf(const std::string& request) {
        const std::size_t start = request.find(' ') + 1;
        return request.substr(start, request.find(' ', start) - start);
    }

private:
    void Serve() {
        while (!m_stop) {
            const int client = ::accept4(m_socket, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                return;
            ++m_requests;
            std::string request;
            char chunk[512];
            while (request.find("\r\n\r\n") == std::string::npos) {
                const ssize_t n = ::recv(client, chunk, sizeof chunk, 0);
                if (n <= 0)
                    break;
                request.append(chunk, static_cast<std::size_t>(n));
            }
            m_answer(client, request);
            ::close(client);
        }
    }

    Answer m_answer;
    int m_socket = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_requests{0};
    std::thread m_thread;
};
