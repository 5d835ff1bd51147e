// The table-recorder windows on real SQLite files in a folder of the test's own: the rows each window
// records, their exports, the simulated point, and the tables surviving the window.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QFile>
#include <QMdiSubWindow>
#include <QTableView>
#include <fstream>
#include <iterator>

#include "console_fixture.h"
#include "link/LogMemo.h"
#include "link/ReplyDispatch.h"
#include "link/ReplyTable.h"
#include "platform/Clock.h"
#include "platform/FileDialog.h"
#include "platform/StrToInt.h"
#include "shell/KQMain.h"
#include "shell/WindowOpener.h"
#include "tools/RecorderRows.h"
#include "tools/TfDisTest.h"
#include "tools/TfGpsFinter.h"
#include "tools/TfQ7GpsMoni.h"

namespace {

const QDateTime kWhen(QDate(2026, 3, 4), QTime(5, 6, 7));

void SetReply(uint16_t type, const std::vector<uint8_t>& payload) {
    ReplyRecord.Type = type;
    ReplyRecord.Len = static_cast<int>(payload.size());
    ReplyRecord.Data.fill(0xAA);
    std::copy(payload.begin(), payload.end(), ReplyRecord.Data.begin());
}

// A mileage-test reply: time 13:05:09, longitude 113.560712, latitude 22.334405, speed 60, course 270,
// mileage 100000 (0x000186A0), spare speed 59, time step 5, distance 500 (0x01F4), flags 1 1 1 7, fixed.
const std::vector<uint8_t> k8117 = {0x00, 0x00, 0x00, 0x0D, 0x05, 0x09, 0x71, 0x38, 0x07, 0x0C,
                                    0x16, 0x21, 0x2C, 0x05, 0x00, 0x3C, 0x01, 0x0E, 0x00, 0x01,
                                    0x86, 0xA0, 0x00, 0x3B, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00,
                                    0x01, 0xF4, 0x01, 0x01, 0x01, 0x07, 0x01};
const TableRow k8117Row = {"13:05:09", "113.560712", "22.334405", "60", "270", "100000", "59",
                           "5",        "500",        "1",         "1",  "1",   "7",      "是"};

const char kReport[] =
    "E:1,SC:15,DC:0,dis:4,SecDis:4,logi:113.560712,lati:22.334405,course:73,spd:0,precision:12";

TEST(RecorderRows, RowsFromTheirSources) {
    SetReply(0x8117, k8117);
    EXPECT_EQ(DisTestRow(ReplyRecord), k8117Row);
    // A frame that stops early reads zeros, never the stale bytes behind Len.
    SetReply(0x8117, std::vector<uint8_t>(k8117.begin(), k8117.begin() + 6));
    const TableRow cut = DisTestRow(ReplyRecord);
    EXPECT_EQ(cut[0], "13:05:09");
    EXPECT_EQ(cut[5], "0");
    EXPECT_EQ(cut[13], "否");

    TGpsInfoManage gps;
    gps.Fixed = 1;
    gps.GpsCount = 3;
    gps.GpsSnr = {45, 30, 12, 99};  // the fourth lies beyond the count
    gps.CollectTimes = 5;
    gps.LongitudeText = "113.560712";
    gps.LatitudeText = "22.334405";
    gps.Speed = 10;
    gps.Course = 90;
    gps.Hdop10 = 12;
    EXPECT_EQ(Q7GpsRow(gps, kWhen), (TableRow{"2026-03-04 05:06:07", "是", "3", "45", "30", "12", "0", "0",
                                              "0", "5", "113.560712", "22.334405", "10", "90", "12"}));
    gps.GpsCount = 7;
    EXPECT_EQ(Q7GpsRow(gps, kWhen)[6], "99");

    EXPECT_EQ(GpsFinterRow(kReport, kWhen), (TableRow{"2026-03-04 05:06:07", "1", "15", "0", "4", "4",
                                                      "113.560712", "22.334405", "0", "73", "12"}));
}

TEST(RecorderRows, FindValueInStringIsCaseSensitiveAndFirstMatch) {
    struct Row {
        const char* text;
        const char* key;
        const char* value;
    } rows[] = {
        {"SecDis:9,dis:4", "dis:", "4"},  // "Dis:" inside "SecDis:" differs in case
        {"SecDis:9,dis:4", "SecDis:", "9"},
        {"E:1,SC:15", "precision:", ""},  // a missing key is an empty value
        {"spd:12", "spd:", "12"},         // the value runs to the end of the text
        {"spd:,E:1", "spd:", ""},
        {"logi:1,logi:2", "logi:", "1"},
    };
    for (const auto& r : rows) EXPECT_EQ(FindValueInString(r.text, r.key), r.value) << r.text << " " << r.key;
}

TEST(RecorderRows, ExportLinesKeepTheirColumns) {
    // Blanks after each field: 1, 4, 5, 3, 3, 3, 4, 4, 4, 6, 2, 2, 4, 4.
    EXPECT_EQ(Q7ExportLine({"2026-03-04 05:06:07", "是", "3", "45", "30", "12", "0", "0", "0", "5",
                            "113.560712", "22.334405", "10", "90", "12"}),
              "2026-03-04 05:06:07 是    3     45   30   12   0    0    0    5      113.560712  22.334405  "
              "10    90    12");
    // Longer numbers: two-digit count (4 blanks), six-digit sampling (1), four-digit speed (none).
    EXPECT_EQ(
        Q7ExportLine({"t", "否", "12", "1", "2", "3", "4", "5", "6", "123456", "a", "b", "1234", "359", "9"}),
        "t 否    12    1    2    3    4    5    6    123456 a  b  1234359   9");
    EXPECT_EQ(GpsFinterExportLine(GpsFinterRow(kReport, kWhen)),
              "2026-03-04 05:06:07 1     15      0       4       4   113.560712  22.334405   0    73    12");
}

// The windows as the program opens them, on the test's port and program folder.
class Recorders : public ConsoleTest {
  protected:
    void SetUp() override {
        ConsoleTest::SetUp();
        SetClock([] { return kWhen; });
        main = new TfKQMain;
        main->Timer1->stop();
        GlobalData.ComOpen = kTrue32;  // the main window starts with the port closed
    }
    void TearDown() override {
        delete main;
        SetClock(nullptr);
        SetSaveDialogHandler(nullptr);
        ConsoleTest::TearDown();
    }
    static int Rows(TRecorderForm* form) { return form->DBGrid1->model()->rowCount(); }
    static QString Cell(TRecorderForm* form, int row, int column) {
        return form->DBGrid1->model()->index(row, column).data().toString();
    }
    static std::string ReadFile(const QString& path) {
        std::ifstream file(path.toStdString(), std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }
    void ExportTo(const QString& path) {
        SetSaveDialogHandler([path] { return std::optional<QString>(path); });
    }
    void CloseAndDelete(const char* form) {
        ASSERT_TRUE(WindowFrame(form)->close());
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    TfKQMain* main = nullptr;
};

TEST_F(Recorders, MileageRepliesBecomeRowsThatSurviveTheWindow) {
    main->N14Click();
    ASSERT_NE(fDisTest, nullptr);
    EXPECT_EQ(fDisTest->windowTitle(), QStringLiteral("里程测试窗口"));
    for (int i = 0; i < 2; ++i) {
        SetReply(0x8117, k8117);
        ReplyRecord.Data[5] = static_cast<uint8_t>(i);  // seconds 0, then 1
        DispatchReply(ReplyRecord);
    }
    // The hex line before the row: each of the 37 bytes and a blank.
    ASSERT_FALSE(log.empty());
    EXPECT_NE(
        std::find(log.begin(), log.end(),
                  "00 00 00 0D 05 01 71 38 07 0C 16 21 2C 05 00 3C 01 0E 00 01 86 A0 00 3B 00 00 00 05 00 "
                  "00 01 F4 01 01 01 07 01 "),
        log.end());
    ASSERT_EQ(Rows(fDisTest), 2);
    EXPECT_EQ(Cell(fDisTest, 0, 0), "13:05:00");
    EXPECT_EQ(Cell(fDisTest, 1, 0), "13:05:01");
    EXPECT_EQ(fDisTest->DBGrid1->currentIndex().row(), 1) << "the grid stands on the last row";

    CloseAndDelete("TfDisTest");
    SetReply(0x8117, k8117);
    DispatchReply(ReplyRecord);  // no window: no row
    main->N14Click();
    ASSERT_EQ(Rows(fDisTest), 2);
    for (int column = 1; column < 14; ++column)
        EXPECT_EQ(Cell(fDisTest, 1, column).toStdString(), k8117Row[static_cast<size_t>(column)]) << column;
    EXPECT_TRUE(QFile::exists(folder.filePath("DB/DisTest.db")));

    Click(fDisTest, "SpeedButton1");
    EXPECT_EQ(Rows(fDisTest), 0);
}

TEST_F(Recorders, TheSimulatedPointCarriesTheFieldsAndThePcTime) {
    main->N14Click();
    Click(fDisTest, "SpeedButton2");
    // 0x9C + 01 + 18 + 00 + 16 = 0xCB; the payload adds 0x1AA: 0x275 -> 75.
    ASSERT_EQ(port.lines.size(), 1u);
    EXPECT_EQ(port.lines[0],
              "ATKQ4B5100000000000000000001180016010101010A003200700C22381F0B16211A0304050607750D0A\r\n");

    Type(fDisTest, "Edit1", "300");  // 300 = 0x012C: low byte, then 300 div 256
    Pick(fDisTest, "ComboBox1", 0);
    Click(fDisTest, "SpeedButton2");
    ASSERT_EQ(port.lines.size(), 2u);
    const SentFrame frame = ParseLine(port.lines[1]);
    EXPECT_EQ(frame.cmd, 0x0118);
    EXPECT_EQ(frame.payload.substr(0, 6), std::string("\x00\x01\x01\x01\x2C\x01", 6));

    Type(fDisTest, "Edit7", "x");
    Click(fDisTest, "SpeedButton2");
    EXPECT_EQ(port.lines.size(), 2u) << "a field that is no number stops the send";
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().text, QString::fromStdString(ConvertErrorText("x")));
}

TEST_F(Recorders, GpsRowsExportAsFixedWidthLinesAndAnEmptyTableWritesNoFile) {
    main->GPS3Click();
    ASSERT_NE(fQ7GpsMoni, nullptr);
    GpsInfoManage.Fixed = 1;
    GpsInfoManage.GpsCount = 1;
    GpsInfoManage.GpsSnr[0] = 40;
    GpsInfoManage.LongitudeText = "113.560712";
    GpsInfoManage.LatitudeText = "22.334405";
    (void)ForwardReply("TfQ7GpsMoni.GpsDataInput");
    ASSERT_EQ(Rows(fQ7GpsMoni), 1);

    const QString path = folder.filePath("gps");
    ExportTo(path);
    Click(fQ7GpsMoni, "SpeedButton2");
    // Code page 936, CR LF, the name as chosen. 日期时间: C8 D5 C6 DA CA B1 BC E4.
    const std::string text = ReadFile(path);
    EXPECT_EQ(text.substr(0, 8), "\xC8\xD5\xC6\xDA\xCA\xB1\xBC\xE4");
    EXPECT_NE(text.find("\r\n2026-03-04 05:06:07 "), std::string::npos);
    EXPECT_EQ(fQ7GpsMoni->Memo1->Lines().size(), 2u);

    Click(fQ7GpsMoni, "SpeedButton1");
    EXPECT_EQ(Rows(fQ7GpsMoni), 0);
    const QString second = folder.filePath("empty.txt");
    ExportTo(second);
    boxes.clear();
    Click(fQ7GpsMoni, "SpeedButton2");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("无记录，放弃存贮"));
    EXPECT_FALSE(QFile::exists(second));
}

TEST_F(Recorders, TheSampleReportIsOneRowAndItsTextGoesToTheMemo) {
    main->GPS1Click();
    ASSERT_NE(fGpsFinter, nullptr);
    Click(fGpsFinter, "Button1");
    ASSERT_EQ(Rows(fGpsFinter), 1);
    EXPECT_EQ(Cell(fGpsFinter, 0, 1), "1");
    EXPECT_EQ(Cell(fGpsFinter, 0, 10), "12");
    EXPECT_EQ(fGpsFinter->FindValueInString("course:"), "73");
    EXPECT_EQ(fGpsFinter->Memo1->Lines().back(), kReport);
}

TEST_F(Recorders, ATableThatCannotBeOpenedIsAnErrorNotACrash) {
    // A plain file where the folder should be: neither the folder nor the table can be made.
    QFile blocker(folder.filePath("DB"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    main->GPS3Click();
    ASSERT_NE(fQ7GpsMoni, nullptr);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.startsWith(QStringLiteral("数据表错误: "))) << boxes[0].text.toStdString();
    boxes.clear();
    (void)ForwardReply("TfQ7GpsMoni.GpsDataInput");
    EXPECT_EQ(boxes.size(), 1u) << "one box for the row that could not be written";
    EXPECT_EQ(Rows(fQ7GpsMoni), 0);

    ExportTo(folder.filePath("out.txt"));
    boxes.clear();
    Click(fQ7GpsMoni, "SpeedButton2");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text, QStringLiteral("无记录，放弃存贮"));
    EXPECT_FALSE(QFile::exists(folder.filePath("out.txt")));
}

}  // namespace
