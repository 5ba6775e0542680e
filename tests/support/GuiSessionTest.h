// A test suite whose tests share one running user interface: it starts before
// the first test of the suite and stops after the last.
#pragma once

#include "ui/WinApp.h"

#include <gtest/gtest.h>

class GuiSessionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_gui = new CGuiSession(); }
    static void TearDownTestSuite() {
        delete s_gui;
        s_gui = nullptr;
    }

private:
    static inline CGuiSession* s_gui = nullptr;
};
