// The single place where a received reply frame is interpreted: the common steps (the heading and the
// four-digit type line) and then the row of the reply table for its type.
#pragma once

#include "link/PublicData.h"

// An empty line, then "DateTime:" + the current date and time + "  NO:" + the sequence number.
void WriteReplyHeader(const TReplyRecord& reply);
// Logs the reply and performs its row: the row's lines, then the input method of its window when that
// window is open. A type that no family knows is logged by its heading and type line only.
void DispatchReply(const TReplyRecord& reply);
