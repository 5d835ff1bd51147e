// The network, debug and matrix windows: the cell table, the debug stream's lines and saving, and the
// matrix that stays painted.
#include <QImage>
#include <memory>

#include "platform/FileDialog.h"
#include "tool_fixture.h"
#include "tools/TfDebug.h"
#include "tools/TfNetTest.h"
#include "tools/TfQRCreate.h"

namespace {

using Strings = std::vector<std::string>;

// Fix, speed 60, course 270, 113.560712 E, 22.334405 N; serving cell ARFCN 80, RxLev 45, MNC 0, MCC 460,
// LAC 9500, CI 4001, TA 3; two neighbours.
std::string NetPayload(uint8_t neighbours) {
    return Bytes({0x01, 0x00, 0x3C, 0x01, 0x0E, 0x71, 0x38, 0x07, 0x0C, 0x16, 0x21, 0x2C, 0x05,
                  0x00, 0x50, 0x2D, 0x00, 0x00, 0x01, 0xCC, 0x25, 0x1C, 0x0F, 0xA1, 0x03, neighbours,
                  0x00, 0x51, 0x28, 0x00, 0x00, 0x01, 0xCC, 0x25, 0x1C, 0x0F, 0xA2,  //
                  0x02, 0x00, 0x1E, 0x00, 0x01, 0x01, 0xCC, 0x25, 0x1D, 0x0F, 0xA3});
}

TEST_F(ToolTest, NetworkWindowShowsTheServingCellAndItsNeighbours) {
    TfNetTest form;
    Deliver(0x8103, NetPayload(2));
    ExpectLabels(&form, {
                            {"Label1", "时间：03-04 05:06:07"},
                            {"Label2", "定位：是"},
                            {"Label3", "经度：113.560712"},
                            {"Label4", "纬度：22.334405"},
                            {"Label5", "速度：60"},
                            {"Label6", "方向：270"},
                            {"Label7", "TA：3"},
                            {"Label8", "arfcn：80"},
                            {"Label9", "RxLev：45"},
                            {"Label10", "MNC：0"},
                            {"Label11", "MCC：460"},
                            {"Label12", "LAC：9500"},
                            {"Label13", "CI:4001"},
                        });
    const Strings captions = {"arfcn：", "RxLev：", "MNC：", "MCC：", "LAC：", "CI:"};
    const Strings neighbours[] = {{"81", "40", "0", "460", "9500", "4002"},
                                  {"512", "30", "1", "460", "9501", "4003"}};
    for (int r = 1; r <= kNeighbourCells; ++r)
        for (int f = 0; f < kCellValues; ++f)
            EXPECT_EQ(
                Text(&form, NeighbourLabel(r, f).c_str()),
                captions[static_cast<size_t>(f)] + (r <= 2 ? neighbours[r - 1][static_cast<size_t>(f)] : "0"))
                << r << "/" << f;

    // A count beyond six neighbours puts every neighbour back to 0.
    Deliver(0x8103, NetPayload(7));
    for (int r = 1; r <= kNeighbourCells; ++r)
        for (int f = 0; f < kCellValues; ++f)
            EXPECT_EQ(Text(&form, NeighbourLabel(r, f).c_str()), captions[static_cast<size_t>(f)] + "0") << r;
}

TEST_F(ToolTest, NetworkWindowPollsEverySecondWhileMonitoring) {
    TfNetTest form;
    EXPECT_FALSE(form.Timer1->isActive());
    EXPECT_EQ(form.Timer1->interval(), 1000);
    Click(&form, "SpeedButton1");
    EXPECT_TRUE(form.Timer1->isActive());
    form.Timer1Timer();
    form.Timer1Timer();
    EXPECT_EQ(Cmds(), (std::vector<int>{0x0103, 0x0103}));
    EXPECT_EQ(Frames()[0].payload, "");
    Click(&form, "SpeedButton3");
    EXPECT_TRUE(form.Timer1->isActive()) << "清空数据 does nothing";
    Click(&form, "SpeedButton2");
    EXPECT_FALSE(form.Timer1->isActive());
}

TEST_F(ToolTest, DebugStreamLinesAndCommands) {
    TfDebug form;
    Deliver(0x8115, "ABC");
    Check(&form, "CheckBox1");
    Deliver(0x8115, "ABC");
    Deliver(0x8110, "");
    EXPECT_EQ(form.Memo1->Lines(), (Strings{"", "Uart Send Data:  2026-03-04 05:06:07", "41 42 43 ",  //
                                            "", "Uart Send Data:  2026-03-04 05:06:07", "41 42 43 ", "ABC",
                                            "", "System Debug Info  2026-03-04 05:06:07", "", ""}));

    // A frame claiming more than the data field holds shows the field's 1024 bytes, no more.
    Check(&form, "CheckBox1", false);
    ReplyRecord = MakeReply(0x8113, std::string(1024, '\x5A'));
    ReplyRecord.Len = 1500;
    DispatchReply(ReplyRecord);
    EXPECT_EQ(form.Memo1->Lines().back().size(), 1024u * 3);

    Click(&form, "SpeedButton2");
    EXPECT_TRUE(form.Memo1->Lines().empty());

    Click(&form, "SpeedButton1");  // "Enable" at start: 0x9C + 03 + 08 + 00 + 01 + 01 = 0xA9
    Pick(&form, "ComboBox1", 2);
    Click(&form, "SpeedButton1");
    Click(&form, "SpeedButton3");
    ASSERT_EQ(port.lines.size(), 3u);
    EXPECT_EQ(port.lines[0], "ATKQ4B510000000000000000000308000101A90D0A\r\n");
    EXPECT_EQ(Frames()[1].payload, "\x02");
    EXPECT_EQ(Frames()[2].cmd, 0x0309);
    EXPECT_EQ(Frames()[2].payload, "");
}

TEST_F(ToolTest, DebugLogSavedOnlyWhenWrittenAndSaidSo) {
    TfDebug form;
    Deliver(0x8111, "x");
    SetSaveDialogHandler([this] { return folder.filePath("log"); });
    Click(&form, "SpeedButton4");
    EXPECT_TRUE(QFile::exists(folder.filePath("log.txt"))) << "the rule counts the whole path";
    SetSaveDialogHandler([this] { return folder.filePath("no/such/dir/debug"); });
    Click(&form, "SpeedButton4");
    SetSaveDialogHandler(nullptr);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Data Save OK!!!");
    EXPECT_EQ(boxes[1].text, "数据存贮失败!!!");
    EXPECT_EQ(boxes[1].icon, MsgIcon::Warning);
}

TEST_F(ToolTest, MatrixTextIsSentAndCutToOneFrame) {
    TfQRCreate form;
    Click(&form, "SpeedButton1");
    // 0x9C + 03 + 92 + 00 + 0A = 0x13B; the digits add 0x20D: 0x348.
    ASSERT_EQ(port.lines.size(), 1u);
    EXPECT_EQ(port.lines[0], "ATKQ4B510000000000000000000392000A31323334353637383930480D0A\r\n");
    // 245 two-byte characters and one more: 492 bytes are cut to 490, a character is never split.
    Type(&form, "Edit1", QString(246, QChar(0x6570)));
    Click(&form, "SpeedButton1");
    ASSERT_EQ(port.lines.size(), 2u);
    EXPECT_EQ(Frames()[1].payload.size(), 490u);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ToolTest, MatrixStaysPaintedAfterARepaint) {
    TfDebug debug;
    TfQRCreate form;
    std::string modules(441, '\0');
    modules[0] = 1;
    modules[440] = 1;
    modules[1] = 2;  // only 1 is dark
    Deliver(0x8392, modules);
    EXPECT_EQ(debug.Memo1->Lines()[1], "EWM Data  2026-03-04 05:06:07") << "both windows get the matrix";

    const QColor untouched = form.PaintBox1->grab().toImage().pixelColor(0, 0);
    for (int pass = 0; pass < 2; ++pass) {
        form.PaintBox1->repaint();
        const QImage image = form.PaintBox1->grab().toImage();
        for (int d = 0; d < 5; ++d) {
            EXPECT_EQ(image.pixelColor(10 + d, 10 + d), QColor(Qt::black)) << pass;
            EXPECT_EQ(image.pixelColor(114 - d, 110 + d), QColor(Qt::black)) << pass;
        }
        EXPECT_EQ(image.pixelColor(15, 10), QColor(Qt::white));
        EXPECT_EQ(image.pixelColor(14, 15), QColor(Qt::white));
        EXPECT_EQ(image.pixelColor(109, 110), QColor(Qt::white));
        EXPECT_EQ(image.pixelColor(9, 9), untouched);
    }

    // A short answer paints light modules where it carries nothing, never an earlier answer's bytes.
    Deliver(0x8392, Bytes({0, 1}));
    const QImage image = form.PaintBox1->grab().toImage();
    EXPECT_EQ(image.pixelColor(10, 10), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(15, 10), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(110, 110), QColor(Qt::white));

    Click(&form, "SpeedButton2");
    EXPECT_EQ(form.PaintBox1->grab().toImage().pixelColor(12, 12), QColor(Qt::black));
}

}  // namespace
