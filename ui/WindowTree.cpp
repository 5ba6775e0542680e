// A window's place among its parent and children, its font, its commands and
// its message box, whatever draws it: windows with an id are found through
// their parent, GW_CHILD / GW_HWNDNEXT follow the order they were made in,
// BN_CLICKED and other commands reach bound handlers, and a message box is
// answered by the test handler before the toolkit shows one.
#include "ui/MessageBoxButtons.h"
#include "ui/Toolkit.h"
#include "ui/Wnd.h"

#include <algorithm>

using namespace uiimpl;

int CWnd::GetDlgCtrlID() const {
    return StateOf(*this).id;
}

CWnd* CWnd::GetParent() const {
    return StateOf(*this).parent;
}

CWnd* CWnd::GetDlgItem(int id) const {
    for (CWnd* child : StateOf(*this).children)
        if (StateOf(*child).id == id && child->HasWindow())
            return child;
    return nullptr;
}

CWnd* CWnd::GetWindow(int cmd) const {
    const auto first = [](const std::vector<CWnd*>& windows, std::size_t from) -> CWnd* {
        for (std::size_t i = from; i < windows.size(); ++i)
            if (windows[i]->HasWindow())
                return windows[i];
        return nullptr;
    };
    const CWndState& d = StateOf(*this);
    if (cmd == GW_CHILD)
        return first(d.children, 0);
    if (cmd == GW_HWNDNEXT && d.parent != nullptr) {
        const auto& siblings = StateOf(*d.parent).children;
        const auto it = std::find(siblings.begin(), siblings.end(), this);
        if (it != siblings.end())
            return first(siblings, static_cast<std::size_t>(it - siblings.begin()) + 1);
    }
    return nullptr;
}

const CFont* CWnd::GetFont() const {
    return StateOf(*this).font;
}

CSize CWnd::GetTextExtent(const std::string& text) const {
    return TextExtent(StateOf(*this).font, text);
}

CSize CWnd::GetTextExtent(const std::string& text, int wrapWidth) const {
    return TextExtent(StateOf(*this).font, text, wrapWidth);
}

int CWnd::MessageBox(const std::string& text, const std::string& caption, plat::UINT type) {
    return MessageBox(text, caption, type, {});
}

int CWnd::MessageBox(const std::string& text, const std::string& caption, plat::UINT type,
                     const std::vector<std::string>& captions) {
    const std::vector<BoxButton> buttons = MessageBoxButtons(type, captions);
    int answer = 0;
    if (AnswerFromTestHandler(text, caption, type, buttons, answer))
        return answer;
    return ShowMessageBox(*this, text, caption, type, buttons, !captions.empty());
}

bool CWnd::OnCommand(int id, int code) {
    auto& commands = StateOf(*this).commands;
    const auto it = commands.find({id, code});
    if (it == commands.end())
        return false;
    // A copy: the handler may rebind itself.
    const std::function<void()> handler = it->second;
    handler();
    return true;
}

void CWnd::BindCommand(int id, std::function<void()> handler, int code) {
    StateOf(*this).commands[{id, code}] = std::move(handler);
}

void CWnd::OnTimer(plat::UINT_PTR) {}
void CWnd::OnHScroll(plat::UINT, plat::UINT, CSliderCtrl*) {}

namespace uiimpl {

void SendCommand(CWnd* from, int code) {
    if (from == nullptr)
        return;
    if (CWnd* parent = from->GetParent())
        parent->OnCommand(from->GetDlgCtrlID(), code);
}

} // namespace uiimpl
