// What the network, debug and matrix windows show, computed from the replies without any window:
// the position and cell labels of reply 0x8103, the debug stream's lines and the 21 x 21 matrix of
// reply 0x8392. Every reply is read through ReplyBytes, so nothing past min(Len, 1024) is looked at.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "link/PublicData.h"
#include "tools/ToolForm.h"

constexpr int kNeighbourCells = 6;
constexpr int kCellValues = 6;  // ARFCN, RxLev, MNC, MCC, LAC, CI
// The label of a neighbour's value: Label14 holds neighbour 1's ARFCN, Label49 neighbour 6's CI.
[[nodiscard]] std::string NeighbourLabel(int neighbour, int value);
// A reply 0x8103 whose labels are as wide as any terminal's: six neighbours, every number at its widest.
[[nodiscard]] TReplyRecord WidestNetStatus();
// Every label of the network window for reply 0x8103, stamped with `now`. A neighbour count outside
// 1..6 leaves every neighbour value at "0".
[[nodiscard]] LabelTexts NetStatusLabels(const TReplyRecord& reply, const std::string& now);

// The heading of a debug stream reply type ("System Debug Info", ...), empty for another type.
[[nodiscard]] std::string DebugLabel(int type);
// The lines a debug reply adds: an empty line, the heading with `now`, the payload as hex pairs each
// followed by a blank and, with showString, the payload as text.
[[nodiscard]] std::vector<std::string> DebugLines(const TReplyRecord& reply, bool showString,
                                                  const std::string& now);

constexpr int kQrSide = 21;
using QrModules = std::array<bool, kQrSide * kQrSide>;  // row by row; true is a dark module
// The modules of reply 0x8392: byte 21i + j is module (i, j), dark when it is 1. A module the reply does
// not carry is light.
[[nodiscard]] QrModules QrMatrixOf(const TReplyRecord& reply);

// Code page 936 text cut to at most `limit` bytes without splitting a two-byte character.
[[nodiscard]] std::string CutCp936(const std::string& bytes, size_t limit);
