#include "tools/TfDisTest.h"

#include <QGridLayout>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "consoles/CommandKit.h"
#include "consoles/ConsoleControls.h"
#include "link/OutputLog.h"
#include "link/ReplyFormat.h"
#include "link/ReplyInputs.h"
#include "link/ReplyTable.h"
#include "platform/Clock.h"
#include "platform/StrToInt.h"
#include "tools/RecorderRows.h"

TfDisTest* fDisTest = nullptr;

namespace {

constexpr int kWidth = 760;
constexpr int kHeight = 460;
constexpr int kSimulatedPointCmd = 0x0118;

// A number typed in `field.control`: its low byte, then the number div 256 (speed and course go low byte
// first, as in the GPS status reply whose layout the simulated point copies).
std::optional<UserMessage> LowThenHigh(const QWidget* form, const PayloadField& field, std::string& out) {
    const QString text = EditText(form, field.control);
    const std::optional<int32_t> value = TryStrToInt(text.toStdString());
    if (!value) return ConversionError(text);
    out.push_back(static_cast<char>(*value & 0xFF));
    out.push_back(static_cast<char>((*value / 256) & 0xFF));
    return std::nullopt;
}

// The PC's date and time as six numbers yy, mm, dd, hh, nn, ss.
std::optional<UserMessage> TimeBytes6(const QWidget*, const PayloadField&, std::string& out) {
    const QDateTime now = CurrentDateTime();
    const QDate date = now.date();
    const QTime time = now.time();
    for (int value : {date.year() % 100, date.month(), date.day(), time.hour(), time.minute(), time.second()})
        out.push_back(static_cast<char>(value));
    return std::nullopt;
}

const std::vector<ControlDecl>& Controls() {
    static const std::vector<ControlDecl> controls = {
        ComboDecl("ComboBox1", "定位", {"未定位", "已定位"}, 1),
        EditDecl("Edit1", "速度", "10"),
        EditDecl("Edit2", "航向", "50"),
        EditDecl("Edit3", "经度", "112"),
        EditDecl("Edit4", "", "12"),
        EditDecl("Edit5", "", "34"),
        EditDecl("Edit6", "", "56"),
        EditDecl("Edit7", "纬度", "31"),
        EditDecl("Edit8", "", "11"),
        EditDecl("Edit9", "", "22"),
        EditDecl("Edit10", "", "33"),
    };
    return controls;
}

// Bytes 0-21 of the GPS status reply's layout: fix, east, north, HDOP x 10, speed, course, longitude,
// latitude, date and time.
const CommandDecl& SimulatedPoint() {
    static const CommandDecl decl =
        Button("SpeedButton2", "模拟点输入", kSimulatedPointCmd,
               {IndexField("ComboBox1"), ConstantField(1), ConstantField(1), ConstantField(1),
                CustomField(&LowThenHigh, "Edit1"), CustomField(&LowThenHigh, "Edit2"), ByteField("Edit3"),
                ByteField("Edit4"), ByteField("Edit5"), ByteField("Edit6"), ByteField("Edit7"),
                ByteField("Edit8"), ByteField("Edit9"), ByteField("Edit10"), CustomField(&TimeBytes6, "")});
    return decl;
}

}  // namespace

TfDisTest::TfDisTest(QWidget* parent)
    : TRecorderForm("TfDisTest", QStringLiteral("里程测试窗口"), kDisTestTable, parent) {
    resize(kWidth, kHeight);
    SpeedButton1 = MakeButton("SpeedButton1", "清除数据");
    SpeedButton2 = MakeButton("SpeedButton2", "模拟点输入");
    auto* fields = new QGridLayout;
    int column = 0;
    for (const ControlDecl& control : Controls()) column = AddControl(this, fields, 0, column, control);
    fields->addWidget(SpeedButton2, 0, column++);
    fields->addWidget(SpeedButton1, 0, column);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(DBGrid1);
    connect(SpeedButton1, &QPushButton::clicked, this, &TfDisTest::SpeedButton1Click);
    connect(SpeedButton2, &QPushButton::clicked, this, &TfDisTest::SpeedButton2Click);
    AddReplyInput(this, "DisDataInput", &TfDisTest::DisDataInput);
    RenewDBGrid();
}

void TfDisTest::DisDataInput() {
    LogLine(HexDump(ReplyRecord));
    AppendRow(DisTestRow(ReplyRecord));
}

void TfDisTest::SpeedButton1Click() { ClearTable(); }

void TfDisTest::SpeedButton2Click() { (void)RunCommand(this, SimulatedPoint()); }
