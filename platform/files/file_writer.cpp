// The parts of CFileWriter both systems share: its end, its messages and the
// failures tests ask for.
#include "platform/files/file_writer.h"
#include "platform/files/file_writer_limits.h"
#include "platform/system/system_testing.h"

#include <atomic>

namespace plat {

namespace {

std::atomic<int> g_inPlaceFailures{0};
std::atomic<std::size_t> g_inPlaceFailAfter{0};

} // namespace

long long InPlaceLimit() {
    int left = g_inPlaceFailures.load();
    while (left > 0 && !g_inPlaceFailures.compare_exchange_weak(left, left - 1)) {
    }
    return left > 0 ? static_cast<long long>(g_inPlaceFailAfter.load()) : -1;
}

void FailInPlaceRewritesForTesting(int count, std::size_t afterBytes) {
    g_inPlaceFailAfter = afterBytes;
    g_inPlaceFailures = count;
}

CFileWriter::~CFileWriter() {
    Abandon();
}

bool CFileWriter::Fail(const std::string& reason) {
    if (m_error.empty()) {
        m_error = "cannot write " + m_path;
        if (m_target != m_path && !m_target.empty())
            m_error += " (" + m_target + ")";
        m_error += ": " + reason;
        if (m_exists)
            m_error += "; the file is left as it was";
    }
    m_ok = false;
    return false;
}

} // namespace plat
