// Runs a piece of a test in a child process with its address space limited,
// so a test can show that some input is handled within a memory bound, and
// that a crash (a stack overflow, an abort on a failed allocation) stays in
// the child and is reported as such. The child's text comes back through a
// pipe; its peak resident size comes from wait4.
//
// AddressSanitizer reserves terabytes of address space for its shadow, so
// under it the limit is not set and only the peak resident size is measured.
#pragma once

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstddef>
#include <functional>
#include <string>

#if defined(__SANITIZE_ADDRESS__)
#define PELMORA_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PELMORA_TEST_ASAN 1
#endif
#endif

struct ChildOutcome {
    bool exited = false; // ended by _exit, not by a signal
    int code = -1;       // its exit code
    int signal = 0;      // the signal that ended it, if any
    long peakKb = 0;     // peak resident size
    std::string text;    // what the child wrote
};

// Runs `body` in a child limited to `limitBytes` of address space. `body`
// returns the child's exit code and may append to the text it is given.
inline ChildOutcome RunBoundedChild(std::size_t limitBytes,
                                    const std::function<int(std::string&)>& body) {
    ChildOutcome outcome;
    int fds[2];
    if (::pipe(fds) != 0) {
        ADD_FAILURE() << "no pipe";
        return outcome;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        ADD_FAILURE() << "no fork";
        return outcome;
    }
    if (child == 0) {
        ::close(fds[0]);
#ifndef PELMORA_TEST_ASAN
        rlimit limit{limitBytes, limitBytes};
        ::setrlimit(RLIMIT_AS, &limit);
#else
        (void)limitBytes;
#endif
        std::string text;
        const int code = body(text);
        std::size_t done = 0;
        while (done < text.size()) {
            const ssize_t n = ::write(fds[1], text.data() + done, text.size() - done);
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        ::_exit(code);
    }
    ::close(fds[1]);
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n <= 0)
            break;
        outcome.text.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    int status = 0;
    rusage usage{};
    if (::wait4(child, &status, 0, &usage) != child) {
        ADD_FAILURE() << "the child was lost";
        return outcome;
    }
    outcome.exited = WIFEXITED(status);
    outcome.code = outcome.exited ? WEXITSTATUS(status) : -1;
    outcome.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    outcome.peakKb = usage.ru_maxrss;
    return outcome;
}
