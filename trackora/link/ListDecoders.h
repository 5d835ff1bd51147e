// The output window's decoders of list replies: parameter answers (query 0x8202, set 0x8201), the
// watch's alarm, speed-dial and white-list slots (0x8211, 0x8213, 0x8215) and the listed-device line.
//
// Each reads the reply through ReplyBytes (never past Len or the 1024-byte payload) and adds log
// lines; a malformed list prints what can be printed. The slot decoders add one multi-line entry
// (lines joined and ended by CR LF) instead of separate lines.
#pragma once

#include <cstdint>
#include <string>

#include "link/ReplyTable.h"

// The n-th (1-based) comma-separated item between 1-based payload positions first and last inclusive,
// as the code page 936 bytes it holds. Too few commas give the first item; first > last gives "".
[[nodiscard]] std::string FindItemInBuf(const TReplyRecord& reply, int first, int last, int n);

void ParamGetAckDeal(const TReplyRecord& reply, ReplyLines& out);
// The RF receiver's items of a parameter answer (RFWORK, CHANNAL, RFRECT, RFCHKT, ATUOFREQEN, RFCLOSEENAB)
// stored as their values into SysRunInfo.RfStatus in that order, the order of the key-fob monitor's
// labels; a key the answer does not carry keeps its last value. Runs before the monitor sees the answer.
void StoreRfStatus(const TReplyRecord& reply);
void ParamSetAckDeal(const TReplyRecord& reply, ReplyLines& out);

void PW3310AlarmReadDeal(const TReplyRecord& reply, ReplyLines& out);
void PW3310CallOutCodeReadDeal(const TReplyRecord& reply, ReplyLines& out);
void PW3310WhileCodeReadDeal(const TReplyRecord& reply, ReplyLines& out);

// One listed device of eight bytes: packed id, position state, a value in hundredths, a number.
[[nodiscard]] std::string IMEIThreeIDConver(uint8_t e0, uint8_t e1, uint8_t e2, uint8_t e3, uint8_t e4,
                                            uint8_t e5, uint8_t e6, uint8_t e7);
