// The payloads of the e-bike console that no plain field row can say: the GPS module's reset message,
// the frame number as hexadecimal characters, the system time and alarm clock texts, the OBD id and the
// RF register read. Each is a pure builder beside the row field that reads its controls.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "consoles/CommandKit.h"

// The GPS module's reset message (class 06, id 04, four payload bytes: the battery-backed data to clear,
// low byte first, the reset mode 02 and a reserved byte) with its two check bytes. Restart kinds: 0 cold,
// 1 warm, 2 hot; nothing for any other.
std::optional<std::string> GpsResetMessage(int restart);

// The frame number as six upper-case hexadecimal characters: the high byte, the low byte and their sum
// (mod 256) of its low 16 bits (1000: "03E8EB").
std::string FrameNumberChars(int32_t number);

using BytesOrMessage = std::variant<std::string, UserMessage>;

// "yyyymmddhhnnss" as six bytes: year within the century, month, day, hour, minute, second.
BytesOrMessage SystemTimeBytes(const QString& text);
// "hhmm" as hour and minute.
BytesOrMessage AlarmClockBytes(const QString& text);
// The OBD id, a decimal number of 0 to 2^48 - 1, as six bytes, most significant first.
BytesOrMessage ObdIdBytes(const QString& text);

// The row fields: the restart combo, the frame number edit, the time and alarm edits, the OBD id edit,
// and the RF register read ([register] when the count edit reads 1 or less, else [register, count]).
PayloadField GpsResetField(const char* restartCombo);
PayloadField FrameNumberField(const char* edit);
PayloadField SystemTimeField(const char* edit);
PayloadField AlarmClockField(const char* edit);
PayloadField ObdIdField(const char* edit);
PayloadField RfReadField(const char* registerCombo, const char* countEdit);
