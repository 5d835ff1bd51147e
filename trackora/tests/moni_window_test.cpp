// The monitor window: what each mode polls and when, and what its panels show for the replies.
#include <QImage>
#include <memory>

#include "link/Replies81.h"
#include "tool_fixture.h"
#include "tools/TfMoni.h"

namespace {

using Strings = std::vector<std::string>;

class MoniTest : public ToolTest {
  protected:
    void SetUp() override {
        ToolTest::SetUp();
        form = std::make_unique<TfMoni>();
    }
    void TearDown() override {
        form.reset();
        ToolTest::TearDown();
    }
    // The ticks (1-based) on which a frame left, over `ticks` ticks.
    std::vector<int> TicksSending(int ticks, const std::function<void(int)>& between = {}) {
        std::vector<int> sent;
        for (int t = 1; t <= ticks; ++t) {
            const size_t before = port.lines.size();
            form->Timer1Timer();
            if (port.lines.size() > before) sent.push_back(t);
            if (between) between(t);
        }
        return sent;
    }
    std::string T(const char* label) const { return Text(form.get(), label); }
    bool RowShown(int n) const {
        return !form->findChild<QLabel*>(QStringLiteral("Label%1").arg(n))->isHidden();
    }

    std::unique_ptr<TfMoni> form;
};

TEST_F(MoniTest, GpsReplyEndToEndPaintsBarsAndLabelsBeforeTheNextRequest) {
    Click(form.get(), "SpeedButton2");
    EXPECT_EQ(MoniCtrl.Mode, 2);
    EXPECT_TRUE(form->Panel1->isVisibleTo(form.get()));
    EXPECT_FALSE(form->Panel2->isVisibleTo(form.get()));
    // Pairs (7,30) (12,45) (3,12) arrive unsorted; the dispatcher puts the strongest first.
    Deliver(0x8101, Bytes({0x01, 0x01, 0x01, 0x0C, 0x0A, 0x00, 0x5A, 0x00, 0x71, 0x38, 0x07,
                           0x0C, 0x16, 0x21, 0x2C, 0x05, 0x1A, 0x03, 0x04, 0x05, 0x06, 0x07,
                           0x03, 0x07, 0x1E, 0x0C, 0x2D, 0x03, 0x0C, 0x00, 0x05}));
    form->Timer1Timer();

    // 45 * 150 / 60 = 112 (truncated), 30 -> 75, 12 -> 30; the other bars full height, white, "00".
    const GpsBar expected[] = {{112, 38, kBarFixedRgb, "12", "45"},
                               {75, 75, kBarFixedRgb, "7", "30"},
                               {30, 120, kBarFixedRgb, "3", "12"},
                               {},
                               {},
                               {}};
    for (int k = 0; k < kGpsBarCount; ++k) {
        EXPECT_EQ(form->Shapes[static_cast<size_t>(k)]->Bar(), expected[k]) << "bar " << k + 1;
        EXPECT_EQ(T(("Label" + std::to_string(2 * k + 1)).c_str()), expected[k].prn);
        EXPECT_EQ(T(("Label" + std::to_string(2 * k + 2)).c_str()), expected[k].snr);
    }
    ExpectLabels(form.get(), {
                                 {"Label15", "Status:A/E/N"},
                                 {"Label16", "Staellite:3"},
                                 {"Label17", "Longitude:113.560712"},
                                 {"Label18", "Latitude:22.334405"},
                                 {"Label19", "Speed:10"},
                                 {"Label20", "Angle:90"},
                                 {"Label21", "Collect Times:5"},
                                 {"Label22", "DHOP:1.2"},
                                 {"Label41", "DateTime:26-3-4 5:6:7"},
                             });
    EXPECT_EQ(Cmds(), std::vector<int>{0x0101});

    // The paint event draws the model: bar 1 is green from row 38 down and not above it.
    const QImage shape = form->Shapes[0]->grab().toImage();
    EXPECT_EQ(shape.pixelColor(12, 100), QColor(0, 255, 0));
    EXPECT_NE(shape.pixelColor(12, 20), QColor(0, 255, 0));
}

TEST(MoniBars, HeightsTopsAndColoursStayInTheirFrame) {
    struct Case {
        const char* legend;
        int count;
        Bool32 fixed;
        uint8_t snr;
        GpsBar first;
    };
    const Case cases[] = {
        {"no satellites: white, full, 00", 0, kTrue32, 40, {}},
        {"60 is a full bar", 1, kTrue32, 60, {150, 0, kBarFixedRgb, "9", "60"}},
        {"30 is half", 1, kTrue32, 30, {75, 75, kBarFixedRgb, "9", "30"}},
        {"no fix is blue", 1, 0, 30, {75, 75, kBarSearchingRgb, "9", "30"}},
        {"above 60 stays in the frame", 1, kTrue32, 61, {150, 0, kBarFixedRgb, "9", "61"}},
        {"255 stays in the frame", 1, kTrue32, 255, {150, 0, kBarFixedRgb, "9", "255"}},
        {"a count above 6 shows 6", 24, kTrue32, 20, {50, 100, kBarFixedRgb, "9", "20"}},
    };
    for (const Case& c : cases) {
        TGpsInfoManage gps;
        gps.GpsCount = c.count;
        gps.Fixed = c.fixed;
        gps.GpsPrn.fill(9);
        gps.GpsSnr.fill(c.snr);
        const GpsBars bars = BuildGpsBars(gps);
        EXPECT_EQ(bars[0], c.first) << c.legend;
        EXPECT_EQ(bars[5], c.count >= 6 ? c.first : GpsBar{}) << c.legend;
    }
}

TEST_F(MoniTest, SystemPanelLabelsAndImsiHistory) {
    std::string payload(96, '\0');
    payload[0] = 15;
    payload[1] = 1;
    payload[4] = 23;
    payload[8] = 0x34, payload[9] = 0x12;
    payload[10] = static_cast<char>(0xCD), payload[11] = static_cast<char>(0xAB);
    payload[12] = 0x10, payload[13] = 0x0E;  // battery 3600
    payload.replace(36, 15, "460001234567890");
    payload[52] = 2, payload[54] = 1;  // Net:1-2
    payload[58] = static_cast<char>(164);
    payload[94] = 0x4B;  // 75 tenths
    Deliver(0x8100, payload);
    Click(form.get(), "SpeedButton1");
    form->Timer1Timer();
    ExpectLabels(form.get(), {
                                 {"Label30", "System Status: Normal Connect"},
                                 {"Label23", "SIM:1"},
                                 {"Label24", "REG:0"},
                                 {"Label46", "CSQ:23"},
                                 {"Label28", "AreaID:1234"},
                                 {"Label29", "CellID:ABCD"},
                                 {"Label27", "Battery:3600"},
                                 {"Label45", "Net:1-2"},
                                 {"Label47", "Band:4G"},
                                 {"Label49", "Voltage:7.5"},
                                 {"Label44", "SIM IMSI:460001234567890"},
                             });
    EXPECT_EQ(Cmds(), std::vector<int>{0x0100});
    EXPECT_EQ(form->Memo1->Lines(), Strings{""}) << "the first IMSI logs the empty text before it";

    form->Timer1Timer();
    EXPECT_EQ(form->Memo1->Lines(), Strings{""}) << "the same IMSI logs nothing";

    SysRunInfo.Imsi = "460009999";
    SysRunInfo.SysState = 40;
    SysRunInfo.Band = 5;
    SysRunInfo.Voltage10 = 120;
    form->Timer1Timer();
    EXPECT_EQ(form->Memo1->Lines(), (Strings{"", "SIM IMSI:460001234567890"}))
        << "the previous IMSI is logged";
    EXPECT_EQ(T("Label44"), "SIM IMSI:460009999");
    EXPECT_EQ(T("Label30"), "System Status: Normal Connect") << "a state without a name leaves the label";
    EXPECT_EQ(T("Label47"), "Band:");
    EXPECT_EQ(T("Label49"), "Voltage:12");
}

TEST_F(MoniTest, ObdFieldsAreLittleEndianWithSignedTotalsAndTheGearAsACharacter) {
    std::string payload(60, '\0');
    payload.replace(0, 4, Bytes({0x10, 0x27, 0x00, 0x00}));
    payload.replace(8, 4, Bytes({0xFF, 0xFF, 0xFF, 0xFF}));
    payload.replace(14, 2, Bytes({0xB8, 0x0B}));
    payload[16] = 60;
    payload[50] = 'D';
    payload.replace(58, 2, Bytes({0x01, 0x02}));
    Deliver(0x8107, payload);
    ExpectLabels(form.get(), {
                                 {"Label119", "累计里程:10000"},
                                 {"Label120", "累计油量：0"},
                                 {"Label121", "瞬时油耗：-1"},
                                 {"Label123", "转速：3000"},
                                 {"Label124", "车速：60"},
                                 {"Label158", "档位：D"},
                                 {"Label163", "获取状态次数：513"},
                             });
}

TEST(MoniWifi, EntryFields) {
    struct Case {
        const char* entry;
        WifiEntry fields;
    };
    const Case cases[] = {{"Home|-45|AA:BB", {"Home", "-45", "AA:BB"}},
                          {"Home|AA:BB", {"Home", "", "AA:BB"}},
                          {"Home", {"Home", "", ""}},
                          {"a|b|c|d", {"a", "b", "c|d"}}};
    for (const Case& c : cases) {
        const WifiEntry e = SplitWifiEntry(c.entry);
        EXPECT_EQ(std::tie(e.name, e.signal, e.address),
                  std::tie(c.fields.name, c.fields.signal, c.fields.address))
            << c.entry;
    }
}

TEST_F(MoniTest, WifiReplyShowsOneRowPerEntry) {
    Deliver(0x8105, "HomeAP|-45|AA:BB:CC:DD:EE:FF&Guest|-70|11:22:33:44:55:66");
    EXPECT_EQ(T("Label91"), "扫描热点个数：2");
    EXPECT_EQ(T("Label92"), std::string("更新时间：") + kToolClockText);
    EXPECT_EQ(T("Label97"), "01      HomeAP   -45           AA:BB:CC:DD:EE:FF");
    EXPECT_EQ(T("Label98"), "02      Guest   -70           11:22:33:44:55:66");
    for (int n = 97; n <= 104; ++n) EXPECT_EQ(RowShown(n), n <= 98) << n;

    Deliver(0x8105, "");
    EXPECT_EQ(T("Label91"), "扫描热点个数：0");
    EXPECT_FALSE(RowShown(97));
}

TEST_F(MoniTest, BluetoothReplyRowsNeverReachPastThePayload) {
    Deliver(0x83A4, Bytes({0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x02, 0x09, 0xA1, 0xA2, 0xA3, 0xA4,
                           0xA5, 0xA6, 0x61, 0x62, 0x63, 0x06, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6}));
    EXPECT_EQ(SysRunInfo.BtPollTicks, 58);
    ExpectLabels(form.get(), {
                                 {"Label105", "主机MAC地址：11:22:33:44:55:66"},
                                 {"Label106", "扫描个数：2"},
                                 {"Label107", std::string("更新时间：") + kToolClockText},
                                 {"Label110", "01       A1:A2:A3:A4:A5:A6     abc"},
                                 {"Label111", "02       B1:B2:B3:B4:B5:B6     "},
                             });
    EXPECT_FALSE(RowShown(112));

    // Eight devices announced, the second one cut off by the end of the frame (the record's stale
    // bytes behind Len would otherwise make up its name and the six records after it).
    Deliver(0x83A4, Bytes({1, 2, 3, 4, 5, 6, 8, 0x07, 1, 2, 3, 4, 5, 6, 0x41, 0x0A, 1, 2, 3}));
    EXPECT_EQ(T("Label106"), "扫描个数：8");
    EXPECT_EQ(T("Label110"), "01       01:02:03:04:05:06     A");
    for (int n = 111; n <= 117; ++n) EXPECT_FALSE(RowShown(n)) << n;
}

TEST_F(MoniTest, EachModeShowsItsPanelAndPollsAtItsPace) {
    struct Case {
        const char* button;
        int mode;
        const char* panel;
        int cmd;
        std::vector<int> ticks;  // of 12
    };
    const Case cases[] = {
        {"SpeedButton1", 1, "Panel2", 0x0100, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
        {"SpeedButton2", 2, "Panel1", 0x0101, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
        {"SpeedButton3", 3, "Panel3", 0x0107, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
        {"SpeedButton5", 4, "Panel4", 0x0105, {1, 6, 11}},
        {"SpeedButton6", 5, "Panel5", 0x03A3, {1}},
    };
    for (const Case& c : cases) {
        port.lines.clear();
        Click(form.get(), c.button);
        EXPECT_EQ(form->Timer1->interval(), 1000);
        EXPECT_TRUE(form->Timer1->isActive()) << c.button;
        EXPECT_EQ(MoniCtrl.Mode, c.mode);
        for (const char* panel : {"Panel1", "Panel2", "Panel3", "Panel4", "Panel5"})
            EXPECT_EQ(form->findChild<QWidget*>(panel)->isVisibleTo(form.get()),
                      panel == std::string(c.panel))
                << c.button << " " << panel;
        for (const char* b : {"SpeedButton1", "SpeedButton2", "SpeedButton3", "SpeedButton5", "SpeedButton6"})
            EXPECT_EQ(form->findChild<QPushButton*>(b)->isEnabled(), b != std::string(c.button)) << b;
        EXPECT_EQ(TicksSending(12), c.ticks) << c.button;
        for (int cmd : Cmds()) EXPECT_EQ(cmd, c.cmd) << c.button;
    }
    Click(form.get(), "SpeedButton4");
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_EQ(MoniCtrl.Mode, 5) << "Stop keeps the mode";
    for (const char* b : {"SpeedButton1", "SpeedButton2", "SpeedButton3", "SpeedButton5", "SpeedButton6"})
        EXPECT_TRUE(form->findChild<QPushButton*>(b)->isEnabled()) << b;
}

TEST_F(MoniTest, BluetoothScanEverySixtyTicksAndTwoTicksAfterAnAnswer) {
    Click(form.get(), "SpeedButton6");
    EXPECT_EQ(TicksSending(121), (std::vector<int>{1, 61, 121}));
    port.lines.clear();
    Click(form.get(), "SpeedButton4");
    Click(form.get(), "SpeedButton6");
    const std::string reply = Bytes({1, 2, 3, 4, 5, 6, 0});
    EXPECT_EQ(TicksSending(72,
                           [&](int t) {
                               if (t == 10) Deliver(0x83A4, reply);
                           }),
              (std::vector<int>{1, 12, 72}));
    // A counter already beyond its period still reaches the send: the polling never stalls.
    port.lines.clear();
    SysRunInfo.BtPollTicks = 500;
    EXPECT_EQ(TicksSending(1), std::vector<int>{1});
}

}  // namespace
