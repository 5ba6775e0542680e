// The values of mapped controls read from the server's lists and written to
// the server: a volume, a mute, an active port or a default per write.
#pragma once

#include "platform/device/ElementAccess.h"
#include "platform/pulse/PulseMapping.h"

#include <string>
#include <vector>

namespace plat {

// What a write asks of the server. Results are 0 or a negative errno.
class CPulseServerControls {
public:
    virtual ~CPulseServerControls() = default;
    virtual PulseLists Lists() = 0; // the latest lists the server sent
    virtual int SetVolume(bool source, const std::string& device, long volume) = 0;
    virtual int SetMute(bool source, const std::string& device, bool mute) = 0;
    virtual int SetPort(bool source, const std::string& device, const std::string& port) = 0;
    virtual int SetDefault(bool source, const std::string& device) = 0;
};

class CPulseElementAccess : public CElementAccess {
public:
    CPulseElementAccess(std::vector<PulseElement> elements, CPulseServerControls& server)
        : m_elements(std::move(elements)), m_server(server) {}

    // -ENODEV when the device is gone, -EINVAL for a value it cannot take.
    int Get(std::size_t element, ElementValue what, long& value) override;
    int Set(std::size_t element, ElementValue what, long value) override;

private:
    int MakeDefaults(const PulseElement& e);

    std::vector<PulseElement> m_elements;
    CPulseServerControls& m_server;
};

} // namespace plat
