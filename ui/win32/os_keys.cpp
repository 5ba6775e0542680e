#include <windows.h>

#include "ui/win32/KeyState.h"

#include <cstring>

ModifierKeys::ModifierKeys(bool ctrl, bool alt, bool shift) {
    GetKeyboardState(m_before);
    BYTE state[256];
    std::memcpy(state, m_before, sizeof state);
    const auto set = [&state](int vk, bool down) { state[vk] = down ? 0x80 : 0; };
    set(VK_CONTROL, ctrl);
    set(VK_LCONTROL, ctrl);
    set(VK_MENU, alt);
    set(VK_LMENU, alt);
    set(VK_SHIFT, shift);
    set(VK_LSHIFT, shift);
    SetKeyboardState(state);
}

ModifierKeys::~ModifierKeys() {
    SetKeyboardState(m_before);
}
