// Number and text formats shared by the reply decoders, and a bounded view of a reply's payload.
//
// Every decoder reads the payload through ReplyBytes, which knows only the bytes the frame really
// carried: min(Len, 1024) of them. A byte asked for beyond that reads as 0, and a range is cut at
// that end, so a short or lying frame never shows stale bytes of an earlier frame and never reaches
// outside the record.
#pragma once

#include <cstdint>
#include <string>

#include "link/PublicData.h"

class ReplyBytes {
  public:
    explicit ReplyBytes(const TReplyRecord& reply);

    // Number of payload bytes the frame carries (0..1024).
    [[nodiscard]] int Size() const { return size_; }
    [[nodiscard]] bool Has(int n) const { return n >= 0 && n < size_; }
    // Byte n, or 0 when the frame does not carry it.
    [[nodiscard]] uint8_t At(int n) const { return Has(n) ? data_[n] : 0; }
    // High byte first.
    [[nodiscard]] uint32_t Be16(int n) const { return At(n) * 256u + At(n + 1); }
    [[nodiscard]] uint32_t Be32(int n) const;
    // Raw bytes first..last inclusive, cut to what the frame carries; empty when first > last.
    [[nodiscard]] std::string Raw(int first, int last) const;
    // Raw bytes from first, at most count of them, ended early by a zero byte.
    [[nodiscard]] std::string RawUntilZero(int first, int count) const;

  private:
    const uint8_t* data_;
    int size_;
};

// Decimal text of an unsigned value.
[[nodiscard]] std::string DecText(uint32_t value);
// Two upper-case hexadecimal digits.
[[nodiscard]] std::string Hex2(uint8_t value);
// Shortest general decimal text, up to 15 significant digits (12.5, 3, 1365.33333333333).
[[nodiscard]] std::string FloatText(double value);
// Each payload byte as two hex digits and a blank ("0A 1F ").
[[nodiscard]] std::string HexDump(const ReplyBytes& bytes);
// Each payload byte as two hex digits, no separators ("0A1F").
[[nodiscard]] std::string HexPacked(const ReplyBytes& bytes);
// Code page 936 bytes as a UTF-8 log text. Zero bytes carry no character a log line can show, so
// they are left out rather than cutting the line or putting control characters into it.
[[nodiscard]] std::string LogText(const std::string& cp936);

// Each number in decimal, a single digit widened with a leading "0", joined: 9 and 5 give "0905".
[[nodiscard]] std::string MakeTwoDigitPair(int a, int b);
// Coordinate text of four bytes: 113, 56, 7, 12 give "113.560712".
[[nodiscard]] std::string FormatDegree(uint8_t w, uint8_t x, uint8_t y, uint8_t z);

// Bubble sort of the first n (PRN, SNR) pairs by SNR, highest first; equal SNRs keep their order.
// n is clamped to the arrays' size.
void SortSatellitePairs(uint8_t* prn, uint8_t* snr, int n, int capacity);
// Sort the GPS and the BeiDou pairs of GpsInfoManage by their stored counts.
void SortGpsSatellites();
void SortBdSatellites();
