#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <fstream>
#include <iterator>

#include "link/OutPut.h"
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

TEST_F(OutputWindow, FailedSaveSaysSo) {
    LogLine("x");
    SaveAs(dir.filePath("missing/folder/log.txt"));
    EXPECT_EQ(boxes, QStringList{"数据存贮失败!!!"});
}

}  // namespace
