#include "consoles/CommandKit.h"

#include <QGuiApplication>
#include <algorithm>

#include "consoles/ConsoleControls.h"
#include "link/PublicData.h"
#include "platform/Clock.h"
#include "platform/StrToInt.h"

namespace {

// Messages of the faults the consoles refuse rather than send damaged.
const char* const kOutOfRangeText = "Value out of range: %1 (%2 to %3)";
const char* const kLengthByteText = "Text too long: %1 bytes (at most 255)";
const char* const kNoItemText = "No item selected";

constexpr int kLengthByteMax = 255;
constexpr int kBE16Max = 0xFFFF;

struct FieldError {
    UserMessage message;
};

// Reads the number of an edit; on failure the button's own message, else the conversion error.
std::optional<int32_t> ReadNumber(const QWidget* form, const CommandDecl& decl, const std::string& control,
                                  std::optional<FieldError>& error) {
    const QString text = EditText(form, control);
    if (auto v = TryStrToInt(text.toStdString())) return v;
    error = FieldError{decl.badInput ? *decl.badInput : ConversionError(text)};
    return std::nullopt;
}

std::optional<FieldError> AppendField(const QWidget* form, const CommandDecl& decl, const PayloadField& field,
                                      std::string& out) {
    std::optional<FieldError> error;
    switch (field.kind) {
        case PayloadKind::Text:
            out += EditBytes(form, field.control);
            break;
        case PayloadKind::Byte:
            if (auto v = ReadNumber(form, decl, field.control, error)) out += static_cast<char>(*v & 0xFF);
            break;
        case PayloadKind::BE16:
            if (auto v = ReadNumber(form, decl, field.control, error)) {
                if (*v < 0 || *v > kBE16Max) {
                    return FieldError{
                        decl.badInput ? *decl.badInput
                                      : WarningMessage(
                                            QString::fromUtf8(kOutOfRangeText).arg(*v).arg(0).arg(kBE16Max))};
                }
                out += static_cast<char>(*v >> 8);
                out += static_cast<char>(*v & 0xFF);
            }
            break;
        case PayloadKind::Index:
            out += static_cast<char>((ComboIndex(form, field.control) + field.value) & 0xFF);
            break;
        case PayloadKind::MappedIndex: {
            const int index = ComboIndex(form, field.control);
            if (index < 0 || index >= static_cast<int>(field.map.size())) {
                return FieldError{decl.badInput ? *decl.badInput
                                                : WarningMessage(QString::fromLatin1(kNoItemText))};
            }
            out += static_cast<char>(field.map[index] & 0xFF);
            break;
        }
        case PayloadKind::SmsRecord: {
            const std::string number = EditBytes(form, field.control);
            const std::string text = EditBytes(form, field.control2);
            auto record = SmsSimRecord(number, text);
            if (!record) {
                return FieldError{WarningMessage(
                    QString::fromUtf8(kLengthByteText).arg(std::max(number.size(), text.size())))};
            }
            out += *record;
            break;
        }
        case PayloadKind::Constant:
            out += static_cast<char>(field.value & 0xFF);
            break;
        case PayloadKind::Hex: {
            const QString text = EditText(form, field.control);
            if (auto v = TryStrToInt("$" + text.toStdString())) {
                out += static_cast<char>(*v & 0xFF);
            } else {
                error = FieldError{decl.badInput ? *decl.badInput : ConversionError(text)};
            }
            break;
        }
        case PayloadKind::HexBytes: {
            const std::string text = EditBytes(form, field.control);
            auto bytes = HexPairBytes(text);
            if (!bytes) return FieldError{decl.badInput ? *decl.badInput : ConversionError(QString::fromStdString(text))};
            out += *bytes;
            break;
        }
        case PayloadKind::FixedText: {
            std::string text = EditBytes(form, field.control);
            text.resize(static_cast<size_t>(field.value), '\0');
            out += text;
            break;
        }
        case PayloadKind::PaddedText: {
            std::string text = EditBytes(form, field.control);
            if (text.size() < static_cast<size_t>(field.value)) text.resize(static_cast<size_t>(field.value), '\0');
            out += text;
            break;
        }
        case PayloadKind::NowTime6: {
            const QDateTime now = CurrentDateTime();
            for (int part : {now.date().year() % 100, now.date().month(), now.date().day(), now.time().hour(),
                             now.time().minute(), now.time().second()})
                out += static_cast<char>(part);
            break;
        }
        case PayloadKind::Custom:
            if (auto message = field.custom(form, out)) return FieldError{*message};
            break;
    }
    return error;
}

std::optional<UserMessage> CheckText(const QWidget* form, const CommandDecl& decl) {
    const auto text = std::find_if(decl.payload.begin(), decl.payload.end(),
                                   [](const PayloadField& f) { return f.kind == PayloadKind::Text; });
    if (decl.check == TextCheck::None || text == decl.payload.end()) return std::nullopt;
    const std::string bytes = EditBytes(form, text->control);
    if (decl.check == TextCheck::NoBlank) {
        if (!HasNoSpace(bytes)) return PlainMessage(QString::fromUtf8("参数错误!"));
        return std::nullopt;
    }
    if (bytes.empty()) return PlainMessage(QStringLiteral("Input info is empty"));
    if (bytes.front() != '#') return PlainMessage(QStringLiteral("Input Format Error"));
    return std::nullopt;
}

}  // namespace

