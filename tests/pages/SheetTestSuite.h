// The start of a test program that drives the sheet: one GUI session, the
// pages' fonts, and a temporary folder of the program's own as the system's
// temporary directory (TMPDIR, on Windows TMP), so the wizard's private
// directory lies inside it. Everything goes at the end, and the variable is as
// it was, so the next suite of the program (another type of a typed suite)
// starts the same way.
#pragma once

#include "app/PropSheet.h"
#include "app/WizardApp.h"
#include "tests/support/ScopedEnv.h"
#include "ui/Dialog.h"
#include "ui/Testing.h"
#include "ui/WinApp.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

class SheetTestSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string suite = ::testing::UnitTest::GetInstance()->current_test_suite()->name();
        std::replace(suite.begin(), suite.end(), '/', '-'); // a typed suite's "Name/0"
        const char* before = std::getenv(kTempDirVariable);
        s_tmpdirBefore = before ? before : "";
        s_temp = std::filesystem::temp_directory_path() /
                 ("pelmora-" + suite + "-" + std::to_string(::getpid()));
        std::filesystem::create_directories(s_temp);
        ScopedEnv::Set(kTempDirVariable, s_temp.string().c_str());
        ScopedEnv::Clear("XDG_RUNTIME_DIR");
        s_gui = new CGuiSession();
        CWizardApp::RegisterFonts();
    }
    static void TearDownTestSuite() {
        delete s_gui;
        s_gui = nullptr;
        std::filesystem::remove_all(s_temp);
        // The next suite of the program starts where this one started.
        if (s_tmpdirBefore.empty())
            ScopedEnv::Clear(kTempDirVariable);
        else
            ScopedEnv::Set(kTempDirVariable, s_tmpdirBefore.c_str());
    }

    // Closes the sheet a test leaves open, its sound stopped first, as
    // Cancel would, and lets the closing run before the sheet goes.
    static void CloseSheet(std::unique_ptr<CPropSheet>& sheet) {
        CDialog::SetModalHook(nullptr);
        if (sheet && sheet->IsOpen()) {
            sheet->m_audioEngine.StopPlay();
            sheet->m_audioEngine.StopRecording();
            sheet->EndDialog(IDCANCEL);
        }
        uitest::ProcessEvents(10);
        sheet.reset();
    }

    static inline std::filesystem::path s_temp;
    static inline std::string s_tmpdirBefore;
    static inline CGuiSession* s_gui = nullptr;
};
