// The toolkit side of CPropertySheet.
#pragma once

#include "ui/Button.h"
#include "ui/PropertySheet.h"

#include <QEvent>
#include <QObject>

// Shows every key message of the sheet and of the dialogs over it to the
// sheet's PreTranslateMessage before any window sees it.
class SheetKeyFilter : public QObject {
public:
    CPropertySheet* sheet = nullptr;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const QEvent* lastEvent = nullptr;
    quint64 lastTimestamp = 0;
    QEvent::Type lastType = QEvent::None;
};

struct CSheetPrivate {
    CPropertySheet* owner = nullptr;
    CWnd* parent = nullptr;
    SheetKeyFilter keys;
    bool inExec = false;
    void cancelRequested();
    // Where the separator above the button row is drawn.
    int separatorY() const { return owner->m_separatorY; }
};
