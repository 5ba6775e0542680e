#include "pages/PropPage2.h"

#include "pages/MeterScale.h"
#include "pages/PageLabels.h"
#include "pages/SheetServices.h"
#include "platform/files/directories.h"
#include "platform/files/paths.h"
#include "platform/text/text_encoding.h"
#include "texts/SoundNotice.h"
#include "texts/UiTexts.h"
#include "ui/Font.h"
#include "ui/PropertySheet.h"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

namespace {

constexpr int kFont = 1121;
constexpr int kButtonFont = 1123;
constexpr COLORREF kDarkBlue = 0x540000;
constexpr COLORREF kBlue = 0xB80000;
constexpr COLORREF kPurple = 0xAF37AF;
constexpr COLORREF kListBackground = 0xFFF5F5;
// The frames' width; the Test button and how far its caption keeps from its
// edges.
constexpr int kFrameWidth = 465;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 40;
constexpr int kButtonInset = 4;
// The device lists: their ids, a row's height, and the room for the arrow
// and the edges beside an entry's text.
constexpr int kMicrophoneLabel = 1200;
constexpr int kMicrophones = 1201;
constexpr int kSpeakersLabel = 1202;
constexpr int kSpeakers = 1203;
constexpr int kComboHeight = 23;
constexpr int kRowHeight = kComboHeight + 4;
constexpr int kComboFrame = 34;
// The microphone's live level beside its list.
constexpr int kLevel = 1204;
constexpr int kLevelWidth = 80;
constexpr int kLevelHeight = 10;
constexpr int kLevelGap = 8;

const std::string& T(const char* key) {
    return UiText("PropP2", key);
}

int ImageOf(CPropPage2::Severity severity) {
    switch (severity) {
    case CPropPage2::kSuccessful:
    case CPropPage2::kAdjusted:
        return 1; // green tick
    case CPropPage2::kSoft:
        return 0; // red exclamation mark
    case CPropPage2::kSerious:
        break;
    }
    return 2; // red cross
}

const std::string& TextOf(CPropPage2::Severity severity) {
    switch (severity) {
    case CPropPage2::kSuccessful:
        return T("K13");
    case CPropPage2::kSoft:
        return T("K14");
    case CPropPage2::kAdjusted:
        return T("Adjusted");
    case CPropPage2::kSerious:
        break;
    }
    return T("K15");
}

// How much the wizard wants a microphone: an unmuted one before a muted one,
// then a headset's before any other and a built-in one last, then the default.
int Preference(const SheetDevice& device) {
    const int form = device.headset ? 2 : device.builtIn ? 0 : 1;
    return (device.muted ? 0 : 8) + form * 2 + (device.isDefault ? 1 : 0);
}

// Fills `box` with the devices' full names and selects the default one.
void FillList(CComboBox& box, const std::vector<SheetDevice>& devices) {
    box.ResetContent();
    for (std::size_t i = 0; i < devices.size(); ++i) {
        const int index = box.AddString(devices[i].description);
        if (devices[i].isDefault)
            box.SetCurSel(index);
    }
}

int WidestText(const CComboBox& box, const std::vector<SheetDevice>& devices) {
    int widest = 0;
    for (const SheetDevice& device : devices)
        widest = std::max(widest, box.GetTextExtent(device.description).cx);
    return widest;
}

// The name the user knows a changed mixer line by: the device of the list
// the line stands for (a mixer may cut its names at 31 or 63 characters),
// by the line's destination or by the line itself, else the line's name.
std::string ChangedDeviceName(const MixerLineChange& change,
                              const std::vector<SheetDevice>& devices) {
    for (const std::string* name : {&change.destination, &change.line})
        for (const SheetDevice& device : devices)
            if (!name->empty() && (device.description == *name ||
                                   (name->size() >= 31 && device.description.starts_with(*name))))
                return device.description;
    return change.line;
}

// A volume of 0..10000 in whole percent: "3 %".
std::string Percent(int volume) {
    return std::to_string((volume + 50) / 100) + " %";
}

} // namespace

CPropPage2::CPropPage2(CSheetServices& sheet)
    : CPropertyPage(105), m_sheet(&sheet), m_live(sheet, m_level) {}

