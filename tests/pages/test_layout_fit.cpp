// Every page and both help dialogs, in each state whose layout differs
// (LayoutScenes), with every language file shipped in resources/lang, a file
// of long texts and the built-in English, drawn in Liberation Sans and in
// DejaVu Sans: no text is cut (a device list's chosen name shows whole or in
// its tool-tip, a result list's first column fits its widest line), none
// reaches past its frame, page or dialog,
// no control leaves its page, and no two texts or controls lie on each other
// except the labels laid on buttons and the captions laid on frames.
//
// The face comes from the font registry's substitutes, or for the System
// cases from the system: whatever face "Arial" resolves to, which must be the
// one PELMORA_LAYOUT_SYSTEM_FACE names (run so with FONTCONFIG_FILE naming a
// set of fonts), else Liberation Sans, Arial's stand-in where it is
// installed.
#include "SheetTestSuite.h"
#include "platform/system/trace.h"
#include "resources/ProgramResources.h"
#include "tests/pages/LayoutScenes.h"
#include "texts/UiTexts.h"
#include "ui/Button.h"
#include "ui/ColorText.h"
#include "ui/ComboBox.h"
#include "ui/Font.h"
#include "ui/GroupBox.h"
#include "ui/ListCtrl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

fs::path SourceDir() {
    const char* dir = std::getenv("PELMORA_SOURCE_DIR");
    return dir != nullptr ? fs::path(dir) : fs::path();
}

// "English" (the built-in texts), the long texts, and each shipped file.
std::vector<std::string> Languages() {
    std::vector<std::string> languages = {"English", "LongTexts"};
    std::error_code error;
    std::vector<std::string> shipped;
    for (const auto& entry : fs::directory_iterator(SourceDir() / "resources" / "lang", error))
        if (entry.path().extension() == ".INI")
            shipped.push_back(entry.path().stem().string());
    std::sort(shipped.begin(), shipped.end());
    languages.insert(languages.end(), shipped.begin(), shipped.end());
    return languages;
}

fs::path LanguageFile(const std::string& language) {
    if (language == "LongTexts")
        return SourceDir() / "tests" / "pages" / "data" / "long-texts.INI";
    return SourceDir() / "resources" / "lang" / (language + ".INI");
}

// The labels laid on buttons, and the captions laid on frames: label first.
const std::set<std::pair<int, int>> kLabelsOnButtons = {{1087, 1067}, {1088, 1066}, {1108, 1065},
                                                        {1109, 1001}, {1113, 1001}, {1110, 1004},
                                                        {1114, 1004}, {1106, 1102}};
const std::set<std::pair<int, int>> kCaptionsOnFrames = {{1090, 1051}, {1092, 1054}, {1093, 1058}};

