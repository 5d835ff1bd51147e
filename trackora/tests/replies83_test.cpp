#include <gtest/gtest.h>

#include "platform/TextCodec.h"
#include "reply_test_util.h"

namespace {

// One case per kind of row; rows of the same kind differ only in their words.
TEST(Replies83, RowsOfEachKindPrintTheirLines) {
    const GoldenCase cases[] = {
        {"fixed line", 0x830D, "", {"终端接收短信模拟!"}},
        {"fixed line kept as terminals word it", 0x8344, Bytes({1, 2}), {"GRPS附着网络测试"}},
        // 服务器 in code page 936 is B7FE CEF1 C6F7.
        {"text over Len", 0x8302, Bytes({0xB7, 0xFE, 0xCE, 0xF1, 0xC6, 0xF7}), {"Rsq Server Addr:服务器"}},
        {"text, empty payload", 0x8306, "", {"Rsq Apn Info"}},
        // 0x1F90 = 31*256 + 144 = 8080; no colon after the label.
        {"BE16", 0x8304, Bytes({0x1F, 0x90}), {"Rsq Server Port8080"}},
        // 0x0001E240 = 123456.
        {"BE32", 0x8324, Bytes({0x00, 0x01, 0xE2, 0x40}), {"Kesmo终端ID：123456"}},
        {"flag set", 0x8309, Bytes({1}), {"Debug Enable:Enable"}},
        {"flag other value", 0x8309, Bytes({2}), {"Debug Enable:Disable"}},
        {"hex dump on its own line", 0x8311, Bytes({0x0A, 0x1F}), {"NV读取应答", "0A 1F "}},
        {"hex dump behind a label", 0x8361, Bytes({0xFF}), {"RF寄存器读取测试：FF "}},
        {"hex2", 0x8317, Bytes({0x0F}), {"读gsensor值为：0F"}},
        // 0x18 = 24, 0x0C = 12: no zero padding.
        {"date and time", 0x8326, Bytes({0x18, 0x0C, 0x08, 0x09, 0x05, 0x03}), {"系统时间：24-12-8 9:5:3"}},
        {"several values on one line",
         0x832B,
         Bytes({7, 30, 1, 2, 5, 10}),
         {"闹钟查询应答：", "时间:7:30,状态：1,频率：2,天数：5,贪睡：10"}},
        {"choice listed", 0x832C, Bytes({1}), {"请求录音：录音起动错误!!"}},
        {"choice unlisted adds nothing", 0x832C, Bytes({3}), {"请求录音："}},
        {"choice unlisted, IO", 0x8331, Bytes({0}), {"IO写测试："}},
        {"choice whole line", 0x8381, Bytes({1}), {"内存分配成功"}},
        {"choice whole line, else", 0x8381, Bytes({0}), {"内存分配失败"}},
        // 0x003C = 60, 0x001E = 30, 0x0172 = 370 -> 3.7.
        {"hundredths",
         0x8350,
         Bytes({0x01, 0x00, 0x3C, 0x00, 0x1E, 0x01, 0x72}),
         {"电池管理调试数据：", "电池管家状态：存在", "电池管理检测计时：60", "电池ADC上报计时：30",
          "ADC采样电压：3.7"}},
        // 0x71 = 113, 0x38 = 56; 0x16 = 22, 0x1E = 30, 0x2D = 45.
        {"degrees",
         0x835E,
         Bytes({0x71, 0x38, 0x07, 0x0C, 0x16, 0x1E, 0x2D, 0x06}),
         {"最后位置查询：", "经度：113.560712", "纬度：22.304506"}},
        // 0x0064 = 100, 0x01F4 = 500.
        {"counters with a fixed line",
         0x8375,
         Bytes({0x02, 0x01, 0x00, 0x64, 0x01, 0xF4, 0x00, 0x0A}),
         {"4G流程消耗数据查询", "当前网络：2", "上传模块状态：执行中", "月最大数据条数：11776",
          "当月已上传条数：100", "今日最大数据条数：500", "今日已上传条数：10"}},
        // 4 * 128 = 512.
        {"scaled byte", 0x8377, Bytes({4, 5}), {"4G流量参数查询", "数据包大小：512", "发送时间间隔：5"}},
        {"line dropped for an unlisted state",
         0x8386,
         Bytes({5, 10, 3}),
         {"碰撞报警参数查询!", "报警阀值：10", "检测次数：3"}},
        {"state line kept",
         0x8386,
         Bytes({1, 10, 3}),
         {"碰撞报警参数查询!", "状态：检测矢量合", "报警阀值：10", "检测次数：3"}},
        {"choice label with a value", 0x838B, Bytes({1, 7}), {"WIFI 扫描:7"}},
        {"choice label unlisted: no line", 0x838B, Bytes({9, 7}), {}},
        {"value glued to its label", 0x838C, Bytes({2}), {"系统当前休眠状态2"}},
        {"two values", 0x83A8, Bytes({3, 1}), {"LT62操作ID：3,LT62操作结果：1"}},
        {"value with unit", 0x83AA, Bytes({2, 0, 15}), {"定位方式：GPS定位", "上报时间间隔：15分钟"}},
        {"value with unit, unknown way", 0x83AA, Bytes({7, 0, 15}), {"上报时间间隔：15分钟"}},
        {"lines before the monitor call", 0x83A4, Bytes({0x0A, 0x1F}), {"BT数据上报", "0A 1F "}},
        {"forward only", 0x8384, Bytes({1, 2, 3}), {}},
    };
    for (const GoldenCase& c : cases) ExpectGolden(c);
}

TEST(Replies83, ResetLogListsNewestFirstWrappingBelowSlotZero) {
    const GoldenCase cases[] = {
        // Pointer 1: slots 0, 7, 6 -> bytes 2, 9, 8 -> codes 12, 1, 10.
        {"three records",
         0x830A,
         Bytes({3, 1, 12, 0, 0, 0, 0, 0, 10, 1}),
         {"系统运日志查询：", "复位次数：3指针位置：1", "第1次复位原因：远程升级", "第2次复位原因：用户复位",
          "第3次复位原因：网络丢失"}},
        {"count above eight",
         0x830A,
         Bytes({9, 4, 0, 0, 0, 0, 0, 0, 0, 0}),
         {"系统运日志查询：", "复位次数：9指针位置：4", "无复位记录"}},
        {"no record", 0x830A, Bytes({0, 0}), {"系统运日志查询：", "复位次数：0指针位置：0", "无复位记录"}},
        // Pointer 0: newest is slot 7 -> byte 9.
        {"charge error without a text",
         0x83A7,
         Bytes({1, 0, 0, 0, 0, 0, 0, 0, 0, 4}),
         {"充电出错数据查询：", "出错次数：1指针位置：0", "第1次出错原因："}},
        {"charge error with a text",
         0x83A7,
         Bytes({1, 0, 0, 0, 0, 0, 0, 0, 0, 3}),
         {"充电出错数据查询：", "出错次数：1指针位置：0", "第1次出错原因：充电电压过高"}},
        {"code beyond the reasons",
         0x830A,
         Bytes({1, 1, 200}),
         {"系统运日志查询：", "复位次数：1指针位置：1", "第1次复位原因："}},
        // Pointer 9 starts at slot 8 (byte 10), which this frame does not carry: no reason is made up.
        {"pointer beyond the ring",
         0x830A,
         Bytes({2, 9, 0, 0, 0, 0, 0, 0, 0, 1}),
         {"系统运日志查询：", "复位次数：2指针位置：9", "第1次复位原因：", "第2次复位原因：用户复位"}},
    };
    for (const GoldenCase& c : cases) ExpectGolden(c);
}

TEST(Replies83, AreaAlarmAndAlarmStates) {
    // Radius 0x000001F4 = 500.
    const std::string circle =
        Bytes({1, 0, 1, 0x71, 0x38, 0x07, 0x0C, 0x16, 0x1E, 0x2D, 0x06, 0x00, 0x00, 0x01, 0xF4});
    std::string unknownWay = circle;
    unknownWay[1] = 5;
    const GoldenCase cases[] = {
        {"circle",
         0x830B,
         circle,
         {"区域报警设置查询：", "已设置区域", "报警方式：进区域报警", "区域类型：圆型区域",
          "经度：113.560712", "纬度：22.304506", "半径：500"}},
        {"unknown way repeats the set line",
         0x830B,
         unknownWay,
         {"区域报警设置查询：", "已设置区域", "已设置区域", "区域类型：圆型区域", "经度：113.560712",
          "纬度：22.304506", "半径：500"}},
        {"no area", 0x830B, Bytes({0, 1, 1}), {"区域报警设置查询：", "未设置区域"}},
        {"polygon",
         0x830B,
         Bytes({1, 1, 3, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}),
         {"区域报警设置查询：", "已设置区域", "报警方式：出区域报警", "区域类型：多边型区域",
          "经度1：1.020304", "纬度1：5.060708", "经度2：9.101112", "纬度2：13.141516"}},
        {"unknown shape",
         0x830B,
         Bytes({1, 0, 4}),
         {"区域报警设置查询：", "已设置区域", "报警方式：进区域报警"}},
        // Bits 0 and 2: vibration from bytes 2-7, border from bytes 14-19 (0x1F = 31, 0x17 = 23, 0x3B = 59).
        {"vibration and border",
         0x8338,
         Bytes({0, 5, 0x18, 1, 2, 3, 4, 5, 0, 0, 0, 0, 0, 0, 0x18, 0x0C, 0x1F, 0x17, 0x3B, 0x3B}),
         {"复位报警状态查询：", "振动报警--24-1-2 3:4:5", "越界报警--24-12-31 23:59:59"}},
        {"no alarm bit", 0x8338, Bytes({0xFF, 0}), {"复位报警状态查询："}},
    };
    for (const GoldenCase& c : cases) ExpectGolden(c);
}

class Replies83Forwarding : public ::testing::Test {
  protected:
    void TearDown() override {
        for (const char* w : {"TfDebug", "TfQRCreate"}) ClearReplyInput(w);
    }
};

TEST_F(Replies83Forwarding, DebugDataGoesToEachOpenWindowInOrder) {
    std::string calls;
    EXPECT_TRUE(RunRow(MakeReply(0x8392, Bytes({1}))).empty());  // both closed: nothing at all
    SetReplyInput("TfQRCreate.QRDataInput", [&] { calls += "Q"; });
    SetReplyInput("TfDebug.DebugDataInput", [&] { calls += "D"; });
    EXPECT_TRUE(RunRow(MakeReply(0x8392, Bytes({1}))).empty());
    EXPECT_EQ(calls, "DQ");
}

TEST_F(Replies83Forwarding, RowsNameTheirWindows) {
    RegisterAllReplyFamilies();
    const struct {
        uint16_t type;
        const char* window;
    } rows[] = {{0x831F, "TfAppEbike.gSensorStudyInfoInput"},
                {0x8332, "TfAppEbike.IOTestAckDeal"},
                {0x8384, "TfDVRN.TaiYaDataInput"},
                {0x8387, "TfLog.LogCountInput"},
                {0x8388, "TfLog.LogDataInput"},
                {0x83A4, "TfMoni.BtDataInput"}};
    for (const auto& r : rows) {
        const ReplyRow* row = FindReplyRow(r.type);
        ASSERT_NE(row, nullptr) << std::hex << r.type;
        ASSERT_NE(row->forwardTo, nullptr) << std::hex << r.type;
        EXPECT_STREQ(row->forwardTo, r.window) << std::hex << r.type;
    }
}

}  // namespace