void CPropPage2::CreateControls() {
    m_frameIntro.Create(this, 1052);
    m_frameResults.Create(this, 1051);
    m_test.Create(this, 1065);
    m_list.Create(this, 1024);
    m_intro.Create(this, 1029);
    m_instruction.Create(this, 1030);
    m_warning.Create(this, 1031);
    m_goOn.Create(this, 1094);
    m_caption.Create(this, 1090);
    m_testLabel.Create(this, 1108);
    m_microphoneLabel.Create(this, kMicrophoneLabel);
    m_microphones.CreateList(this, kMicrophones);
    m_speakersLabel.Create(this, kSpeakersLabel);
    m_speakers.CreateList(this, kSpeakers);
    m_level.Create(this, kLevel);
    // What names the controls for a screen reader: the text over the button,
    // the frame's title for the frame and the list in it.
    m_testLabel.SetLabelFor(m_test);
    m_caption.SetLabelFor(m_frameResults);
    m_caption.SetLabelFor(m_list);
    m_microphoneLabel.SetLabelFor(m_microphones);
    m_microphoneLabel.SetLabelFor(m_level);
    m_speakersLabel.SetLabelFor(m_speakers);
    BindCommand(1065, [this] { OnTest(); });
    BindCommand(
        kMicrophones, [this] { OnChooseDevice(true); }, CBN_SELCHANGE);
    BindCommand(
        kSpeakers, [this] { OnChooseDevice(false); }, CBN_SELCHANGE);
}

bool CPropPage2::OnInitDialog() {
    CPropertyPage::OnInitDialog();

    m_list.SetFont(CFontRegistry::Get(kFont, 1252));
    m_list.SetTextColor(kBlue);
    m_list.SetBkColor(kListBackground);
    m_list.SetTextBkColor(kListBackground);
    m_list.InsertColumn(0, T("K1"), LVCFMT_LEFT, 220);
    m_list.InsertColumn(1, T("K2"), LVCFMT_LEFT, 110);
    m_list.SetImageList(Sheet()->ImageList(), LVSIL_SMALL);

    // The texts wrap within the page, or 10 pixels inside their frames; the
    // button's caption within the button.
    const int right = GetPageWidth() - kPageMargin;
    const int inFrame = 10 + kFrameWidth - 10 - 20;
    const CSize intro = SetLabel(m_intro, T("K3"), kFont, kDarkBlue, right - 10);
    const CSize instruction = SetLabel(m_instruction, T("K4"), kFont, kBlue, inFrame);
    const CSize warning = SetLabel(m_warning, T("K5"), kFont, kBlue, right - 10);
    const CSize goOn = SetLabel(m_goOn, T("K6"), kFont, kDarkBlue, right - 10);
    const CSize caption = SetLabel(m_caption, T("K7"), kFont, kBlue, inFrame);
    const CSize label =
        SetLabel(m_testLabel, T("K1"), kButtonFont, kPurple, kButtonWidth - 2 * kButtonInset);
    const CSize microphoneLabel = SetLabel(m_microphoneLabel, T("Microphone"), kFont, kBlue);
    const CSize speakersLabel = SetLabel(m_speakersLabel, T("Speakers"), kFont, kBlue);

    m_frameIntro.SetWindowText("");
    m_frameResults.SetWindowText(CaptionGap(m_frameResults, caption.cx));

    // A caption of more than one line moves the frame's content down; a
    // button caption of more than one line makes the button higher.
    const int captionExtra = ExtraHeight(m_caption);
    const int buttonHeight = std::max(kButtonHeight, label.cy + 2 * kButtonInset);
    const int a = intro.cy + 10;
    const int y = a + 15 + instruction.cy + 20;
    const int content = y + captionExtra;
    const int frameHeight = std::max(145 + captionExtra, 48 + captionExtra + buttonHeight + 10);
    // The device lists under the results frame, one a row, after the wider
    // of their labels.
    const int rows = y + frameHeight + 5;
    const int b = rows + 2 * kRowHeight + 2;
    m_intro.MoveWindow(10, 5, intro.cx, intro.cy);
    m_frameIntro.MoveWindow(10, a, kFrameWidth, instruction.cy + 25);
    m_instruction.MoveWindow(20, a + 15, instruction.cx, instruction.cy);
    m_frameResults.MoveWindow(10, y, kFrameWidth, frameHeight);
    m_caption.MoveWindow(20, y, caption.cx, caption.cy);
    m_test.MoveWindow(25, content + 48, kButtonWidth, buttonHeight);
    m_testLabel.MoveWindow(25 + (kButtonWidth - label.cx) / 2,
                           content + 48 + (buttonHeight - label.cy) / 2, label.cx, label.cy);
    m_list.MoveWindow(120, content + 15, 345, 120);
    m_testedListTop = content + 20;
    const int comboLeft = 10 + std::max(microphoneLabel.cx, speakersLabel.cx) + 8;
    m_deviceRight = 10 + kFrameWidth;
    m_microphoneLabel.MoveWindow(10, rows + (kComboHeight - microphoneLabel.cy) / 2,
                                 microphoneLabel.cx, microphoneLabel.cy);
    m_speakersLabel.MoveWindow(10, rows + kRowHeight + (kComboHeight - speakersLabel.cy) / 2,
                               speakersLabel.cx, speakersLabel.cy);
    m_microphones.MoveWindow(comboLeft, rows, m_deviceRight - kLevelGap - kLevelWidth - comboLeft,
                             200);
    // The level meter on the scale and with the target zone of page 4's.
    m_level.SetRange(0, MeterPosOfDbfs(0));
    const MeterZone zone = SpeechMeterZone();
    m_level.SetTargetZone(zone.low, zone.high);
    PlaceLevel();
    m_speakers.MoveWindow(comboLeft, rows + kRowHeight, m_deviceRight - comboLeft, 200);
    // The warning goes before the run, the go-on hint comes after it: they
    // take the same place.
    m_warning.MoveWindow(10, b, warning.cx, warning.cy);
    m_goOn.MoveWindow(10, b, goOn.cx, goOn.cy);

    m_test.SetTooltipText(T("K8"), kFont);
    m_goOn.ShowWindow(SW_HIDE);
    return true;
}

