// Makes the program's embedded resources findable through plat::FindResource
// and PlaySound(SND_RESOURCE): the music, WAVE 164, and the voices saying
// "left" on the left channel, WAVE 170, and "right" on the right, WAVE 171.
// Called once by main and by tests that play them; calling it again does no
// harm.
#pragma once

void RegisterProgramResources();
