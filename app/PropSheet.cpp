#include "app/PropSheet.h"

#include "mixer/MixerRun.h"

#include "app/WizardApp.h"
#include "platform/sound_backend.h"
#include "platform/sound_choice.h"
#include "platform/system/program.h"
#include "platform/system/trace.h"
#include "texts/SoundNotice.h"
#include "texts/UiTexts.h"
#include "ui/Button.h"
#include "ui/Font.h"

#include <ctime>
#include <iomanip>
#include <locale>
#include <sstream>

namespace {

// The date and time now, as the user's locale writes them.
std::string NowForUser() {
    const std::time_t now = std::time(nullptr);
    const std::tm local = *std::localtime(&now);
    std::ostringstream text;
    try {
        text.imbue(std::locale(""));
    } catch (const std::exception&) {
        // An unknown locale name in the environment: the classic one.
    }
    text << std::put_time(&local, "%x %X");
    return text.str();
}

} // namespace

CPropSheet::CPropSheet(CWnd* parent) : CPropertySheet("Wizard", parent, 0) {
    plat::LoadTraceLibrary();
    TRACE_LOG(0, "PropSheet", 28, "Lancement de Pelmora %s", NowForUser().c_str());
    AddPage(&m_page1);
    AddPage(&m_page2);
    AddPage(&m_page3);
    AddPage(&m_page4);
    AddPage(&m_page5);
    SetWizardMode();
    RegisterAcceleratorResource(IDR_ACCELERATORS,
                                {{FVIRTKEY | FCONTROL | FALT, 'T', ID_SHOW_TRACE_LIST}});
    m_hAccel = LoadAccelerators(IDR_ACCELERATORS);
    BindCommand(
        ID_SHOW_TRACE_LIST, [this] { OnShowTraceList(); }, 0);
}

CPropSheet::~CPropSheet() {
    // The trace goes first; the members follow in reverse order: the audio
    // engine, the mixer facade, pages 5 to 1.
    plat::UnloadTraceLibrary();
    // Stopping needs no backend: one not made yet is not made for it.
    if (m_watchingDevices)
        plat::CurrentSoundBackend().WatchDevices({});
}

void CPropSheet::RestoreMixer(CWnd& parent) {
    if (!m_mixerSetup.HasSnapshot())
        return;
    const std::string path = MixerSnapshotPath();
    if (!m_mixerSetup.RestoreSnapshot(path))
        parent.MessageBox(
            RestoreFailedText(m_mixerSetup.GetErrorText(), m_mixerSetup.SnapshotFile()), "",
            MB_OK | MB_ICONWARNING);
}

bool CPropSheet::OnInitDialog() {
    LoadUiTexts();
    const bool result = CPropertySheet::OnInitDialog();
    const CFont* font = CFontRegistry::Get(1121, 1252);

    CWnd* cancel = GetDlgItem(IDCANCEL);
    CWnd* next = GetDlgItem(ID_WIZNEXT);
    CWnd* back = GetDlgItem(ID_WIZBACK);
    CWnd* help = GetDlgItem(IDHELP);
    cancel->SetWindowText(UiText("PropSheet", "K1"));
    cancel->SetFont(font, true);
    next->SetFont(font);
    next->SetWindowText(UiText("PropSheet", "K2"));
    next->EnableWindow(true);
    back->SetFont(font);
    back->SetWindowText(" ");
    back->ShowWindow(SW_HIDE);
    help->ShowWindow(SW_HIDE);
    CRect place;
    help->GetWindowRect(place);
    ScreenToClient(place);
    cancel->MoveWindow(place, true);

    SetTabItemText(0, UiText("PropSheet", "K3") + " " + GetVersionText());
    SetTabItemText(1, UiText("PropSheet", "K4"));
    SetTabItemText(2, UiText("PropSheet", "K5"));
    SetTabItemText(3, UiText("PropSheet", "K6"));
    SetTabItemText(4, UiText("PropSheet", "K7"));
    ShowSoundChoice();
    return result;
}

