// The start of a test program that drives the sheet: one GUI session, the
// pages' fonts, and a temporary folder of the program's own as TMPDIR, so the
// wizard's private directory lies inside it. Everything goes at the end, and
// TMPDIR is as it was, so the next suite of the program (another type of a
// typed suite) starts the same way.
#pragma once

#include "app/WizardApp.h"
#include "ui/WinApp.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

class SheetTestSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string suite = ::testing::UnitTest::GetInstance()->current_test_suite()->name();
        std::replace(suite.begin(), suite.end(), '/', '-'); // a typed suite's "Name/0"
        const char* before = std::getenv("TMPDIR");
        s_tmpdirBefore = before ? before : "";
        s_temp = std::filesystem::temp_directory_path() /
                 ("pelmora-" + suite + "-" + std::to_string(::getpid()));
        std::filesystem::create_directories(s_temp);
        ::setenv("TMPDIR", s_temp.c_str(), 1);
        ::unsetenv("XDG_RUNTIME_DIR");
        s_gui = new CGuiSession();
        CWizardApp::RegisterFonts();
    }
    static void TearDownTestSuite() {
        delete s_gui;
        s_gui = nullptr;
        std::filesystem::remove_all(s_temp);
        // The next suite of the program starts where this one started.
        if (s_tmpdirBefore.empty())
            ::unsetenv("TMPDIR");
        else
            ::setenv("TMPDIR", s_tmpdirBefore.c_str(), 1);
    }

    static inline std::filesystem::path s_temp;
    static inline std::string s_tmpdirBefore;
    static inline CGuiSession* s_gui = nullptr;
};
