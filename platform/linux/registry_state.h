// The registry's process-wide state (inside platform/ only): the cache of the
// hive file, the open key handles, the lock a writer holds, and the batch in
// progress (registry_batch.h). Every registry call runs through WithHive.
//
// Readers take no lock: the hive is only ever replaced whole by a rename, so a
// reader sees either the old or the new file. A writer holds an exclusive
// flock on "<hive>.lock", re-reads the hive when it changed since it was
// cached, makes its change and writes the hive anew through the file writer.
// While a batch runs, its thread holds that lock from the batch's start to
// its end: the hive is read once at the start, the calls change the cached
// tree, and the end writes it once. Calls from other threads wait for the
// batch to end.
#pragma once

#include "platform/registry/registry.h"
#include "platform/registry/registry_hive.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <vector>

namespace plat::reg {

// What tells one version of the hive file from another.
struct Stamp {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = -1;
    long long mtimeNs = -1;
    bool operator==(const Stamp&) const = default;
};

struct OpenKey {
    int root = 0;
    std::vector<std::string> path;
    REGSAM access = 0;
};

// An exclusive flock on "<hive>.lock", taken (waiting for other holders) when
// made and released when destroyed. The hive's directory is created first.
class WriteLock {
public:
    explicit WriteLock(const std::string& hivePath);
    ~WriteLock();
    WriteLock(const WriteLock&) = delete;
    WriteLock& operator=(const WriteLock&) = delete;
    bool Held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

// Where RegEnumKeyEx stopped last, so that enumerating the sub-keys of a key
// with index 0, 1, 2, ... steps once per call instead of counting from the
// first. Valid while `generation` is the state's.
struct EnumCursor {
    const hive::Key* key = nullptr;
    DWORD index = 0;
    hive::Key::SubKeyMap::const_iterator at;
    std::uint64_t generation = 0;
};

struct State {
    std::mutex mu;
    std::string overridePath;
    // The cache of the hive file.
    std::string cachedPath;
    bool cached = false;
    Stamp stamp;
    hive::Tree tree;
    std::string corrupt; // why the cached file cannot be used
    std::string lastError;
    std::map<std::uintptr_t, OpenKey> handles;
    std::uintptr_t nextHandle = 0x1000;
    // Grows whenever the cached tree may have changed (a key pointer or an
    // iterator into it may then be stale).
    std::uint64_t generation = 1;
    EnumCursor cursor;

    // The batch in progress.
    struct Batch {
        bool active = false;
        std::thread::id owner;
        int depth = 0;
        std::string path;
        std::unique_ptr<WriteLock> lock;
        bool dirty = false;      // a call changed the tree
        LONG failure = 0;        // a call that broke the batch, ERROR_SUCCESS if none
        std::string failureText; // its reason
    } batch;
    std::condition_variable batchEnded;
};

State& S();

constexpr std::uintptr_t kRootBase = 0x80000000u;

std::string CurrentPath(State& s);
// Brings the cached tree up to date with the hive file.
LONG Refresh(State& s, const std::string& path);
// Writes the cached tree to the hive file; the cache then stands for the
// file written.
LONG Store(State& s, const std::string& path);

// Runs op on the current tree, outside a batch: a writer holds the hive lock,
// and the tree is stored when op reports a change and succeeded.
template <class Op> LONG WithHiveAlone(State& s, bool write, Op& op) {
    const std::string path = CurrentPath(s);
    s.lastError.clear();
    if (!write) {
        const LONG r = Refresh(s, path);
        if (r != ERROR_SUCCESS)
            return r;
        bool changed = false;
        return op(s, changed);
    }
    WriteLock lock(path);
    if (!lock.Held()) {
        s.lastError = "registry hive " + path +
                      " cannot be locked for writing: " + std::string(std::strerror(errno));
        return ERROR_CANTWRITE;
    }
    LONG r = Refresh(s, path);
    if (r != ERROR_SUCCESS)
        return r;
    bool changed = false;
    r = op(s, changed);
    if (changed)
        ++s.generation;
    if (r == ERROR_SUCCESS && changed)
        r = Store(s, path);
    return r;
}

// Runs op on the batch's tree: the batch holds the lock and stores the tree
// at its end.
template <class Op> LONG WithHiveInBatch(State& s, Op& op) {
    s.lastError.clear();
    if (s.batch.failure != ERROR_SUCCESS) {
        s.lastError = s.batch.failureText;
        return s.batch.failure;
    }
    LONG r = ERROR_SUCCESS;
    if (!s.cached || s.cachedPath != s.batch.path) {
        r = Refresh(s, s.batch.path);
    } else if (!s.corrupt.empty()) {
        s.lastError = s.corrupt;
        r = ERROR_BADDB;
    }
    if (r != ERROR_SUCCESS)
        return r;
    bool changed = false;
    r = op(s, changed);
    if (changed) {
        ++s.generation;
        s.batch.dirty = true;
    }
    return r;
}

// Marks the failure of a call that ran out of memory: the cached tree, perhaps
// half changed, is read again from the file; in a batch nothing more is done
// and the batch stores nothing.
LONG OutOfMemory(State& s);

// Runs op(State&, bool& changed) on the current tree, in the batch of this
// thread when there is one, after the batch of another thread has ended.
// Memory running out ends the call with ERROR_OUTOFMEMORY.
template <class Op> LONG WithHive(bool write, Op op) {
    State& s = S();
    std::unique_lock<std::mutex> guard(s.mu);
    const std::thread::id self = std::this_thread::get_id();
    s.batchEnded.wait(guard, [&] { return !s.batch.active || s.batch.owner == self; });
    try {
        if (s.batch.active)
            return WithHiveInBatch(s, op);
        return WithHiveAlone(s, write, op);
    } catch (const std::bad_alloc&) {
        return OutOfMemory(s);
    }
}

// The batch of this thread: starts one, or joins the one it runs.
// False when the hive lock cannot be taken (the calls then go one by one).
bool BeginBatch();
// Ends the outermost batch of this thread and stores its changes.
LONG EndBatch();

} // namespace plat::reg
