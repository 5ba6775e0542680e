// What happens before the wizard opens: one wizard at a time for a user, and
// the sound settings that a run which ended badly (killed, crashed, logged
// out, or whose restore failed) left waiting are offered back first.
#pragma once

#include "mixer/MixerRun.h"

// Takes `lock` for the run and asks about a waiting snapshot: put it back,
// keep the mixer as it is, or ask again at the next start. False, after
// telling the user, when another wizard is running: the wizard must not open.
bool StartRun(CRunLock& lock);
