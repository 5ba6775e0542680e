#include "pages/StreamEnd.h"

#include "texts/SoundNotice.h"

#include <algorithm>
#include <vector>

std::optional<SheetDevice> CurrentDevice(CSheetServices& sheet, bool input) {
    const std::vector<SheetDevice> devices = sheet.Devices();
    const auto it = std::find_if(devices.begin(), devices.end(), [&](const SheetDevice& d) {
        return d.input == input && !d.monitor && d.isDefault;
    });
    if (it == devices.end())
        return std::nullopt;
    return *it;
}

std::string StreamEndText(CSheetServices& sheet, const std::optional<SheetDevice>& device,
                          const char* page, bool replay) {
    // A server that went away takes its devices with it: it is said first.
    if (sheet.SoundSystemGone())
        return SoundServerGoneText(page);
    if (!device)
        return {};
    sheet.RefreshDevices(); // a sound system that tells of no unplugging
    const std::vector<SheetDevice> devices = sheet.Devices();
    const bool listed = std::any_of(devices.begin(), devices.end(), [&](const SheetDevice& d) {
        return d.input == device->input && d.id == device->id;
    });
    return listed ? std::string() : UnpluggedText(page, device->description, replay);
}
