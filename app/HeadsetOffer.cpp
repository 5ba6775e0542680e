#include "app/HeadsetOffer.h"

#include <algorithm>

namespace {

// A device of the same direction and id in `list`.
const SheetDevice* Find(const std::vector<SheetDevice>& list, const SheetDevice& device) {
    const auto it = std::find_if(list.begin(), list.end(), [&](const SheetDevice& d) {
        return d.input == device.input && d.id == device.id;
    });
    return it == list.end() ? nullptr : &*it;
}

} // namespace

bool CHeadsetOffer::Update(const std::vector<SheetDevice>& devices) {
    if (!m_started) {
        m_started = true;
        m_known = devices;
        return false;
    }
    const std::vector<SheetDevice> before = m_offered;
    // An offered device unplugged again, or made the device of its direction
    // meanwhile, is no longer offered.
    std::erase_if(m_offered, [&](const SheetDevice& offered) {
        const SheetDevice* now = Find(devices, offered);
        return now == nullptr || now->isDefault;
    });
    for (const SheetDevice& device : devices) {
        if (!device.headset || device.monitor || device.isDefault || Find(m_known, device))
            continue;
        const bool sideTaken =
            std::any_of(m_offered.begin(), m_offered.end(),
                        [&](const SheetDevice& offered) { return offered.input == device.input; });
        if (!sideTaken)
            m_offered.push_back(device);
    }
    // Outputs first: the notice names the headset after its output.
    std::stable_sort(
        m_offered.begin(), m_offered.end(),
        [](const SheetDevice& a, const SheetDevice& b) { return !a.input && b.input; });
    m_known = devices;
    return m_offered != before;
}

std::string CHeadsetOffer::Name() const {
    return m_offered.empty() ? std::string() : m_offered.front().description;
}
