// Help dialog: the ideal test conditions.
#pragma once

#include "ui/ColorText.h"
#include "ui/Dialog.h"
#include "ui/GroupBox.h"
#include "ui/Picture.h"

class CHeadsetDlg : public CDialog {
public:
    explicit CHeadsetDlg(CWnd* parent);
    void CreateControls() override;
    bool OnInitDialog() override;

private:
    CPicture m_picture;    // 1073
    CGroupBox m_frame1;    // 1048
    CGroupBox m_frame2;    // 1049
    CGroupBox m_frame3;    // 1050
    CColorText m_speakers; // 1026
    CColorText m_micro;    // 1027
    CColorText m_room;     // 1028
};
