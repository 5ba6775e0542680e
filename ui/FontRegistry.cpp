// The font registry and what a font is whatever draws it: logical fonts kept
// under an id and a code page, face substitutes, the default dialog font and
// the extent of a text on one line. The toolkit builds and drops its own font
// from each description (ui/Toolkit.h).
#include "ui/Font.h"
#include "ui/Toolkit.h"

#include <map>
#include <memory>
#include <mutex>

using namespace uiimpl;

namespace {

struct Registry {
    std::mutex mutex;
    std::map<std::pair<int, int>, std::unique_ptr<CFont>> fonts;
    std::map<std::string, std::string> substitutes;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

std::string SubstituteOf(const std::string& face) {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    const auto it = r.substitutes.find(face);
    return it == r.substitutes.end() ? std::string() : it->second;
}

} // namespace

const LOGFONT& CFont::GetLogFont() const {
    return m_logFont;
}

CSize CFont::GetTextExtent(const std::string& text) const {
    return GetTextExtent(text, 0);
}

void CFontRegistry::Register(int id, int codePage, const LOGFONT& logFont) {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    auto& slot = r.fonts[{id, codePage}];
    if (!slot) {
        slot = std::make_unique<CFont>(logFont);
        return;
    }
    // The description changes first, the font built from it goes last: a
    // font built in between (from either description) goes too, so none
    // built from the old description outlives the change.
    slot->m_logFont = logFont;
    DropBuiltFont(*slot);
}

const CFont* CFontRegistry::Get(int id, int codePage) {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    const auto it = r.fonts.find({id, codePage});
    return it == r.fonts.end() ? nullptr : it->second.get();
}

void CFontRegistry::Clear() {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    r.fonts.clear();
}

void CFontRegistry::SetFaceSubstitute(const std::string& face, const std::string& substitute) {
    {
        Registry& r = TheRegistry();
        std::lock_guard lock(r.mutex);
        if (substitute.empty())
            r.substitutes.erase(face);
        else
            r.substitutes[face] = substitute;
    }
    ReleaseFonts();
}

namespace uiimpl {

std::string ResolveFace(const std::string& face) {
    if (const std::string substitute = SubstituteOf(face);
        !substitute.empty() && FaceInstalled(substitute))
        return substitute;
    // Faces of the Windows core fonts and the metric-compatible faces that
    // stand in for them where they are not installed.
    static const std::map<std::string, std::string> standIns = {
        {"Arial", "Liberation Sans"},         {"Helvetica", "Liberation Sans"},
        {"MS Sans Serif", "Liberation Sans"}, {"MS Shell Dlg", "Liberation Sans"},
        {"Courier New", "Liberation Mono"},   {"Times New Roman", "Liberation Serif"},
    };
    if (!face.empty() && FaceInstalled(face))
        return face;
    const auto it = standIns.find(face);
    if (it != standIns.end() && FaceInstalled(it->second))
        return it->second;
    return FaceInstalled("Liberation Sans") ? std::string("Liberation Sans") : face;
}

const CFont& DefaultFont() {
    static CFont font([] {
        LOGFONT lf;
        lf.lfHeight = 15;
        lf.lfFaceName = "Arial";
        return lf;
    }());
    return font;
}

CSize TextExtent(const CFont* font, const std::string& text, int wrapWidth) {
    return (font != nullptr ? font : &DefaultFont())->GetTextExtent(text, wrapWidth);
}

void ReleaseFonts() {
    Registry& r = TheRegistry();
    {
        std::lock_guard lock(r.mutex);
        for (auto& [key, font] : r.fonts)
            DropBuiltFont(*font);
    }
    DropBuiltFont(DefaultFont());
}

} // namespace uiimpl
