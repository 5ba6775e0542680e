// Page 4 after a recording that heard no voice: a look of about a second at
// the levels of the other microphones (inputs, no monitors), and the offer of
// the loudest one whose peaks reach a voice by the verdict's measure. The
// offer is a button naming it; a click chooses it for the next recording.
#include "audio/RecordingVerdict.h"
#include "pages/PropPage4.h"
#include "pages/RecordingVerdictLine.h"
#include "pages/SheetServices.h"
#include "texts/SoundNotice.h"

#include <algorithm>
#include <cmath>

namespace {

// The loudest sample of a recording with a voice in it, 0..1.
double VoicePeak() {
    return std::pow(10.0, kVerdictLimits.noVoicePeakDbfs / 20);
}

} // namespace

void CPropPage4::StartLook() {
    DropLook();
    for (const SheetDevice& device : Sheet()->Devices()) {
        if (!device.input || device.monitor || device.isDefault)
            continue;
        auto look = std::make_unique<Look>();
        look->device = device;
        Look* heard = look.get();
        look->watch = Sheet()->WatchLevel(device, [heard](const SheetLevel& level) {
            if (!level.ended)
                heard->loudest = std::max(heard->loudest, level.peak);
        });
        m_looks.push_back(std::move(look));
    }
    if (!m_looks.empty())
        SetTimer(kLookTimer, kLookMs);
}

void CPropPage4::EndLook() {
    const auto loudest =
        std::max_element(m_looks.begin(), m_looks.end(),
                         [](const std::unique_ptr<Look>& a, const std::unique_ptr<Look>& b) {
                             return a->loudest < b->loudest;
                         });
    std::optional<SheetDevice> hears;
    if (loudest != m_looks.end() && (*loudest)->loudest > VoicePeak())
        hears = (*loudest)->device;
    DropLook();
    if (hears)
        ShowOffer(*hears);
}

void CPropPage4::DropLook() {
    KillTimer(kLookTimer);
    m_looks.clear();
}

void CPropPage4::ShowOffer(const SheetDevice& device) {
    m_offered = device;
    const std::string text = MicrophoneOfferText(device.description);
    m_offer.SetWindowText(text);
    const CRect place = m_offer.GetRectInParent();
    const int room = GetPageWidth() - place.left - 10;
    const int width = std::min(room, m_offer.GetTextExtent(text).cx + 4 * CButton::kCaptionInset);
    m_offer.MoveWindow(place.left, place.top, width, place.Height());
    m_offer.ShowWindow(SW_SHOW);
}

void CPropPage4::HideOffer() {
    m_offered.reset();
    m_offer.ShowWindow(SW_HIDE);
}

void CPropPage4::OnAcceptOffer() {
    if (!m_offered)
        return;
    SheetDevice device = *m_offered;
    HideOffer();
    std::string error;
    if (!Sheet()->ChooseDevice(device, error)) {
        ShowVerdictText(m_verdict, m_finishLabel, error);
        return;
    }
    device.isDefault = true;
    if (m_shown && !m_recording && !m_replaying)
        m_live.Start(device);
}
