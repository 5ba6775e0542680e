// What the benchmarks that run the wizard's sheet share: a private PipeWire
// session with the wizard's server backend on it, the toolkit and the
// program's resources, and the walk past page 2's sound-card test to a page,
// as the user makes it.
#pragma once

#include "app/PropSheet.h"
#include "app/WizardApp.h"
#include "platform/pulse/testing/PipeWireServerForTesting.h"
#include "ui/WinApp.h"

#include <memory>
#include <string>

namespace bench {

class CWizardOnServer {
public:
    // `name` starts the messages ("bench_record_cpu").
    CWizardOnServer(const char* name, int argc, char** argv);
    // False (said on standard error) when the session or the backend
    // cannot start; nothing else may be used then.
    bool Ready() const { return m_ready; }

    // Shows page 2, runs its sound-card test and goes on to page `index`;
    // false (said) when the wizard does not get there.
    bool WalkTo(CPropSheet& sheet, int index) const;

private:
    std::string m_name;
    plat::CPipeWireServerForTesting m_server;
    bool m_ready = false;
    std::unique_ptr<CGuiSession> m_gui;
    std::unique_ptr<CWizardApp> m_app;
};

} // namespace bench
