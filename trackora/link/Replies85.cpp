// Replies to the module-maker, barometer, alarm-clock, SMS registration, APN test, remote-control and
// gun/sentry commands.
#include "link/ListDecoders.h"
#include "link/ReplyFamilies.h"
#include "link/ReplyTemplate.h"

namespace {

constexpr TemplateRow kRows[] = {
    {0x8501, "终端IMEI号：{t0}", nullptr},
    {0x8503, "终端工作频段：{b0?0:900|1:1800|2:900_1800|12:850_900_1800_1900}", nullptr},
    {0x8505, "设备工作模式：{b0?0:正常模式|1:飞行模式}", nullptr},
    {0x8506, "ADC校准标志读取：{x0}{x1}{x2}{x3}", nullptr},
    {0x8512, "gSensor记录数：{w0}", nullptr},
    {0x8513, "闹铃设置成功!", nullptr},
    {0x8514, "关机闹铃设置:\n{p}", nullptr},
    {0x8516, "Corvena注册短信状态：{b0?1:允许|*:禁止}\n号码：{t1}", nullptr},
    {0x851A, "设置遥控器使能成功", nullptr},
    {0x851B, "{b0?1:查询遥控器使能：允许|*:查询遥控器使能：禁止}", nullptr},
    {0x851C, "设置BTMAC检测使能成功", nullptr},
    {0x851D, "{b0?1:查询蓝牙使能：允许|*:查询蓝牙使能：禁止}", nullptr},
    {0x8531, "枪支状态模拟应答!", nullptr},
    {0x8532, "参数设置成功!", nullptr},
    {0x8535, "退出报警模式成功!", nullptr},
    {0x8536, "枪支MCU模拟应答", nullptr},
    {0x8537, "岗哨配置应答", nullptr},
    {0x8538, "岗哨MCU模拟应答", nullptr},
};

constexpr uint8_t kGun = 1;

// Three counted texts one after the other: APN, user name, password.
void DecodeApnList(const TReplyRecord& reply, ReplyLines& out) {
    const ReplyBytes b(reply);
    out.push_back("APN列表测试应答");
    int at = 0;
    for (const char* label : {"APN:", "UserName:", "PassWord:"}) {
        const int length = b.At(at);
        out.push_back(label + LogText(b.Raw(at + 1, at + length)));
        at += 1 + length;
    }
}

void DecodeGunConfig(const TReplyRecord& reply, ReplyLines& out) {
    const ReplyBytes b(reply);
    if (b.At(0) == kGun) {
        RenderReplyTemplate(b, "设备类型：枪支\n{b1?0:设备处于待机模式|*:设备处于测距模式}", out);
    } else {
        out.push_back("设备类型：岗哨");
    }
    RenderReplyTemplate(
        b,
        "检测距离：{b2}\n{b3?0:运行模式：正常模式|*:运行模式：MTK下载模式}\n设备IMEI：{t4-18}\n"
        "平台端口：{w19}\n平台IP:{t21-50}",
        out);
}

constexpr int kGunListStart = 3;
constexpr int kGunEntrySize = 8;

void DecodeGunStatus(const TReplyRecord& reply, ReplyLines& out) {
    const ReplyBytes b(reply);
    if (b.At(0) == kGun) {
        RenderReplyTemplate(
            b, "设备类型：枪支\n{b1?1:设备报警：离位报警|2:设备报警：低压报警|*:设备报警：未报警}", out);
        return;
    }
    RenderReplyTemplate(b, "设备类型：岗哨\n{b1?1:设备报警：SOS报警|2:设备报警：离位报警|*:设备报警：未报警}",
                        out);
    const int count = b.At(2);
    if (count == 0) {
        out.push_back("未设置被检测设备");
        return;
    }
    out.push_back("枪支列表数：" + Dec(count));
    // Only entries the frame carries whole are listed; a count beyond them lists what is there.
    for (int k = 0; k < count; ++k) {
        const int at = kGunListStart + kGunEntrySize * k;
        if (!b.Has(at + kGunEntrySize - 1)) break;
        out.push_back(IMEIThreeIDConver(b.At(at), b.At(at + 1), b.At(at + 2), b.At(at + 3), b.At(at + 4),
                                        b.At(at + 5), b.At(at + 6), b.At(at + 7)));
    }
}

constexpr ReplyRow kHandRows[] = {
    {0x8517, &DecodeApnList, nullptr},
    {0x8533, &DecodeGunConfig, nullptr},
    {0x8534, &DecodeGunStatus, nullptr},
};

}  // namespace

void RegisterReplies85() {
    RegisterTemplateRows(kRows);
    RegisterReplyRows(kHandRows);
}
