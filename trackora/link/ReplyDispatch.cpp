#include "link/ReplyDispatch.h"

#include "link/OutputLog.h"
#include "link/ReplyFamilies.h"
#include "link/ReplyFormat.h"
#include "link/ReplyTable.h"
#include "platform/Clock.h"

void WriteReplyHeader(const TReplyRecord& reply) {
    LogLine("");
    LogLine("DateTime:" + DateTimeText(CurrentDateTime()) + "  NO:" + std::to_string(reply.Seq));
}

void DispatchReply(const TReplyRecord& reply) {
    RegisterAllReplyFamilies();
    WriteReplyHeader(reply);
    LogLine(Hex4(static_cast<uint16_t>(reply.Type)));
    const ReplyRow* found = FindReplyRow(static_cast<uint16_t>(reply.Type));
    if (found == nullptr) return;
    const ReplyRow row = *found;  // a decoder or an input method may register rows; keep our own copy
    ReplyLines lines;
    if (row.decode != nullptr) row.decode(reply, lines);
    for (const std::string& line : lines) LogLine(line);
    if (row.forwardTo != nullptr) ForwardReply(row.forwardTo);
}
