// The completion page: writes the volumes the user settled on into the
// settings of one student of the installed product (Update), into the
// children's editions' "Tiko.ini" (Finish), and keeps the new mixer settings
// or puts the mixer back as it was (Finish).
#pragma once

#include "config/UserList.h"
#include "ui/Button.h"
#include "ui/CheckBox.h"
#include "ui/ColorText.h"
#include "ui/ComboBox.h"
#include "ui/GroupBox.h"
#include "ui/Picture.h"
#include "ui/PropertyPage.h"

#include <cstddef>
#include <string>
#include <vector>

class CSheetServices;

class CPropPage5 : public CPropertyPage {
public:
    explicit CPropPage5(CSheetServices& sheet);

    void CreateControls() override;
    bool OnInitDialog() override;
    bool OnSetActive() override;
    bool OnWizardFinish() override;

    // Command handlers of the check boxes and the Update button.
    void OnProductCheck();
    void OnTikoCheck();
    void OnWindowsCheck();
    void OnUpdate();

    // The product's "QRV.INI", or "" when the product is not installed (the
    // student controls are then hidden and the product box disabled).
    std::string GetProductIniPath();
    // The product's tag from its main settings file, "Unknown" without one.
    std::string GetProductTag();
    // The "Tiko.ini" files of the installed children's editions; enables the
    // children's-edition box when at least one edition is installed.
    void GetTikoIniList(std::vector<std::string>& list);
    // Reads the product's student list into the combo box; without students
    // the student controls go away with a message.
    void FillUserList();

    bool m_keepWindows = false; // mirrors check box 1120
    bool m_exportTiko = false;  // mirrors check box 1118

private:
    CSheetServices* Sheet() const { return m_sheet; }

    CSheetServices* m_sheet; // the services of the sheet that holds the page
    void ShowStudentControls(bool show);
    // The line under the boxes: what End does with the mixer.
    void ShowEndOutcome();
    // The student Update is for: the entry picked in the box, else the first
    // whose name is the typed one in any case; CUserList::npos for none.
    std::size_t ChosenStudent() const;

    std::string m_productIniPath;
    CUserList m_userList;
    std::vector<std::string> m_names;

    CPicture m_picture;       // 1063
    CGroupBox m_frame;        // 1062
    CColorText m_intro;       // 1042 K1
    CColorText m_productLine; // 1043 K2
    CColorText m_tikoLine;    // 1117 K3
    CColorText m_windowsLine; // 1119 K4
    CColorText m_endOutcome;  // 1130, under the Windows line
    CCheckBox m_product;      // 1006
    CCheckBox m_tiko;         // 1118
    CCheckBox m_windows;      // 1120
    CComboBox m_students;     // 1104
    CButton m_update;         // 1102
    CColorText m_updateLabel; // 1106 K8, over the Update button
    CColorText m_configured;  // 1097 K5
    CColorText m_retained;    // 1105 K6
    CColorText m_clickEnd;    // 1044 K7
};
