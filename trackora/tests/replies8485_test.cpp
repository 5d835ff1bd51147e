#include <gtest/gtest.h>

#include "reply_test_util.h"

namespace {

TEST(Replies84, KeyFobAndBindingRows) {
    const GoldenCase cases[] = {
        {"fixed line", 0x8401, "", {"钥匙扣ID1设置应答"}},
        {"text over Len", 0x8402, "A1B2", {"RFID钥匙扣一ID：A1B2"}},
        {"hex dump", 0x8407, Bytes({0x00, 0xC3}), {"RF芯片寄存器读取：00 C3 "}},
        {"zero or else", 0x8414, Bytes({0}), {"RF防盗模式：安防"}},
        {"zero or else, other", 0x8422, Bytes({7}), {"任意号码设置：允许"}},
        {"bound as the character '1'", 0x8428, "1", {"设备已绑定!"}},
        {"the number 1 is not bound", 0x8428, Bytes({1}), {"设备未绑定!"}},
    };
    for (const GoldenCase& c : cases) ExpectGolden(c);
}

TEST(Replies85, ModuleAndRemoteRows) {
    const GoldenCase cases[] = {
        {"text over Len", 0x8501, "865432101234567", {"终端IMEI号：865432101234567"}},
        {"band listed", 0x8503, Bytes({12}), {"终端工作频段：850_900_1800_1900"}},
        {"band unlisted", 0x8503, Bytes({3}), {"终端工作频段："}},
        {"work mode", 0x8505, Bytes({1}), {"设备工作模式：飞行模式"}},
        {"four hex bytes joined", 0x8506, Bytes({0x01, 0xAB, 0x00, 0xFF}), {"ADC校准标志读取：01AB00FF"}},
        {"BE16", 0x8512, Bytes({1, 0}), {"gSensor记录数：256"}},
        {"all bytes joined", 0x8514, Bytes({0x07, 0x1E, 0x01}), {"关机闹铃设置:", "071E01"}},
        {"number after the flag",
         0x8516,
         Bytes({1, '1', '3', '8'}),
         {"Corvena注册短信状态：允许", "号码：138"}},
        {"no number", 0x8516, Bytes({0}), {"Corvena注册短信状态：禁止", "号码："}},
        {"enable query", 0x851D, Bytes({1}), {"查询蓝牙使能：允许"}},
        {"fixed line", 0x8538, "", {"岗哨MCU模拟应答"}},
    };
    for (const GoldenCase& c : cases) ExpectGolden(c);
}

TEST(Replies85, ApnListTest) {
    const GoldenCase cases[] = {
        {"three texts, one empty",
         0x8517,
         Bytes({5, 'c', 'm', 'n', 'e', 't', 0, 3, 'a', 'b', 'c'}),
         {"APN列表测试应答", "APN:cmnet", "UserName:", "PassWord:abc"}},
        {"all empty", 0x8517, Bytes({0, 0, 0}), {"APN列表测试应答", "APN:", "UserName:", "PassWord:"}},
        // A length running past the frame prints what the frame holds, and later texts are empty.
        {"length past the frame",
         0x8517,
         Bytes({200, 'x', 'y'}),
         {"APN列表测试应答", "APN:xy", "UserName:", "PassWord:"}},
    };
    for (const GoldenCase& c : cases) ExpectGolden(c);
}

TEST(Replies85, GunAndSentry) {
    std::string gunConfig =
        Bytes({1, 0, 10, 0}) + "865432101234567" + Bytes({0x1F, 0x90}) + "iot.example-platform.com:12345";
    std::string sentryConfig = Bytes({2, 0, 10, 1}) + "865432101234567" + Bytes({0x1F, 0x90}) + "10.0.0.1";
    sentryConfig.append(30 - 8, '\0');  // the IP field is padded with zeros to 30 bytes
    const GoldenCase cases[] = {
        {"gun configuration",
         0x8533,
         gunConfig,
         {"设备类型：枪支", "设备处于待机模式", "检测距离：10", "运行模式：正常模式",
          "设备IMEI：865432101234567", "平台端口：8080", "平台IP:iot.example-platform.com:12345"}},
        {"sentry configuration, zero padding left out",
         0x8533,
         sentryConfig,
         {"设备类型：岗哨", "检测距离：10", "运行模式：MTK下载模式", "设备IMEI：865432101234567",
          "平台端口：8080", "平台IP:10.0.0.1"}},
        // Entry 1: id 20 19 07, in place, no value, 3. Entry 2: 12 34 56, out, 0x012C = 300 -> 3, 0x000A
        // = 10.
        {"sentry with two guns",
         0x8534,
         Bytes({2, 1, 2, 0x20, 0x19, 0x07, 1, 0xFF, 0xFF, 0, 3, 0x12, 0x34, 0x56, 0, 0x01, 0x2C, 0, 0x0A}),
         {"设备类型：岗哨", "设备报警：SOS报警", "枪支列表数：2", "ID:201907 在位未知 3",
          "ID:123456 离位 3 10"}},
        {"gun never lists",
         0x8534,
         Bytes({1, 2, 5, 1, 2, 3, 4, 5, 6, 7, 8}),
         {"设备类型：枪支", "设备报警：低压报警"}},
        {"sentry without guns",
         0x8534,
         Bytes({0, 9, 0}),
         {"设备类型：岗哨", "设备报警：未报警", "未设置被检测设备"}},
        // Count 3 but one whole entry in the frame: list only what is there.
        {"count beyond the frame",
         0x8534,
         Bytes({2, 2, 3, 0x01, 0x23, 0x45, 2, 0, 5, 0, 0, 0x99}),
         {"设备类型：岗哨", "设备报警：离位报警", "枪支列表数：3", "ID:012345 未知 0.05 0"}},
    };
    for (const GoldenCase& c : cases) ExpectGolden(c);
}

}  // namespace
