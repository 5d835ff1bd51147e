// Replies to the device commands and tests (server settings, debug switches, run-log and alarm
// records, I/O and sensor tests, data counters, tyre sensors, Bluetooth, watchdog, production tests).
#include <array>

#include "link/ReplyFamilies.h"
#include "link/ReplyTemplate.h"

namespace {

constexpr TemplateRow kRows[] = {
    {0x8302, "Rsq Server Addr:{t0}", nullptr},
    {0x8304, "Rsq Server Port{w0}", nullptr},
    {0x8306, "Rsq Apn Info{t0}", nullptr},
    {0x8309, "Debug Enable:{b0?1:Enable|*:Disable}", nullptr},
    {0x830D, "终端接收短信模拟!", nullptr},
    {0x830F, "系统关机请求应答!", nullptr},
    {0x8311, "NV读取应答\n{h}", nullptr},
    {0x8312, "NV写入应答", nullptr},
    {0x8316, "写gsensor成功", nullptr},
    {0x8317, "读gsensor值为：{x0}", nullptr},
    {0x8318, "允许MTK休眠!!!", nullptr},
    {0x8319, "禁止MTK休眠!!!", nullptr},
    {0x831A, "电话拔打测试应答", nullptr},
    {0x831F, nullptr, "TfAppEbike.gSensorStudyInfoInput"},
    {0x8324, "Kesmo终端ID：{l0}", nullptr},
    {0x8326, "系统时间：{d0}", nullptr},
    {0x8327, "I2C写入测试：{x0}", nullptr},
    {0x8328, "I2C读取测试：{x0}", nullptr},
    {0x832B, "闹钟查询应答：\n时间:{b0}:{b1},状态：{b2},频率：{b3},天数：{b4},贪睡：{b5}", nullptr},
    {0x832C, "请求录音：{b0?0:请求成功!录音中...|1:录音起动错误!!|2:上次录音未结束!}", nullptr},
    {0x832E, "音频文件播放请求：{b0?1:成功!|*:失败!}", nullptr},
    {0x8330, "盲区状态信息：\n记录总条数：{w0}\n记录读指针：{w2}\n记录写指针：{w4}", nullptr},
    {0x8331, "IO写测试：{b0?1:继电器低|2:继电器高|3:刹车线低|4:刹车线高|5:电源控制低|6:电源控制高}", nullptr},
    {0x8332, nullptr, "TfAppEbike.IOTestAckDeal"},
    {0x8333, "初始化IO确认", nullptr},
    {0x8334, "IO写入确认", nullptr},
    {0x8335, "IO读取确认，当前值：{b0}", nullptr},
    {0x8337, "系统时间：{d0}", nullptr},
    {0x8339, "Kesmo车架设置应答", nullptr},
    {0x833A, "Kesmo车架查询应答：{w0}", nullptr},
    {0x833C, "停车上报时间：{w0}", nullptr},
    {0x8340, "断油断电确认!", nullptr},
    {0x8341, "供油供电确认", nullptr},
    {0x8344, "GRPS附着网络测试", nullptr},
    {0x8345, "打开辅助串口应答", nullptr},
    {0x8346, "关闭辅助串口应答", nullptr},
    {0x8347, "HTTP测试应答", nullptr},
    {0x8348, "测试模式,切换4G应答", nullptr},
    {0x8350,
     "电池管理调试数据：\n电池管家状态：{b0?1:存在|*:不存在}\n电池管理检测计时：{w1}\n电池ADC上报计时：{w3}\n"
     "ADC采样电压：{c5}",
     nullptr},
    {0x8359, "控制器测试应答", nullptr},
    {0x835C, "禁止最后位置更新应答", nullptr},
    {0x835D, "最后位置设置应答", nullptr},
    {0x835E, "最后位置查询：\n经度：{g0}\n纬度：{g4}", nullptr},
    {0x8360, "RF寄存器写入测试：{x0}", nullptr},
    {0x8361, "RF寄存器读取测试：{h}", nullptr},
    {0x8370, "进入飞行模式设置应答", nullptr},
    {0x8373, "设备外部关机应答!", nullptr},
    {0x8374, "电池低电压测试应答!", nullptr},
    {0x8375,
     "4G流程消耗数据查询\n当前网络：{b0}\n上传模块状态：{b1?1:执行中|*:未触发}\n月最大数据条数：11776\n"
     "当月已上传条数：{w2}\n今日最大数据条数：{w4}\n今日已上传条数：{w6}",
     nullptr},
    {0x8376, "4G流量参数设置确认", nullptr},
    {0x8377, "4G流量参数查询\n数据包大小：{b0*128}\n发送时间间隔：{b1}", nullptr},
    {0x8378, "充电流量上传使能设置成功!", nullptr},
    {0x8379, "充电流量上传使能查询：{b0?1:允许|*:禁止}", nullptr},
    {0x8380, "振动传感器控制应答", nullptr},
    {0x8381, "{b0?1:内存分配成功|*:内存分配失败}", nullptr},
    {0x8382, "看门狗测试应答!", nullptr},
    {0x8383, "胎压测确认", nullptr},
    {0x8384, nullptr, "TfDVRN.TaiYaDataInput"},
    {0x8385, "碰撞报警设置成功!", nullptr},
    {0x8386,
     "碰撞报警参数查询!\n{b0?0:状态：禁止|1:状态：检测矢量合|2:状态：检测单轴|*!}\n报警阀值：{b1}"
     "\n检测次数：{b2}",
     nullptr},
    {0x8387, nullptr, "TfLog.LogCountInput"},
    {0x8388, nullptr, "TfLog.LogDataInput"},
    {0x8389, "VMC电源状态：{b0}", nullptr},
    {0x838A, "当前WIFI状态：{b0}", nullptr},
    {0x838B, "{b0?0:WIFI 初始化:|1:WIFI 扫描:|2:WIFI 断开连接:|*!}{b1}", nullptr},
    {0x838C, "系统当前休眠状态{b0}", nullptr},
    {0x8390, "生产测试模式应答", nullptr},
    {0x83A0, "开BT电源应答", nullptr},
    {0x83A1, "开始扫描BT应答", nullptr},
    {0x83A2, "关闭BT电源应答", nullptr},
    {0x83A3, "BT监控应答", nullptr},
    {0x83A4, "BT数据上报\n{h}", "TfMoni.BtDataInput"},
    {0x83A8, "LT62操作ID：{b0},LT62操作结果：{b1}", nullptr},
    {0x83AA,
     "{b0?0:定位方式：关闭定位|1:定位方式：智能定位|2:定位方式：GPS定位|3:定位方式：WIFI+LBS定位|*!}\n"
     "上报时间间隔：{w1}分钟",
     nullptr},
};

// A ring of the last eight records: byte 0 the count, byte 1 the slot after the newest, bytes 2..9
// the codes. Shared by the reset log and the charge-error log, which differ only in their words.
struct RecordRingWords {
    const char* heading;
    const char* countLabel;
    const char* empty;
    const char* recordLabel;
    std::span<const char* const> reasons;  // index = code
};

constexpr std::array<const char*, 20> kResetReasons = {
    "系统定时复位", "用户复位",       "网络注册异常",   "SOCKET异常",   "PPP异常",
    "功能激活",     "格式化终端",     "SOCKET出错溢出", "登录出错溢出", "DNS出错溢出",
    "网络丢失",     "自动注册",       "远程升级",       "开机无SIM",    "运行丢失SIM",
    "重连次数溢出", "通迅芯片无应答", "USB关闭异常",    "网络切换异常", "其它异常复位",
};

// Charge-error codes are sparse; the gaps have no text.
constexpr std::array<const char*, 13> kChargeErrors = {
    nullptr, nullptr, nullptr,      "充电电压过高", nullptr,        nullptr,        "充电电流过大",
    nullptr, nullptr, "非法充电器", "充电超时",     "充电电流过低", "充电接触不良",
};

constexpr int kRingSlots = 8;

void DecodeRecordRing(const TReplyRecord& reply, ReplyLines& out, const RecordRingWords& words) {
    const ReplyBytes b(reply);
    const int count = b.At(0);
    const int pointer = b.At(1);
    out.push_back(words.heading);
    out.push_back(std::string(words.countLabel) + Dec(count) + "指针位置：" + Dec(pointer));
    if (count == 0 || count > kRingSlots) {
        out.push_back(words.empty);
        return;
    }
    // Newest first: the slot before the pointer, then backwards, slot 0 wrapping to slot 7.
    int slot = pointer == 0 ? kRingSlots - 1 : pointer - 1;
    for (int i = 1; i <= count; ++i) {
        std::string line = "第" + Dec(i) + words.recordLabel;
        // A slot whose code the frame does not carry gets no reason rather than a made-up one.
        if (b.Has(2 + slot)) {
            const uint8_t code = b.At(2 + slot);
            if (code < words.reasons.size() && words.reasons[code]) line += words.reasons[code];
        }
        out.push_back(std::move(line));
        slot = slot == 0 ? kRingSlots - 1 : slot - 1;
    }
}

void DecodeResetLog(const TReplyRecord& reply, ReplyLines& out) {
    DecodeRecordRing(reply, out,
                     {"系统运日志查询：", "复位次数：", "无复位记录", "次复位原因：", kResetReasons});
}

void DecodeChargeErrors(const TReplyRecord& reply, ReplyLines& out) {
    DecodeRecordRing(reply, out,
                     {"充电出错数据查询：", "出错次数：", "无充电出错记录", "次出错原因：", kChargeErrors});
}

void DecodeAreaAlarm(const TReplyRecord& reply, ReplyLines& out) {
    const ReplyBytes b(reply);
    out.push_back("区域报警设置查询：");
    if (b.At(0) == 0) {
        out.push_back("未设置区域");
        return;
    }
    // An unknown alarm way repeats the "set" line: that is how terminals in the field have shown it.
    RenderReplyTemplate(b, "已设置区域\n{b1?0:报警方式：进区域报警|1:报警方式：出区域报警|*:已设置区域}",
                        out);
    switch (b.At(2)) {
        case 1:
            RenderReplyTemplate(b, "区域类型：圆型区域\n经度：{g3}\n纬度：{g7}\n半径：{l11}", out);
            break;
        case 2:
        case 3:
            RenderReplyTemplate(b,
                                "{b2?2:区域类型：矩形区域|3:区域类型：多边型区域}\n经度1：{g3}\n纬度1：{g7}\n"
                                "经度2：{g11}\n纬度2：{g15}",
                                out);
            break;
        default:
            break;
    }
}

void DecodeAlarmStates(const TReplyRecord& reply, ReplyLines& out) {
    const ReplyBytes b(reply);
    out.push_back("复位报警状态查询：");
    const uint8_t bits = b.At(1);
    if (bits & 0x01) RenderReplyTemplate(b, "振动报警--{d2}", out);
    if (bits & 0x02) RenderReplyTemplate(b, "断电报警--{d8}", out);
    if (bits & 0x04) RenderReplyTemplate(b, "越界报警--{d14}", out);
}

// The monitor console handles the frame first; the acknowledgement line follows it.
void DecodeMcuMonitor(const TReplyRecord&, ReplyLines& out) {
    (void)ForwardReplyInOrder(out, "TfAppEbike.MoniDataInput");
    out.push_back("MCU数据监控应答");
}

// Two windows take this reply, each only while it is open.
void ForwardDebugData(const TReplyRecord&, ReplyLines& out) {
    (void)ForwardReplyInOrder(out, "TfDebug.DebugDataInput");
    (void)ForwardReplyInOrder(out, "TfQRCreate.QRDataInput");
}

constexpr ReplyRow kHandRows[] = {
    {0x830A, &DecodeResetLog, nullptr},    {0x830B, &DecodeAreaAlarm, nullptr},
    {0x8338, &DecodeAlarmStates, nullptr}, {0x835F, &DecodeMcuMonitor, nullptr},
    {0x8392, &ForwardDebugData, nullptr},  {0x83A7, &DecodeChargeErrors, nullptr},
};

}  // namespace

void RegisterReplies83() {
    RegisterTemplateRows(kRows);
    RegisterReplyRows(kHandRows);
}
