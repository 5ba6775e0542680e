// The application object: registers the fonts, builds the image list and runs
// the wizard sheet modally; the program ends when the sheet closes.
#pragma once

#include "ui/ImageList.h"
#include "ui/WinApp.h"

class CWizardApp : public CWinApp {
public:
    // Always false: the program ends after the wizard.
    bool InitInstance() override;

    // The four fonts of the pages (1119, 1121, 1122, 1123, code page 1252).
    static void RegisterFonts();
    // The three 16-pixel icons of bitmap 188: exclamation, tick, cross.
    bool CreateImageList();
    // Made when first asked for (page 2 shows it), not on the way to page 1.
    const CImageList& GetImageList();

    CImageList m_imageList;

private:
    bool m_imageListMade = false;
};

// The running application's image list; null when no CWizardApp exists.
const CImageList* GetAppImageList();
