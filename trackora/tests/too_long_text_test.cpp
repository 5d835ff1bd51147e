// A payload too long for one frame is named in one set of words, whether the link refuses it (log
// line) or a console does before sending (message box, with the sizes).
#include <gtest/gtest.h>

#include "consoles/CommandKit.h"
#include "link/OutputLog.h"
#include "link/PublicData.h"

namespace {

TEST(TooLongText, TheLinkAndTheConsolesUseTheSameWords) {
    const UserMessage message = TooLongMessage(500);
    EXPECT_EQ(message.text, QString::fromUtf8(kSendTooLongLog) + " (500 > 491)");
    EXPECT_EQ(message.icon, MsgIcon::Warning);

    // SendRequest refuses before the link does: a box, nothing logged, nothing built.
    std::vector<MessageBoxCall> boxes;
    std::vector<std::string> log;
    SetMessageBoxHandler([&](const MessageBoxCall& call) {
        boxes.push_back(call);
        return MsgResult::Ok;
    });
    SetLogSink([&](const std::string& line) { log.push_back(line); });
    ResetPublicData();
    GlobalData.ComOpen = kTrue32;
    EXPECT_FALSE(SendRequest({0x0201, std::string(492, '#')}));
    SetMessageBoxHandler(nullptr);
    SetLogSink(nullptr);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.startsWith(QString::fromUtf8(kSendTooLongLog)));
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(CommandRecord.Len, 0);
    ResetPublicData();
}

}  // namespace
