#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <fstream>
#include <iterator>

#include "link/OutPut.h"
#include "link/PublicData.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "support/LogCapture.h"

namespace {

using Lines = std::vector<std::string>;

class OutputWindow : public ::testing::Test {
  protected:
    OutputWindow() {
        SetMessageBoxHandler([this](const MessageBoxCall& call) {
            boxes.push_back(call.text);
            return MsgResult::Ok;
        });
    }
    ~OutputWindow() override {
        SetMessageBoxHandler(nullptr);
        SetSaveDialogHandler(nullptr);
    }
    void SaveAs(std::optional<QString> name) {
        SetSaveDialogHandler([name] { return name; });
        window.SpeedButton2Click();
    }
    static std::string ReadFile(const QString& path) {
        std::ifstream file(path.toStdString(), std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }

    LogCapture log;  // before the window: the window's sink replaces the capture's
    TfOutPut window;
    QStringList boxes;
    QTemporaryDir dir;
};

TEST_F(OutputWindow, LogLinesLandInMemo1) {
    LogLine("one");
    LogLine("");
    EXPECT_EQ(window.Memo1->Lines(), (Lines{"one", ""}));
    window.SpeedButton1Click();
    EXPECT_TRUE(window.Memo1->Lines().empty());
    LogLine("head:\r\n1. a\r\n2. b\r\n");  // a multi-line entry becomes its lines
    EXPECT_EQ(window.Memo1->Lines(), (Lines{"head:", "1. a", "2. b"}));
}

TEST(OutputWindowSaveName, TxtIsAppendedByTheCaseSensitiveRule) {
    struct Row {
        const char* chosen;
        const char* saved;
    };
    for (const Row row :
         {Row{"log", "log"}, Row{"abcd", "abcd"}, Row{"abcde", "abcde.txt"}, Row{"out.txt", "out.txt"},
          Row{"OUT.TXT", "OUT.TXT.txt"}, Row{"/tmp/a.txt", "/tmp/a.txt"}})
        EXPECT_EQ(TfOutPut::SaveFileName(row.chosen), row.saved) << row.chosen;
}

TEST_F(OutputWindow, SaveWritesCodePage936WithCrLf) {
    LogLine("abc");
    LogLine("数据");
    const QString path = dir.filePath("day1");
    SaveAs(path);
    // 数 = CA FD, 据 = BE DD in code page 936.
    EXPECT_EQ(ReadFile(path + ".txt"), "abc\r\n\xCA\xFD\xBE\xDD\r\n");
    EXPECT_EQ(boxes, QStringList{"数据存贮成功!!!"});
}

TEST_F(OutputWindow, SaveReplacesAnExistingFile) {
    const QString path = dir.filePath("old.txt");
    std::ofstream(path.toStdString()) << "a much longer earlier content";
    LogLine("x");
    SaveAs(path);
    EXPECT_EQ(ReadFile(path), "x\r\n");
}

TEST_F(OutputWindow, CancelledSaveDoesNothing) {
    LogLine("x");
    SaveAs(std::nullopt);
    EXPECT_TRUE(boxes.isEmpty());
}

TEST_F(OutputWindow, FailedSaveSaysSoAndLogsWhy) {
    LogLine("x");
    const QString path = dir.filePath("missing/folder/log.txt");
    SaveAs(path);
    EXPECT_EQ(boxes, QStringList{"数据存贮失败!!!"});
    EXPECT_EQ(window.Memo1->Lines().back(),
              "数据存贮失败!!! " + path.toStdString() + ": No such file or directory");
}

// The receiver ticks only while the ring holds bytes; every tick it runs still does all a tick does.
TEST_F(OutputWindow, TheReceiverSleepsOnAnEmptyRingAndWakesForBytes) {
    ASSERT_TRUE(window.Timer1->isActive());  // the first tick finds out that there is nothing
    window.Timer1Timer();
    EXPECT_FALSE(window.Timer1->isActive());
    EXPECT_TRUE(window.ReceiverIdle());

    // A frame after a quiet spell: arriving bytes start the timer, the next tick delivers the frame.
    // "KQ", 2 + 5 header bytes, seq 0001, type F000, Len 0, checksum, CR LF.
    const std::vector<uint8_t> frame = {0x4B, 0x51, 0,    0,    0,    0,    0,    0,    0,
                                        0x00, 0x01, 0xF0, 0x00, 0x00, 0x00, 0x00, 0x0D, 0x0A};
    for (uint8_t b : frame) ASSERT_TRUE(RecvRingPush(b));
    NotifyRecvRingFed();
    EXPECT_TRUE(window.Timer1->isActive());
    window.Timer1Timer();
    EXPECT_EQ(ReplyRecord.Type, 0xF000);
    EXPECT_FALSE(window.Timer1->isActive());

    // A frame start whose bytes never all come keeps the receiver ticking until its error line: this one
    // announces 4 payload bytes (22 in all) and only 18 arrive.
    std::vector<uint8_t> cut = frame;
    cut[14] = 0x04;
    for (uint8_t b : cut) ASSERT_TRUE(RecvRingPush(b));
    NotifyRecvRingFed();
    std::vector<std::string> before = window.Memo1->Lines();
    for (int tick = 0; tick < 3 && window.Timer1->isActive(); ++tick) window.Timer1Timer();
    const auto& lines = window.Memo1->Lines();
    EXPECT_NE(std::find(lines.begin() + static_cast<long>(before.size()), lines.end(),
                        "COM数据接收错误,已进行出错处理"),
              lines.end());
}

TEST_F(OutputWindow, ATimerStoppedByHandStaysStopped) {
    window.Timer1->stop();
    window.Timer1Timer();  // a tick by hand on an empty ring
    ASSERT_TRUE(RecvRingPush(0x4B));
    NotifyRecvRingFed();
    EXPECT_FALSE(window.Timer1->isActive());
}

}  // namespace
