// One mixer device seen through the mixer calls: line info, line controls
// and control details answered from a mapped model, values read and written
// through the card's elements. Checks the records as the Windows calls do
// (cbStruct, counts, item sizes) and never writes past the caller's buffers.
#pragma once

#include "platform/device/MixerModel.h"
#include "platform/volume_curve.h"

#include <memory>
#include <string>

namespace plat {

class CModelMixer {
public:
    CModelMixer(std::string name, MixerModel model, std::unique_ptr<CElementAccess> access);

    const std::string& Name() const { return m_name; }
    const MixerModel& Model() const { return m_model; }

    MMRESULT GetDevCaps(MIXERCAPSA* caps, UINT cbCaps) const;
    MMRESULT GetLineInfo(MIXERLINEA* line, DWORD fdwInfo) const;
    MMRESULT GetLineControls(MIXERLINECONTROLSA* request, DWORD fdwControls) const;
    MMRESULT GetControlDetails(MIXERCONTROLDETAILS* details, DWORD fdwDetails);
    MMRESULT SetControlDetails(MIXERCONTROLDETAILS* details, DWORD fdwDetails);
    // How a volume control's value maps to gain, as its element tells.
    MMRESULT GetVolumeCurve(DWORD controlId, VolumeCurve& curve) const;

    // The negative errno of the last element access that failed, 0 if none.
    int LastAlsaError() const { return m_alsaError; }

private:
    void FillLine(MIXERLINEA& out, const ModelLine& line, DWORD dest, DWORD source,
                  bool isSource) const;
    const ModelControl* DetailsControl(const MIXERCONTROLDETAILS* details, const ModelLine** line,
                                       MMRESULT& result) const;

    std::string m_name;
    MixerModel m_model;
    std::unique_ptr<CElementAccess> m_access;
    int m_alsaError = 0;
};

} // namespace plat
