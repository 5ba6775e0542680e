// Virtual key codes and the toolkit's keys, both ways.
#include "ui/Private.h"
#include "ui/WinDefs.h"

namespace uiimpl {

namespace {

struct KeyPair {
    int key;
    plat::UINT vk;
};

// Keys outside the letter, digit and function-key runs. Where two keys give
// one code, the first is the one a code turns back into.
constexpr KeyPair kKeys[] = {
    {Qt::Key_Escape, VK_ESCAPE},   {Qt::Key_Return, VK_RETURN}, {Qt::Key_Enter, VK_RETURN},
    {Qt::Key_Tab, VK_TAB},         {Qt::Key_Backtab, VK_TAB},   {Qt::Key_Backspace, VK_BACK},
    {Qt::Key_Space, VK_SPACE},     {Qt::Key_Left, VK_LEFT},     {Qt::Key_Up, VK_UP},
    {Qt::Key_Right, VK_RIGHT},     {Qt::Key_Down, VK_DOWN},     {Qt::Key_PageUp, 0x21},
    {Qt::Key_PageDown, 0x22},      {Qt::Key_End, 0x23},         {Qt::Key_Home, 0x24},
    {Qt::Key_Insert, 0x2D},        {Qt::Key_Delete, 0x2E},      {Qt::Key_Shift, VK_SHIFT},
    {Qt::Key_Control, VK_CONTROL}, {Qt::Key_Alt, VK_MENU},
};

} // namespace

plat::UINT VirtualKey(int key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return static_cast<plat::UINT>('A' + (key - Qt::Key_A));
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return static_cast<plat::UINT>('0' + (key - Qt::Key_0));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return VK_F1 + static_cast<plat::UINT>(key - Qt::Key_F1);
    for (const KeyPair& k : kKeys)
        if (k.key == key)
            return k.vk;
    return 0;
}

Qt::Key ToolkitKey(plat::UINT vk) {
    if (vk >= 'A' && vk <= 'Z')
        return static_cast<Qt::Key>(Qt::Key_A + static_cast<int>(vk - 'A'));
    if (vk >= '0' && vk <= '9')
        return static_cast<Qt::Key>(Qt::Key_0 + static_cast<int>(vk - '0'));
    if (vk >= VK_F1 && vk < VK_F1 + 24)
        return static_cast<Qt::Key>(Qt::Key_F1 + static_cast<int>(vk - VK_F1));
    for (const KeyPair& k : kKeys)
        if (k.vk == vk)
            return static_cast<Qt::Key>(k.key);
    return Qt::Key_unknown;
}

} // namespace uiimpl
