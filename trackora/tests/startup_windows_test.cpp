// The main window's first tick opens the port manager, the reset window, the server window and the
// vehicle-tracker console, each the real window and in its place.
#include <gtest/gtest.h>

#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <memory>

#include "console_fixture.h"
#include "consoles/StartupWindows.h"
#include "consoles/TfDVRN.h"
#include "link/ComManage.h"
#include "link/OutPut.h"
#include "platform/IniFile.h"
#include "platform/MessageBox.h"
#include "shell/KQMain.h"
#include "shell/WindowOpener.h"

namespace {

class StartupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(quiet.folder.isValid());
        main = std::make_unique<TfKQMain>();
        fKQMain = main.get();
        main->Timer1->stop();  // ticks are called by hand
        OpenWindow("TfOutPut");
    }
    void TearDown() override { main.reset(); }
    static QRect Frame(const char* form) {
        QMdiSubWindow* frame = WindowFrame(form);
        return frame ? frame->geometry() : QRect();
    }

    QuietProgram quiet;
    std::unique_ptr<TfKQMain> main;
};

TEST_F(StartupTest, FirstTickOpensTheFourWindowsInTheirPlaces) {
    main->Timer1Timer();
    ASSERT_NE(fEquManage, nullptr);
    ASSERT_NE(fServer, nullptr);
    ASSERT_NE(fDVRN, nullptr);
    EXPECT_EQ(OpenedWindow("TfEquManage"), fEquManage);
    EXPECT_EQ(OpenedWindow("TfServer"), fServer);
    EXPECT_EQ(OpenedWindow("TfDVRN"), fDVRN);
    EXPECT_EQ(fDVRN->windowTitle(), "DVRN_Config_Windows");
    EXPECT_EQ(fEquManage->windowTitle(), "EquManage");
    EXPECT_EQ(fServer->windowTitle(), "ServerConfig");

    // Top row: port manager, reset window and server window side by side right of the output window; the
    // console below the port manager.
    const int outputWidth = Frame("TfOutPut").width();
    const QRect port = Frame("TfComManage");
    EXPECT_EQ(port.topLeft(), QPoint(outputWidth, 0));
    const QRect equ = Frame("TfEquManage");
    EXPECT_EQ(equ.topLeft(), QPoint(outputWidth + port.width(), 0));
    EXPECT_EQ(Frame("TfServer").topLeft(), QPoint(outputWidth + port.width() + equ.width(), 0));
    EXPECT_EQ(Frame("TfDVRN").topLeft(), QPoint(outputWidth, port.height()));

    // The two command windows stay for the whole run; the console can be closed and opened again.
    EXPECT_FALSE(WindowFrame("TfServer")->close());
    EXPECT_EQ(OpenedWindow("TfServer"), fServer);
    TfEquManage* equManage = fEquManage;
    main->Timer1Timer();
    EXPECT_EQ(fEquManage, equManage) << "later ticks open nothing new";
    EXPECT_TRUE(WindowFrame("TfDVRN")->close());
    EXPECT_EQ(fDVRN, nullptr);
    EXPECT_NE(OpenWindow("TfDVRN"), nullptr);
    EXPECT_NE(fDVRN, nullptr);
}

}  // namespace
