#include "platform/pulse/PulseReport.h"

namespace plat {

namespace {

void AddDevice(std::vector<std::string>& out, const char* kind, const PulseDevice& d,
               bool isDefault) {
    std::string line = std::string(kind) + ": " + d.description + " (" + d.name + ")";
    if (d.monitor)
        line += ", monitor";
    if (isDefault)
        line += ", default";
    out.push_back(line);
    for (const PulsePort& p : d.ports)
        out.push_back("  port: " + p.description + " (" + p.name + ")" +
                      (p.name == d.activePort ? ", active" : ""));
}

} // namespace

std::vector<std::string> DescribePulseServer(const std::string& server, const PulseLists& lists) {
    std::vector<std::string> out;
    out.push_back("Sound server: " + server);
    for (const PulseCard& c : lists.cards)
        out.push_back("Card: " + c.description + " (" + c.name + ")" +
                      (c.activeProfile.empty() ? "" : ", profile " + c.activeProfile));
    for (const PulseDevice& d : lists.sinks)
        AddDevice(out, "Sink", d, d.name == lists.defaultSink);
    for (const PulseDevice& d : lists.sources)
        AddDevice(out, "Source", d, d.name == lists.defaultSource);
    return out;
}

} // namespace plat
