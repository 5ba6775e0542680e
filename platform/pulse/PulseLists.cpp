#include "platform/pulse/PulseLists.h"

#include <algorithm>

namespace plat {

namespace {

template <class T> const T* ByName(const std::vector<T>& list, const std::string& name) {
    auto it = std::find_if(list.begin(), list.end(), [&](const T& x) { return x.name == name; });
    return it == list.end() ? nullptr : &*it;
}

} // namespace

const PulseDevice* PulseLists::FindSink(const std::string& name) const {
    return ByName(sinks, name);
}
const PulseDevice* PulseLists::FindSource(const std::string& name) const {
    return ByName(sources, name);
}
const PulseCard* PulseLists::FindCard(const std::string& name) const {
    return ByName(cards, name);
}

} // namespace plat
