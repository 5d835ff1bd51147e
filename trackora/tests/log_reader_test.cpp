// The run-log reader: its requests, its pacing with retries, both record layouts, which page answers
// it takes, and saving.
#include <QFile>
#include <memory>

#include "platform/FileDialog.h"
#include "tool_fixture.h"
#include "tools/LogRecords.h"
#include "tools/TfLog.h"

namespace {

using Strings = std::vector<std::string>;

// The 24-byte record of a personal locator and its line: 0xD1 has card, GSM, no charging (bit 3),
// registered (bit 4), awake, no power, vibration; 0xA8 is P5 and signal 8; 0xC8 GPS on, fixed, 8;
// 00 01 2C is 300 seconds; report type 2 shows byte 18.
const std::string kPersonalRecord =
    Bytes({0x0C, 0x08, 0x1E, 0x05, 0x0F, 0xD1, 0xA8, 0xC8, 0x08, 0x00, 0x01, 0x2C,
           0x00, 0x0A, 0x00, 0x14, 0x02, 0x00, 0x07, 0x00, 0x0F, 0xA0, 0x00, 0x01});
const char kPersonalLine[] =
    "12-08:30:05 正常连接 "
    "有卡/GSM/未充电已注册/未休眠/无外电/有振动/P5/信号:8/GPS开:已定位:8:8/300秒/S10/R20/"
    "GPS上报:7/BAT:4000/DW:1";

class LogTest : public ToolTest {
  protected:
    void SetUp() override {
        ToolTest::SetUp();
        form = std::make_unique<TfLog>();
    }
    void TearDown() override {
        form.reset();
        SetSaveDialogHandler(nullptr);
        ToolTest::TearDown();
    }
    static std::string Page(int offset, const std::string& records) {
        return Bytes({static_cast<uint8_t>(offset >> 8), static_cast<uint8_t>(offset)}) + records;
    }
    static std::string Repeat(const std::string& s, int n) {
        std::string out;
        for (int i = 0; i < n; ++i) out += s;
        return out;
    }
    // Ticks the reader until it stops, answering every page request with that many records.
    void ReadAll() {
        for (int guard = 0; guard < 1000 && form->Timer1->isActive(); ++guard) {
            const size_t before = port.lines.size();
            form->Timer1Timer();
            if (port.lines.size() == before) continue;
            const SentFrame f = ParseLine(port.lines.back());
            const int offset = static_cast<uint8_t>(f.payload[0]) * 256 + static_cast<uint8_t>(f.payload[1]);
            Deliver(0x8388, Page(offset, Repeat(kPersonalRecord, static_cast<uint8_t>(f.payload[2]))));
        }
    }
    std::string T(const char* label) const { return Text(form.get(), label); }