void CPropSheet::OnFirstPaint() {
    std::weak_ptr<int> alive = m_deviceWatchToken;
    plat::AfterPendingSoundBackend([this, alive] {
        if (!alive.expired())
            OnSoundChosen();
    });
}

void CPropSheet::OnSoundChosen() {
    if (!IsOpen())
        return;
    WatchHeadsets();
    // The page is fitted again only when its notice comes or goes.
    if (plat::VirtualCardIsFallback() == m_fallbackShown)
        return;
    ShowSoundChoice();
    if (m_page1.HasWindow()) {
        m_page1.ShowSimulatedNotice();
        FitPageArea(&m_page1);
    }
}

void CPropSheet::ShowSoundChoice() {
    const std::string caption = UiText("PropSheet", "K3") + " " + GetVersionText();
    m_fallbackShown = plat::VirtualCardIsFallback();
    SetWindowText(m_fallbackShown ? caption + SimulatedCardTitleText() : caption);
}

std::string CPropSheet::GetVersionText() {
    // The build's product version stands for the executable's version
    // resource: none means no version information at all.
    const std::string version = plat::GetProductVersion();
    if (version.empty())
        return {};
    return UiText("PropSheet", "K8") + " " + version;
}

bool CPropSheet::PreTranslateMessage(const MSG& msg) {
    if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST)
        return m_hAccel != nullptr && TranslateAccelerator(this, m_hAccel, msg);
    return CPropertySheet::PreTranslateMessage(msg);
}

bool CPropSheet::VirtualCardIsFallback() const {
    return plat::VirtualCardIsFallback();
}

bool CPropSheet::ChosenDevices(std::string& microphone, std::string& speakers) const {
    return plat::CurrentSoundBackend().ChosenDevices(microphone, speakers);
}

namespace {

std::vector<SheetDevice> SheetDevices(const std::vector<plat::SoundDevice>& list) {
    std::vector<SheetDevice> devices;
    for (const plat::SoundDevice& d : list) {
        SheetDevice device;
        device.id = d.id;
        device.description = d.description;
        device.input = d.direction == plat::DeviceDirection::Input;
        device.monitor = d.monitor;
        device.muted = d.hasVolume && d.mute;
        device.headset = d.formFactor == plat::DeviceFormFactor::Headset ||
                         d.formFactor == plat::DeviceFormFactor::Usb ||
                         d.formFactor == plat::DeviceFormFactor::Bluetooth;
        device.builtIn = d.formFactor == plat::DeviceFormFactor::BuiltIn;
        device.isDefault = d.isDefault;
        device.rate = d.rate;
        device.handsFree = d.handsFree;
        devices.push_back(std::move(device));
    }
    return devices;
}

} // namespace

std::vector<SheetDevice> CPropSheet::Devices() {
    return SheetDevices(plat::CurrentSoundBackend().ListDevices());
}

void CPropSheet::WatchDevices(std::function<void(const std::vector<SheetDevice>&)> listener) {
    if (!listener)
        return;
    m_deviceListeners.push_back(std::move(listener));
    if (m_watchingDevices)
        return;
    m_watchingDevices = true;
    plat::CurrentSoundBackend().WatchDevices([this, token = std::weak_ptr<int>(m_deviceWatchToken)](
                                                 const std::vector<plat::SoundDevice>& list) {
        if (token.expired())
            return;
        const std::vector<SheetDevice> devices = SheetDevices(list);
        // A listener may begin another watch: that one hears the next list.
        const auto listeners = m_deviceListeners;
        for (const auto& listener : listeners)
            listener(devices);
    });
}

bool CPropSheet::SoundSystemGone() {
    return plat::CurrentSoundBackend().SoundSystemGone();
}

void CPropSheet::RefreshDevices() {
    plat::CurrentSoundBackend().RefreshDevices();
}

void CPropSheet::OnTimer(plat::UINT_PTR id) {
    if (id == kDeviceRefreshTimer && IsOpen())
        RefreshDevices();
    else
        CPropertySheet::OnTimer(id);
}

