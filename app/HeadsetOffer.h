// What the sheet offers when a headset is plugged in while the wizard runs:
// the output and the input of a headset (a headset, USB or Bluetooth device)
// that a device list has and the list before it had not, unless the sound
// system already made it the one of its direction. An offer lasts until it is
// taken or turned down (Clear), or until its devices are gone again (a list
// without them) or chosen otherwise.
#pragma once

#include "pages/SheetServices.h"

#include <string>
#include <vector>

class CHeadsetOffer {
public:
    // Takes the devices as they are now; the first list is only what was
    // there before. True when the offer changed: a notice to show, or to put
    // away when Offered() is empty.
    bool Update(const std::vector<SheetDevice>& devices);
    // The devices offered, an output and an input at most; empty for none.
    const std::vector<SheetDevice>& Offered() const { return m_offered; }
    // What the user knows the headset by: its output's description, else its
    // input's.
    std::string Name() const;
    void Clear() { m_offered.clear(); }

private:
    bool m_started = false;
    std::vector<SheetDevice> m_known; // the list before
    std::vector<SheetDevice> m_offered;
};