    std::unique_ptr<TfLog> form;
};

TEST_F(LogTest, PagesAreAskedForByOffsetAndCount) {
    struct Case {
        int total;
        Strings lines;  // after the count request
    };
    // Checksums: 0x9C + 03 + 88 + 00 + 03 + the payload: 00 00 14 -> 0x13E, 00 14 14 -> 0x152,
    // 00 28 05 -> 0x157.
    const Case cases[] = {
        {45,
         {"ATKQ4B51000000000000000000038800030000143E0D0A\r\n",
          "ATKQ4B5100000000000000000003880003001414520D0A\r\n",
          "ATKQ4B5100000000000000000003880003002805570D0A\r\n"}},
        {40,
         {"ATKQ4B51000000000000000000038800030000143E0D0A\r\n",
          "ATKQ4B5100000000000000000003880003001414520D0A\r\n"}},
    };
    for (const Case& c : cases) {
        port.lines.clear();
        Click(form.get(), "Button1");
        ASSERT_EQ(port.lines, Strings{"ATKQ4B5100000000000000000003870000260D0A\r\n"});  // 0x9C+03+87 = 0x126
        Deliver(0x8387, Bytes({0, static_cast<uint8_t>(c.total)}));
        EXPECT_EQ(T("Label3"), "设备总记录数：" + std::to_string(c.total));
        EXPECT_TRUE(form->Timer1->isActive());
        EXPECT_EQ(form->Timer1->interval(), 100);
        ReadAll();
        EXPECT_EQ(Strings(port.lines.begin() + 1, port.lines.end()), c.lines) << c.total;
        EXPECT_EQ(T("Label1"), "状态：数据读取完毕");
        EXPECT_EQ(T("Label2"), "当前记录总数：" + std::to_string(c.total));
        EXPECT_EQ(form->ProgressBar1->value(), 100);
        EXPECT_EQ(form->Memo1->Lines().size(), static_cast<size_t>(c.total));
        EXPECT_EQ(form->Memo1->Lines().back(), kPersonalLine);
    }
}

TEST_F(LogTest, AMissingPageIsAskedForEverySecondThreeTimesThenTheReadFails) {
    Click(form.get(), "Button1");
    Deliver(0x8387, Bytes({0, 45}));
    port.lines.clear();
    std::vector<int> sentOn;
    int stoppedOn = 0;
    for (int t = 1; t <= 40 && form->Timer1->isActive(); ++t) {
        const size_t before = port.lines.size();
        form->Timer1Timer();
        if (port.lines.size() > before) sentOn.push_back(t);
        if (!form->Timer1->isActive()) stoppedOn = t;
    }
    EXPECT_EQ(sentOn, (std::vector<int>{2, 12, 22}));
    EXPECT_EQ(stoppedOn, 32);
    EXPECT_EQ(T("Label1"), "状态：数据读取错误");
    for (const std::string& line : port.lines) EXPECT_EQ(line, port.lines[0]);
    EXPECT_EQ(form->ProgressBar1->value(), 0);
}

TEST_F(LogTest, OnlyTheAwaitedPageIsShownAndOnlyOnce) {
    Deliver(0x8388, Page(0, kPersonalRecord));
    EXPECT_TRUE(form->Memo1->Lines().empty()) << "no read runs";

    // The count flag is clear at start, so a count before any start begins a read; a second is ignored.
    Deliver(0x8387, Bytes({0, 45}));
    Deliver(0x8387, Bytes({0, 7}));
    EXPECT_EQ(T("Label3"), "设备总记录数：45");
    Deliver(0x8388, Page(0, kPersonalRecord));
    EXPECT_TRUE(form->Memo1->Lines().empty()) << "not asked for yet";
    form->Timer1Timer();
    form->Timer1Timer();  // the request for offset 0
    Deliver(0x8388, Page(20, kPersonalRecord));
    EXPECT_TRUE(form->Memo1->Lines().empty()) << "another page's offset";
    Deliver(0x8388, Page(0, kPersonalRecord + kPersonalRecord + "\x01\x02\x03"));
    Deliver(0x8388, Page(0, kPersonalRecord + kPersonalRecord));
    EXPECT_EQ(form->Memo1->Lines(), (Strings{kPersonalLine, kPersonalLine}))
        << "the repeated answer is not shown";
    EXPECT_EQ(T("Label2"), "当前记录总数：2");
}

TEST_F(LogTest, RecordsStopAtTheDataField) {
    Deliver(0x8387, Bytes({0, 60}));
    form->Timer1Timer();
    form->Timer1Timer();
    // A frame claiming 2000 bytes: only (1024 - 2) div 24 = 42 records lie inside the field.
    ReplyRecord = MakeReply(0x8388, Page(0, Repeat(kPersonalRecord, 42)) + std::string(14, '\x11'));
    ReplyRecord.Len = 2000;
    DispatchReply(ReplyRecord);
    EXPECT_EQ(form->Memo1->Lines().size(), 42u);
    EXPECT_EQ(T("Label2"), "当前记录总数：42");
}

TEST_F(LogTest, ACountOfZeroAsksForNothing) {
    Click(form.get(), "Button1");
    Deliver(0x8387, Bytes({0, 0}));
    EXPECT_EQ(T("Label3"), "设备总记录数：0");
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_EQ(T("Label1"), "状态：初始化");
    EXPECT_EQ(port.lines.size(), 1u);
}

TEST(LogRecords, SixteenByteLayouts) {
    // 0x95: card, no network (bit 6 and 5 clear), registered, ACC off, sleeping, no power, vibration.
    const uint8_t record[16] = {0x01, 0x02, 0x03, 40,   0x95, 0x1F, 0x3F, 9,
                                0x01, 0x00, 0x21, 0x04, 0x00, 0x07, 1,    37};
    const std::span<const uint8_t, 16> r(record);
    EXPECT_EQ(
        FormatLogRecord(r, kLogStandardDevice),
        Strings{"01-02:03 未知流程 有卡/无网/已注册/ACC关/已休眠/无外电/有振动/P0/信号:31/GPS:关未定位:63:9/"
                "256秒/V7:33/V1:4/BIN:7/补传:1/电压:37"});
    EXPECT_EQ(
        FormatLogRecord(r, kLogVinDevice),
        (Strings{"01-02:03 未知流程 有卡/无网/已注册/ACC关/已休眠/无外电/有振动/P0/信号:31/GPS:关未定位:63:9/"
                 "256秒/行程数目:4/BIN:7/补传:1/电压:37",
                 "行程事件：接收到行程开始信息", "行程事件：行程开始时间无效"}));
}

TEST_F(LogTest, SavedOnlyWhenWrittenAndSaidSo) {
    Click(form.get(), "Button1");
    Deliver(0x8387, Bytes({0, 1}));
    form->Timer1Timer();
    form->Timer1Timer();
    Deliver(0x8388, Page(0, kPersonalRecord));
    const QString path = folder.filePath("runlog");
    SetSaveDialogHandler([path] { return path; });
    Click(form.get(), "Button2");
    QFile file(path + ".txt");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().endsWith("DW:1\r\n"));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "数据存贮成功!!!");

    SetSaveDialogHandler([this] { return folder.filePath("no/such/folder/log.txt"); });
    Click(form.get(), "Button2");
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, "数据存贮失败!!!");
    EXPECT_EQ(boxes[1].icon, MsgIcon::Warning);
}

}  // namespace
