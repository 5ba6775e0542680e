// Makes the program's embedded resources findable through plat::FindResource
// and PlaySound(SND_RESOURCE): the music, WAVE 164. Called once by main and by
// tests that play the music; calling it again does no harm.
#pragma once

void RegisterProgramResources();
