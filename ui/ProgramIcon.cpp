// The program's icon: the icon theme's "pelmora" where the desktop's theme
// has it, else the sizes embedded from resources/icons/hicolor; set on the
// windows once the first one is on the screen.
#include "ui/Private.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QIcon>

namespace uiimpl {

QIcon ProgramIcon() {
    QIcon embedded;
    const QDir sizes(QStringLiteral(":/icons/hicolor"));
    for (const QString& size : sizes.entryList(QDir::Dirs, QDir::Name)) {
        const QString file = sizes.filePath(size + QStringLiteral("/apps/pelmora.png"));
        if (QFile::exists(file))
            embedded.addFile(file);
    }
    return QIcon::fromTheme(QStringLiteral("pelmora"), embedded);
}

void SetProgramIcon() {
    static bool set = false;
    if (set || QCoreApplication::instance() == nullptr)
        return;
    set = true;
    QApplication::setWindowIcon(ProgramIcon());
}

} // namespace uiimpl
