// The main window with its MDI client and the output window, the main window's clock stopped, and a
// port that records what is sent: for tests that open windows from their menu items.
#pragma once

#include <gtest/gtest.h>

#include <QMetaObject>
#include <string>

#include "console_fixture.h"
#include "link/OutPut.h"
#include "shell/KQMain.h"
#include "shell/WindowOpener.h"
#include "support/LogCapture.h"

class MenuProgram : public ::testing::Test {
  protected:
    MenuProgram() {
        main = new TfKQMain;
        main->Timer1->stop();
        OpenWindow("TfOutPut");
        fOutPut->Timer1->stop();
        SetLinePort(&port);
        GlobalData.ComOpen = kTrue32;
    }
    ~MenuProgram() override {
        delete main;
        SetLinePort(nullptr);
    }
    // Opens a window as its menu item does.
    void OpenFromMenu(const char* item) {
        EXPECT_TRUE(QMetaObject::invokeMethod(main, (std::string(item) + "Click").c_str())) << item;
    }

    QuietProgram quiet;
    LogCapture log;  // its clock is the PC's clock of these tests
    RecordingPort port;
    TfKQMain* main;
};
