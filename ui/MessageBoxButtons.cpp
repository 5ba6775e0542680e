#include "ui/MessageBoxButtons.h"

#include "ui/Testing.h"

namespace uiimpl {

namespace {

uitest::MessageBoxHandler& Handler() {
    static uitest::MessageBoxHandler handler;
    return handler;
}

// The box the test handler is answering (the handler runs on the GUI thread).
const std::vector<BoxButton>*& Answering() {
    static const std::vector<BoxButton>* buttons = nullptr;
    return buttons;
}

} // namespace

std::vector<BoxButton> MessageBoxButtons(plat::UINT type,
                                         const std::vector<std::string>& captions) {
    std::vector<BoxButton> buttons;
    switch (type & 0x0F) {
    case MB_OKCANCEL:
        buttons = {{IDOK, "OK"}, {IDCANCEL, "Cancel"}};
        break;
    case MB_YESNOCANCEL:
        buttons = {{IDYES, "Yes"}, {IDNO, "No"}, {IDCANCEL, "Cancel"}};
        break;
    case MB_YESNO:
        buttons = {{IDYES, "Yes"}, {IDNO, "No"}};
        break;
    default:
        buttons = {{IDOK, "OK"}};
        break;
    }
    for (std::size_t i = 0; i < buttons.size() && i < captions.size(); ++i)
        if (!captions[i].empty())
            buttons[i].text = captions[i];
    return buttons;
}

bool AnswerFromTestHandler(const std::string& text, const std::string& caption, plat::UINT type,
                           const std::vector<BoxButton>& buttons, int& answer) {
    const uitest::MessageBoxHandler handler = Handler();
    if (!handler)
        return false;
    const std::vector<BoxButton>* outer = Answering();
    Answering() = &buttons;
    answer = handler(text, caption, type);
    Answering() = outer;
    return true;
}

} // namespace uiimpl

void uitest::SetMessageBoxHandler(MessageBoxHandler handler) {
    uiimpl::Handler() = std::move(handler);
}

std::vector<std::string> uitest::MessageBoxButtonTexts() {
    std::vector<std::string> texts;
    if (const auto* buttons = uiimpl::Answering())
        for (const uiimpl::BoxButton& button : *buttons)
            texts.push_back(button.text);
    return texts;
}

int uitest::MessageBoxButtonId(const std::string& text) {
    if (const auto* buttons = uiimpl::Answering())
        for (const uiimpl::BoxButton& button : *buttons)
            if (button.text == text)
                return button.id;
    return 0;
}
