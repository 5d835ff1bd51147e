// Number and text formats of reply lines, shared by every reply family.
//
// Every row reads the payload through ReplyBytes: a position the frame does not carry (beyond Len or
// the 1024-byte field) reads as 0, so a row that is handed a short or damaged payload prints what it
// can and never reads outside the record.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "link/PublicData.h"

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
// Code page 936 bytes as a log text (UTF-8); a zero byte cannot show in a log line and is left out.
[[nodiscard]] std::string Cp936BytesToLogText(const uint8_t* bytes, int count);

// Each number as decimal text, a single digit widened with a leading "0", the two joined (9, 5: "0905").
[[nodiscard]] std::string MakeTwoDigitPair(int a, int b);
// Code page 936 bytes held in a string as a log text (zero bytes left out).
[[nodiscard]] std::string LogText(std::string_view cp936);

// A reply's payload as far as the frame carries it: min(Len, 1024) bytes. A byte asked for beyond
// that reads as 0 and a range is cut there, so a short or lying frame never shows stale bytes of an
// earlier frame. The families that decode device, RF, module, sentry and list replies read through it.
class ReplyBytes {
  public:
    explicit ReplyBytes(const TReplyRecord& reply) : reply_(reply), size_(ReplyReadableLength(reply)) {}

    [[nodiscard]] const TReplyRecord& Record() const { return reply_; }
    // Number of payload bytes the frame carries (0..1024).
    [[nodiscard]] int Size() const { return size_; }
    [[nodiscard]] bool Has(int n) const { return n >= 0 && n < size_; }
    // Byte n, or 0 when the frame does not carry it.
    [[nodiscard]] uint8_t At(int n) const { return Has(n) ? reply_.Data[static_cast<size_t>(n)] : 0; }
    // High byte first.
    [[nodiscard]] uint32_t Be16(int n) const { return At(n) * 256u + At(n + 1); }
    [[nodiscard]] uint32_t Be32(int n) const { return (Be16(n) << 16) | Be16(n + 2); }
    // Low byte first (the system-state and GPS fields of the 0x81 replies).
    [[nodiscard]] uint32_t Le16(int n) const { return At(n) + At(n + 1) * 256u; }
    [[nodiscard]] uint32_t Le32(int n) const { return Le16(n) | (Le16(n + 2) << 16); }
    // Raw bytes first..last inclusive, cut to what the frame carries; empty when first > last.
    [[nodiscard]] std::string Raw(int first, int last) const;
    // Raw bytes from first, at most count of them, ended early by a zero byte.
    [[nodiscard]] std::string RawUntilZero(int first, int count) const;

  private:
    const TReplyRecord& reply_;
    int size_;
};

// hex2 of each payload byte the frame carries, joined without separators ("0A1F").
[[nodiscard]] std::string HexPacked(const ReplyBytes& bytes);

// Coordinate text: dec(w) + "." + x, y and z each widened to two digits (113, 56, 7, 12: "113.560712").
[[nodiscard]] std::string FormatDegree(uint8_t w, uint8_t x, uint8_t y, uint8_t z);
