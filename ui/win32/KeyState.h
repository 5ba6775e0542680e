// Holds Ctrl, Alt and Shift down in the thread's keyboard state for its life
// (what GetKeyState answers), so a key sent by a test carries its modifiers.
#pragma once

class ModifierKeys {
public:
    ModifierKeys(bool ctrl, bool alt, bool shift);
    ~ModifierKeys();
    ModifierKeys(const ModifierKeys&) = delete;
    ModifierKeys& operator=(const ModifierKeys&) = delete;

private:
    unsigned char m_before[256];
};
