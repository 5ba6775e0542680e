// The program's icon: the icon theme's "pelmora" where the desktop's theme
// has it, else the sizes embedded from resources/icons/hicolor.
#include "ui/Private.h"

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

} // namespace uiimpl
