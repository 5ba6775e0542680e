#include "pages/LiveLevel.h"

#include "pages/MeterScale.h"
#include "platform/system/clock.h"
#include "ui/LevelMeter.h"

#include <algorithm>
#include <cmath>

void CLiveLevel::Start(const SheetDevice& device) {
    if (m_watch && m_deviceId == device.id)
        return;
    Stop();
    m_deviceId = device.id;
    m_tick = plat::GetTickCount();
    m_watch = m_sheet.WatchLevel(device, [this](const SheetLevel& level) { OnLevel(level); });
}

void CLiveLevel::StartChosen() {
    const std::vector<SheetDevice> devices = m_sheet.Devices();
    if (const SheetDevice* chosen = Chosen(devices))
        Start(*chosen);
    else
        Stop();
}

void CLiveLevel::Stop() {
    const bool running = m_watch != nullptr;
    m_watch.reset();
    m_deviceId.clear();
    if (running) {
        m_meter.SetPos(0);
        m_meter.ClearPeak();
    }
}

const SheetDevice* CLiveLevel::Chosen(const std::vector<SheetDevice>& devices) {
    const auto it = std::find_if(devices.begin(), devices.end(), [](const SheetDevice& d) {
        return d.input && !d.monitor && d.isDefault;
    });
    return it == devices.end() ? nullptr : &*it;
}

void CLiveLevel::OnLevel(const SheetLevel& level) {
    if (level.ended) {
        m_meter.SetPos(0);
        m_meter.ClearPeak();
        return;
    }
    // The time that really passed, however late the peak came.
    const plat::DWORD now = plat::GetTickCount();
    m_meter.Advance(static_cast<unsigned>(now - m_tick));
    m_tick = now;
    const double dbfs = level.peak > 0 ? 20 * std::log10(level.peak) : -200;
    m_meter.SetLevel(MeterPosOfDbfs(dbfs - kSpeechCrestDb));
    m_meter.SetPeak(MeterPosOfPeak(static_cast<int>(std::lround(level.peak * 32768))));
}
