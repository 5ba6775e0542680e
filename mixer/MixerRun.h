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

#include "platform/files/file_lock.h"
#include "platform/system/process_identity.h"

#include <ctime>
#include <string>

// The record that belongs to the snapshot at `snapshotPath`.
std::string RunRecordPath(const std::string& snapshotPath);

// Names this process as the run holding the snapshot's changes. False, with
// the reason in `error`, when the record cannot be written.
bool WriteRunRecord(const std::string& snapshotPath, std::string& error);
void RemoveRunRecord(const std::string& snapshotPath);

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
