// The program's boxes carry one of two captions, written once: the port's and the log's warnings
// "警告窗口", the consoles' hints and the saved-log notice "提示窗口".
#include <gtest/gtest.h>

#include "consoles/CommandKit.h"
#include "link/ComManage.h"
#include "platform/MessageBox.h"

namespace {

TEST(MessageCaptions, TheTwoCaptionsAndWhoUsesThem) {
    EXPECT_STREQ(kWarningCaption, "\xE8\xAD\xA6\xE5\x91\x8A\xE7\xAA\x97\xE5\x8F\xA3");  // 警告窗口 in UTF-8
    EXPECT_STREQ(kHintCaption, "\xE6\x8F\x90\xE7\xA4\xBA\xE7\xAA\x97\xE5\x8F\xA3");  // 提示窗口 in UTF-8

    const UserMessage hint = WarningMessage(QStringLiteral("x"));
    EXPECT_EQ(hint.caption, QString::fromUtf8(kHintCaption));
    EXPECT_EQ(hint.icon, MsgIcon::Warning);

    std::vector<MessageBoxCall> boxes;
    SetMessageBoxHandler([&](const MessageBoxCall& call) {
        boxes.push_back(call);
        return MsgResult::Ok;
    });
    ResetPublicData();
    {
        TfComManage ports;
        GlobalData.ComOpen = kTrue32;  // "OpenCom" while a port is open
        ports.SpeedButton1Click();
        GlobalData.ComOpen = 0;
    }
    SetMessageBoxHandler(nullptr);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, QString::fromUtf8(kWarningCaption));
    EXPECT_EQ(boxes[0].icon, MsgIcon::Warning);
}

}  // namespace
