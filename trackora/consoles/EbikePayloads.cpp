#include "consoles/EbikePayloads.h"

#include <QString>
#include <charconv>

#include "consoles/ConsoleControls.h"
#include "link/PublicData.h"
#include "platform/StrToInt.h"

namespace {

// Clear masks of the battery-backed data, by restart kind: everything, the ephemeris only, nothing.
constexpr uint16_t kNavBbrMask[] = {0x07FF, 0x0001, 0x0000};
constexpr uint8_t kResetModeGnssOnly = 0x02;

constexpr int kSystemTimeLength = 14;
constexpr uint64_t kObdIdLimit = uint64_t{1} << 48;

const char* const kTimeLengthText = "参数长度错误!!!";
const char* const kTimeBadText = "参数错误!!!";

std::optional<UserMessage> Append(const BytesOrMessage& result, std::string& out) {
    if (const auto* message = std::get_if<UserMessage>(&result)) return *message;
    out += std::get<std::string>(result);
    return std::nullopt;
}

std::optional<UserMessage> AppendGpsReset(const QWidget* form, const PayloadField& field, std::string& out) {
    // With no restart kind picked nothing goes out: no bytes of an earlier command may stand in for it.
    const auto message = GpsResetMessage(ComboIndex(form, field.control));
    if (!message) return NoItemMessage();
    out += *message;
    return std::nullopt;
}

std::optional<UserMessage> AppendFrameNumber(const QWidget* form, const PayloadField& field,
                                             std::string& out) {
    const QString text = EditText(form, field.control);
    const auto number = TryStrToInt(text.toStdString());
    if (!number) return ConversionError(text);
    out += FrameNumberChars(*number);
    return std::nullopt;
}

std::optional<UserMessage> AppendSystemTime(const QWidget* form, const PayloadField& field,
                                            std::string& out) {
    return Append(SystemTimeBytes(EditText(form, field.control)), out);
}

std::optional<UserMessage> AppendAlarmClock(const QWidget* form, const PayloadField& field,
                                            std::string& out) {
    return Append(AlarmClockBytes(EditText(form, field.control)), out);
}

std::optional<UserMessage> AppendObdId(const QWidget* form, const PayloadField& field, std::string& out) {
    return Append(ObdIdBytes(EditText(form, field.control)), out);
}

std::optional<UserMessage> AppendRfRead(const QWidget* form, const PayloadField& field, std::string& out) {
    const QString text = EditText(form, field.control2);
    const auto count = TryStrToInt(text.toStdString());
    if (!count) return ConversionError(text);
    out += static_cast<char>(ComboIndex(form, field.control) & 0xFF);
    if (*count > 1) out += static_cast<char>(*count & 0xFF);
    return std::nullopt;
}

}  // namespace

std::optional<std::string> GpsResetMessage(int restart) {
    if (restart < 0 || restart >= static_cast<int>(std::size(kNavBbrMask))) return std::nullopt;
    const uint16_t mask = kNavBbrMask[restart];
    std::string message{'\xB5', '\x62'};
    const std::string body{'\x06',
                           '\x04',
                           '\x04',
                           '\x00',
                           static_cast<char>(mask & 0xFF),
                           static_cast<char>(mask >> 8),
                           static_cast<char>(kResetModeGnssOnly),
                           '\x00'};
    // The module's 8-bit Fletcher check over class, id, length and payload.
    uint8_t a = 0;
    uint8_t b = 0;
    for (char c : body) {
        a = static_cast<uint8_t>(a + static_cast<uint8_t>(c));
        b = static_cast<uint8_t>(b + a);
    }
    message += body;
    message += static_cast<char>(a);
    message += static_cast<char>(b);
    return message;
}

std::string FrameNumberChars(int32_t number) {
    const auto value = static_cast<uint32_t>(number) & 0xFFFF;
    const uint8_t high = static_cast<uint8_t>(value >> 8);
    const uint8_t low = static_cast<uint8_t>(value & 0xFF);
    std::string chars;
    for (uint8_t byte : {high, low, static_cast<uint8_t>(high + low)}) {
        chars += kHexDigits[byte >> 4];
        chars += kHexDigits[byte & 0x0F];
    }
    return chars;
}

BytesOrMessage SystemTimeBytes(const QString& text) {
    if (text.size() != kSystemTimeLength) return PlainMessage(QString::fromUtf8(kTimeLengthText));
    std::string bytes;
    // Characters 3-4, 5-6, ... 13-14: the century's two digits stay out.
    for (qsizetype at = 2; at < kSystemTimeLength; at += 2) {
        const auto value = TryStrToInt(text.mid(at, 2).toStdString());
        if (!value) return PlainMessage(QString::fromUtf8(kTimeBadText));
        bytes += static_cast<char>(*value & 0xFF);
    }
    return bytes;
}

BytesOrMessage AlarmClockBytes(const QString& text) {
    std::string bytes;
    for (qsizetype at : {0, 2}) {
        const QString part = text.mid(at, 2);
        const auto value = TryStrToInt(part.toStdString());
        if (!value) return ConversionError(part);
        bytes += static_cast<char>(*value & 0xFF);
    }
    return bytes;
}

BytesOrMessage ObdIdBytes(const QString& text) {
    const std::string digits = text.trimmed().toStdString();
    uint64_t value = 0;
    const char* end = digits.data() + digits.size();
    const auto [at, error] = std::from_chars(digits.data(), end, value);
    // Six bytes hold the id: a larger number, a negative one or any other text is not an id.
    if (digits.empty() || error != std::errc() || at != end || value >= kObdIdLimit)
        return ConversionError(text);
    std::string bytes;
    for (int shift = 40; shift >= 0; shift -= 8) bytes += static_cast<char>((value >> shift) & 0xFF);
    return bytes;
}

PayloadField GpsResetField(const char* restartCombo) { return CustomField(&AppendGpsReset, restartCombo); }
PayloadField FrameNumberField(const char* edit) { return CustomField(&AppendFrameNumber, edit); }
PayloadField SystemTimeField(const char* edit) { return CustomField(&AppendSystemTime, edit); }
PayloadField AlarmClockField(const char* edit) { return CustomField(&AppendAlarmClock, edit); }
PayloadField ObdIdField(const char* edit) { return CustomField(&AppendObdId, edit); }
PayloadField RfReadField(const char* registerCombo, const char* countEdit) {
    return CustomField(&AppendRfRead, registerCombo, countEdit);
}
