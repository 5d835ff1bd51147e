#include "consoles/EbikeTables.h"

#include "consoles/CellModuleCommands.h"
#include "consoles/ConsoleSamples.h"
#include "consoles/EbikePayloads.h"
#include "link/PublicData.h"

namespace {

// Sample values the edits start with before the user types the real ones.
const char* const kSampleSerial = "ABCDEFGHIJ12345678";
const char* const kSampleServerIp = "192.168.1.10";
const char* const kSampleDownloadServer = "192.168.1.11";
const char* const kSampleUpgradeServer = "192.168.1.12";
const char* const kSampleAuthServer = "192.168.1.13";
const char* const kSampleQrText = "1234567890";

const std::vector<std::string> kReport{"禁止上报", "允许上报"};
const std::vector<std::string> kLevels{"低电平", "高电平"};
const std::vector<std::string> kOutput{"禁止输出", "允许输出"};

std::vector<std::string> VibrationLevels() {
    std::vector<std::string> items{"0级 (最灵敏)"};
    for (int level = 1; level <= 14; ++level) items.push_back(std::to_string(level) + "级");
    items.emplace_back("15级(最不灵敏)");
    return items;
}

ParamPage MakerPage() {
    return {"厂家参数",
            {EditField("TERIID", "终端序列号", kSampleSerial), QueryKey("SOFTVERSION", "终端软件版本"),
             EditField("APN", "APN接入点名称", kPublicApn), EditField("USERPPP", "APN用户名", ""),
             EditField("PWPPP", "APN密码", ""),
             ComboField("CALLLOCK", "电话呼入功能", {"位置查询触发", "设防/撤防功能"}, 0),
             EditField("IMEI", "IMEI号", ""), QueryKey("IMSI", "IMSI号"),
             EditField("SERVIP", "服务器IP", kSampleServerIp), EditField("SERVPORT", "服务器端口", "5002"),
             ComboField("CALLDISP", "来显检测功能", {"不验证车主号码", "验证车主号码"}, 1),
             ComboField("VIBCALL", "振动语音报警", {"振动后不拔打电话", "振动后呼叫车主"}, 0),
             EditField("PSW", "终端操作密码", "730415"),
             ComboField("SMS", "短信激活功能", {"需要短信激活", "不需要短信激活"}, 0),
             ComboField("EQUTYPE", "终端类型", {"电瓶车模式", "摩托车模式"}, 0),
             ComboField("VIBGPS", "静态滤波功能", {"禁止GPS静态滤波", "允许GPS静态滤波"}, 0),
             ComboField("GPS_FINTER_EN", "Gps漂移优化", {"禁止GPS漂移优化", "允许GPS漂移优化"}, 1),
             ComboField("AGPS_EN", "AGPS功能", {"禁止", "允许-UBLOX服务器", "允许-备用服务器"}, 1)},
            {}};
}

ParamPage AlarmPage() {
    return {"报警叁数",
            {EditField("POFT", "断电报警延时", "120"), ComboField("POF", "断电报警短信", kReport, 1),
             ComboField("POFS", "断电报警GPRS", kReport, 1), ComboField("OUT", "越界报警短信", kReport, 1),
             ComboField("OUTS", "越界报警GPRS", kReport, 1), EditField("RADIUS", "越界报警距离", "500"),
             ComboField("VIB", "振动报警短信", kReport, 1), ComboField("VIBS", "振动报警GPRS", kReport, 1),
             ComboField("VIBL", "振动报警级别", VibrationLevels(), 6),
             Field("VIBCHK", "振动报警检测", {EditPart("10"), EditPart("4")}, ":"),
             EditField("LBV", "电池低压门限", "3700000"), EditField("VIB_BASE", "振动基数值", "64"),
             EditField("VIBT", "振动报警延时", "30"), EditField("HTTP_REF", "HTTP标识", "Q3VTNHWKR8PLBXJD")},
            {}};
}

ParamPage RunningPage() {
    return {"运行参数",
            {ComboField("TRACE", "位置上报使能", {"禁止位置上报", "允许位置上报"}, 1),
             EditField("FREQ", "位置上报频率", "30"), EditField("PHONE", "终端SIM-ID", ""),
             EditField("USER", "车主手机号码", ""),
             ComboField("WAKEUP", "定时唤醒使能", {"禁止自动唤醒", "允许自动唤醒"}, 1),
             EditField("WAKEUPT", "自动唤醒时间", "120"), EditField("PULSE", "心跳上报周期", "120"),
             ComboField("SLEEP", "终端休眠使能", {"禁止终端休眠功能", "允许终端休眠功能"}, 1),
             ComboField("ACCLOCK", "ACC设防使能", {"禁止ACC设防功能", "允许ACC设防功能"}, 1),
             EditField("ACCLT", "ACC设防时间", "120"), EditField("FLIT", "深度休眠时间", "4320"),
             QueryKey("FLICALC", "深度休眠计数"),
             ComboField("ANGLE_SEND", "拐点补传使能", {"禁止拐点补传", "允许拐点补传"}, 0),
             Field("WARN_TIMES", "报警次数限制", {WithUnit(ComboPart(NumberedItems("", 0, 99), 9), "次")}),
             ComboField("LED_CTRL", "LED显示控制", {"禁止显示", "允许显示"}, 0),
             ComboField("GPRS_CTRL", "GPRS使能", {"禁止GPRS连接", "允许GPRS连接"}, 0),
             QueryKey("EXPTRST_TIMES", "异常复位次数"), QueryKey("CHARGE_STATUS", "充电状态查询")},
            {}};
}

ParamPage DownloadPage() {
    return {"下载",
            {EditField("DW_ADDR", "升级平台IP", kSampleDownloadServer),
             EditField("DW_PORT", "升级平台端口", "9160"),
             ComboField("DW_FLAG", "升级标志", {"禁止下载", "允许下载"}, 1),
             ComboField("AUTO_ENABLE", "自动升级使能", {"禁止此功能", "允许此功能"}, 1),
             EditField("AUTO_ADDR", "判定平台IP", kSampleUpgradeServer),
             EditField("AUTO_PORT", "判定平台端口", "9162"),
             ComboField("AUTO_FLAG", "允许连接标志", {"禁止连接", "允许连接"}, 1)},
            {}};
}

ParamPage CommandPage(const char* caption) { return {caption, {}, {}}; }

// Four edits of a point: degrees, minutes and the minutes' fraction as two two-digit groups.
std::vector<ControlDecl> PointEdits(const char* prefix, const char* label, std::vector<const char*> parts) {
    std::vector<ControlDecl> edits;
    for (size_t i = 0; i < parts.size(); ++i) {
        const std::string name = prefix + std::to_string(i + 1);
        edits.push_back(EditDecl(name.c_str(), i == 0 ? label : "", parts[i]));
    }
    return edits;
}

std::vector<PayloadField> Bytes(const char* prefix, int count) {
    std::vector<PayloadField> fields;
    for (int i = 1; i <= count; ++i) {
        const std::string name = prefix + std::to_string(i);
        fields.push_back(ByteField(name.c_str()));
    }
    return fields;
}

std::vector<PayloadField> Join(std::vector<PayloadField> a, const std::vector<PayloadField>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<std::string> Names(const char* prefix, int count) {
    std::vector<std::string> names;
    for (int i = 1; i <= count; ++i) names.push_back(prefix + std::to_string(i));
    return names;
}

CommandDecl Local(const char* button, const char* caption, std::vector<std::string> beside = {}) {
    return Button(button, caption, -1, {}, std::move(beside));
}

UserMessage Plain(const char* text) { return PlainMessage(QString::fromUtf8(text)); }

EbikeCommandPage GSensorPage() {
    return {
        3,
        {EditDecl("EditGsRegister", "寄存器", "26"), EditDecl("EditGsValue", "值", "52"),
         EditDecl("EditGsChip", "芯片地址", "30"), EditDecl("EditGsLength", "读取长度", "6"),
         EditDecl("EditTwiWriteAddr", "写地址", "1500"), EditDecl("EditTwiData", "数据", "0102030405060708"),
         EditDecl("EditTwiReadAddr", "读地址", "1500"), EditDecl("EditTwiCount", "个数", "1"),
         ComboDecl("ComboClockLevel", "", kLevels, 0), ComboDecl("ComboDataLevel", "", kLevels, 0)},
        {Button(ebike::kStartCalibration, "开始进行振动校准", 0x031F),
         OwnMessage(Button("WriteGsRegister", "写寄存器值", 0x0316,
                           {Hex8Field("EditGsRegister"), Hex8Field("EditGsValue"), Hex8Field("EditGsChip"),
                            ByteField("EditGsLength")},
                           {"EditGsRegister", "EditGsValue", "EditGsChip", "EditGsLength"}),
                    Plain("参数错误!!!")),
         OwnMessage(Button("ReadGsRegister", "读寄存器值", 0x0317,
                           {Hex8Field("EditGsRegister"), Hex8Field("EditGsChip"), ByteField("EditGsLength")}),
                    Plain("数据设置错误!!!")),
         Button("ReadGsBytes", "多字节读取", 0x0373,
                {Hex8Field("EditGsRegister"), ByteField("EditGsLength")}),
         Button("InitAll", "初始化ALL", 0x0333), Button("InitSour", "初始化SOUR", 0x0334),
         Button("InitIrq", "初始化IRQ", 0x0335),
         Button("TwiWrite", "两线写测试", 0x0327,
                {BE16Field("EditTwiWriteAddr"), HexBytesField("EditTwiData")},
                {"EditTwiWriteAddr", "EditTwiData"}),
         Button("TwiRead", "两线读测试", 0x0328, {BE16Field("EditTwiReadAddr"), ByteField("EditTwiCount")},
                {"EditTwiReadAddr", "EditTwiCount"}),
         Button("ClockTest", "时钟测试", 0x0329, {IndexField("ComboClockLevel")}, {"ComboClockLevel"}),
         Button("DataTest", "数据测试", 0x032A, {IndexField("ComboDataLevel")}, {"ComboDataLevel"})}};
}

EbikeCommandPage DeviceDebugPage() {
    std::vector<ControlDecl> controls = PointEdits("EditLon", "经度", {"112", "12", "34", "56"});
    const auto lat = PointEdits("EditLat", "纬度", {"22", "12", "34", "56"});
    controls.insert(controls.end(), lat.begin(), lat.end());
    const auto leds = PointEdits("EditLed", "LED", {"1", "3", "1", "3"});
    controls.insert(controls.end(), leds.begin(), leds.end());
    for (const auto& decl :
         {EditDecl("EditSpeed", "速度", "10"),
          EditDecl("EditFreeText", "", "112233445566778899AABBCCDDEEFF00"),
          EditDecl("EditGsReg2", "寄存器", "01"), EditDecl("EditGsVal2", "值", "01"),
          EditDecl("EditHexTest", "", "", true),
          ComboDecl("ComboAlarmType", "", {"振动报警", "断电报警", "越界报警", "低电压报警"}, 0),
          ComboDecl("ComboLedTarget", "", {"GPS", "GSM"}, 0),
          ComboDecl("ComboLedState", "", {"熄灭", "点亮"}, 0),
          ComboDecl("ComboGsPower", "", {"关闭", "开启"}, 0),
          ComboDecl("ComboGpsRestart", "", {"冷启动", "温启动", "热启动"}, 0),
          ComboDecl("ComboWorkMode", "", {"普通工作模式", "飞行工作模式"}, 0)})
        controls.push_back(decl);
    const auto point = Join(Bytes("EditLon", 4), Bytes("EditLat", 4));
    return {
        4,
        controls,
        {Button("AreaAlarmTest", "区域报警测试", 0x030C, point),
         Button("MileageTest", "里程计算测试", 0x030E, Join(point, {BE16Field("EditSpeed")}), {"EditSpeed"}),
         Button("FormatParams", "格式化运行参数", 0x030E),
         Button("GpsOptimizeTest", "GPS优化测试", 0x0336, point),
         Button("LedNumbers", "LED调试", 0x0336, Bytes("EditLed", 4), Names("EditLed", 4)),
         Button("LedSwitch", "LED调试", 0x0315, {IndexField("ComboLedTarget"), IndexField("ComboLedState")},
                {"ComboLedTarget", "ComboLedState"}),
         Button("AlarmSimulation", "报警模拟", 0x0320, {IndexField("ComboAlarmType")}, {"ComboAlarmType"}),
         Button("Uart1Once", "UART1开关下发", 0x0320, {TextField("EditFreeText")}, {"EditFreeText"}),
         Button("Uart1Repeat", "UART1连续下发", 0x0321, {TextField("EditFreeText")}),
         Button("RouteTest", "测试路由平台", 0x0313),
         Button("GpsPowerOn", "GPS电源开", 0x0313),
         Button("GpsPowerOff", "GPS电源关", 0x0314),
         Button("MtkSleepOn", "允许MTK休眠", 0x0318),
         Button("MtkSleepOff", "禁止MTK休眠", 0x0319),
         Button("WriteGsData", "写GSENSOR数据", 0x0316, {Hex8Field("EditGsReg2"), Hex8Field("EditGsVal2")},
                {"EditGsReg2", "EditGsVal2"}),
         Button("ReadGsData", "读GSENSOR数据", 0x0317, {Hex8Field("EditGsReg2")}),
         Button("GsPower", "gSENSOR电源控制", 0x031B, {IndexField("ComboGsPower")}, {"ComboGsPower"}),
         Button("GsInit", "gSensor初始化", 0x031C),
         Button("GpsReset", "GPS复位控制", 0x031D, {GpsResetField("ComboGpsRestart")}, {"ComboGpsRestart"}),
         Button("AgpsRequest", "AGPS请求处理", 0x031E),
         Button("ReadResetData", "读取复位数据", 0x030A),
         Button("ReadAreaAlarm", "读取区域报警", 0x030B),
         Button("InitResetData", "初始化复位数据", 0x030F),
         Button("ReadCalibFlag", "读取校准标志", 0x0120),
         Button("ReadCalibData", "读取校准数据", 0x0121),
         Button("ReadBlindState", "读取盲区状态信息", 0x0330),
         Button("SetWorkMode", "工作模式设置", 0x0350, {IndexField("ComboWorkMode")}, {"ComboWorkMode"}),
         Button("GprsAttach", "GPRS附着", 0x0344),
         Button("ReadSystemTime", "读取系统时间", 0x0337),
         Button("ResetAlarmQuery", "复位报警状态查询", 0x0338),
         Local(ebike::kSerialPortTest, "串口测试"),
         Local("TwoPointDistance", "两点距离计算"),
         Local("AreaAlarmRun", "越界报警测试"),
         Hidden(Button("HexTest", "", 0x0322, {HexBytesField("EditHexTest")}, {"EditHexTest"}))}};
}

EbikeCommandPage VendorDebugPage() {
    std::vector<ControlDecl> controls = PointEdits("EditLastLon", "经度", {"119", "36", "28", "96"});
    const auto lat = PointEdits("EditLastLat", "纬度", {"29", "03", "41", "25"});
    controls.insert(controls.end(), lat.begin(), lat.end());
    const char* const timeLabels[] = {"年", "月", "日", "时", "分", "秒"};
    const char* const timeDefaults[] = {"13", "10", "13", "16", "00", "00"};
    for (int i = 0; i < 6; ++i) {
        const std::string name = "EditInitTime" + std::to_string(i + 1);
        controls.push_back(EditDecl(name.c_str(), timeLabels[i], timeDefaults[i]));
    }
    for (const auto& decl :
         {EditDecl("EditTerminalId", "终端ID", "140"), EditDecl("EditFrameNumber", "车架编号", "1000"),
          EditDecl("EditAuthAddr", "签权地址", kSampleAuthServer),
          EditDecl("EditAuthPort", "签权端口", "5005"), EditDecl("EditParkTime", "停车上报时间", "30"),
          EditDecl("EditGpio", "GPIO", "63"), EditDecl("EditQrText", "", kSampleQrText),
          ComboDecl("ComboOutput5", "", kOutput, 0),
          ComboDecl("ComboBuzzer5", "", NumberedItems("", 1, 30), 10),
          ComboDecl("ComboGpioDir", "", {"输出方向", "输入方向"}, 0)})
        controls.push_back(decl);
    const auto point = Join(Bytes("EditLastLon", 4), Bytes("EditLastLat", 4));
    return {5,
            controls,
            {Button("SetTerminalId", "设置终端ID", 0x0323, {BE32Field("EditTerminalId")}, {"EditTerminalId"}),
             Button("QueryTerminalId", "查询终端ID", 0x0324),
             Button("SetFrameNumber", "设置车架编号", 0x0339, {FrameNumberField("EditFrameNumber")},
                    {"EditFrameNumber"}),
             Button("QueryFrameNumber", "查询车架编号", 0x033A),
             Button("SetInitTime", "设置初始化时间", 0x0325, Bytes("EditInitTime", 6)),
             Button("QueryInitTime", "查询初始化时间", 0x0326),
             Button("SetParkTime", "设置停车上报时间", 0x033B, {BE16Field("EditParkTime")}, {"EditParkTime"}),
             Button("QueryParkTime", "查询停车上报时间", 0x033C),
             Button("SetAuthAddr", "设置签权地址", 0x0351, {TextField("EditAuthAddr")}, {"EditAuthAddr"}),
             Button("QueryAuthAddr", "查询签权地址", 0x0352),
             Button("SetAuthPort", "设置签权端口", 0x0353, {BE16Field("EditAuthPort")}, {"EditAuthPort"}),
             Button("QueryAuthPort", "查询签权端口", 0x0354),
             Button("BatteryState", "电池管家状态", 0x0350),
             Button("CloseMos", "Kesmo关闭MOS", 0x032B),
             Button("Output5", "控制器输出", 0x0359, {IndexField("ComboOutput5")}, {"ComboOutput5"}),
             Button("Buzzer5", "蜂鸣器控制", 0x0358, {IndexField("ComboBuzzer5", 1)}, {"ComboBuzzer5"}),
             Button("QueryLastPosition", "查询最后位置", 0x035E),
             Button("UpdateLastPosition", "更新最后位置", 0x035D, point),
             Button("RelayHigh", "继电器高", 0x0331, {ConstantField(1)}),
             Button("RelayLow", "继电器低", 0x0331, {ConstantField(2)}),
             Button("BrakeHigh", "刹车线高", 0x0331, {ConstantField(3)}),
             Button("BrakeLow", "刹车线低", 0x0331, {ConstantField(4)}),
             Button("PowerHigh", "电源控制高", 0x0331, {ConstantField(5)}),
             Button("PowerLow", "电源控制低", 0x0331, {ConstantField(6)}),
             Button("InitGpio", "初始化GPIO", 0x0333, {ByteField("EditGpio"), IndexField("ComboGpioDir")},
                    {"EditGpio", "ComboGpioDir"}),
             Button("GpioHigh", "写高电平", 0x0334, {ByteField("EditGpio"), ConstantField(1)}),
             Button("GpioLow", "写低电瓶", 0x0334, {ByteField("EditGpio"), ConstantField(0)}),
             Button("ReadGpio", "读IO状态", 0x0335, {ByteField("EditGpio")}),
             Button("MakeQr", "生成二维码", 0x0392, {TextField("EditQrText")}, {"EditQrText"}),
             Local(ebike::kStartSpeedRead, "开始读取车速"),
             Local(ebike::kStopSpeedRead, "停止读取车速"),
             Local("MosOff", "MOS关断控制"),
             Local("Blank1", ""),
             Local("Blank2", "")}};
}

std::vector<std::string> RfRegisters() {
    std::vector<std::string> items = NumberedItems("", 0, 9);
    for (int n = 10; n <= 23; ++n) {
        items.push_back({kHexDigits[n >> 4], kHexDigits[n & 0x0F]});
    }
    return items;
}

EbikeCommandPage ImeiPage() {
    return {
        6,
        {EditDecl(ebike::kImeiEdit, "IMEI", ""), EditDecl("EditRfData", "RF数据", "1"),
         EditDecl(ebike::kAtLineEdit, "", "AT"), ComboDecl("ComboRfRegister", "寄存器", RfRegisters(), 0)},
        {Local(ebike::kWriteImei, "写入设备IMEI号", {ebike::kImeiEdit}),
         Local(ebike::kReadImei, "读取设备IMEI号"),
         Button("SetRfRegister", "设置RF寄存器", 0x0360,
                {IndexField("ComboRfRegister"), HexBytesField("EditRfData")},
                {"ComboRfRegister", "EditRfData"}),
         Button("ReadRfRegister", "读取RF寄存器", 0x0361, {RfReadField("ComboRfRegister", "EditRfData")}),
         Button("FlightMode", "进入飞行模式", 0x0370),
         Local(ebike::kSendAtLine, "发送AT指令", {ebike::kAtLineEdit}), Local("WakeUp", "唤醒终端")}};
}

EbikeCommandPage McuMonitorPage() {
    return {7,
            {EditDecl("EditOneWire", "", ""), ComboDecl("ComboBuzzer7", "", NumberedItems("", 1, 30), 10),
             ComboDecl("ComboOutput7", "", kOutput, 0),
             ComboDecl("ComboHttpTest", "", {"禁止连接", "发送注册", "发送配对", "发送状态", "发送删除"}, 0)},
            {Local(ebike::kStartMonitor, "开始监控"), Local(ebike::kStopMonitor, "停止监控"),
             Button("Buzzer7", "蜂鸣器控制", 0x0358, {IndexField("ComboBuzzer7", 1)}, {"ComboBuzzer7"}),
             Button("Output7", "控制器控制", 0x0359, {IndexField("ComboOutput7")}, {"ComboOutput7"}),
             Button("OneWireSend", "单总线发送", 0x035A, {TextField("EditOneWire")}, {"EditOneWire"}),
             Button("HttpTest", "HTTP测试", 0x0347, {IndexField("ComboHttpTest")}, {"ComboHttpTest"})}};
}

EbikeCommandPage DownloadExtras() {
    return {kEbikeDownloadPage, {}, {Hidden(Local(ebike::kShowPageIndex, ""))}};
}

EbikeCommandPage SystemDebugPage() {
    return {
        9,
        {EditDecl("EditSystemTime", "", "20140328090101"), EditDecl("EditAlarmClock", "", "1020"),
         EditDecl("EditLowVoltage", "", "3800"), EditDecl("EditObdSpeed", "", "120"),
         EditDecl("EditObdLimit", "", "15"), EditDecl("EditObdId", "", "41030404054"),
         ComboDecl("ComboRecord", "", NumberedItems("", 1, 30), 14),
         ComboDecl("ComboAgpsStart", "", {"从SCK开始", "从PPP开始"}, 0),
         ComboDecl("ComboUnused1", "", NumberedItems("", 0, 4), 0),
         ComboDecl("ComboUnused2", "", kForbidAllow, 0)},
        {Button("SetSystemTime", "设置系统时间", 0x0325, {SystemTimeField("EditSystemTime")},
                {"EditSystemTime"}),
         Button("QuerySystemTime", "查询系统时间", 0x0326),
         Button("SetAlarmClock", "设置闹钟", 0x0513, {AlarmClockField("EditAlarmClock")}, {"EditAlarmClock"}),
         Button("QueryAlarmClock", "查询闹钟", 0x0514),
         Button("StartRecord", "开始录音", 0x032C, {IndexField("ComboRecord", 1)}, {"ComboRecord"}),
         Button("StopRecord", "停止录音", 0x032D), Button("PlayAudio", "播放音频文件", 0x032E),
         Button("PositionDebug31", "31定位调试", 0x010A), Button("PlatformDebug31", "31平台调试", 0x010B),
         Button("ObdSpeedAlarm", "OBD速度报警计算", 0x0426,
                {BE16Field("EditObdSpeed"), ByteField("EditObdLimit")}, {"EditObdSpeed", "EditObdLimit"}),
         Button("LowVoltageTest", "低电压报警测试", 0x0374, {BE16Field("EditLowVoltage")},
                {"EditLowVoltage"}),
         Button("AgpsStart", "AGPS开始", 0x0375),
         Button("AgpsMode", "AGPS方式", 0x0376, {IndexField("ComboAgpsStart")}, {"ComboAgpsStart"}),
         Button("SetObdId", "设置OBD_ID", 0x0375, {ObdIdField("EditObdId")}, {"EditObdId"}),
         Button("QueryObdId", "查询OBD_ID", 0x0376)}};
}

EbikeCommandPage CellTestPage() {
    return {10,
            {EditDecl("EditSocketData", "", "414243"), EditDecl("EditDialNumber", "", kSampleMobile),
             EditDecl("EditUartTest", "", "12"), EditDecl("EditSmsNumber", "", kSampleMobile),
             EditDecl("EditSmsText", "", "LT62测试短信发送"),
             ComboDecl("ComboSmsSlot", "", {"短信一", "短信二", "短信三", "短信四"}, 0),
             ComboDecl("ComboHidden10", "", {}, -1, true), EditDecl("EditHidden10", "", "", true)},
            {CellModuleButton("PppConnect", "PPP连接", CellSub::PppConnect),
             CellModuleButton("PppDisconnect", "断开PPP", CellSub::PppDisconnect),
             CellModuleButton("SocketCreate", "SOCKET创键", CellSub::SocketCreate),
             CellModuleButton("SocketConnect", "SOCKET连接", CellSub::SocketConnect),
             CellModuleButton("SocketClose", "SOCKET关闭", CellSub::SocketClose),
             CellModuleButton("SocketSend", "SOCKET发送", CellSub::SocketSend, {"EditSocketData"},
                              {"EditSocketData"}),
             CellModuleButton("Dial", "拔打电话", CellSub::Dial, {"EditDialNumber"}, {"EditDialNumber"}),
             CellModuleButton("Answer", "接听电话", CellSub::Answer),
             CellModuleButton("HangUp", "挂断电话", CellSub::HangUp),
             CellModuleButton("CellSerialTest", "串口测试", CellSub::SerialTest, {"EditUartTest"},
                              {"EditUartTest"}),
             CellModuleButton("ModuleState", "获取LT62状态", CellSub::ModuleState),
             CellModuleButton("ModuleOn", "打开4G模块", CellSub::ModuleOn),
             CellModuleButton("ModuleOff", "关闭4G模块", CellSub::ModuleOff),
             CellModuleButton("MicBiasOn", "MIC偏置开", CellSub::MicBiasOn),
             CellModuleButton("MicBiasOff", "MMI偏置关", CellSub::MicBiasOff),
             CellModuleButton("EnterReset", "进入复位状态", CellSub::EnterReset),
             CellModuleButton("LeaveReset", "离开复位状态", CellSub::LeaveReset),
             Button("SmsSend", "短信发送", 0x0310, {SmsRecordField("EditSmsNumber", "EditSmsText")},
                    {"EditSmsNumber", "EditSmsText", "ComboSmsSlot"}),
             Button("ReportAudio", "上报音频文件", 0x0331, {ConstantField(10)})}};
}

EbikeCommandPage CellMorePage() {
    return {
        11,
        {ComboDecl("ComboMtkState", "", {"休眠", "唤醒"}, 0),
         ComboDecl("ComboHeartbeat", "", kForbidAllow, 0), EditDecl("EditHeartbeat", "", "50"),
         ComboDecl("ComboMtkUart", "", kForbidAllow, 0), ComboDecl("ComboSckBuffer", "", kForbidAllow, 0),
         ComboDecl("ComboSckCount", "", NumberedItems("", 1, 5), 1),
         ComboDecl("ComboClsUsb", "", kForbidAllow, 0), EditDecl("EditModuleImei", "", ""),
         EditDecl("EditErrorLine1", "", "Error line1"), EditDecl("EditErrorLine2", "", "Error line2")},
        {CellModuleButton("MtkState", "MTK状态设置", CellSub::MtkState, {"ComboMtkState"}, {"ComboMtkState"}),
         CellModuleButton("MtkInterrupt", "MTK中断输出", CellSub::MtkInterrupt),
         CellModuleButton("SleepState", "查询LT62休眠状态", CellSub::SleepState),
         CellModuleButton("InterruptHigh", "中断高", CellSub::InterruptHigh),
         CellModuleButton("InterruptLow", "中断低", CellSub::InterruptLow),
         CellModuleButton("UsbOn", "开USB_LT62", CellSub::UsbSwitch, CellArgs::Fixed('1')),
         CellModuleButton("UsbOff", "关USB_LT62", CellSub::UsbSwitch, CellArgs::Fixed('0')),
         CellModuleButton("UsbAlwaysOn", "USB永久打开", CellSub::UsbSwitch, CellArgs::Fixed('2')),
         CellModuleButton("UsbAlwaysOff", "USB永久关闭", CellSub::UsbSwitch, CellArgs::Fixed('3')),
         CellModuleButton("MtkFlightOn", "MTK进飞行模式", CellSub::MtkFlightOn),
         CellModuleButton("MtkFlightOff", "MTK离开飞行模式", CellSub::MtkFlightOff),
         CellModuleButton("Network2G", "切换到2G网络", CellSub::NetworkMode, CellArgs::Fixed(2)),
         CellModuleButton("Network4G", "切换到4G网络", CellSub::NetworkMode, CellArgs::Fixed(4)),
         CellModuleButton("AutoHeartbeat", "自动心跳控制", CellSub::AutoHeartbeat,
                          {"ComboHeartbeat", "EditHeartbeat"}, {"ComboHeartbeat", "EditHeartbeat"}),
         CellModuleButton("MtkUartState", "MTK串口状态", CellSub::MtkUartState),
         CellModuleButton("MtkUartDebug", "MTK串口调试", CellSub::MtkUartDebug, {"ComboMtkUart"},
                          {"ComboMtkUart"}),
         CellModuleButton("DlOpen", "打开DL口", CellSub::DlPort, CellArgs::Fixed('0')),
         CellModuleButton("DlClose", "关闭DL口", CellSub::DlPort, CellArgs::Fixed('1')),
         CellModuleButton("SckBuffer", "SCK缓冲设置", CellSub::SocketBuffer,
                          {"ComboSckBuffer", "ComboSckCount"}, {"ComboSckBuffer", "ComboSckCount"}),
         CellModuleButton("SetClsUsb", "设置CLSUSB使能", CellSub::SetClsUsb, {"ComboClsUsb"},
                          {"ComboClsUsb"}),
         CellModuleButton("QueryClsUsb", "查询CLSUSB使能", CellSub::QueryClsUsb),
         CellModuleButton("SpeakerOn", "LT62_SPK允许", CellSub::Speaker, CellArgs::Fixed('1')),
         CellModuleButton("SpeakerOff", "LT62_SPK禁止", CellSub::Speaker, CellArgs::Fixed('0')),
         CellModuleButton("SetModuleImei", "设置LT62_IMEI", CellSub::SetImei, {"EditModuleImei"},
                          {"EditModuleImei"}),
         CellModuleButton("ReadModuleImei", "读取LT62_IMEI", CellSub::ReadImei),
         Button("TestModeSwitch", "测试模式4G切换", 0x0348),
         Button("ErrorDisplay", "错误显示", kErrorDisplayCmd,
                {ErrorDisplayField("EditErrorLine1", "EditErrorLine2")},
                {"EditErrorLine1", "EditErrorLine2"})}};
}

}  // namespace

const std::vector<ParamPage>& EbikeParamPages() {
    static const std::vector<ParamPage> pages{MakerPage(),
                                              AlarmPage(),
                                              RunningPage(),
                                              CommandPage("gSensor管理"),
                                              CommandPage("设备调试"),
                                              CommandPage("Kesmo调试"),
                                              CommandPage("IMEI管理"),
                                              CommandPage("Kesmo2.0"),
                                              DownloadPage(),
                                              CommandPage("系统调试"),
                                              CommandPage("4G测试"),
                                              CommandPage("4G扩展")};
    return pages;
}

const std::vector<std::string>& EbikeKeepOnCheckAll() {
    static const std::vector<std::string> ids{"HTTP_REF", "LED_CTRL", "GPRS_CTRL", "EXPTRST_TIMES",
                                              "CHARGE_STATUS"};
    return ids;
}

const std::vector<EbikeCommandPage>& EbikeCommandPages() {
    static const std::vector<EbikeCommandPage> pages{GSensorPage(),     DeviceDebugPage(), VendorDebugPage(),
                                                     ImeiPage(),        McuMonitorPage(),  DownloadExtras(),
                                                     SystemDebugPage(), CellTestPage(),    CellMorePage()};
    return pages;
}

const std::vector<CommandDecl>& EbikeCommands() {
    static const std::vector<CommandDecl> all = [] {
        std::vector<CommandDecl> rows;
        for (const auto& page : EbikeCommandPages())
            rows.insert(rows.end(), page.commands.begin(), page.commands.end());
        return rows;
    }();
    return all;
}

const std::vector<EbikeFieldGroup>& EbikeDownloadGroups() {
    // The download server of the upgrade files, then the server that decides on automatic upgrades.
    static const std::vector<EbikeFieldGroup> groups{{"GroupBox1", "升级文件下载平台配置", 3},
                                                     {"GroupBox2", "终端自动升级判定平台配置", 4}};
    return groups;
}
