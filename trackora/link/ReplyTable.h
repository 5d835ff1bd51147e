// The reply table: how a reply type is decoded and which window's input method receives it.
//
// Each family of replies (0x81xx, 0x83xx, parameter replies, ...) keeps its rows in its own file and
// registers them from ReplyFamilies.cpp, one call per family, so adding a family never grows a switch.
// The dispatcher (the output window's NCarDataDeal) runs the common steps, then the row.
//
// A decoder's contract: it reads ReplyRecord.Data only below min(Len, 1024); a payload shorter than
// what a row needs prints what can be printed and never reads past the end.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "link/PublicData.h"

// Lines a decoder adds to the output log, in order, as UTF-8.
using ReplyLines = std::vector<std::string>;

using ReplyDecoder = void (*)(const TReplyRecord& reply, ReplyLines& out);

struct ReplyRow {
    uint16_t type;
    ReplyDecoder decode;    // nullptr: known type with nothing beyond the common steps
    const char* forwardTo;  // objectName of the window whose input method gets the reply, or nullptr
};

// Adds rows; a later row for a type already present replaces the earlier one.
void RegisterReplyRows(std::span<const ReplyRow> rows);
// The row of a type, or nullptr when no family knows it.
const ReplyRow* FindReplyRow(uint16_t type);
// Registers every family once (idempotent). Defined in ReplyFamilies.cpp.
void RegisterAllReplyFamilies();

// Input methods of open windows, by window objectName. A window adds itself when it opens and removes
// itself when it closes, so a reply is forwarded only while its window exists.
using ReplyInput = std::function<void()>;
void SetReplyInput(const std::string& window, ReplyInput input);
void ClearReplyInput(const std::string& window);
// Calls the window's input method if it is open; false when it is not.
bool ForwardReply(const std::string& window);
