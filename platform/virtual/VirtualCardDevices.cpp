// The virtual card's device list: its plugged wave devices, plugging and
// unplugging them, and the device WAVE_MAPPER tries first.
#include "platform/virtual/Stream.h"
#include "platform/virtual/VirtualCard.h"

#include <algorithm>
#include <map>

namespace plat {

namespace {

std::size_t Side(DeviceDirection direction) {
    return direction == DeviceDirection::Input ? 1 : 0;
}

const char* Words(DeviceDirection direction) {
    return direction == DeviceDirection::Input ? "input" : "output";
}

} // namespace

void CVirtualCard::SetUpDevices() {
    for (bool input : {false, true}) {
        std::vector<VirtualWaveDevice>& all = AllDevicesLocked(input);
        all = input ? m_desc.waveIn : m_desc.waveOut;
        for (std::size_t d = 0; d < all.size(); ++d)
            if (all[d].id.empty())
                all[d].id = (input ? "wavein-" : "waveout-") + std::to_string(d);
        auto& plugged = input ? m_desc.waveIn : m_desc.waveOut;
        plugged.clear();
        std::copy_if(all.begin(), all.end(), std::back_inserter(plugged),
                     [](const VirtualWaveDevice& d) { return d.plugged; });
    }
}

std::vector<std::size_t> CVirtualCard::MapperOrderLocked(bool input) const {
    const auto& devices = input ? m_desc.waveIn : m_desc.waveOut;
    const std::string& chosen = m_chosen[input ? 1 : 0];
    std::vector<std::size_t> order;
    for (std::size_t d = 0; d < devices.size(); ++d)
        if (!chosen.empty() && devices[d].id == chosen)
            order.insert(order.begin(), d);
        else
            order.push_back(d);
    return order;
}

std::vector<SoundDevice> CVirtualCard::ListDevices() {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<SoundDevice> list;
    for (bool input : {false, true}) {
        const auto& devices = input ? m_desc.waveIn : m_desc.waveOut;
        const std::vector<std::size_t> order = MapperOrderLocked(input);
        for (std::size_t d = 0; d < devices.size(); ++d) {
            SoundDevice device;
            device.id = devices[d].id;
            device.description = devices[d].name;
            device.direction = input ? DeviceDirection::Input : DeviceDirection::Output;
            device.formFactor = devices[d].formFactor;
            device.isDefault = order.front() == d;
            device.monitor = devices[d].monitor;
            device.rate = devices[d].rate;
            device.handsFree = devices[d].handsFree;
            if (devices[d].mute) {
                device.hasVolume = true;
                device.volume = 65535;
                device.mute = *devices[d].mute;
            }
            list.push_back(std::move(device));
        }
    }
    return list;
}

bool CVirtualCard::ChooseDevice(DeviceDirection direction, const std::string& id,
                                std::string& error) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto& devices = direction == DeviceDirection::Input ? m_desc.waveIn : m_desc.waveOut;
        if (std::none_of(devices.begin(), devices.end(),
                         [&](const VirtualWaveDevice& d) { return d.id == id; })) {
            error = std::string("the virtual card has no ") + Words(direction) + " device \"" + id +
                    "\"";
            return false;
        }
        m_chosen[Side(direction)] = id;
    }
    DevicesChanged();
    return true;
}

bool CVirtualCard::SetPlugged(DeviceDirection direction, const std::string& id, bool plugged,
                              std::string& error) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const bool input = direction == DeviceDirection::Input;
        std::vector<VirtualWaveDevice>& all = AllDevicesLocked(input);
        const auto it = std::find_if(all.begin(), all.end(),
                                     [&](const VirtualWaveDevice& d) { return d.id == id; });
        if (it == all.end()) {
            error = std::string("the virtual card has no ") + Words(direction) + " device \"" + id +
                    "\"";
            return false;
        }
        if (it->plugged == plugged)
            return true;
        // What the plugged devices went through (busy answers used up) stays.
        auto& current = input ? m_desc.waveIn : m_desc.waveOut;
        for (VirtualWaveDevice& d : all)
            for (const VirtualWaveDevice& now : current)
                if (now.id == d.id)
                    d = now;
        it->plugged = plugged;
        current.clear();
        std::copy_if(all.begin(), all.end(), std::back_inserter(current),
                     [](const VirtualWaveDevice& d) { return d.plugged; });
        // The open devices of that direction keep their ids under new
        // numbers; one unplugged ends, as a USB device pulled out does: its
        // buffers come back at once, and every later write, buffer or start
        // fails.
        for (auto& entry : m_streams) {
            Stream* stream = entry.second.get();
            if (stream->input != input || stream->unplugged)
                continue;
            const auto now =
                std::find_if(current.begin(), current.end(),
                             [&](const VirtualWaveDevice& d) { return d.id == stream->id; });
            if (now != current.end()) {
                stream->device = UINT(now - current.begin());
                continue;
            }
            stream->unplugged = true;
            stream->running = false;
            ReturnQueueLocked(*stream);
        }
    }
    DevicesChanged();
    return true;
}

} // namespace plat
