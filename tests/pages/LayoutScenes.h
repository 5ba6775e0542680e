// The pages and the help dialogs in every state whose layout differs, for the
// layout test and render_pages: page 1 with the simulated card's notice, the
// two help dialogs, page 2 before and after a test with many result lines
// and a microphone whose name is wider than the page, and after a failed one,
// page 3 idle, playing and stopped, page 4 idle, recording, with each verdict
// and after a warning, page 5 with the student controls and each outcome of
// an Update. Runs on the virtual card chosen automatically (this program
// links no real backend), in a GUI session with the fonts registered, the
// program's resources and image list made and TMPDIR private to the caller.
#pragma once

#include <functional>
#include <string>

class CWnd;

// name: "page1", "headset", "page4-verdict-Good" ...; window: the page or
// dialog whose controls are laid out; picture: what a render shows (the
// sheet for a page, the dialog itself).
using LayoutVisitor =
    std::function<void(const std::string& name, const CWnd& window, const CWnd& picture)>;

// False with a reason when a scene could not be set up (the visits made until
// then stand).
bool VisitLayoutScenes(const LayoutVisitor& visit, std::string& error);
