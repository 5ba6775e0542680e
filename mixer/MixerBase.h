// One mixer control reached by device, destination kind, source kind and
// control type: Init opens the device, finds the line and the control and
// prepares a value buffer; the caller reads or writes m_values and calls
// Close. Failures leave a text in m_error; nothing is traced here.
#pragma once

#include "platform/mmsystem.h"

#include <string>
#include <vector>

// Source kind meaning "no source line: use the destination line itself", one
// past the last source kind of the platform.
constexpr plat::DWORD NO_SOURCE = 0x100B;

class CMixerBase {
public:
    CMixerBase();
    virtual ~CMixerBase();
    CMixerBase(const CMixerBase&) = delete;
    CMixerBase& operator=(const CMixerBase&) = delete;

    // 1: line and control found, value buffer ready, handle left open.
    // 0: failure, m_error set, object closed.
    int Init(plat::UINT mixer, plat::DWORD destKind, plat::DWORD sourceKind,
             plat::DWORD controlType);
    // Prepares m_details and m_values for m_control. 1 / 0.
    int InitMXDetails();
    // Reads m_values from the device / writes them to it. 1 / 0; the object
    // stays open either way.
    int GetMixerControlValue();
    int SetMixerControlValue();
    // Closes the handle and frees the value buffer; the names stay.
    void Close();

    static std::string GetControlTypeName(plat::DWORD type);
    static std::string GetLineTypeName(plat::DWORD type);

    std::string m_lineName;      // the selected line (source, or destination for NO_SOURCE)
    std::string m_destName;      // the destination of the last line search
    std::string m_lineShortName; // short name of the selected line
    std::string m_error;
    plat::UINT m_mixer = 0;    // the device of the last Init
    bool m_openFailed = false; // the last Init could not open its device
    plat::HMIXER m_hMixer = nullptr;
    plat::MIXERCONTROL m_control{};
    plat::MIXERCONTROLDETAILS m_details{};
    // One slot per item of m_control (at least one); empty when closed.
    std::vector<plat::DWORD> m_values;

protected:
    // Mixer calls name the open handle as such, which every backend accepts.
    static constexpr plat::DWORD kByHandle = plat::MIXER_OBJECTF_HMIXER;
    plat::HMIXEROBJ Object() const { return reinterpret_cast<plat::HMIXEROBJ>(m_hMixer); }

private:
    bool FindDestination(plat::DWORD destKind, plat::MIXERLINE& line);
    bool FindSource(plat::DWORD sourceKind, plat::MIXERLINE& line);
};
