#include "app/WizardApp.h"

#include "app/PropSheet.h"
#include "app/RunStart.h"
#include "platform/system/trace.h"
#include "ui/Font.h"

namespace {

constexpr int kCodePage = 1252;

void RegisterFont(int id, const char* face, int height, bool underline) {
    LOGFONT lf;
    lf.lfHeight = height;
    lf.lfWidth = 0;
    lf.lfEscapement = 0;
    lf.lfOrientation = 0;
    lf.lfWeight = 400;
    lf.lfItalic = false;
    lf.lfUnderline = underline;
    lf.lfStrikeOut = false;
    lf.lfCharSet = 1;
    lf.lfFaceName = face;
    CFontRegistry::Register(id, kCodePage, lf);
}

} // namespace

void CWizardApp::RegisterFonts() {
    RegisterFont(1119, "Courier New", 16, false);
    RegisterFont(1121, "Arial", 14, false);
    RegisterFont(1122, "Arial", 15, true);
    RegisterFont(1123, "Arial", 16, false);
}

bool CWizardApp::CreateImageList() {
    m_imageListMade = m_imageList.Create(188, 16, 0, 0x808000);
    return m_imageListMade;
}

const CImageList& CWizardApp::GetImageList() {
    if (!m_imageListMade)
        CreateImageList();
    return m_imageList;
}

bool CWizardApp::InitInstance() {
    // The toolkit has neither control containers nor 3-D statics to enable.
    RegisterFonts();
    CRunLock lock; // held until the sheet is gone
    if (!StartRun(lock))
        return false;
    // A second start brings this wizard to the front instead.
    const std::string endpoint = ActivationEndpoint();
    if (endpoint.empty() || !ListenForActivation(endpoint))
        TRACE_LOG(1, "WizardApp", __LINE__, "A second start cannot reach this one (%s)",
                  endpoint.c_str());
    CPropSheet sheet(nullptr);
    m_pMainWnd = &sheet;
    sheet.DoModal();
    m_pMainWnd = nullptr;
    return false;
}

const CImageList* GetAppImageList() {
    auto* app = dynamic_cast<CWizardApp*>(CWinApp::GetApp());
    return app == nullptr ? nullptr : &app->GetImageList();
}