bool CPropPage2::OnSetActive() {
    ShowLaterWarnings();
    // The lists follow the sound system from the first showing on (the
    // backend is made once the first page is up, not with the sheet).
    if (!m_watching) {
        m_watching = true;
        Sheet()->WatchDevices([this](const std::vector<SheetDevice>& devices) {
            // A run in progress lists the devices again when it ends; a closed
            // wizard shows nothing.
            if (m_testing || !GetParentSheet()->IsOpen())
                return;
            const std::pair<std::string, std::string> before = ChosenPair();
            ShowDevices(devices);
            // A device plugged or unplugged changed the pair: what was
            // tested is no longer what the wizard works on. Not while
            // another page plays or records on the pair.
            if (m_tested && ChosenPair() != before && GetParentSheet()->GetActivePage() == this)
                OnTest();
        });
    }
    m_shown = true;
    if (!m_testing)
        ShowDevices(Sheet()->Devices());
    CPropertySheet* sheet = GetParentSheet();
    // While a run waits for a busy device the buttons stay off; the run sets
    // them when it ends.
    if (!m_testing)
        sheet->SetWizardButtons(canGoOn ? PSWIZB_BACK | PSWIZB_NEXT : PSWIZB_BACK);
    if (CWnd* back = sheet->GetDlgItem(ID_WIZBACK)) {
        back->ShowWindow(SW_SHOW);
        back->SetWindowText(T("K9"));
    }
    return CPropertyPage::OnSetActive();
}

bool CPropPage2::OnKillActive() {
    Leave();
    return CPropertyPage::OnKillActive();
}

void CPropPage2::OnReset() {
    Leave();
    CPropertyPage::OnReset();
}

void CPropPage2::Leave() {
    m_shown = false;
    m_live.Stop();
}

void CPropPage2::FollowLevel() {
    const SheetDevice* chosen = CLiveLevel::Chosen(m_microphoneList);
    if (m_shown && !m_testing && chosen != nullptr && GetParentSheet()->IsOpen())
        m_live.Start(*chosen);
    else
        m_live.Stop();
}

