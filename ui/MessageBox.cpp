#include "ui/MessageBox.h"

#include "ui/WinApp.h"
#include "ui/Wnd.h"

int AfxMessageBox(int& argc, char** argv, const std::string& text, plat::UINT type) {
    CGuiSession session(argc, argv);
    // A window that was never created owns nothing: the box has no parent.
    CWnd none;
    return none.MessageBox(text, "Pelmora", type);
}
