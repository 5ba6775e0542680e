// The welcome page: what the wizard will do, two help dialogs, and the
// wizard's cancel clean-up.
#pragma once

#include "ui/Button.h"
#include "ui/ColorText.h"
#include "ui/GroupBox.h"
#include "ui/Picture.h"
#include "ui/PropertyPage.h"

class CSheetServices;

class CPropPage1 : public CPropertyPage {
public:
    explicit CPropPage1(CSheetServices& sheet);

    void CreateControls() override;
    bool OnInitDialog() override;
    bool OnSetActive() override;
    // The wizard's cancel clean-up: the reset notification reaches this page
    // on every cancel, whatever page is showing.
    void OnCancel() override;

    void OnAboutConnections();
    void OnAboutHeadset();
    // Shows the notice of the simulated card below the page's texts when the
    // virtual card stands in for missing hardware (known once the sound
    // system is chosen, which may be after the page is first shown).
    void ShowSimulatedNotice();

private:
    CSheetServices* Sheet() const { return m_sheet; }

    CSheetServices* m_sheet; // the services of the sheet that holds the page

    CPicture m_picture;     // 1047
    CGroupBox m_frameK2;    // 1011
    CGroupBox m_frameK3;    // 1017
    CButton m_connections;  // 1067
    CButton m_headset;      // 1066
    CColorText m_intro;     // 1010
    CColorText m_blockK2;   // 1013
    CColorText m_blockK3;   // 1012
    CColorText m_labelK4;   // 1087
    CColorText m_labelK5;   // 1088
    CColorText m_goOn;      // 1096
    CColorText m_simulated; // 1199: shown only when the virtual card stands in
    int m_noticeTop = 0;    // where it goes, below the last text
};
