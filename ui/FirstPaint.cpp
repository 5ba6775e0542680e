// What follows the first paint of the sheet: the program's icon.
#include "ui/Private.h"

namespace uiimpl {

void NoteSheetPainted() {
    static bool painted = false;
    if (painted)
        return;
    painted = true;
    // The sheet paints first, its page and controls right after in the same
    // pass, and the pass ends by flushing the window to the screen: a
    // zero-time timer runs after all that.
    QTimer::singleShot(0, [] { SetProgramIcon(); });
}

} // namespace uiimpl