void CPropPage2::PlaceLevel() {
    const CRect box = m_microphones.GetRectInParent();
    m_level.MoveWindow(box.right + kLevelGap, box.top + (kComboHeight - kLevelHeight) / 2,
                       kLevelWidth, kLevelHeight);
}

int CPropPage2::OnWizardBack() {
    const std::string temp = plat::GetTempPath();
    if (!temp.empty() && plat::FileExists(temp + "User.wav"))
        plat::DeleteFile(temp + "User.wav");
    return CPropertyPage::OnWizardBack();
}

void CPropPage2::InsertLine(int index, Severity severity, const std::string& text) {
    // Column 0 fits the widest line.
    m_widestLine = std::max(m_widestLine, m_list.GetStringWidth(text));
    m_list.SetColumnWidth(0, m_widestLine + 30);
    const int item = m_list.InsertItem(index, text, ImageOf(severity));
    m_list.SetItemText(item, 1, TextOf(severity));
}

void CPropPage2::AddResultLine(Severity severity, const std::string& text) {
    InsertLine(resultCount, severity, text);
    if (severity == kSerious) {
        canGoOn = false;
        seriousSeen = true;
    } else if (!seriousSeen) {
        canGoOn = true;
    }
    // A serious line leaves Back only; later lines of the same run keep it so.
    // During a run the buttons stay off until its end.
    if (!m_testing)
        GetParentSheet()->SetWizardButtons(canGoOn ? PSWIZB_BACK | PSWIZB_NEXT : PSWIZB_BACK);
    ++resultCount;
}

void CPropPage2::InsertWarningAtTop(const std::string& text) {
    InsertLine(0, kSoft, text);
    ++resultCount;
}

void CPropPage2::SetListTextColor(COLORREF color) {
    m_list.SetTextColor(color);
}

void CPropPage2::ShowLaterWarnings() {
    std::vector<CSheetServices::LaterWarning>& warnings = Sheet()->m_laterWarnings;
    for (const CSheetServices::LaterWarning& warning : warnings) {
        if (warning.listColor)
            SetListTextColor(*warning.listColor);
        InsertWarningAtTop(warning.text);
    }
    warnings.clear();
}

void CPropPage2::ShowDevices(const std::vector<SheetDevice>& devices) {
    m_microphoneList.clear();
    m_speakerList.clear();
    for (const SheetDevice& device : devices) {
        if (!device.input)
            m_speakerList.push_back(device);
        else if (!device.monitor)
            m_microphoneList.push_back(device);
    }
    if (!m_preselected && !m_microphoneList.empty()) {
        m_preselected = true;
        const auto best = std::max_element(m_microphoneList.begin(), m_microphoneList.end(),
                                           [](const SheetDevice& a, const SheetDevice& b) {
                                               return Preference(a) < Preference(b);
                                           });
        if (!best->isDefault) {
            std::string error;
            if (Sheet()->ChooseDevice(*best, error)) {
                for (SheetDevice& device : m_microphoneList)
                    device.isDefault = &device == &*best;
            } else {
                m_chooseError = error;
            }
        }
    }
    FillList(m_microphones, m_microphoneList);
    FillList(m_speakers, m_speakerList);
    FitDeviceList(m_microphones, m_microphoneList);
    FitDeviceList(m_speakers, m_speakerList);
    PlaceLevel();
    FollowLevel();
}

void CPropPage2::FitDeviceList(CComboBox& box, const std::vector<SheetDevice>& list) {
    // As wide as the longest name, up to the frame's right edge; a chosen
    // name cut there is shown whole in the list's tool-tip.
    const CRect rect = box.GetRectInParent();
    const int width = std::max(120, WidestText(box, list) + kComboFrame);
    // The microphone's list leaves room for its level.
    const int right =
        &box == &m_microphones ? m_deviceRight - kLevelGap - kLevelWidth : m_deviceRight;
    const int room = right - rect.left;
    box.MoveWindow(rect.left, rect.top, std::min(width, room), 200);
    box.EnableWindow(!list.empty() && !m_testing);
    const int chosen = box.GetCurSel();
    const std::string name = chosen >= 0 ? list[chosen].description : std::string();
    box.SetTooltipText(box.GetTextExtent(name).cx + kComboFrame > room ? name : "", kFont);
}

