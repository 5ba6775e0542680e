// The start of a test program that drives the sheet: one GUI session, the
// pages' fonts, and a temporary folder of the program's own as TMPDIR, so the
// wizard's private directory lies inside it. Everything goes at the end.
#pragma once

#include "app/WizardApp.h"
#include "ui/WinApp.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

class SheetTestSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const std::string suite = ::testing::UnitTest::GetInstance()->current_test_suite()->name();
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
    }

    static inline std::filesystem::path s_temp;
    static inline CGuiSession* s_gui = nullptr;
};
