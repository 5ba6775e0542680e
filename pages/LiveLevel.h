// A microphone's live level in a level meter, before anything is recorded:
// the sheet's watch of the device (CSheetServices::WatchLevel), each peak fed
// to the meter on the scale the recording uses (MeterScale.h), the bar where
// speech of that peak would stand in the target zone and the tick at the
// peak. The watch never waits for the device; Stop frees it for a test or a
// recording, and empties the meter.
#pragma once

#include "pages/SheetServices.h"
#include "platform/types.h"

#include <memory>
#include <string>

class CLevelMeter;

class CLiveLevel {
public:
    CLiveLevel(CSheetServices& sheet, CLevelMeter& meter) : m_sheet(sheet), m_meter(meter) {}

    // Watches `device`; one watched already goes on as it is.
    void Start(const SheetDevice& device);
    // Watches the microphone the wizard works on now, when there is one.
    void StartChosen();
    void Stop();
    bool IsRunning() const { return m_watch != nullptr; }
    // The device watched, "" when none is.
    const std::string& DeviceId() const { return m_deviceId; }

    // The microphone the wizard works on among `devices` (an input, no
    // monitor, the default); null when there is none.
    static const SheetDevice* Chosen(const std::vector<SheetDevice>& devices);

private:
    void OnLevel(const SheetLevel& level);

    CSheetServices& m_sheet;
    CLevelMeter& m_meter;
    std::unique_ptr<CSheetLevelWatch> m_watch;
    std::string m_deviceId;
    plat::DWORD m_tick = 0; // tick count of the meter's last feed
};