void CPropSheet::WatchHeadsets() {
    if (m_watchingHeadsets)
        return;
    m_watchingHeadsets = true;
    // Where the sound system tells of no plugging by itself, the lists are
    // read again now and then.
    SetTimer(kDeviceRefreshTimer, kDeviceRefreshMs);
    // What is there now is no news.
    m_headsetOffer.Update(Devices());
    WatchDevices([this](const std::vector<SheetDevice>& devices) { OnDevices(devices); });
}

void CPropSheet::OnDevices(const std::vector<SheetDevice>& devices) {
    if (!IsOpen() || !m_headsetOffer.Update(devices))
        return;
    if (m_headsetOffer.Offered().empty()) {
        HideNotice();
        return;
    }
    ShowNotice(
        PluggedInNoticeText(m_headsetOffer.Name()), UiText("PropSheet", "UseIt"),
        UiText("PropSheet", "NotNow"), [this] { UseOfferedHeadset(); },
        [this] { m_headsetOffer.Clear(); });
}

void CPropSheet::UseOfferedHeadset() {
    const std::vector<SheetDevice> offered = m_headsetOffer.Offered();
    const std::string name = m_headsetOffer.Name();
    m_headsetOffer.Clear();
    // Both sides of the headset, the output first; the watchers (page 2's
    // lists, a page playing) hear of the new choice.
    for (const SheetDevice& device : offered) {
        std::string error;
        if (!ChooseDevice(device, error)) {
            ShowNotice(NotChosenNoticeText(name, error), "", UiText("PropSheet", "NoticeClose"),
                       {});
            return;
        }
    }
}

bool CPropSheet::ChooseDevice(const SheetDevice& device, std::string& error) {
    // The first change the wizard makes to the user's devices may be this
    // choice (page 2 preselects a microphone before any test): the snapshot
    // is taken first, so Cancel puts the user's own defaults back.
    if (!m_mixerSetup.HasSnapshot() && !m_mixerSetup.SaveSnapshot(MixerSnapshotPath()))
        TRACE_LOG(1, "PropSheet", __LINE__, "%s", m_mixerSetup.GetErrorText().c_str());
    if (!plat::CurrentSoundBackend().ChooseDevice(device.input ? plat::DeviceDirection::Input
                                                               : plat::DeviceDirection::Output,
                                                  device.id, error))
        return false;
    // The device chosen after the snapshot is put back by Cancel too.
    if (!m_mixerSetup.AddToSnapshot())
        TRACE_LOG(1, "PropSheet", __LINE__, "%s", m_mixerSetup.GetErrorText().c_str());
    return true;
}

namespace {

// The backend's watch, with the backend it needs kept alive.
class CBackendLevelWatch final : public CSheetLevelWatch {
public:
    CBackendLevelWatch(std::shared_ptr<plat::SoundBackend> backend,
                       std::unique_ptr<plat::InputLevelWatch> watch)
        : m_backend(std::move(backend)), m_watch(std::move(watch)) {}

private:
    std::shared_ptr<plat::SoundBackend> m_backend;
    std::unique_ptr<plat::InputLevelWatch> m_watch; // goes first
};

} // namespace

std::unique_ptr<CSheetLevelWatch>
CPropSheet::WatchLevel(const SheetDevice& device, std::function<void(const SheetLevel&)> listener) {
    std::shared_ptr<plat::SoundBackend> backend = plat::CurrentSoundBackendShared();
    std::unique_ptr<plat::InputLevelWatch> watch = backend->WatchInputLevel(
        device.id, [listener = std::move(listener)](const plat::InputLevel& level) {
            listener({level.peak, level.ended});
        });
    return std::make_unique<CBackendLevelWatch>(std::move(backend), std::move(watch));
}

const CImageList* CPropSheet::ImageList() {
    return GetAppImageList();
}

void CPropSheet::OnShowTraceList() {
    plat::TraceShowTraceList();
}
