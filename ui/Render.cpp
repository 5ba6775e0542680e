#include "ui/Render.h"

#include "ui/Private.h"
#include "ui/Wnd.h"

#include <QFile>
#include <QPixmap>

bool RenderWindowToPng(const CWnd& wnd, const std::string& path, std::string& error) {
    QWidget* widget = wnd.GetWidget();
    if (widget == nullptr) {
        error = "the window does not exist";
        return false;
    }
    const QPixmap picture = widget->grab();
    if (picture.isNull()) {
        error = "the window could not be drawn";
        return false;
    }
    if (!picture.save(QFile::decodeName(path.c_str()), "PNG")) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}
