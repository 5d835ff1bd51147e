// The version window: its three labels, opened from the menu and the tool bar, one instance at a time,
// and a new one after the user closes it.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMdiSubWindow>
#include <QToolButton>

#include "console_fixture.h"
#include "consoles/StartupWindows.h"
#include "shell/KQMain.h"
#include "shell/WindowOpener.h"

namespace {

class AboutWindow : public ::testing::Test {
  protected:
    AboutWindow() {
        main = new TfKQMain;
        main->Timer1->stop();
        OpenWindow("TfOutPut");
    }
    ~AboutWindow() override { delete main; }

    QuietProgram quiet;
    TfKQMain* main;
};

TEST_F(AboutWindow, ShowsTheProgramsNameVersionAndDate) {
    main->findChild<QAction*>("N20")->trigger();
    ASSERT_NE(fAbout, nullptr);
    EXPECT_EQ(OpenedWindow("TfAbout"), fAbout);
    EXPECT_EQ(fAbout->objectName(), "TfAbout");
    EXPECT_EQ(fAbout->windowTitle(), "About");
    EXPECT_EQ(fAbout->findChild<QLabel*>("Label1")->text(), "Vantrel Tools");
    EXPECT_EQ(fAbout->findChild<QLabel*>("Label2")->text(), "VER:Tool1065");
    EXPECT_EQ(fAbout->findChild<QLabel*>("Label3")->text(), "DateTime:2023-10-12");
}

TEST_F(AboutWindow, OneInstanceAndANewOneAfterClose) {
    main->SpeedButton8Click();
    TfAbout* first = fAbout;
    ASSERT_NE(first, nullptr);
    main->SpeedButton8Click();
    EXPECT_EQ(fAbout, first);

    // Closing frees the window and clears its pointer before it goes.
    ASSERT_TRUE(WindowFrame("TfAbout")->close());
    EXPECT_EQ(fAbout, nullptr);
    main->SpeedButton8Click();
    ASSERT_NE(fAbout, nullptr);
    EXPECT_EQ(fAbout->findChild<QLabel*>("Label2")->text(), "VER:Tool1065");
}

}  // namespace
