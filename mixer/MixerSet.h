// Source selection and volume over every mixer device of the machine.
#pragma once

#include "mixer/MixerBase.h"

class CMixerSet : public CMixerBase {
public:
    // Unmutes the destination (wave-in when recording, else speakers) and the
    // given source line, and makes that line the selected source of the
    // destination's list control. 1 = at least one control was written.
    int SelectSource(bool recording, plat::DWORD sourceKind);
    // Writes volume v (0..10000) to every mixer's volume control of the line.
    // 1 = every control found was written (also when none was found).
    int SetVolume(bool recording, plat::UINT v, plat::DWORD sourceKind);
    // Reads the volume of the line on every mixer; v is the last one found,
    // -1 when none was. 1 = done.
    int GetVolume(bool recording, int& v, plat::DWORD sourceKind);

private:
    enum class Step { Done, Skipped, Stop };
    Step WriteSwitchOff(plat::UINT mixer, plat::DWORD dest, plat::DWORD sourceKind,
                        plat::DWORD controlType, const char* typeName, bool& sourceSet);
    Step SelectInList(plat::UINT mixer, plat::DWORD dest, plat::DWORD listType,
                      const std::string& wanted, bool& sourceSet);
    bool NoMixerOpened(plat::UINT unopened, plat::UINT mixers, const char* call);
    // Init on the line's volume control; false also when its bounds give no scale.
    bool InitVolume(plat::UINT mixer, plat::DWORD dest, plat::DWORD sourceKind);
};