PayloadField TextField(const char* edit) { return {PayloadKind::Text, edit, {}, 0, {}, nullptr}; }
PayloadField ByteField(const char* edit) { return {PayloadKind::Byte, edit, {}, 0, {}, nullptr}; }
PayloadField BE16Field(const char* edit) { return {PayloadKind::BE16, edit, {}, 0, {}, nullptr}; }
PayloadField IndexField(const char* combo) { return {PayloadKind::Index, combo, {}, 0, {}, nullptr}; }
PayloadField MappedIndexField(const char* combo, std::vector<int> map) {
    return {PayloadKind::MappedIndex, combo, {}, 0, std::move(map), nullptr};
}
PayloadField SmsRecordField(const char* numberEdit, const char* textEdit) {
    return {PayloadKind::SmsRecord, numberEdit, textEdit, 0, {}, nullptr};
}
PayloadField ConstantField(int byte) { return {PayloadKind::Constant, {}, {}, byte, {}, nullptr}; }
PayloadField IndexPlusField(const char* combo, int offset) {
    return {PayloadKind::Index, combo, {}, offset, {}, nullptr};
}
PayloadField HexField(const char* edit) { return {PayloadKind::Hex, edit, {}, 0, {}, nullptr}; }
PayloadField HexBytesField(const char* edit) { return {PayloadKind::HexBytes, edit, {}, 0, {}, nullptr}; }
PayloadField FixedTextField(const char* edit, int bytes) {
    return {PayloadKind::FixedText, edit, {}, bytes, {}, nullptr};
}
PayloadField PaddedTextField(const char* edit, int bytes) {
    return {PayloadKind::PaddedText, edit, {}, bytes, {}, nullptr};
}
PayloadField NowTime6Field() { return {PayloadKind::NowTime6, {}, {}, 0, {}, nullptr}; }
PayloadField CustomField(CustomPayload custom) { return {PayloadKind::Custom, {}, {}, 0, {}, custom}; }

CommandDecl Button(const char* button, const char* caption, int code, std::vector<PayloadField> payload,
                   std::vector<std::string> beside) {
    return {button,          caption,      code,  std::move(payload),
            TextCheck::None, std::nullopt, false, std::move(beside)};
}

CommandDecl Hidden(CommandDecl decl) {
    decl.hidden = true;
    return decl;
}

CommandDecl Checked(CommandDecl decl, TextCheck check) {
    decl.check = check;
    return decl;
}

CommandDecl OwnMessage(CommandDecl decl, UserMessage message) {
    decl.badInput = std::move(message);
    return decl;
}

UserMessage WarningMessage(const QString& text) {
    return {text, QString::fromUtf8(kHintCaption), MsgIcon::Warning};
}

UserMessage PlainMessage(const QString& text) {
    return {text, QGuiApplication::applicationDisplayName(), MsgIcon::None};
}

UserMessage ConversionError(const QString& text) {
    return {QString::fromStdString(ConvertErrorText(text.toStdString())),
            QGuiApplication::applicationDisplayName(), MsgIcon::Error};
}

void ShowUserMessage(const UserMessage& message) {
    (void)ShowMessageBox(message.text, message.caption, message.icon);
}

UserMessage TooLongMessage(size_t bytes) {
    // The link's own words for the fault, with the sizes that caused it.
    return WarningMessage(QString::fromUtf8(kSendTooLongLog) +
                          QStringLiteral(" (%1 > %2)").arg(bytes).arg(kMaxFramePayload));
}

std::optional<std::string> HexPairBytes(std::string_view text) {
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    std::string bytes;
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
        const int high = digit(text[i]);
        const int low = digit(text[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes += static_cast<char>(high * 16 + low);
    }
    return bytes;
}

std::optional<std::string> SmsSimRecord(const std::string& number, const std::string& text) {
    if (number.size() > kLengthByteMax || text.size() > kLengthByteMax) return std::nullopt;
    std::string record;
    record += static_cast<char>(number.size());
    record += number;
    record += static_cast<char>(text.size());
    record += text;
    return record;
}

CommandResult BuildCommand(const QWidget* form, const CommandDecl& decl) {
    if (auto message = CheckText(form, decl)) return {std::nullopt, message};
    Request request{static_cast<uint16_t>(decl.code), {}};
    for (const auto& field : decl.payload) {
        if (auto error = AppendField(form, decl, field, request.data)) return {std::nullopt, error->message};
    }
    return {request, std::nullopt};
}

bool SendRequest(const Request& request) {
    if (request.data.size() > static_cast<size_t>(kMaxFramePayload)) {
        ShowUserMessage(TooLongMessage(request.data.size()));
        return false;
    }
    CommandRecord.Cmd = request.cmd;
    CommandRecord.Len = static_cast<int32_t>(request.data.size());
    std::copy(request.data.begin(), request.data.end(), CommandRecord.Data.begin());
    SendFrame();
    return true;
}

bool RunCommand(const QWidget* form, const CommandDecl& decl) {
    const CommandResult result = BuildCommand(form, decl);
    if (result.message) {
        ShowUserMessage(*result.message);
        return false;
    }
    return result.request && SendRequest(*result.request);
}
