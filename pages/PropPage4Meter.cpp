// Page 4's level meter: what each tick of the level timer gives it. The bar
// shows the level and falls between the recorder's 160 ms buffers; while
// recording, the tick holds the recorder's peak and the clip sign shows once
// the recording clipped (the recorder keeps that until the next Start).
#include "pages/MeterScale.h"
#include "pages/PropPage4.h"
#include "pages/SheetServices.h"
#include "platform/system/clock.h"
#include "ui/PropertySheet.h"

void CPropPage4::StartMeter(bool recording) {
    m_meter.SetPos(0);
    m_meter.ClearPeak();
    if (recording)
        m_meter.ClearClip();
    m_meterTick = plat::GetTickCount();
}

void CPropPage4::StopMeter() {
    m_meter.SetPos(0);
    m_meter.ClearPeak();
}

void CPropPage4::FeedMeter(int level) {
    // The time that really passed, however late the tick came.
    const plat::DWORD now = plat::GetTickCount();
    m_meter.Advance(now - m_meterTick);
    m_meterTick = now;
    m_meter.SetLevel(level);
    if (m_watchPlayback)
        return;
    const CAudioEngine& engine = Sheet()->AudioEngine();
    m_meter.SetPeak(MeterPosOfPeak(engine.GetRecordPeak()));
    if (engine.HasRecordClipped())
        m_meter.SetClipped();
}

void CPropPage4::FollowLevel() {
    if (m_shown && !m_recording && !m_replaying && GetParentSheet()->IsOpen())
        m_live.StartChosen();
    else
        m_live.Stop();
}
