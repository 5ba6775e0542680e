// The run's texts: loaded once, and a language file that cannot be used is
// reported to the user.
#include "texts/UiTexts.h"

#include "ui/Wnd.h"

void LoadUiTexts() {
    // Once per run: a sheet initialised again, or the start of the run that
    // needed the texts before the sheet, keeps them and says nothing twice.
    if (UiTextsLoaded())
        return;
    LoadUiTextsFrom(LanguageFilesOfThisRun());
    if (!LanguageFileProblem().empty()) {
        CWnd owner;
        owner.MessageBox(LanguageFileProblem(), "", MB_OK | MB_ICONWARNING);
    }
}
