// Fonts, painting and reading back pixels with GDI.
#include <windows.h>

#include "ui/win32/WinCalls.h"
#include "ui/win32/os_bitmap.h"

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace win {

namespace {

COLORREF C(std::uint32_t color) {
    return static_cast<COLORREF>(color & 0xFFFFFF);
}

// A device context for measuring, kept for the program's life.
HDC MeasureDc() {
    static HDC dc = CreateCompatibleDC(nullptr);
    return dc;
}

int CALLBACK FoundFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM lParam) {
    *reinterpret_cast<bool*>(lParam) = true;
    return 0;
}

} // namespace

Handle CreateFontHandle(int height, int weight, bool italic, bool underline, bool strikeOut,
                        const std::u16string& face) {
    LOGFONTW lf{};
    lf.lfHeight = height;
    lf.lfWeight = weight;
    lf.lfItalic = italic ? TRUE : FALSE;
    lf.lfUnderline = underline ? TRUE : FALSE;
    lf.lfStrikeOut = strikeOut ? TRUE : FALSE;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = ANTIALIASED_QUALITY;
    const std::size_t n = std::min<std::size_t>(face.size(), LF_FACESIZE - 1);
    for (std::size_t i = 0; i < n; ++i)
        lf.lfFaceName[i] = static_cast<wchar_t>(face[i]);
    return CreateFontIndirectW(&lf);
}

void DeleteObject(Handle object) {
    if (object != nullptr)
        ::DeleteObject(static_cast<HGDIOBJ>(object));
}

