// Registry of the program's embedded resources.
#include "platform/embedded/resources.h"

#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace plat {

namespace {

struct Table {
    std::mutex mutex;
    std::map<std::pair<std::string, unsigned>, ResourceData> entries;
};

// Constructed on first use: resources register themselves during static
// initialisation, in any order.
Table& TheTable() {
    static Table table;
    return table;
}

} // namespace

void RegisterResource(const char* type, unsigned id, const std::uint8_t* data, std::size_t size) {
    if (type == nullptr)
        return;
    Table& table = TheTable();
    std::lock_guard lock(table.mutex);
    table.entries[{type, id}] = ResourceData{data, size};
}

bool FindResource(const char* type, unsigned id, ResourceData& out) {
    if (type == nullptr)
        return false;
    Table& table = TheTable();
    std::lock_guard lock(table.mutex);
    const auto it = table.entries.find({type, id});
    if (it == table.entries.end())
        return false;
    out = it->second;
    return true;
}

} // namespace plat