void CPropPage2::AddChangeLines(const std::vector<CMixerSetup::PreparedChange>& changes) {
    struct Changed {
        std::string name;
        bool unmuted = false;
        int before = -1, after = -1;
    };
    std::vector<Changed> devices;
    for (const CMixerSetup::PreparedChange& c : changes) {
        const std::string name = plat::DecodeText(
            ChangedDeviceName(c.change, c.recording ? m_microphoneList : m_speakerList));
        auto it = std::find_if(devices.begin(), devices.end(),
                               [&](const Changed& d) { return d.name == name; });
        if (it == devices.end())
            it = devices.insert(devices.end(), Changed{name});
        it->unmuted = it->unmuted || c.change.unmuted;
        if (c.change.volumeBefore >= 0) {
            if (it->before < 0)
                it->before = c.change.volumeBefore;
            it->after = c.change.volumeAfter;
        }
    }
    for (const Changed& d : devices) {
        std::string what = d.unmuted ? plat::DecodeText(T("Unmuted")) : std::string();
        if (d.before >= 0 && Percent(d.before) != Percent(d.after))
            what +=
                (what.empty() ? "" : ", ") + FormatUiText(plat::DecodeText(T("VolumeChanged")),
                                                          {Percent(d.before), Percent(d.after)});
        if (!what.empty())
            AddResultLine(kAdjusted, FormatUiText(plat::DecodeText(T("Changed")), {d.name, what}));
    }
}

void CPropPage2::AddNarrowBandLines(const SheetDevice& microphone) {
    // Half the rate is the highest sound it carries; an untold hands-free
    // rate is the 8 kHz of the profile's first codec.
    const unsigned rate = microphone.rate > 0 ? microphone.rate : 8000;
    char top[16];
    std::snprintf(top, sizeof top, "%.2g", rate / 2000.0);
    AddResultLine(
        kSoft, FormatUiText(plat::DecodeText(T(microphone.handsFree ? "HandsFree" : "NarrowBand")),
                            {plat::DecodeText(microphone.description), top}));
    AddResultLine(kSoft, plat::DecodeText(T("NarrowBandAdvice")));
}

std::pair<std::string, std::string> CPropPage2::ChosenPair() const {
    auto chosen = [](const std::vector<SheetDevice>& list) {
        const auto it = std::find_if(list.begin(), list.end(),
                                     [](const SheetDevice& d) { return d.isDefault; });
        return it == list.end() ? std::string() : it->id;
    };
    return {chosen(m_microphoneList), chosen(m_speakerList)};
}

void CPropPage2::OnChooseDevice(bool input) {
    CComboBox& box = input ? m_microphones : m_speakers;
    std::vector<SheetDevice>& list = input ? m_microphoneList : m_speakerList;
    const int index = box.GetCurSel();
    if (m_testing || index < 0 || index >= static_cast<int>(list.size()) || list[index].isDefault)
        return;
    std::string error;
    if (Sheet()->ChooseDevice(list[index], error)) {
        for (SheetDevice& device : list)
            device.isDefault = &device == &list[index];
    } else {
        m_chooseError = error;
        FillList(box, list); // back to the device the wizard works on
    }
    FitDeviceList(box, list);
    FollowLevel();
    if (m_tested || !m_chooseError.empty())
        OnTest();
}