bool FaceInstalled(const std::u16string& face) {
    if (face.empty() || face.size() >= LF_FACESIZE)
        return false;
    LOGFONTW lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    for (std::size_t i = 0; i < face.size(); ++i)
        lf.lfFaceName[i] = static_cast<wchar_t>(face[i]);
    bool found = false;
    EnumFontFamiliesExW(MeasureDc(), &lf, FoundFace, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

std::u16string FontFace(Handle font) {
    HDC dc = MeasureDc();
    HGDIOBJ old = SelectObject(dc, static_cast<HGDIOBJ>(font));
    wchar_t name[LF_FACESIZE] = {};
    const int n = GetTextFaceW(dc, LF_FACESIZE, name);
    SelectObject(dc, old);
    return std::u16string(reinterpret_cast<const char16_t*>(name),
                          static_cast<std::size_t>(n > 0 ? n - 1 : 0));
}

TextMetrics FontMetrics(Handle font) {
    HDC dc = MeasureDc();
    HGDIOBJ old = SelectObject(dc, static_cast<HGDIOBJ>(font));
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    return TextMetrics{tm.tmHeight, tm.tmAscent, tm.tmDescent, tm.tmInternalLeading};
}

int TextWidth(Handle font, std::u16string_view text) {
    if (text.empty())
        return 0;
    HDC dc = MeasureDc();
    HGDIOBJ old = SelectObject(dc, static_cast<HGDIOBJ>(font));
    SIZE size{};
    GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(text.data()),
                          static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    return size.cx;
}

Painter::Painter(Handle hwnd) : m_hwnd(hwnd), m_paint(new PAINTSTRUCT{}) {
    m_dc = BeginPaint(static_cast<HWND>(hwnd), static_cast<PAINTSTRUCT*>(m_paint));
    SetBkMode(static_cast<HDC>(m_dc), TRANSPARENT);
}

Painter::Painter(Handle hwnd, Handle dc) : m_hwnd(hwnd), m_dc(dc), m_paint(nullptr) {
    SetBkMode(static_cast<HDC>(m_dc), TRANSPARENT);
}

Painter::~Painter() {
    if (m_paint != nullptr) {
        EndPaint(static_cast<HWND>(m_hwnd), static_cast<PAINTSTRUCT*>(m_paint));
        delete static_cast<PAINTSTRUCT*>(m_paint);
    }
}

void Painter::Fill(int x, int y, int width, int height, std::uint32_t color) {
    if (width <= 0 || height <= 0)
        return;
    HBRUSH brush = CreateSolidBrush(C(color));
    RECT r{x, y, x + width, y + height};
    FillRect(static_cast<HDC>(m_dc), &r, brush);
    ::DeleteObject(brush);
}

void Painter::Frame(int x, int y, int width, int height, std::uint32_t color) {
    Fill(x, y, width, 1, color);
    Fill(x, y + height - 1, width, 1, color);
    Fill(x, y, 1, height, color);
    Fill(x + width - 1, y, 1, height, color);
}

void Painter::Line(int x1, int y1, int x2, int y2, std::uint32_t color) {
    HDC dc = static_cast<HDC>(m_dc);
    HPEN pen = CreatePen(PS_SOLID, 1, C(color));
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
    SetPixel(dc, x2, y2, C(color)); // both ends drawn, as the Qt painter draws them
    SelectObject(dc, old);
    ::DeleteObject(pen);
}

void Painter::Text(Handle font, std::uint32_t color, int x, int y, std::u16string_view text) {
    HDC dc = static_cast<HDC>(m_dc);
    HGDIOBJ old = SelectObject(dc, static_cast<HGDIOBJ>(font));
    SetTextColor(dc, C(color));
    SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    // Each character is put where the measure of the text puts it, so a text
    // takes the width it was measured at (Wine's anti-aliased drawing
    // otherwise runs a few pixels longer on a long line).
    const int count = static_cast<int>(text.size());
    const auto* chars = reinterpret_cast<const wchar_t*>(text.data());
    std::vector<INT> ends(text.size());
    SIZE size{};
    if (count > 0 && GetTextExtentExPointW(dc, chars, count, 0, nullptr, ends.data(), &size)) {
        for (std::size_t i = ends.size() - 1; i > 0; --i)
            ends[i] -= ends[i - 1];
        ExtTextOutW(dc, x, y, 0, nullptr, chars, static_cast<UINT>(count), ends.data());
    } else {
        TextOutW(dc, x, y, chars, count);
    }
    SelectObject(dc, old);
}

void Painter::Pixels(const unsigned int* pixels, int pixelsWidth, int pixelsHeight, int x, int y,
                     int width, int height) {
    if (pixels == nullptr || pixelsWidth <= 0 || pixelsHeight <= 0 || width <= 0 || height <= 0)
        return;
    HDC dc = static_cast<HDC>(m_dc);
    void* bits = nullptr;
    HBITMAP bitmap = CreateTopDownBitmap(dc, pixelsWidth, pixelsHeight, &bits);
    if (bitmap == nullptr)
        return;
    // AlphaBlend wants premultiplied colours.
    auto* out = static_cast<unsigned int*>(bits);
    for (int i = 0; i < pixelsWidth * pixelsHeight; ++i) {
        const unsigned int p = pixels[i];
        const unsigned a = p >> 24;
        const unsigned r = ((p >> 16) & 0xFF) * a / 255;
        const unsigned g = ((p >> 8) & 0xFF) * a / 255;
        const unsigned b = (p & 0xFF) * a / 255;
        out[i] = (a << 24) | (r << 16) | (g << 8) | b;
    }
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, bitmap);
    SetStretchBltMode(dc, HALFTONE);
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(dc, x, y, width, height, source, 0, 0, pixelsWidth, pixelsHeight, blend);
    SelectObject(source, old);
    DeleteDC(source);
    ::DeleteObject(bitmap);
}

Handle ColorBrush(std::uint32_t color) {
    static std::map<std::uint32_t, HBRUSH> brushes;
    HBRUSH& brush = brushes[color];
    if (brush == nullptr)
        brush = CreateSolidBrush(C(color));
    return brush;
}

void PrepareControlDc(Handle dc, std::uint32_t textColor) {
    SetBkMode(static_cast<HDC>(dc), TRANSPARENT);
    SetTextColor(static_cast<HDC>(dc), C(textColor));
}

bool ReadDrawItem(std::intptr_t lParam, DrawItem& item) {
    const auto* d = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (d == nullptr || d->CtlType != ODT_BUTTON)
        return false;
    item.hwnd = d->hwndItem;
    item.dc = d->hDC;
    item.pressed = (d->itemState & ODS_SELECTED) != 0;
    item.focused = (d->itemState & ODS_FOCUS) != 0;
    item.disabled = (d->itemState & ODS_DISABLED) != 0;
    return true;
}

Handle Owner(Handle hwnd) {
    return GetWindow(static_cast<HWND>(hwnd), GW_OWNER);
}

bool Capture(Handle hwnd, std::vector<std::uint32_t>& pixels, int& width, int& height) {
    HWND h = static_cast<HWND>(hwnd);
    if (h == nullptr || !::IsWindow(h))
        return false;
    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    // What the first paints asked to draw again (texts over buttons).
    RedrawWindow(h, nullptr, nullptr, RDW_ALLCHILDREN | RDW_UPDATENOW);
    RECT r{};
    GetClientRect(h, &r);
    width = r.right;
    height = r.bottom;
    if (width <= 0 || height <= 0)
        return false;
    HDC windowDc = GetDC(h);
    HDC memory = CreateCompatibleDC(windowDc);
    void* bits = nullptr;
    HBITMAP bitmap = CreateTopDownBitmap(windowDc, width, height, &bits);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, windowDc, 0, 0, SRCCOPY);
    GdiFlush();
    pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    const auto* in = static_cast<const std::uint32_t*>(bits);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const std::uint32_t p = in[i]; // 0x00RRGGBB
        pixels[i] = ((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16);
    }
    SelectObject(memory, old);
    ::DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(h, windowDc);
    return true;
}

HBITMAP CreateTopDownBitmap(HDC dc, int width, int height, void** bits) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    *bits = nullptr;
    return CreateDIBSection(dc, &bi, DIB_RGB_COLORS, bits, nullptr, 0);
}

} // namespace win