bool Intersect(const CRect& a, const CRect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool Inside(const CRect& inner, const CRect& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

std::string Show(const CRect& r) {
    std::ostringstream out;
    out << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
    return out.str();
}

enum class Kind { Text, Frame, Control };

// A shown control: where its window lies, and where it draws (for a text,
// the size of its text from the window's corner).
struct Shown {
    const CWnd* wnd;
    int id;
    Kind kind;
    CRect box;
    CRect ink;
    std::string Name() const { return std::to_string(id); }
};

std::vector<Shown> ShownControls(const CWnd& window) {
    std::vector<Shown> shown;
    for (const CWnd* w = window.GetWindow(GW_CHILD); w != nullptr; w = w->GetWindow(GW_HWNDNEXT)) {
        if (!w->IsWindowVisible())
            continue;
        Shown s{w, w->GetDlgCtrlID(), Kind::Control, w->GetRectInParent(), w->GetRectInParent()};
        if (const auto* text = dynamic_cast<const CColorText*>(w)) {
            s.kind = Kind::Text;
            const CSize size = text->GetTextSize();
            s.ink = CRect{s.box.left, s.box.top, s.box.left + size.cx, s.box.top + size.cy};
        } else if (dynamic_cast<const CGroupBox*>(w) != nullptr) {
            s.kind = Kind::Frame;
        }
        shown.push_back(s);
    }
    return shown;
}

// What is wrong with the layout of one page or dialog; empty when nothing.
std::vector<std::string> LayoutFaults(const CWnd& window, const std::string& face) {
    std::vector<std::string> faults;
    auto fault = [&](const std::string& what) { faults.push_back(what); };
    CRect client;
    window.GetClientRect(client);
    const std::vector<Shown> shown = ShownControls(window);
    for (const Shown& s : shown) {
        if (!Inside(s.box, client))
            fault(s.Name() + " " + Show(s.box) + " reaches past " + Show(client));
        if (s.kind == Kind::Text) {
            const auto* text = static_cast<const CColorText*>(s.wnd);
            if (s.ink.Width() > s.box.Width() || s.ink.Height() > s.box.Height())
                fault(s.Name() + " is cut: its text needs " + Show(s.ink) + ", it has " +
                      Show(s.box));
            if (text->GetFont() == nullptr || text->GetFont()->GetTextFace() != face)
                fault(s.Name() + " is drawn in " +
                      (text->GetFont() ? text->GetFont()->GetTextFace() : "the dialog font"));
        }
        // A drop-down list shows its chosen entry whole, or its tool-tip
        // does.
        if (const auto* box = dynamic_cast<const CComboBox*>(s.wnd); box && box->GetCurSel() >= 0) {
            const std::string entry = box->GetLBText(box->GetCurSel());
            if (box->GetTextExtent(entry).cx + 20 > s.box.Width() && box->GetTooltipText() != entry)
                fault(s.Name() + " cuts \"" + entry + "\" and its tool-tip does not show it");
        }
        // A result list's first column is as wide as its widest line.
        if (const auto* list = dynamic_cast<const CListCtrl*>(s.wnd))
            for (int i = 0; i < list->GetItemCount(); ++i)
                if (list->GetStringWidth(list->GetItemText(i, 0)) > list->GetColumnWidth(0))
                    fault(s.Name() + "'s column 0 cuts \"" + list->GetItemText(i, 0) + "\"");
        // A push button's own text stays inside it, beside its symbol when
        // it has one.
        if (const auto* button = dynamic_cast<const CButton*>(s.wnd);
            button != nullptr && !button->GetWindowText().empty()) {
            const std::string text = button->GetWindowText();
            if (button->GetSymbolRoom() == 0 && button->GetTextExtent(text).cx > s.box.Width() - 4)
                fault(s.Name() + "'s text \"" + text + "\" is wider than it");
            const int room = button->CaptionRoom(s.box.Width());
            const CSize size = button->GetTextExtent(text, room);
            if (button->GetSymbolRoom() > 0 &&
                (size.cx > room || size.cy > s.box.Height() - 2 * CButton::kCaptionInset))
                fault(s.Name() + "'s text \"" + text + "\" does not fit beside its symbol");
        }
    }
    for (const Shown& frame : shown) {
        if (frame.kind != Kind::Frame)
            continue;
        // The frame's top line runs through the middle of its caption's line.
        const int topLine = frame.wnd->GetTextExtent(" ").cy / 2;
        const CRect inner{frame.box.left + 1, frame.box.top + topLine + 1, frame.box.right - 1,
                          frame.box.bottom - 1};
        for (const Shown& s : shown) {
            if (&s == &frame || !Intersect(s.ink, frame.box))
                continue;
            if (s.kind == Kind::Frame) {
                if (!Inside(s.box, inner) &&
                    !Inside(frame.box, CRect{s.box.left + 1, s.box.top + 1, s.box.right - 1,
                                             s.box.bottom - 1}))
                    fault("frames " + frame.Name() + " and " + s.Name() + " cross");
                continue;
            }
            if (kCaptionsOnFrames.count({s.id, frame.id}) != 0) {
                // On the top line, in the gap the frame's caption of blanks
                // leaves.
                const int gap = frame.wnd->GetTextExtent(frame.wnd->GetWindowText()).cx;
                if (!Inside(s.ink, CRect{frame.box.left + 6, frame.box.top,
                                         frame.box.left + 10 + gap, frame.box.bottom - 1}))
                    fault("caption " + s.Name() + " " + Show(s.ink) + " is not in the gap of " +
                          frame.Name() + " " + Show(frame.box));
                continue;
            }
            if (!Inside(s.ink, inner))
                fault(s.Name() + " " + Show(s.ink) + " crosses frame " + frame.Name() + " " +
                      Show(frame.box));
        }
    }
    for (std::size_t i = 0; i < shown.size(); ++i) {
        for (std::size_t j = i + 1; j < shown.size(); ++j) {
            const Shown& a = shown[i];
            const Shown& b = shown[j];
            if (a.kind == Kind::Frame || b.kind == Kind::Frame || !Intersect(a.ink, b.ink))
                continue;
            const bool aOnB = kLabelsOnButtons.count({a.id, b.id}) != 0;
            const bool bOnA = kLabelsOnButtons.count({b.id, a.id}) != 0;
            if (aOnB || bOnA) {
                const Shown& label = aOnB ? a : b;
                const Shown& button = aOnB ? b : a;
                if (!Inside(label.ink, button.box))
                    fault("label " + label.Name() + " " + Show(label.ink) +
                          " reaches past its button " + Show(button.box));
                // Clear of the symbol the button shows at its left end.
                const auto* shown = dynamic_cast<const CButton*>(button.wnd);
                const int symbol = shown != nullptr ? shown->GetSymbolRoom() : 0;
                if (symbol > 0 && label.ink.left < button.box.left + symbol + CButton::kSymbolGap)
                    fault("label " + label.Name() + " " + Show(label.ink) +
                          " lies on the symbol of its button " + Show(button.box));
                continue;
            }
            fault(a.Name() + " " + Show(a.ink) + " and " + b.Name() + " " + Show(b.ink) +
                  " overlap");
        }
    }
    return faults;
}

// The pages lie above the sheet's buttons, whose texts fit them.
std::vector<std::string> SheetFaults(const CWnd& page, const CWnd& sheet) {
    std::vector<std::string> faults;
    const CRect place = page.GetRectInParent();
    for (int id : {ID_WIZBACK, ID_WIZNEXT, ID_WIZFINISH, IDCANCEL}) {
        const CWnd* button = sheet.GetDlgItem(id);
        if (button == nullptr || !button->IsWindowVisible())
            continue;
        if (Intersect(button->GetRectInParent(), place))
            faults.push_back("the sheet's button " + std::to_string(id) + " lies on the page");
        if (button->GetTextExtent(button->GetWindowText()).cx >
            button->GetRectInParent().Width() - 4)
            faults.push_back("the sheet's button " + std::to_string(id) + " is narrower than \"" +
                             button->GetWindowText() + "\"");
    }
    CRect client;
    sheet.GetClientRect(client);
    if (!Inside(place, client))
        faults.push_back("the page " + Show(place) + " reaches past the sheet " + Show(client));
    return faults;
}

struct Case {
    std::string face; // the face "Arial" is drawn in; "" for the system's
    std::string language;
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << (c.face.empty() ? "the system's face" : c.face) << ", " << c.language;
}

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
    std::string face = info.param.face.empty() ? "System" : info.param.face;
    face.erase(std::remove(face.begin(), face.end(), ' '), face.end());
    return face + "_" + info.param.language;
}

class LayoutFit : public SheetTestSuite, public ::testing::WithParamInterface<Case> {
protected:
    static void SetUpTestSuite() {
        SheetTestSuite::SetUpTestSuite();
        plat::SetTraceLibraryName("NoTraceForPageTests.dll");
        RegisterProgramResources();
        s_app = new CWizardApp();
        s_app->CreateImageList();
    }
    static void TearDownTestSuite() {
        delete s_app;
        s_app = nullptr;
        SheetTestSuite::TearDownTestSuite();
    }
    void TearDown() override {
        CFontRegistry::SetFaceSubstitute("Arial", "");
        ResetUiTexts();
    }

    // The face the case draws in.
    std::string Face() const {
        if (!GetParam().face.empty())
            return GetParam().face;
        const char* face = std::getenv("PELMORA_LAYOUT_SYSTEM_FACE");
        return face != nullptr ? face : "Liberation Sans";
    }

    static inline CWizardApp* s_app = nullptr;
};

TEST_P(LayoutFit, EveryTextShowsWholeAndNothingOverlaps) {
    const Case& c = GetParam();
    CFontRegistry::SetFaceSubstitute("Arial", c.face);
    // Each font of the pages is drawn in the case's face.
    for (int id : {1121, 1122, 1123}) {
        ASSERT_NE(CFontRegistry::Get(id), nullptr) << id;
        ASSERT_EQ(CFontRegistry::Get(id)->GetTextFace(), Face()) << "font " << id;
    }

    ResetUiTexts();
    if (c.language == "English") {
        // Written afresh, the file holds the built-in texts as they are.
        LoadUiTextsFrom((s_temp / "english.INI").string());
    } else {
        ASSERT_TRUE(fs::exists(LanguageFile(c.language))) << LanguageFile(c.language);
        LoadUiTextsFrom(LanguageFile(c.language).string());
    }

    std::vector<std::string> scenes;
    std::string error;
    const bool ok = VisitLayoutScenes(
        [&](const std::string& name, const CWnd& window, const CWnd& picture) {
            scenes.push_back(name);
            std::vector<std::string> faults = LayoutFaults(window, Face());
            if (&window != &picture) {
                const std::vector<std::string> more = SheetFaults(window, picture);
                faults.insert(faults.end(), more.begin(), more.end());
            }
            for (const std::string& fault : faults)
                ADD_FAILURE() << name << ": " << fault;
        },
        error);
    EXPECT_TRUE(ok) << error;
    // Every scene was seen: the pages, both dialogs, all five verdicts and
    // the longest, with the narrow band's sentence.
    EXPECT_EQ(scenes.size(), 24u);
}

std::vector<Case> Cases() {
    std::vector<Case> cases;
    for (const char* face : {"Liberation Sans", "DejaVu Sans", ""})
        for (const std::string& language : Languages())
            cases.push_back({face, language});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Languages, LayoutFit, ::testing::ValuesIn(Cases()), CaseName);

} // namespace
