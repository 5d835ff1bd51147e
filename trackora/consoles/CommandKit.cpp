#include "consoles/CommandKit.h"

#include <QGuiApplication>
#include <algorithm>
#include <cctype>

#include "consoles/ConsoleControls.h"
#include "link/PublicData.h"
#include "platform/Clock.h"
#include "platform/StrToInt.h"

namespace {

// Messages of the faults the consoles refuse rather than send damaged.
const char* const kOutOfRangeText = "Value out of range: %1 (%2 to %3)";
const char* const kLengthByteText = "Text too long: %1 bytes (at most 255)";
const char* const kNoItemText = "No item selected";
const char* const kSeparatorText = "Character \"%1\" not allowed in %2";

constexpr size_t kLengthByteMax = 255;
constexpr int kBE16Max = 0xFFFF;

struct FieldError {
    UserMessage message;
};

// Reads the number of an edit (hexadecimal when `hex`); on failure the button's own message, else the
// conversion error.
std::optional<int32_t> ReadNumber(const QWidget* form, const CommandDecl& decl, const std::string& control,
                                  std::optional<FieldError>& error, bool hex = false) {
    const QString text = (hex ? QStringLiteral("$") : QString()) + EditText(form, control);
    if (auto v = TryStrToInt(text.toStdString())) return v;
    error = FieldError{decl.badInput ? *decl.badInput : ConversionError(text)};
    return std::nullopt;
}

std::optional<FieldError> AppendHexPairs(const QWidget* form, const CommandDecl& decl,
                                         const std::string& edit, bool counted, std::string& out) {
    std::string bad;
    const auto bytes = HexPairBytes(EditBytes(form, edit), &bad);
    if (!bytes) {
        return FieldError{decl.badInput ? *decl.badInput : ConversionError(QString::fromStdString(bad))};
    }
    if (counted && bytes->size() > kLengthByteMax) return FieldError{LengthByteMessage(bytes->size())};
    if (counted) out += static_cast<char>(bytes->size());
    out += *bytes;
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
        case PayloadKind::Hex8:
            if (auto v = ReadNumber(form, decl, field.control, error, field.kind == PayloadKind::Hex8))
                out += static_cast<char>(*v & 0xFF);
            break;
        case PayloadKind::BE32:
            if (auto v = ReadNumber(form, decl, field.control, error)) {
                const auto u = static_cast<uint32_t>(*v);
                for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((u >> shift) & 0xFF);
            }
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
        case PayloadKind::BE24:
            if (auto v = ReadNumber(form, decl, field.control, error)) {
                out += static_cast<char>((*v >> 16) & 0xFF);
                out += static_cast<char>((*v >> 8) & 0xFF);
                out += static_cast<char>(*v & 0xFF);
            }
            break;
        case PayloadKind::Index:
            out += static_cast<char>((ComboIndex(form, field.control) + field.value) & 0xFF);
            break;
        case PayloadKind::MappedIndex: {
            const int index = ComboIndex(form, field.control);
            if (index < 0 || index >= static_cast<int>(field.map.size()))
                return FieldError{decl.badInput ? *decl.badInput : NoItemMessage()};
            out += static_cast<char>(field.map[index] & 0xFF);
            break;
        }
        case PayloadKind::SmsRecord: {
            const std::string number = EditBytes(form, field.control);
            const std::string text = EditBytes(form, field.control2);
            auto record = SmsSimRecord(number, text);
            if (!record) return FieldError{LengthByteMessage(std::max(number.size(), text.size()))};
            out += *record;
            break;
        }
        case PayloadKind::Constant:
            out += static_cast<char>(field.value & 0xFF);
            break;
        case PayloadKind::HexBytes:
        case PayloadKind::CountedHex:
            return AppendHexPairs(form, decl, field.control, field.kind == PayloadKind::CountedHex, out);
        case PayloadKind::CountedText: {
            const std::string text = EditBytes(form, field.control);
            if (text.size() > kLengthByteMax) return FieldError{LengthByteMessage(text.size())};
            out += static_cast<char>(text.size());
            out += text;
            break;
        }
        case PayloadKind::PaddedText: {
            // Never past the text: a short one is made up with zero bytes.
            std::string text = EditBytes(form, field.control);
            text.resize(static_cast<size_t>(field.value), '\0');
            out += text;
            break;
        }
        case PayloadKind::FilledText: {
            std::string text = EditBytes(form, field.control);
            if (text.size() < static_cast<size_t>(field.value))
                text.resize(static_cast<size_t>(field.value), '\0');
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
            if (auto message = field.custom(form, field, out)) return FieldError{*message};
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

PayloadField TextField(const char* edit) { return {PayloadKind::Text, edit, {}, 0, {}}; }
PayloadField ByteField(const char* edit) { return {PayloadKind::Byte, edit, {}, 0, {}}; }
PayloadField BE16Field(const char* edit) { return {PayloadKind::BE16, edit, {}, 0, {}}; }
PayloadField BE24Field(const char* edit) { return {PayloadKind::BE24, edit, {}, 0, {}}; }
PayloadField Hex8Field(const char* edit) { return {PayloadKind::Hex8, edit, {}, 0, {}}; }
PayloadField BE32Field(const char* edit) { return {PayloadKind::BE32, edit, {}, 0, {}}; }
PayloadField IndexField(const char* combo, int offset) { return {PayloadKind::Index, combo, {}, offset, {}}; }
PayloadField MappedIndexField(const char* combo, std::vector<int> map) {
    return {PayloadKind::MappedIndex, combo, {}, 0, std::move(map)};
}
PayloadField SmsRecordField(const char* numberEdit, const char* textEdit) {
    return {PayloadKind::SmsRecord, numberEdit, textEdit, 0, {}};
}
PayloadField ConstantField(int byte) { return {PayloadKind::Constant, {}, {}, byte, {}}; }
PayloadField HexBytesField(const char* edit) { return {PayloadKind::HexBytes, edit, {}, 0, {}}; }
PayloadField CountedHexField(const char* edit) { return {PayloadKind::CountedHex, edit, {}, 0, {}}; }
PayloadField CountedTextField(const char* edit) { return {PayloadKind::CountedText, edit, {}, 0, {}}; }
PayloadField PaddedTextField(const char* edit, int width) {
    return {PayloadKind::PaddedText, edit, {}, width, {}};
}
PayloadField FilledTextField(const char* edit, int width) {
    return {PayloadKind::FilledText, edit, {}, width, {}};
}
PayloadField NowTime6Field() { return {PayloadKind::NowTime6, {}, {}, 0, {}}; }
PayloadField CustomField(CustomPayload build, const char* control, const char* control2) {
    return {PayloadKind::Custom, control, control2, 0, {}, build};
}

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

UserMessage LengthByteMessage(size_t bytes) {
    return WarningMessage(QString::fromUtf8(kLengthByteText).arg(bytes));
}

UserMessage NoItemMessage() { return WarningMessage(QString::fromLatin1(kNoItemText)); }

std::optional<std::string> HexPairBytes(const std::string& text, std::string* bad) {
    std::string bytes;
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
        const std::string pair = text.substr(i, 2);
        // A sign or a blank would pass the conversion; a pair is two hexadecimal digits or nothing.
        const auto value = std::isxdigit(static_cast<unsigned char>(pair[0])) &&
                                   std::isxdigit(static_cast<unsigned char>(pair[1]))
                               ? TryStrToInt("$" + pair)
                               : std::nullopt;
        if (!value) {
            if (bad) *bad = "$" + pair;
            return std::nullopt;
        }
        bytes += static_cast<char>(*value);
    }
    return bytes;
}

UserMessage SeparatorMessage(const std::string& separator, const std::string& field) {
    return WarningMessage(QString::fromUtf8(kSeparatorText)
                              .arg(QString::fromStdString(separator), QString::fromStdString(field)));
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
