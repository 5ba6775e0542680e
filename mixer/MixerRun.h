// A wizard run that changes the mixer.
//
// While a run holds changes it has not put back, a small record beside its
// snapshot ("Mixer.run" beside "Mixer.ser") names the run: process id, boot
// id, process start time and the wall-clock time the snapshot was taken. A
// run that ends without putting the mixer back (killed, crashed, logged out,
// or its restore failed) leaves snapshot and record behind; the next start
// finds the record of a run that no longer lives and offers to put the
// settings back. A record of a run that still lives is never taken for such
// a one.
#pragma once

#include "mixer/ElementMixer.h"
#include "platform/files/file_lock.h"
#include "platform/system/process_identity.h"

#include <cstddef>
#include <ctime>
#include <string>
#include <vector>

// The record that belongs to the snapshot at `snapshotPath`.
std::string RunRecordPath(const std::string& snapshotPath);

void RemoveRunRecord(const std::string& snapshotPath);

// The record names the run holding the snapshot's changes (WriteSnapshotRecord
// with `run`), and keeps what the snapshot file cannot hold: the name of each
// mixer the file numbers and the names of a list control's items, so a
// restore finds them whatever came or went since, and whole elements of the
// devices the run touched after the file was written. `elements` are the
// file's `inFile` elements in its order, then the added ones. With `run` the
// record names this process (the snapshot taken at `taken`); without, it names no run (a file saved
// by --save-mixer), and no start offers it back. False, with the reason in `error`, when it cannot
// be written.
bool WriteSnapshotRecord(const std::string& snapshotPath,
                         const std::vector<CElementMixer>& elements, std::size_t inFile, bool run,
                         std::time_t taken, std::string& error);
// Names the file's `elements` from the record beside it and appends the
// elements it adds. False, `elements` unchanged, when the record holds no
// names for this file (no record, one of another count of elements, or one
// whose names cannot be read): the restore then goes by number and position.
bool ReadSnapshotRecord(const std::string& snapshotPath, std::vector<CElementMixer>& elements);

enum class SnapshotOwner {
    None,      // no record, or no snapshot beside it: nothing waits
    ThisRun,   // this process wrote it
    LivingRun, // another process that still runs
    EndedRun,  // a run that ended without putting the mixer back
};

struct RecordedRun {
    plat::ProcessIdentity process;
    std::time_t taken = 0; // when the snapshot was taken
};

// Who the snapshot at `snapshotPath` belongs to, read from its record. A
// record that cannot be read beside an existing snapshot counts as an ended
// run: the snapshot may be all that is left of the user's settings.
SnapshotOwner FindSnapshotOwner(const std::string& snapshotPath, RecordedRun* run = nullptr);

// One wizard at a time for a user: a lock held for the life of the run in the
// directory of the snapshot.
class CRunLock {
public:
    // False when another wizard holds it (or the lock file cannot be made),
    // with a text for the user in `error`.
    bool Acquire(const std::string& snapshotPath, std::string& error);
    bool Held() const { return m_lock.Held(); }

private:
    plat::CFileLock m_lock;
};

// Puts back the settings an ended run left waiting at `snapshotPath`. 1 when
// every value is back (snapshot and record deleted); 0 with the reason in
// `error`, both kept.
int RestoreWaitingSnapshot(const std::string& snapshotPath, std::string& error);
// The user keeps the mixer as it is: the waiting snapshot and its record go.
void DiscardWaitingSnapshot(const std::string& snapshotPath);

// What the user is told when the settings could not be put back: the reason,
// where they are kept ("" when they could not be kept on disk) and how to put
// them back later.
std::string RestoreFailedText(const std::string& error, const std::string& snapshotPath);
