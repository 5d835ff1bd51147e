#include "consoles/FixedConsoles.h"

#include "consoles/ConsoleSamples.h"
#include "consoles/ParamText.h"
#include "platform/StrToInt.h"

TfSmsTest* fSmsTest = nullptr;
TfCallTest* fCallTest = nullptr;
TfRK_mtv* fRK_mtv = nullptr;
TfSFWatch* fSFWatch = nullptr;

namespace {

// Sample values the edits start with before the user types the real ones.
const char* const kSampleSetText = "#SERVIP=www.example.com#SERVPORT=7711";

constexpr size_t kImeiBodyLength = 14;
const char* const kCheckDigitButton = "SpeedButton2";

const CommandConsoleDecl& SmsTestDecl() {
    static const CommandConsoleDecl decl{
        "TfSmsTest",
        "Sms Test Windows",
        {EditDecl("Edit1", "NO:", kSampleMobile), EditDecl("Edit2", "Info:", "Hellow World"),
         EditDecl("Edit3", "NO:", kSampleMobile), EditDecl("Edit4", "Info:", "CXZT"),
         EditDecl("Edit5", "", kSampleSetText), EditDecl("Edit6", "", "#SERVIP#SERVPORT"),
         EditDecl("Edit7", "", "", true), EditDecl("Edit8", "", "", true)},
        {
            Button("SpeedButton1", "SMS Send", 0x0310, {SmsRecordField("Edit1", "Edit2")},
                   {"Edit1", "Edit2"}),
            Button("SpeedButton2", "Sms Receive", 0x030D, {SmsRecordField("Edit3", "Edit4")},
                   {"Edit3", "Edit4"}),
            Checked(Button("SpeedButton3", "ParamSet", kParamSetCmd, {TextField("Edit5")}, {"Edit5"}),
                    TextCheck::ParamText),
            Checked(Button("SpeedButton4", "ParamRead", kParamQueryCmd, {TextField("Edit6")}, {"Edit6"}),
                    TextCheck::ParamText),
            Hidden(Button("SpeedButton5", "GPOI测试", 0x0311, {TextField("Edit7")}, {"Edit7"})),
            Hidden(Button("SpeedButton6", "NVRAM测试", 0x0312, {TextField("Edit8")}, {"Edit8"})),
        }};
    return decl;
}

const CommandConsoleDecl& CallTestDecl() {
    static const CommandConsoleDecl decl{
        "TfCallTest",
        "Call Windows",
        {EditDecl("Edit1", "", kSampleMobile), EditDecl("Edit2", "", "", true),
         EditDecl("Edit3", "", "", true), ComboDecl("ComboBox1", "", NumberedItems("", 0, 6), 0, true)},
        {
            Button("SpeedButton1", "Call Out", 0x031A, {TextField("Edit1")}, {"Edit1"}),
            Hidden(Button(kCheckDigitButton, "计算校验码", -1, {}, {"Edit2", "Edit3"})),
            Hidden(Button("SpeedButton3", "切换声音", 0x0122, {ConstantField(1)})),
            Hidden(Button("SpeedButton4", "开免提", 0x0122, {ConstantField(2)})),
            Hidden(Button("SpeedButton5", "关免提", 0x0122, {ConstantField(3)})),
            Hidden(Button("SpeedButton6", "开功放", 0x0123, {ConstantField(1)})),
            Hidden(Button("SpeedButton7", "关功放", 0x0123, {ConstantField(0)})),
            Hidden(Button("SpeedButton8", "读取免提状态", 0x0124)),
            Hidden(Button("SpeedButton9", "通话音量等级", 0x0332, {IndexField("ComboBox1")}, {"ComboBox1"})),
        }};
    return decl;
}

const CommandConsoleDecl& RkMtvDecl() {
    // The band byte of each item; a band typed by hand matches no item and is refused.
    static const CommandConsoleDecl decl{
        "TfRK_mtv",
        "RK_MTV终端管理窗口",
        {EditDecl("Edit1", "", kSampleImei),
         ComboDecl("ComboBox1", "", {"900", "1800", "900_1800", "850_900_1800_1900"}, 3),
         ComboDecl("ComboBox2", "", {"正常工作模式", "飞行工作模式"}, 0)},
        {
            Button("SpeedButton1", "设置IMEI号", 0x0500, {TextField("Edit1")}, {"Edit1"}),
            Button("SpeedButton2", "查询IMEI号", 0x0501),
            OwnMessage(Button("SpeedButton3", "设置工作频段", 0x0502,
                              {MappedIndexField("ComboBox1", {0, 1, 2, 12})}, {"ComboBox1"}),
                       WarningMessage(QString::fromUtf8("请选择工作频段"))),
            Button("SpeedButton4", "查询工作频段", 0x0503),
            Button("SpeedButton5", "设置工作模式", 0x0504, {IndexField("ComboBox2")}, {"ComboBox2"}),
            Button("SpeedButton6", "查询工作模式", 0x0505),
            Button("SpeedButton7", "读取ADC校准标志", 0x0506),
        }};
    return decl;
}

const CommandConsoleDecl& SFWatchDecl() {
    static const CommandConsoleDecl decl{
        "TfSFWatch",
        "司法手表终端配置窗口",
        {EditDecl("Edit1", "V", "3900"),
         ComboDecl("ComboBox1", "", {"关闭定位", "智能定位", "GPS定位", "WIFI+LBS"}, 2),
         EditDecl("Edit2", "分钟", "5"), ComboDecl("ComboBox2", "", {"禁止", "允许"}, 1)},
        {
            Button("SpeedButton1", "手表设备关机", 0x0373),
            OwnMessage(Button("SpeedButton2", "低电报警测试", 0x0374, {BE16Field("Edit1")}, {"Edit1"}),
                       PlainMessage(QString::fromUtf8("输入数据有非法字符"))),
            Button("SpeedButton3", "设置定位参数", 0x03A9, {IndexField("ComboBox1"), BE16Field("Edit2")},
                   {"ComboBox1", "Edit2"}),
            Button("SpeedButton4", "查询定位参数", 0x03AA),
            Button("SpeedButton5", "设置调试使能", 0x0308, {IndexField("ComboBox2")}, {"ComboBox2"}),
            Button("SpeedButton6", "查询调试使能", 0x0309),
            Button("SpeedButton7", "清空复位记录", 0x030F),
            Button("SpeedButton8", "查询复位记录", 0x030A),
        }};
    return decl;
}

}  // namespace

