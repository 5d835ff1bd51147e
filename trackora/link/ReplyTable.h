// The reply table: how a reply type is decoded and which window's input method receives it.
//
// Each family of replies (0x81xx, 0x83xx, parameter replies, ...) keeps its rows in its own file and
// registers them through RegisterAllReplyFamilies (ReplyFamilies.h), one call per family, so adding a family
// never grows a switch. The dispatcher (the output window's NCarDataDeal) runs the common steps, then the
// row.
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
    ReplyDecoder decode;  // nullptr: known type with nothing beyond the common steps
    // Input method that gets the reply, as "Form.Method" (the window's objectName, a dot and the
    // method's name, e.g. "TfMoni.ObdDataInput"), or nullptr.
    const char* forwardTo;
};

// Adds rows; a later row for a type already present replaces the earlier one.
void RegisterReplyRows(std::span<const ReplyRow> rows);
// The row of a type, or nullptr when no family knows it.
const ReplyRow* FindReplyRow(uint16_t type);

// Input methods of open windows, by window objectName. A window adds its methods when it is made; the
// window opener removes them when the window closes, and they go with the window when it is freed, so a
// reply is forwarded only while its window exists.
using ReplyInput = std::function<void()>;
// A window with one input method may register it under its objectName alone; the reply rows name
// methods as "Form.Method", so a window registers each of its methods under that key. Windows register
// through AddReplyInput (ReplyInputs.h), which names the window as the entry's owner.
void SetReplyInput(const std::string& window, ReplyInput input, const void* owner = nullptr);
// Removes the entries that `owner` registered and no later registration has taken over.
void ClearReplyInputsOf(const void* owner);
// Removes the window's entry and every "window.Method" entry of it, whoever registered them.
void ClearReplyInput(const std::string& window);
// Calls the window's input method if it is open; false when it is not.
bool ForwardReply(const std::string& window);

// For rows whose window must see the reply between two groups of lines (0x8202, 0x835F) or that
// forward to two windows (0x8392): the lines gathered so far go to the output log first, then the
// window's input method is called. The dispatcher logs the rest after the row.
bool ForwardReplyInOrder(ReplyLines& lines, const std::string& window);
