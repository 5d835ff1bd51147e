// What the tests of the monitoring and test windows share: the console fixture with a fixed clock,
// replies delivered through the dispatcher as the output window delivers them, and label reading.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QLabel>
#include <QTime>
#include <string>
#include <utility>
#include <vector>

#include "console_fixture.h"
#include "link/ReplyDispatch.h"
#include "platform/Clock.h"
#include "reply_test_util.h"

class ToolTest : public ConsoleTest {
  protected:
    void SetUp() override {
        ConsoleTest::SetUp();
        SetClock([] { return QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7)); });
    }
    void TearDown() override {
        SetClock(nullptr);
        ConsoleTest::TearDown();
    }
    // The reply lands in ReplyRecord and goes through the dispatcher, as a received frame does.
    static void Deliver(int type, const std::string& payload) {
        ReplyRecord = MakeReply(type, payload);
        DispatchReply(ReplyRecord);
    }
    static std::string Text(const QWidget* form, const char* label) {
        const auto* l = form->findChild<QLabel*>(QString::fromLatin1(label));
        return l != nullptr ? l->text().toStdString() : "<no " + std::string(label) + ">";
    }
    // Every label shows its text.
    static void ExpectLabels(const QWidget* form,
                             const std::vector<std::pair<const char*, std::string>>& texts) {
        for (const auto& [label, text] : texts) EXPECT_EQ(Text(form, label), text) << label;
    }
    std::vector<int> Cmds() const {
        std::vector<int> cmds;
        for (const SentFrame& f : Frames()) cmds.push_back(f.cmd);
        return cmds;
    }
};

inline constexpr char kToolClockText[] = "2026-03-04 05:06:07";
