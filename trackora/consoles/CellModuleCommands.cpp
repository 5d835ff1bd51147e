#include "consoles/CellModuleCommands.h"

#include <stdexcept>

#include "consoles/ConsoleControls.h"

namespace {

enum class Shape {
    None,
    CountedHex,
    CountedText,
    BE16,
    Index,
    Char,
    ModeByte,
    IndexThenByte,
    IndexThenIndexPlusOne,
    Imei,
};

struct SubRow {
    CellSub sub;
    Shape shape;
};

constexpr SubRow kSubs[] = {
    {CellSub::PppConnect, Shape::None},
    {CellSub::PppDisconnect, Shape::None},
    {CellSub::SocketCreate, Shape::None},
    {CellSub::SocketConnect, Shape::None},
    {CellSub::SocketClose, Shape::None},
    {CellSub::SocketSend, Shape::CountedHex},
    {CellSub::Dial, Shape::CountedText},
    {CellSub::Answer, Shape::None},
    {CellSub::HangUp, Shape::None},
    {CellSub::SerialTest, Shape::BE16},
    {CellSub::ModuleState, Shape::None},
    {CellSub::ModuleOn, Shape::None},
    {CellSub::ModuleOff, Shape::None},
    {CellSub::MicBiasOn, Shape::None},
    {CellSub::MicBiasOff, Shape::None},
    {CellSub::EnterReset, Shape::None},
    {CellSub::LeaveReset, Shape::None},
    {CellSub::MtkState, Shape::Index},
    {CellSub::MtkInterrupt, Shape::None},
    {CellSub::SleepState, Shape::None},
    {CellSub::InterruptHigh, Shape::None},
    {CellSub::InterruptLow, Shape::None},
    {CellSub::UsbSwitch, Shape::Char},
    {CellSub::MtkFlightOn, Shape::None},
    {CellSub::MtkFlightOff, Shape::None},
    {CellSub::NetworkMode, Shape::ModeByte},
    {CellSub::AutoHeartbeat, Shape::IndexThenByte},
    {CellSub::MtkUartState, Shape::None},
    {CellSub::MtkUartDebug, Shape::Index},
    {CellSub::DlPort, Shape::Char},
    {CellSub::SocketBuffer, Shape::IndexThenIndexPlusOne},
    {CellSub::SetClsUsb, Shape::Index},
    {CellSub::QueryClsUsb, Shape::None},
    {CellSub::Speaker, Shape::Char},
    {CellSub::SetImei, Shape::Imei},
    {CellSub::ReadImei, Shape::None},
};

constexpr int kImeiLength = 15;
constexpr int kImeiZeroBytes = 4;
constexpr size_t kErrorLineCut = 19;
constexpr size_t kErrorLineLimit = 20;

Shape ShapeOf(CellSub sub) {
    for (const SubRow& row : kSubs) {
        if (row.sub == sub) return row.shape;
    }
    throw std::invalid_argument("cell-module sub-code " + std::to_string(static_cast<int>(sub)) +
                                " is not sent");
}

void Require(bool ok, CellSub sub, const char* what) {
    if (!ok) {
        throw std::invalid_argument("cell-module sub-code " + std::to_string(static_cast<int>(sub)) + ": " +
                                    what);
    }
}

bool IsCharDigit(int value) { return value >= '0' && value <= '3'; }

std::optional<UserMessage> AppendErrorLines(const QWidget* form, const PayloadField& field,
                                            std::string& out) {
    out += ErrorDisplayLine(EditBytes(form, field.control));
    out += ErrorDisplayLine(EditBytes(form, field.control2));
    return std::nullopt;
}

}  // namespace

std::vector<PayloadField> CellModulePayload(CellSub sub, const CellArgs& args) {
    const Shape shape = ShapeOf(sub);
    const bool one = !args.control.empty();
    const bool two = !args.control2.empty();
    const bool value = args.value >= 0;
    std::vector<PayloadField> fields{ConstantField(static_cast<int>(sub))};
    const char* c1 = args.control.c_str();
    const char* c2 = args.control2.c_str();
    switch (shape) {
        case Shape::None:
            Require(!one && !two && !value, sub, "takes no arguments");
            break;
        case Shape::CountedHex:
        case Shape::CountedText:
        case Shape::BE16:
        case Shape::Index:
        case Shape::Imei:
            Require(one && !two && !value, sub, "reads one control");
            if (shape == Shape::CountedHex) fields.push_back(CountedHexField(c1));
            if (shape == Shape::CountedText) fields.push_back(CountedTextField(c1));
            if (shape == Shape::BE16) fields.push_back(BE16Field(c1));
            if (shape == Shape::Index) fields.push_back(IndexField(c1));
            if (shape == Shape::Imei) {
                fields.push_back(PaddedTextField(c1, kImeiLength));
                for (int i = 0; i < kImeiZeroBytes; ++i) fields.push_back(ConstantField(0));
            }
            break;
        case Shape::Char:
            Require(!one && !two && IsCharDigit(args.value), sub, "takes one character '0' to '3'");
            fields.push_back(ConstantField(args.value));
            break;
        case Shape::ModeByte:
            Require(!two && value, sub, "takes a mode byte");
            fields.push_back(one ? IndexField(c1, args.value) : ConstantField(args.value));
            break;
        case Shape::IndexThenByte:
        case Shape::IndexThenIndexPlusOne:
            Require(one && two && !value, sub, "reads two controls");
            fields.push_back(IndexField(c1));
            fields.push_back(shape == Shape::IndexThenByte ? ByteField(c2) : IndexField(c2, 1));
            break;
    }
    return fields;
}

CommandDecl CellModuleButton(const char* button, const char* caption, CellSub sub, CellArgs args,
                             std::vector<std::string> beside) {
    return Button(button, caption, kCellModuleCmd, CellModulePayload(sub, args), std::move(beside));
}

std::string ErrorDisplayLine(const std::string& cp936) {
    size_t take = cp936.size();
    if (take >= kErrorLineLimit) {
        take = 0;
        // Code page 936 puts a lead byte of 0x81 or above before the second byte of a character.
        for (size_t i = 0; i < cp936.size();) {
            const size_t width = static_cast<unsigned char>(cp936[i]) >= 0x81 && i + 1 < cp936.size() ? 2 : 1;
            if (take + width > kErrorLineCut) break;
            take += width;
            i += width;
        }
    }
    return static_cast<char>(take) + cp936.substr(0, take);
}

PayloadField ErrorDisplayField(const char* line1Edit, const char* line2Edit) {
    return CustomField(&AppendErrorLines, line1Edit, line2Edit);
}
