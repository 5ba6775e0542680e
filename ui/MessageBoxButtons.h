// The buttons of a message box, shared by both realisations: the ids of a
// box type's buttons in order, and the test hook that answers boxes.
#pragma once

#include "ui/WinDefs.h"

#include <string>
#include <vector>

namespace uiimpl {

struct BoxButton {
    int id;           // IDYES ...
    std::string text; // the caption shown (UTF-8)
};

// The buttons of `type` (MB_OK, MB_YESNOCANCEL ...) in order, with the given
// captions (`captions[i]` for the i-th button; the standard names where none
// or an empty one is given).
std::vector<BoxButton> MessageBoxButtons(plat::UINT type, const std::vector<std::string>& captions);

// The answer of the test handler (ui/Testing.h) when one is set, with
// `buttons` as the box being answered: false when none is set.
bool AnswerFromTestHandler(const std::string& text, const std::string& caption, plat::UINT type,
                           const std::vector<BoxButton>& buttons, int& answer);

} // namespace uiimpl
