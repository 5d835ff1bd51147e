#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>

#include "console_fixture.h"
#include "consoles/StartupWindows.h"
#include "consoles/TfDVRN.h"
#include "link/ComManage.h"
#include "link/OutPut.h"
#include "link/ReplyTable.h"
#include "shell/KQMain.h"
#include "shell/WindowOpener.h"
#include "support/LogCapture.h"

namespace {

// The main window as the program block makes it: the frame, then the output window; a program folder
// of the test's own for the console's saved fields.
class Shell : public ::testing::Test {
  protected:
    Shell() {
        InitApplication();
        main = new TfKQMain;
        OpenWindow("TfOutPut");
        main->show();
    }
    ~Shell() override { delete main; }

    static QPoint At(const char* form) { return WindowFrame(form)->pos(); }
    static int Width(const char* form) { return WindowFrame(form)->width(); }
    static int Height(const char* form) { return WindowFrame(form)->height(); }

    QuietProgram quiet;
    LogCapture log;
    TfKQMain* main;
};

TEST_F(Shell, StatusBarAtStart) {
    EXPECT_EQ(main->PanelText(0), "Vantrel Soft");
    EXPECT_EQ(main->PanelText(1), "ComStatus:Close");
    EXPECT_EQ(main->PanelText(2), "WorkStatus:WaitInput");
    EXPECT_EQ(main->Timer1->interval(), 50);
    EXPECT_EQ(GlobalData.Started, 0);
    EXPECT_EQ(main->windowTitle(), "Codrane_Enlish-D1065");
    EXPECT_EQ(QApplication::applicationDisplayName(), "Vantrel");
}

TEST_F(Shell, FirstTickOpensTheStartUpWindowsInTheirPlaces) {
    main->Timer1Timer();
    EXPECT_NE(GlobalData.Started, 0);
    EXPECT_EQ(main->Timer1->interval(), 1000);
    for (const char* form : {"TfComManage", "TfEquManage", "TfServer", "TfDVRN"})
        ASSERT_NE(OpenedWindow(form), nullptr) << form;
    EXPECT_EQ(OpenedWindow("TfComManage"), fComManage);
    EXPECT_EQ(OpenedWindow("TfEquManage"), fEquManage);
    EXPECT_EQ(OpenedWindow("TfServer"), fServer);
    EXPECT_EQ(OpenedWindow("TfDVRN"), fDVRN);
    EXPECT_EQ(fDVRN->windowTitle(), "DVRN_Config_Windows");
    EXPECT_EQ(fEquManage->windowTitle(), "EquManage");
    EXPECT_EQ(fServer->windowTitle(), "ServerConfig");
    const int w = Width("TfOutPut");
    const int wc = Width("TfComManage");
    const int we = Width("TfEquManage");
    const int hc = Height("TfComManage");
    EXPECT_EQ(At("TfOutPut"), QPoint(0, 0));
    EXPECT_EQ(At("TfComManage"), QPoint(w, 0));
    EXPECT_EQ(At("TfEquManage"), QPoint(w + wc, 0));
    EXPECT_EQ(At("TfServer"), QPoint(w + wc + we, 0));
    EXPECT_EQ(At("TfDVRN"), QPoint(w, hc));
    EXPECT_EQ(main->PanelText(3), QString("Datetime：") + kTestClockText);
    EXPECT_EQ(main->PanelText(1), "ComStatus:Close");
}

TEST_F(Shell, StartUpWindowsBeyondTheAreaAreReachedByScrollBars) {
    main->Timer1Timer();
    QApplication::processEvents();
    const QRect area = main->MdiClient->viewport()->rect();
    const QRect server = WindowFrame("TfServer")->geometry();
    ASSERT_GT(server.right(), area.right()) << "the layout no longer reaches beyond the area";
    EXPECT_TRUE(main->MdiClient->horizontalScrollBar()->isVisible());
    EXPECT_GE(main->MdiClient->horizontalScrollBar()->maximum(), server.right() - area.right());
}

TEST_F(Shell, LaterTicksFollowThePortState) {
    main->Timer1Timer();
    TfEquManage* equManage = fEquManage;
    GlobalData.ComOpen = kTrue32;
    main->Timer1Timer();
    EXPECT_EQ(main->PanelText(1), "Com Status:Open");
    GlobalData.ComOpen = 0;
    main->Timer1Timer();
    EXPECT_EQ(main->PanelText(1), "ComStatus:Close");
    EXPECT_EQ(OpenedWindow("TfComManage"), fComManage) << "later ticks open nothing new";
    EXPECT_EQ(fEquManage, equManage);
}

TEST_F(Shell, SecondRequestBringsTheOpenWindowToTheFrontWhereItIs) {
    main->Timer1Timer();
    main->SpeedButton3Click();
    QWidget* moni = OpenedWindow("TfMoni");
    ASSERT_NE(moni, nullptr);
    EXPECT_EQ(At("TfMoni"), QPoint(Width("TfOutPut"), Height("TfComManage")));
    WindowFrame("TfMoni")->move(300, 200);
    main->SpeedButton4Click();  // another window comes in front
    main->SpeedButton3Click();
    EXPECT_EQ(OpenedWindow("TfMoni"), moni) << "one instance";
    EXPECT_EQ(At("TfMoni"), QPoint(300, 200)) << "placed only when created";
    EXPECT_EQ(main->MdiClient->activeSubWindow(), WindowFrame("TfMoni"));
}

TEST_F(Shell, TestRowWindowsGoBackToTheirPlaceOnEveryRequest) {
    main->Timer1Timer();
    main->SpeedButton6Click();
    WindowFrame("TfSmsTest")->move(300, 200);
    main->SpeedButton6Click();
    EXPECT_EQ(At("TfSmsTest"), QPoint(Width("TfOutPut"), Height("TfComManage")));
}

TEST_F(Shell, RecordersSitLeftOfTheOthers) {
    main->Timer1Timer();
    main->GPS1Click();
    EXPECT_EQ(At("TfGpsFinter"), QPoint(Width("TfOutPut") - 120, Height("TfComManage")));
}

TEST_F(Shell, ClosingAWindowForgetsItAndTheNextRequestMakesANewOne) {
    main->Timer1Timer();
    main->N17Click();
    ASSERT_NE(OpenedWindow("TfMoni"), nullptr);
    int calls = 0;
    SetReplyInput("TfMoni.ObdDataInput", [&] { ++calls; });
    WindowFrame("TfMoni")->move(300, 200);
    ASSERT_TRUE(WindowFrame("TfMoni")->close());
    EXPECT_EQ(OpenedWindow("TfMoni"), nullptr) << "cleared at close, before the window is freed";
    EXPECT_FALSE(ForwardReply("TfMoni.ObdDataInput")) << "no reply reaches a closed window";
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    main->N17Click();
    ASSERT_NE(OpenedWindow("TfMoni"), nullptr);
    EXPECT_EQ(At("TfMoni"), QPoint(Width("TfOutPut"), Height("TfComManage")));
    EXPECT_EQ(calls, 0);
}

TEST_F(Shell, StartUpWindowsCannotBeClosed) {
    main->Timer1Timer();
    for (const char* form : {"TfOutPut", "TfComManage", "TfEquManage", "TfServer"}) {
        QMdiSubWindow* frame = WindowFrame(form);
        EXPECT_FALSE(frame->close()) << form;
        EXPECT_FALSE(frame->windowFlags() & Qt::WindowCloseButtonHint) << form;
        EXPECT_NE(OpenedWindow(form), nullptr) << form;
    }
    EXPECT_EQ(OpenedWindow("TfServer"), fServer);
    // The console is not one of them: it closes and opens again.
    EXPECT_TRUE(WindowFrame("TfDVRN")->close());
    EXPECT_EQ(fDVRN, nullptr);
    EXPECT_NE(OpenWindow("TfDVRN"), nullptr);
    EXPECT_NE(fDVRN, nullptr);
}

TEST_F(Shell, MenuShowsTheItemsOfTheNormalLayout) {
    const char* shown[] = {"N1",  "N8", "N9",  "N10", "N11", "N2",  "K1", "N3",
                           "N15", "N4", "N16", "N5",  "N17", "N18", "N7", "N20"};
    const char* hidden[] = {"N12",  "N6408081", "N13",       "Q711", "N21",  "N23",  "WIFI1",
                            "N24",  "PW33101",  "PW33184G1", "N26",  "GPS1", "GPS2", "N22",
                            "GPS3", "N14",      "gSensor1",  "N25",  "LOG1", "N6",   "N19"};
    for (const char* item : shown) {
        auto* action = main->findChild<QAction*>(item);
        ASSERT_NE(action, nullptr) << item;
        EXPECT_TRUE(action->isVisible()) << item;
    }
    for (const char* item : hidden) {
        auto* action = main->findChild<QAction*>(item);
        ASSERT_NE(action, nullptr) << item;
#if defined(TRACKORA_SHOW_HIDDEN) && TRACKORA_SHOW_HIDDEN
        EXPECT_TRUE(action->isVisible()) << item;
#else
        EXPECT_FALSE(action->isVisible()) << item;
#endif
    }
}

TEST_F(Shell, MenuItemsOpenTheirWindows) {
    main->Timer1Timer();
    main->findChild<QAction*>("N20")->trigger();
    EXPECT_NE(OpenedWindow("TfAbout"), nullptr);
    main->findChild<QAction*>("N16")->trigger();
    EXPECT_NE(OpenedWindow("TfSmsTest"), nullptr);
}

}  // namespace
