// render_gallery OUTDIR: a two-page wizard holding every control of the
// framework, walked from its first page to Finish on the Windows
// realisation; each page is written as OUTDIR/gallery_page<N>.png and the
// help dialog as gallery_dialog.png. For reviewing the look under Wine.
#include "ui/Button.h"
#include "ui/CheckBox.h"
#include "ui/ColorText.h"
#include "ui/ComboBox.h"
#include "ui/Edit.h"
#include "ui/Font.h"
#include "ui/GroupBox.h"
#include "ui/ImageList.h"
#include "ui/LevelMeter.h"
#include "ui/ListCtrl.h"
#include "ui/Picture.h"
#include "ui/PropertyPage.h"
#include "ui/PropertySheet.h"
#include "ui/Render.h"
#include "ui/SliderCtrl.h"
#include "ui/Testing.h"
#include "ui/WinApp.h"

#include <cstdio>
#include <string>

namespace {

class Controls : public CPropertyPage {
public:
    Controls() : CPropertyPage(104) {}
    void CreateControls() override {
        frame.Create(this, 1000, "Listening");
        test.Create(this, 1001);
        caption.Create(this, 1002, "Test");
        speaker.Create(this, 1003);
        check.Create(this, 1004, "Remember this card");
        combo.Create(this, 1005);
        volume.Create(this, 1006);
        meter.Create(this, 1007);
        title.Create(this, 1008, "Set the volume you like");
        wrapped.Create(this, 1009,
                       "A longer text breaks at its blanks to stay inside the width it is given, "
                       "as the pages' notices do.");
    }
    bool OnInitDialog() override {
        title.SetFontId(1123);
        title.SetColor(RGB(0x00, 0x62, 0x1C));
        title.MoveWindow(20, 10, 0, 0);
        frame.MoveWindow(20, 45, 220, 120);
        test.MoveWindow(40, 70, 80, 30);
        caption.SetFontId(1122);
        caption.MoveWindow(40 + (80 - caption.GetTextSize().cx) / 2, 75, 0, 0);
        speaker.SetIcon(184, 27, 20);
        speaker.SetTooltipText("Click here to listen to the left speaker ");
        speaker.MoveWindow(140, 70, 40, 30);
        check.MoveWindow(40, 120, 180, 20);
        combo.MoveWindow(260, 50, 200, 150);
        for (const char* name : {"Zo\xE9", "anna", "Bruno"})
            combo.AddString(name);
        combo.SetCurSel(0);
        volume.SetRange(0, 10000);
        volume.SetPageSize(1000);
        volume.SetPos(6500);
        volume.MoveWindow(260, 90, 200, 30);
        meter.MoveWindow(260, 135, 200, 20);
        meter.SetRange(0, 100);
        meter.SetTargetZone(55, 80);
        meter.SetPos(70);
        meter.SetPeak(85);
        meter.SetClipped();
        wrapped.SetWrapWidth(440);
        wrapped.MoveWindow(20, 190, 0, 0);
        return true;
    }
    bool OnSetActive() override {
        GetParentSheet()->SetWizardButtons(PSWIZB_NEXT);
        return true;
    }
    CGroupBox frame;
    CButton test;
    CColorText caption;
    CButton speaker;
    CCheckBox check;
    CComboBox combo;
    CSliderCtrl volume;
    CLevelMeter meter;
    CColorText title;
    CColorText wrapped;
};

class Lists : public CPropertyPage {
public:
    Lists() : CPropertyPage(105) {}
    void CreateControls() override {
        list.Create(this, 1100);
        name.Create(this, 1101, "Jos\xE9");
        picture.Create(this, 1102, 170);
    }
    bool OnInitDialog() override {
        images.Create(188, 16, 0, 0x808000);
        list.MoveWindow(20, 20, 300, 120);
        list.SetImageList(&images);
        list.InsertColumn(0, "Test", LVCFMT_LEFT, 200);
        list.InsertColumn(1, "Result", LVCFMT_LEFT, 90);
        const char* rows[][2] = {
            {"Playback", "passed"}, {"Recording", "failed"}, {"Mixer", "check"}};
        for (int i = 0; i < 3; ++i) {
            list.InsertItem(i, rows[i][0], i == 0 ? 1 : (i == 1 ? 2 : 0));
            list.SetItemText(i, 1, rows[i][1]);
        }
        name.MoveWindow(20, 160, 200, 23);
        picture.MoveWindow(340, 20, 140, 160);
        return true;
    }
    bool OnSetActive() override {
        GetParentSheet()->SetWizardButtons(PSWIZB_BACK | PSWIZB_FINISH);
        return true;
    }
    CImageList images;
    CListCtrl list;
    CEdit name;
    CPicture picture;
};

class Help : public CDialog {
public:
    Help() : CDialog(166) { SetTemplate("Connections"); }
    void CreateControls() override {
        text.Create(this, 1200, "Plug the headset in.\nThen press OK.");
    }
    bool OnInitDialog() override {
        text.MoveWindow(10, 10, 0, 0);
        return true;
    }
    CColorText text;
};

bool Save(const CWnd& wnd, const std::string& path) {
    uitest::ProcessEvents(200);
    std::string error;
    if (!RenderWindowToPng(wnd, path, error)) {
        std::fprintf(stderr, "render_gallery: %s\n", error.c_str());
        return false;
    }
    std::printf("%s\n", path.c_str());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: render_gallery OUTDIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    CGuiSession gui;
    LOGFONT lf;
    lf.lfFaceName = "Arial";
    lf.lfHeight = 14;
    CFontRegistry::Register(1121, 1252, lf);
    lf.lfHeight = 16;
    lf.lfWeight = 700;
    CFontRegistry::Register(1122, 1252, lf);
    lf.lfHeight = 22;
    CFontRegistry::Register(1123, 1252, lf);
    Controls first;
    Lists second;
    CPropertySheet sheet("Gallery");
    sheet.AddPage(&first);
    sheet.AddPage(&second);
    sheet.SetWizardMode();
    if (!sheet.Create())
        return 1;
    bool ok = Save(sheet, dir + "/gallery_page1.png");
    sheet.PressButton(ID_WIZNEXT);
    ok = Save(sheet, dir + "/gallery_page2.png") && ok;
    CDialog::SetModalHook([&](CDialog& dialog) {
        ok = Save(dialog, dir + "/gallery_dialog.png") && ok;
        dialog.EndDialog(IDOK);
    });
    Help help;
    help.DoModal();
    sheet.PressButton(ID_WIZFINISH);
    const bool finished = !sheet.IsOpen() && sheet.GetResult() == ID_WIZFINISH;
    std::printf("finished: %s\n", finished ? "yes" : "no");
    return ok && finished ? 0 : 1;
}
