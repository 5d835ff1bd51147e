// What ties a window's global pointer and its reply inputs to its life: the window opener owns the
// pointers (a window never clears its own), and a window's inputs go with it unless a successor of its
// form has registered over them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMdiSubWindow>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/ReplyInputs.h"
#include "menu_fixture.h"

namespace {

// A window with one input method, counting its calls.
class InputWindow : public QObject {
  public:
    explicit InputWindow(const char* form) { setObjectName(QString::fromLatin1(form)); }
    void DataInput() { ++calls; }
    int calls = 0;
};

TEST(ReplyInputLife, EntriesGoWithTheirWindowOnly) {
    struct Row {
        const char* name;
        std::vector<const char*> forms;  // one window per form, in this order, each registering DataInput
        int freed;                       // the window freed before the reply, or -1
        const char* input;
        int answering;  // the window whose method the reply must reach, or -1 for none
    };
    const Row rows[] = {
        {"a freed window's input goes", {"FormA"}, 0, "FormA.DataInput", -1},
        {"a successor's input outlives its freed predecessor", {"FormA", "FormA"}, 0, "FormA.DataInput", 1},
        {"another form's input stays", {"FormA", "FormB"}, 0, "FormB.DataInput", 1},
        {"a live window's input answers", {"FormA"}, -1, "FormA.DataInput", 0},
    };
    for (const Row& row : rows) {
        std::vector<std::unique_ptr<InputWindow>> windows;
        for (const char* form : row.forms) {
            windows.push_back(std::make_unique<InputWindow>(form));
            AddReplyInput(windows.back().get(), "DataInput", &InputWindow::DataInput);
        }
        if (row.freed >= 0) windows[row.freed].reset();
        EXPECT_EQ(ForwardReply(row.input), row.answering >= 0) << row.name;
        if (row.answering >= 0) {
            EXPECT_EQ(windows[row.answering]->calls, 1) << row.name;
        }
        windows.clear();
        EXPECT_FALSE(ForwardReply(row.input)) << row.name << ": nothing left once every window is gone";
    }
}

TEST(ReplyInputLife, AnEntryWithoutAnOwnerOutlivesEveryWindow) {
    int calls = 0;
    SetReplyInput("FormC.DataInput", [&] { ++calls; });
    {
        InputWindow window("FormC");
        AddReplyInput(&window, "OtherInput", &InputWindow::DataInput);
    }
    EXPECT_TRUE(ForwardReply("FormC.DataInput"));
    EXPECT_EQ(calls, 1);
    ClearReplyInput("FormC");
}

using WindowLife = MenuProgram;

// Every window the opener can free: closed by the user, or freed by other means (its frame deleted), it
// leaves no global pointer and no reply input behind, and the next request makes a new one.
TEST_F(WindowLife, TheOpenerAloneLetsGoOfEveryWindow) {
    struct Form {
        const char* name;
        bool fixed;         // no close button: only freed by other means
        const char* input;  // one of its reply inputs, or nullptr
    };
    const Form forms[] = {
        {"TfEquManage", true, nullptr},
        {"TfServer", true, nullptr},
        {"TfDVRN", false, "TfDVRN.TaiYaDataInput"},
        {"TfSmsTest", false, nullptr},
        {"TfCallTest", false, nullptr},
        {"TfGpsFinter", false, nullptr},
        {"TfQ7GpsMoni", false, "TfQ7GpsMoni.GpsDataInput"},
        {"TfAppEbike", false, "TfAppEbike.MoniDataInput"},
        {"Tf640Manage", false, nullptr},
        {"TfwlwManage", false, nullptr},
        {"TfBrel", false, "TfBrel.RFMoniInput"},
        {"TfRK_mtv", false, nullptr},
        {"TfCCDJ", false, nullptr},
        {"TfWifiShoes", false, nullptr},
        {"TfBagManage", false, nullptr},
        {"TfPW3310", false, nullptr},
        {"TfPW3318", false, nullptr},
        {"TfSFWatch", false, nullptr},
        {"TfMoni", false, "TfMoni.ObdDataInput"},
        {"TfDebug", false, "TfDebug.DebugDataInput"},
        {"TfNetTest", false, "TfNetTest.NetDataInput"},
        {"TfDisTest", false, "TfDisTest.DisDataInput"},
        {"TfgSensorData", false, nullptr},
        {"TfQRCreate", false, "TfQRCreate.QRDataInput"},
        {"TfLog", false, "TfLog.LogDataInput"},
        {"TfAbout", false, nullptr},
    };
    struct Ending {
        const char* name;
        bool needsCloseButton;
        std::function<void(const char* form)> end;
    };
    const Ending endings[] = {
        {"closed", true, [](const char* form) { ASSERT_TRUE(WindowFrame(form)->close()); }},
        {"freed", false, [](const char* form) { delete WindowFrame(form); }},
    };
    for (const Form& form : forms) {
        for (const Ending& ending : endings) {
            if (ending.needsCloseButton && form.fixed) continue;
            const std::string what = std::string(form.name) + " " + ending.name;
            QPointer<QWidget> window = OpenWindow(form.name);
            ASSERT_FALSE(window.isNull()) << what;
            ASSERT_NE(WindowFrame(form.name), nullptr) << what;
            if (form.input != nullptr) {
                ReplyRecord = TReplyRecord{};  // an empty reply: the input reads nothing past its end
                EXPECT_TRUE(ForwardReply(form.input)) << what;
            }
            ending.end(form.name);
            EXPECT_EQ(OpenedWindow(form.name), nullptr) << what;
            if (form.input != nullptr) {
                EXPECT_FALSE(ForwardReply(form.input)) << what;
            }
            QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            EXPECT_TRUE(window.isNull()) << what;
            QWidget* next = OpenWindow(form.name);
            EXPECT_NE(next, nullptr) << what << ": the next request makes a new one";
            EXPECT_EQ(OpenedWindow(form.name), next) << what;
            delete WindowFrame(form.name);
            QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }
}

}  // namespace
