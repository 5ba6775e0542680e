// Source selection and volume over every mixer device of the machine.
#pragma once

#include "mixer/MixerBase.h"
#include "platform/volume_curve.h"

#include <functional>
#include <string>
#include <vector>

// What a preparation changed on one line of a mixer: a mute it took off, a
// volume it moved (0..10000, whole values as read and written).
struct MixerLineChange {
    plat::UINT mixer = 0;
    std::string destination; // the destination line's name
    std::string line;        // the line changed: the destination or one of its sources
    bool unmuted = false;
    int volumeBefore = -1; // -1 both: the volume was left alone
    int volumeAfter = -1;
};

class CMixerSet : public CMixerBase {
public:
    // While set, the writes below note in m_changes what they changed (a
    // mute read first, a volume read before it is written).
    bool m_noteChanges = false;
    std::vector<MixerLineChange> m_changes;

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
    // How the line's volume maps to gain on the last mixer that has it (the
    // one GetVolume reads), over the fraction v / 10000 of the scale. 1 =
    // done; a linear amplitude when no mixer has the line.
    int GetVolumeCurve(bool recording, plat::VolumeCurve& curve, plat::DWORD sourceKind);

private:
    // The entry of m_changes for the line of the last Init, made when new.
    MixerLineChange& ChangeOfLine();
    enum class Step { Done, Skipped, Stop };
    Step WriteSwitchOff(plat::UINT mixer, plat::DWORD dest, plat::DWORD sourceKind,
                        plat::DWORD controlType, const char* typeName, bool& sourceSet);
    Step SelectInList(plat::UINT mixer, plat::DWORD dest, plat::DWORD listType,
                      const std::string& wanted, bool& sourceSet);
    bool NoMixerOpened(plat::UINT unopened, plat::UINT mixers, const char* call);
    // Visits each mixer whose recording (or playback) destination has the
    // volume control of `sourceKind`, that control open; 0 when there is no
    // mixer, when a visit fails, or when no mixer could be opened (`call`
    // names the caller in the trace).
    int EachVolumeControl(bool recording, plat::DWORD sourceKind, const char* call,
                          const std::function<bool()>& visit);
    // Init on the line's volume control; false also when its bounds give no scale.
    bool InitVolume(plat::UINT mixer, plat::DWORD dest, plat::DWORD sourceKind);
};
