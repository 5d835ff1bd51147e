// The monitoring and test windows as the main window opens them: each from its menu item, one
// instance, and a close that stops its polling and the replies it was getting.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPointer>
#include <functional>

#include "link/OutPut.h"
#include "link/ReplyTable.h"
#include "menu_fixture.h"
#include "reply_test_util.h"
#include "shell/KQMain.h"
#include "shell/WindowOpener.h"
#include "support/LogCapture.h"
#include "tools/TfDebug.h"
#include "tools/TfLog.h"
#include "tools/TfMoni.h"
#include "tools/TfNetTest.h"
#include "tools/TfQRCreate.h"

namespace {

class ToolMenu : public MenuProgram {
  protected:
    // Closes the window's frame as the user does; the window itself goes at the next event loop pass.
    static void CloseFrame(const char* form) { ASSERT_TRUE(WindowFrame(form)->close()) << form; }
};

TEST_F(ToolMenu, EachWindowOpensFromItsMenuItemOnce) {
    struct Case {
        const char* item;
        const char* form;
        const char* caption;
        std::function<QWidget*()> pointer;
    };
    const Case cases[] = {
        {"N17", "TfMoni", "Euqipment Moni Windows", [] { return fMoni; }},
        {"N18", "TfDebug", "Data Debug Windows", [] { return fDebug; }},
        {"N22", "TfNetTest", "网络参数测试窗口", [] { return fNetTest; }},
        {"N25", "TfQRCreate", "二维码生成器", [] { return fQRCreate; }},
        {"LOG1", "TfLog", "终端运行日志读取", [] { return fLog; }},
    };
    for (const Case& c : cases) {
        OpenFromMenu(c.item);
        QWidget* window = OpenedWindow(c.form);
        ASSERT_NE(window, nullptr) << c.item;
        EXPECT_EQ(window, c.pointer()) << c.form;
        EXPECT_EQ(window->objectName(), c.form);
        EXPECT_EQ(window->windowTitle(), c.caption);
        OpenFromMenu(c.item);
        EXPECT_EQ(OpenedWindow(c.form), window) << "one instance of " << c.form;
    }
}

TEST_F(ToolMenu, ClosingStopsPollingAndForwarding) {
    struct Case {
        const char* item;
        const char* form;
        const char* input;
        std::function<void()> startPolling;  // nullptr: the window does not poll
        std::function<QTimer*()> timer;
    };
    const Case cases[] = {
        {"N17", "TfMoni", "TfMoni.ObdDataInput", [] { fMoni->SpeedButton1->click(); },
         [] { return fMoni->Timer1; }},
        {"N22", "TfNetTest", "TfNetTest.NetDataInput", [] { fNetTest->SpeedButton1->click(); },
         [] { return fNetTest->Timer1; }},
        {"LOG1", "TfLog", "TfLog.LogDataInput",
         [] {
             ReplyRecord = MakeReply(0x8387, Bytes({0, 5}));
             fLog->LogCountInput();
         },
         [] { return fLog->Timer1; }},
        {"N18", "TfDebug", "TfDebug.DebugDataInput", nullptr, nullptr},
        {"N25", "TfQRCreate", "TfQRCreate.QRDataInput", nullptr, nullptr},
    };
    for (const Case& c : cases) {
        OpenFromMenu(c.item);
        EXPECT_TRUE(ForwardReply(c.input)) << c.input;
        QPointer<QTimer> timer;
        if (c.startPolling) {
            c.startPolling();
            timer = c.timer();
            EXPECT_TRUE(timer->isActive()) << c.form;
        }
        QPointer<QWidget> window = OpenedWindow(c.form);
        CloseFrame(c.form);
        ASSERT_FALSE(window.isNull()) << "still there until the event loop frees it";
        if (timer) {
            EXPECT_FALSE(timer->isActive()) << c.form;
        }
        EXPECT_FALSE(ForwardReply(c.input)) << c.input;
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(window.isNull()) << c.form;
    }
}

TEST_F(ToolMenu, AWindowFreedAfterItsSuccessorOpenedLeavesTheSuccessorsInputs) {
    OpenFromMenu("N17");
    QPointer<QWidget> first = fMoni;
    CloseFrame("TfMoni");
    OpenFromMenu("N17");
    TfMoni* second = fMoni;
    ASSERT_NE(second, first.data());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(first.isNull());
    ReplyRecord = MakeReply(0x8107, std::string(60, '\0'));
    EXPECT_TRUE(ForwardReply("TfMoni.ObdDataInput"));
    EXPECT_EQ(second->findChild<QLabel*>("Label119")->text(), "累计里程:0");
}

}  // namespace