std::optional<int> ImeiCheckDigit(const std::string& body) {
    if (body.size() != kImeiBodyLength) return std::nullopt;
    int sum = 0;
    for (size_t i = 0; i < body.size(); ++i) {
        const int digit = StrToInt(body.substr(i, 1));
        if (i % 2 == 0) {
            sum += digit;  // positions 1, 3, 5, ... counted from 1
        } else {
            sum += 2 * digit / 10 + 2 * digit % 10;
        }
    }
    return sum % 10 == 0 ? 0 : 10 - sum % 10;
}

TfSmsTest::TfSmsTest(QWidget* parent) : TCommandConsole(SmsTestDecl(), parent) {}

TfCallTest::TfCallTest(QWidget* parent)
    : TCommandConsole(CallTestDecl(), parent, {{kCheckDigitButton, [this] { CheckDigitClick(); }}}) {}

void TfCallTest::CheckDigitClick() {
    const QString body = EditText(this, "Edit2");
    // The body is counted in characters as typed; a character that is not a digit is a conversion error.
    if (body.size() != static_cast<qsizetype>(kImeiBodyLength)) {
        ShowUserMessage(PlainMessage(QString::fromUtf8("数据长度有误")));
        return;
    }
    try {
        const std::optional<int> digit = ImeiCheckDigit(body.toStdString());
        if (!digit) {
            // A character outside ASCII made the body longer than 14 bytes.
            ShowUserMessage(ConversionError(body));
            return;
        }
        SetEditText(this, "Edit3", QString::number(*digit));
        ShowUserMessage(PlainMessage(QString::fromUtf8("校验成功")));
    } catch (const EConvertError& e) {
        ShowUserMessage({QString::fromStdString(e.what()), ConversionError({}).caption, MsgIcon::Error});
    }
}

TfRK_mtv::TfRK_mtv(QWidget* parent) : TCommandConsole(RkMtvDecl(), parent) {}

TfSFWatch::TfSFWatch(QWidget* parent) : TCommandConsole(SFWatchDecl(), parent) {}