void CPropPage2::OnTest() {
    // The survey waits for busy devices while dispatching messages: a second
    // click, Back or Next must not act on a half-done run.
    if (m_testing)
        return;
    m_testing = true;
    CPropertySheet* sheet = GetParentSheet();
    CSheetServices& services = *Sheet();
    m_test.EnableWindow(false);
    m_microphones.EnableWindow(false);
    m_speakers.EnableWindow(false);
    sheet->SetWizardButtons(0);
    // The test opens the microphone: its live level frees it until the end.
    m_live.Stop();

    std::string noTempDir;
    const std::string temp = plat::GetTempPath(&noTempDir);
    m_list.DeleteAllItems();
    resultCount = 0;
    m_widestLine = 0;
    seriousSeen = false;
    if (!m_chooseError.empty()) {
        AddResultLine(kSoft, m_chooseError);
        m_chooseError.clear();
    }
    // Without a microphone the recording side is one line the user
    // understands, and nothing on it is called successful.
    const bool noMicrophone = m_microphoneList.empty();
    if (noMicrophone)
        AddResultLine(kSerious, T("NoMicrophone"));

    // The snapshot goes to disk only where no other user can reach it; in
    // memory it serves Cancel and Finish in any case.
    CMixerSetup& mixer = services.Mixer();
    if (!mixer.SaveSnapshot(temp.empty() ? std::string() : temp + "Mixer.ser"))
        AddResultLine(kSoft, temp.empty() ? noTempDir + " (" + mixer.GetErrorText() + ")"
                                          : mixer.GetErrorText());
    const bool recordingReady = mixer.PrepareRecording() != 0;
    if (!recordingReady && !noMicrophone)
        AddResultLine(kSerious, mixer.GetErrorText());
    const bool playbackReady = mixer.PreparePlayback() != 0;
    if (!playbackReady)
        AddResultLine(kSerious, mixer.GetErrorText());

    std::vector<std::string> input;
    std::vector<std::string> output;
    CAudioEngine& engine = services.AudioEngine();
    const bool surveyed = engine.TestSoundCard(input, output) != 0;
    if (!surveyed && !noMicrophone)
        AddResultLine(kSerious, engine.GetLastError());
    // The virtual card answers every test: without a word here the user would
    // read "Successful" over a card that plays nothing.
    if (services.VirtualCardIsFallback())
        AddResultLine(kSoft, NoRealDeviceText());
    // Nothing is called successful on a side a serious line is about.
    bool recordingFine = !noMicrophone && recordingReady && surveyed;
    // With a headset beside the built-in card the user must know which one
    // is being tested; a sound system that found no microphone says so once.
    std::string microphone, speakers;
    if (!noMicrophone && services.ChosenDevices(microphone, speakers)) {
        if (microphone.empty()) {
            AddResultLine(kSerious, T("NoMicrophone"));
            recordingFine = false;
        } else if (recordingFine) {
            AddResultLine(kSuccessful, ChosenDevicesLine(microphone, speakers));
        }
    }
    AddChangeLines(mixer.GetPreparedChanges());
    if (const SheetDevice* chosen = CLiveLevel::Chosen(m_microphoneList);
        chosen && chosen->NarrowBand())
        AddNarrowBandLines(*chosen);

    if (!noMicrophone) {
        if (!input.empty()) {
            AddResultLine(kSoft, T("K10"));
            for (const std::string& format : input)
                AddResultLine(kSoft, format);
        } else if (recordingFine) {
            AddResultLine(kSuccessful, T("K11"));
        }
    }
    // A survey that stopped (without any input device it stops at its first
    // question) asked nothing of the rest.
    if (!output.empty()) {
        AddResultLine(kSoft, T("K10"));
        for (const std::string& format : output)
            AddResultLine(kSoft, format);
    } else if (playbackReady && surveyed) {
        AddResultLine(kSuccessful, T("K12"));
    }

    m_test.ShowWindow(SW_HIDE);
    m_test.EnableWindow(true);
    // The list takes the button's place, below the frame's caption.
    m_list.MoveWindow(20, m_testedListTop, 445, 115);
    m_warning.ShowWindow(SW_HIDE);
    m_testLabel.ShowWindow(SW_HIDE);
    // Next stays off after a serious line: the hint says what to do instead.
    const CRect goOn = m_goOn.GetRectInParent();
    const CSize hint = SetLabel(m_goOn, T(canGoOn ? "K6" : "ChooseOther"), kFont, kDarkBlue,
                                GetPageWidth() - kPageMargin - 10);
    m_goOn.MoveWindow(goOn.left, goOn.top, hint.cx, hint.cy);
    m_goOn.ShowWindow(SW_SHOW);
    m_testing = false;
    m_tested = true;
    // The devices may have changed while the run waited for a busy one.
    ShowDevices(services.Devices());
    // Back only when a serious line was added. (The wizard may have been
    // cancelled meanwhile: then the page is gone from view and left alone.)
    if (sheet->IsOpen() && sheet->GetActivePage() == this)
        sheet->SetWizardButtons(canGoOn ? PSWIZB_BACK | PSWIZB_NEXT : PSWIZB_BACK);
}
