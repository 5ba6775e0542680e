#include "ui/Accelerator.h"

#include "ui/Wnd.h"

#include <map>
#include <memory>
#include <mutex>

struct AcceleratorTable {
    std::vector<ACCEL> entries;
};

namespace {
struct Tables {
    std::mutex mutex;
    std::map<int, std::unique_ptr<AcceleratorTable>> byId;
};
Tables& TheTables() {
    static Tables tables;
    return tables;
}
} // namespace

void RegisterAcceleratorResource(int resourceId, std::vector<ACCEL> entries) {
    Tables& t = TheTables();
    std::lock_guard lock(t.mutex);
    auto& table = t.byId[resourceId];
    if (!table)
        table = std::make_unique<AcceleratorTable>();
    table->entries = std::move(entries);
}

HACCEL LoadAccelerators(int resourceId) {
    Tables& t = TheTables();
    std::lock_guard lock(t.mutex);
    const auto it = t.byId.find(resourceId);
    return it == t.byId.end() ? nullptr : it->second.get();
}

bool TranslateAccelerator(CWnd* wnd, HACCEL table, const MSG& msg) {
    if (wnd == nullptr || table == nullptr)
        return false;
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN)
        return false;
    for (const ACCEL& entry : table->entries) {
        const bool virtualKey = (entry.fVirt & FVIRTKEY) != 0;
        if (!virtualKey)
            continue; // character accelerators would need WM_CHAR
        if (entry.key != msg.wParam)
            continue;
        if (((entry.fVirt & FCONTROL) != 0) != msg.ctrl || ((entry.fVirt & FALT) != 0) != msg.alt ||
            ((entry.fVirt & FSHIFT) != 0) != msg.shift)
            continue;
        wnd->OnCommand(entry.cmd, 0);
        return true;
    }
    return false;
}
