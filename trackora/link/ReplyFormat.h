// Number and text formats of reply lines, shared by every reply family.
//
// Every accessor takes a byte position of ReplyRecord.Data and reads only inside the 1024-byte field:
// a position at or beyond 1024 reads as 0, so a row that is handed a short or damaged payload prints
// what it can and never reads outside the record.
#pragma once

#include <cstdint>
#include <string>

#include "link/PublicData.h"

// Byte n of the payload (0 beyond the data field).
[[nodiscard]] uint8_t ReplyByte(const TReplyRecord& reply, int n);
// byte a * 256 + byte a+1 (high byte first).
[[nodiscard]] uint32_t ReplyBE16(const TReplyRecord& reply, int a);
// byte a + byte a+1 * 256 (low byte first).
[[nodiscard]] uint32_t ReplyLE16(const TReplyRecord& reply, int a);
// Bytes a..a+3, high byte first.
[[nodiscard]] uint32_t ReplyBE32(const TReplyRecord& reply, int a);
// Bytes a..a+3, low byte first.
[[nodiscard]] uint32_t ReplyLE32(const TReplyRecord& reply, int a);
// How many payload bytes a row that runs to Len may read: Len cut to the data field.
[[nodiscard]] int ReplyReadableLength(const TReplyRecord& reply);

// Decimal text without leading zeros.
[[nodiscard]] std::string Dec(uint32_t value);
// Two upper-case hexadecimal digits.
[[nodiscard]] std::string Hex2(uint8_t value);
// Four upper-case hexadecimal digits (the reply type line).
[[nodiscard]] std::string Hex4(uint16_t value);
// Shortest general decimal text, up to 15 significant digits, no trailing zeros (12.5, 3).
[[nodiscard]] std::string FloatText(double value);
// hex2 and one blank for each of the Len payload bytes (cut at the data field).
[[nodiscard]] std::string HexDump(const TReplyRecord& reply);
// Bytes first..last (inclusive, cut at the data field) as code page 936 text, zero bytes included,
// returned as UTF-8. A zero byte cannot show in a log line and is left out of the UTF-8 text.
[[nodiscard]] std::string BytesText(const TReplyRecord& reply, int first, int last);
// The same over raw bytes, for texts that stop at a zero byte or come from elsewhere.
[[nodiscard]] std::string Cp936BytesToLogText(const uint8_t* bytes, int count);

// Each number as decimal text, a single digit widened with a leading "0", the two joined (9, 5: "0905").
[[nodiscard]] std::string MakeTwoDigitPair(int a, int b);
// Coordinate text: dec(w) + "." + x, y and z each widened to two digits (113, 56, 7, 12: "113.560712").
[[nodiscard]] std::string FormatDegree(uint8_t w, uint8_t x, uint8_t y, uint8_t z);
