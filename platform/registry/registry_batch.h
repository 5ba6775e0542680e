// A batch of registry calls: many changes to the hive for the price of one.
//
//     plat::RegBatch batch;
//     ... RegCreateKeyEx, RegSetValueEx, RegQueryValueEx, ... ...
//     if (batch.End() != ERROR_SUCCESS) ... RegHiveError() says why
//
// From its start to its end the batch holds the hive's lock for writing (other
// programs that change the hive wait), the hive is read once at the start, and
// the calls of this thread work on it in memory and answer as they would one
// by one; the end writes the hive once, atomically through the file writer,
// when a call changed it. Calls from other threads of the program wait until
// the batch has ended. A call made outside any batch still reads and writes
// the hive on its own.
//
// When the end cannot write the hive (a full disk, a directory that refuses
// new files, memory running out during the batch), the file keeps what it held
// before the batch, none of the batch's changes are kept, and End() answers
// the error. A batch started inside another one of the same thread joins it:
// only the outermost one writes. When the lock cannot be taken at the start,
// the batch holds nothing (Held() is false) and the calls go one by one, each
// reporting its own failure. A process forked during a batch inherits it
// without its lock: the child uses the registry only after an exec.
#pragma once

#include "platform/types.h"

namespace plat {

class RegBatch {
public:
    RegBatch();
    // Ends the batch when End() was not called.
    ~RegBatch();
    RegBatch(const RegBatch&) = delete;
    RegBatch& operator=(const RegBatch&) = delete;

    // Writes the hive when a call of the batch changed it and lets the others
    // go on. ERROR_SUCCESS, or why the changes could not be stored (the text
    // in RegHiveError()); ERROR_SUCCESS for a joined batch, for a batch that
    // holds nothing and when called again.
    LONG End();
    bool Held() const { return m_held; }

private:
    bool m_held = false;
    bool m_ended = false;
};

} // namespace plat
