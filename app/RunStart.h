// What happens before the wizard opens: one wizard at a time for a user (a
// second start brings the running one to the front), and the sound settings
// that a run which ended badly (killed, crashed, logged out, or whose restore
// failed) left waiting are offered back first.
#pragma once

#include "mixer/MixerRun.h"

#include <string>
#include <vector>

// Takes `lock` for the run and asks about a waiting snapshot: put it back,
// keep the mixer as it is, or ask again at the next start. False when another
// wizard is running: the wizard must not open. That wizard is asked to come to
// the front (one line on standard error says so); when it does not answer,
// the user is told in a message box.
bool StartRun(CRunLock& lock);

// Where the running wizard listens for a second start (beside the snapshot,
// in the user's private directory); "" when there is no such directory.
std::string ActivationEndpoint();

// The question about a waiting snapshot and the captions of its three
// buttons (put back, keep, ask later), in the language of the run's texts.
std::string RecoveryQuestionText(const RecordedRun& run);
std::vector<std::string> RecoveryButtonTexts();
