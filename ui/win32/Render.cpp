// RenderWindowToPng on Windows: the window's client area as it draws itself
// now, written as a PNG of stored (uncompressed) deflate blocks.
#include "ui/Render.h"

#include "ui/Wnd.h"
#include "ui/win32/Native.h"
#include "ui/win32/PngWriter.h"

bool RenderWindowToPng(const CWnd& wnd, const std::string& path, std::string& error) {
    std::vector<std::uint32_t> pixels;
    int width = 0;
    int height = 0;
    if (!wnd.HasWindow() || !win::Capture(wnd.GetSafeHwnd(), pixels, width, height)) {
        error = "the window does not exist";
        return false;
    }
    const std::string png = EncodePng(pixels, width, height);
    return WritePngFile(path, png, error);
}
