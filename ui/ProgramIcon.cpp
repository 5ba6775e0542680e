// The program's icon: the icon theme's "pelmora" where the desktop's theme
// has it, else the sizes the build decoded from resources/icons/hicolor (the
// files the package installs into the theme). The windows get the decoded
// sizes once the first one is on the screen, made without a PNG decoded or
// an icon plug-in looked for; the theme is asked a second later, when
// nobody waits for the window: loading the theme's index and Qt's icon
// engines takes 10 to 20 ms of the GUI thread.
#include "ui/Private.h"
#include "ui/pictures/EmbeddedPictures.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>

namespace uiimpl {

namespace {

constexpr int kThemeLookupDelayMs = 1000;

QIcon EmbeddedProgramIcon() {
    QIcon icon;
    for (int i = 0; i < kProgramIconCount; ++i) {
        const EmbeddedPicture& p = kProgramIcons[i];
        // The pixels stay the table's: the image is read-only.
        icon.addPixmap(QPixmap::fromImage(QImage(reinterpret_cast<const uchar*>(p.pixels), p.width,
                                                 p.height, p.width * 4, QImage::Format_ARGB32)));
    }
    return icon;
}

} // namespace

QIcon ProgramIcon() {
    return QIcon::fromTheme(QStringLiteral("pelmora"), EmbeddedProgramIcon());
}

void SetProgramIcon() {
    static bool set = false;
    if (set || QCoreApplication::instance() == nullptr)
        return;
    set = true;
    QApplication::setWindowIcon(EmbeddedProgramIcon());
    QTimer::singleShot(kThemeLookupDelayMs, QCoreApplication::instance(), [] {
        if (QIcon::hasThemeIcon(QStringLiteral("pelmora")))
            QApplication::setWindowIcon(ProgramIcon());
    });
}

} // namespace uiimpl
