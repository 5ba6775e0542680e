// The full description of the machine's mixers: every device, destination,
// source line and control, traced and kept in a tree, and the flat list of
// snapshot elements made from it. Also writes such a list back.
#pragma once

#include "mixer/ElementMixer.h"
#include "mixer/MixerBase.h"

#include <memory>
#include <vector>

// A line of the tree with its controls and, per control, the item names of a
// list control (empty for the others).
struct MixerLineRecord {
    plat::MIXERLINE line{};
    std::vector<plat::MIXERCONTROL> controls;
    std::vector<std::vector<plat::MIXERCONTROLDETAILS_LISTTEXT>> listTexts;
};

struct MixerDestinationRecord : MixerLineRecord {
    std::vector<MixerLineRecord> sources;
};

struct MixerRecord {
    plat::MIXERCAPS caps{};
    std::vector<MixerDestinationRecord> destinations;
};

class CMixerInfo : public CMixerBase {
public:
    CMixerInfo();
    ~CMixerInfo() override;

    // Walks every mixer. 1 = done and at least one element collected.
    int FillMixerInfoTree();
    // Reads the controls of one line into its record and adds its snapshot
    // elements. 1 / 0.
    int AddControls(plat::UINT mixer, plat::HMIXER handle, MixerLineRecord& record);
    // The elements, walking first when there are none yet. The references stay
    // owned by this object.
    int GetElements(std::vector<CElementMixer*>& out);
    // Writes each element's values to its control, opening each mixer when the
    // elements move to it. 1 / 0.
    int SetMixerValue(const std::vector<CElementMixer*>& elements);

    plat::UINT m_mixerCount = 0;
    std::vector<MixerRecord> m_mixers;
    std::vector<std::unique_ptr<CElementMixer>> m_elements;

private:
    int Walk();
};
