// The test sentence on a card whose recording master is at full volume, from a
// recording volume of 15 %: after a few seconds the automatic level has moved
// the slider up to where the sentence peaks in its target.
#include "tests/pages/render_page4_autolevel.h"

#include "app/PropSheet.h"
#include "platform/files/paths.h"
#include "platform/sound_backend.h"
#include "platform/virtual/VirtualCard.h"
#include "ui/Testing.h"

#include <memory>

bool RenderPage4AutoLevel(CPropSheet&, const std::string& dir, const RenderSaver& save) {
    const auto before = plat::CurrentSoundBackendShared();
    plat::VirtualCardDesc desc = plat::DefaultCardDesc();
    for (plat::VirtualLine& line : desc.mixers.at(0).destinations)
        if (line.componentType == plat::MIXERLINE_COMPONENTTYPE_DST_WAVEIN)
            for (plat::VirtualControl& c : line.controls)
                if (c.type == plat::MIXERCONTROL_CONTROLTYPE_VOLUME)
                    c.values.assign(c.values.size(), c.maximum);
    auto card = std::make_shared<plat::CVirtualCard>(desc);
    plat::InstallSoundBackend(card);
    // A sheet of its own, with no warning left by the other pictures.
    CPropSheet sheet;
    sheet.Create();
    uitest::ProcessEvents(50);
    sheet.SetActivePage(1);
    sheet.m_mixerSetup.PrepareRecording();
    sheet.m_mixerSetup.SetRecordingVolume(1500);
    sheet.SetActivePage(3);
    CPropPage4& page = sheet.m_page4;
    page.OnStart();
    uitest::ProcessEvents(4500);
    const bool ok = save(sheet, dir + "page4_autolevel.png");
    page.OnStart();
    plat::DeleteFile(CPropPage4::RecordingPath());
    sheet.EndDialog(IDCANCEL);
    uitest::ProcessEvents(20);
    plat::InstallSoundBackend(before);
    return ok;
}
