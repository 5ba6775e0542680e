// Help dialog: how to plug the headset into the sound card.
#pragma once

#include "ui/ColorText.h"
#include "ui/Dialog.h"
#include "ui/GroupBox.h"
#include "ui/Picture.h"

class CConnectionsDlg : public CDialog {
public:
    explicit CConnectionsDlg(CWnd* parent);
    void CreateControls() override;
    bool OnInitDialog() override;

private:
    CPicture m_headset;    // 1072
    CGroupBox m_frameMic;  // 1083
    CGroupBox m_frameHead; // 1084
    CPicture m_micPlug;    // 1070
    CPicture m_headPlug;   // 1071
    CColorText m_title;    // 1079
    CColorText m_where;    // 1115
    CColorText m_mic;      // 1080
    CColorText m_phones;   // 1081
    CColorText m_note;     // 1082
};
