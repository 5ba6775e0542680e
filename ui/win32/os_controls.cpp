// The records of the system's controls (list view, image list, tool-tip) and
// the message box.
#include <windows.h>

#include <commctrl.h>

#include "ui/win32/WinCalls.h"
#include "ui/win32/os_bitmap.h"

#include <algorithm>

namespace win {

namespace {
wchar_t* W(const std::u16string& s) {
    return const_cast<wchar_t*>(reinterpret_cast<const wchar_t*>(s.c_str()));
}
} // namespace

int ListInsertColumn(Handle list, int column, const std::u16string& heading, int format,
                     int width) {
    LVCOLUMNW c{};
    c.mask = LVCF_TEXT | LVCF_FMT | LVCF_SUBITEM | (width >= 0 ? LVCF_WIDTH : 0);
    c.fmt = format;
    c.cx = width;
    c.pszText = W(heading);
    c.iSubItem = column;
    return static_cast<int>(SendMessageW(static_cast<HWND>(list), LVM_INSERTCOLUMNW,
                                         static_cast<WPARAM>(column),
                                         reinterpret_cast<LPARAM>(&c)));
}

int ListInsertItem(Handle list, int index, const std::u16string& text, int image) {
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = index;
    item.pszText = W(text);
    item.iImage = image;
    return static_cast<int>(
        SendMessageW(static_cast<HWND>(list), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

bool ListSetItemText(Handle list, int item, int subItem, const std::u16string& text) {
    LVITEMW i{};
    i.iSubItem = subItem;
    i.pszText = W(text);
    return SendMessageW(static_cast<HWND>(list), LVM_SETITEMTEXTW, static_cast<WPARAM>(item),
                        reinterpret_cast<LPARAM>(&i)) != FALSE;
}

std::u16string ListGetItemText(Handle list, int item, int subItem) {
    std::u16string text(1024, u'\0');
    LVITEMW i{};
    i.iSubItem = subItem;
    i.pszText = reinterpret_cast<wchar_t*>(text.data());
    i.cchTextMax = static_cast<int>(text.size());
    const auto n = SendMessageW(static_cast<HWND>(list), LVM_GETITEMTEXTW,
                                static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&i));
    text.resize(static_cast<std::size_t>(n < 0 ? 0 : n));
    return text;
}

int ListGetItemImage(Handle list, int item) {
    LVITEMW i{};
    i.mask = LVIF_IMAGE;
    i.iItem = item;
    if (!SendMessageW(static_cast<HWND>(list), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&i)))
        return -1;
    return i.iImage;
}

void ListSetExtendedStyle(Handle list, unsigned style) {
    SendMessageW(static_cast<HWND>(list), LVM_SETEXTENDEDLISTVIEWSTYLE, style, style);
}

Handle CreateImageList(const unsigned int* pixels, int width, int height, int imageWidth) {
    if (pixels == nullptr || imageWidth <= 0 || width < imageWidth)
        return nullptr;
    const int count = width / imageWidth;
    HIMAGELIST images = ImageList_Create(imageWidth, height, ILC_COLOR32, count, 0);
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateTopDownBitmap(screen, width, height, &bits);
    ReleaseDC(nullptr, screen);
    auto* out = static_cast<unsigned int*>(bits);
    for (int i = 0; i < width * height; ++i) {
        const unsigned int p = pixels[i];
        const unsigned a = p >> 24;
        out[i] = (a << 24) | ((((p >> 16) & 0xFF) * a / 255) << 16) |
                 ((((p >> 8) & 0xFF) * a / 255) << 8) | ((p & 0xFF) * a / 255);
    }
    ImageList_Add(images, bitmap, nullptr);
    ::DeleteObject(bitmap);
    return images;
}

void DestroyImageList(Handle images) {
    if (images != nullptr)
        ImageList_Destroy(static_cast<HIMAGELIST>(images));
}

Handle CreateToolTip(Handle owner) {
    HWND tip =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                        static_cast<HWND>(owner), nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, 400);
    return tip;
}

void SetToolTipText(Handle tip, Handle tool, const std::u16string& text) {
    TOOLINFOW ti{};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = GetParent(static_cast<HWND>(tool));
    ti.uId = reinterpret_cast<UINT_PTR>(tool);
    ti.lpszText = W(text);
    SendMessageW(static_cast<HWND>(tip), TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    if (!text.empty())
        SendMessageW(static_cast<HWND>(tip), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

void SetToolTipActive(Handle tip, bool active) {
    SendMessageW(static_cast<HWND>(tip), TTM_ACTIVATE, active ? TRUE : FALSE, 0);
}

namespace {

// The captions the next box of this thread gets (the CBT hook sees it made).
thread_local const std::vector<std::pair<int, std::u16string>>* t_captions = nullptr;

// Gives the box's buttons their captions, each button as wide as the widest
// caption needs, laid out again from the right, the box grown when they no
// longer fit.
void RenameButtons(HWND box, const std::vector<std::pair<int, std::u16string>>& captions) {
    std::vector<HWND> buttons;
    HDC dc = GetDC(box);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(box, WM_GETFONT, 0, 0)));
    int width = 0;
    for (const auto& [id, text] : captions) {
        HWND button = GetDlgItem(box, id);
        if (button == nullptr)
            continue;
        SetWindowTextW(button, W(text));
        SIZE size{};
        GetTextExtentPoint32W(dc, W(text), static_cast<int>(text.size()), &size);
        width = std::max(width, static_cast<int>(size.cx) + 24);
        buttons.push_back(button);
    }
    SelectObject(dc, old);
    ReleaseDC(box, dc);
    if (buttons.empty())
        return;
    RECT first{};
    GetWindowRect(buttons.front(), &first);
    MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&first), 2);
    const int height = first.bottom - first.top;
    width = std::max(width, static_cast<int>(first.right - first.left));
    const int gap = 6;
    const int count = static_cast<int>(buttons.size());
    // The left margin of the first button on both sides.
    const int needed = 2 * first.left + count * width + (count - 1) * gap;
    RECT client{};
    GetClientRect(box, &client);
    if (needed > client.right) {
        RECT frame{};
        GetWindowRect(box, &frame);
        SetWindowPos(box, nullptr, 0, 0, frame.right - frame.left + needed - client.right,
                     frame.bottom - frame.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        GetClientRect(box, &client);
    }
    int x = client.right - first.left - count * width - (count - 1) * gap;
    for (HWND button : buttons) {
        MoveWindow(button, x, first.top, width, height, TRUE);
        x += width + gap;
    }
}

LRESULT CALLBACK WatchBoxes(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && t_captions != nullptr) {
        const auto* captions = t_captions;
        t_captions = nullptr; // the box once, not the windows it opens
        RenameButtons(reinterpret_cast<HWND>(wParam), *captions);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

int ShowMessageBox(Handle owner, const std::u16string& text, const std::u16string& caption,
                   unsigned type, const std::vector<std::pair<int, std::u16string>>& captions) {
    HHOOK hook = nullptr;
    if (!captions.empty()) {
        t_captions = &captions;
        hook = SetWindowsHookExW(WH_CBT, WatchBoxes, nullptr, GetCurrentThreadId());
    }
    const int answer =
        MessageBoxW(static_cast<HWND>(owner), W(text), W(caption), type | MB_SETFOREGROUND);
    if (hook != nullptr)
        UnhookWindowsHookEx(hook);
    t_captions = nullptr;
    return answer;
}

} // namespace win
