// The toolkit side of CPropertySheet.
#pragma once

#include "ui/Button.h"
#include "ui/PropertySheet.h"

#include <QEvent>
#include <QObject>

#include <memory>
#include <vector>

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
    std::vector<std::unique_ptr<CButton>> buttons;
    std::vector<bool> titleSet;
    CRect pageArea;
    int buttonWidth = 0; // the width of every button of the row
    bool inExec = false;
    void cancelRequested();
};
