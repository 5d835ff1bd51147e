#include "link/ReplyTable.h"

#include <map>

namespace {
std::map<uint16_t, ReplyRow>& Rows() {
    static std::map<uint16_t, ReplyRow> rows;
    return rows;
}
std::map<std::string, ReplyInput>& Inputs() {
    static std::map<std::string, ReplyInput> inputs;
    return inputs;
}
}  // namespace

void RegisterReplyRows(std::span<const ReplyRow> rows) {
    for (const ReplyRow& row : rows) Rows()[row.type] = row;
}

const ReplyRow* FindReplyRow(uint16_t type) {
    auto it = Rows().find(type);
    return it == Rows().end() ? nullptr : &it->second;
}

void SetReplyInput(const std::string& window, ReplyInput input) { Inputs()[window] = std::move(input); }

void ClearReplyInput(const std::string& window) { Inputs().erase(window); }

bool ForwardReply(const std::string& window) {
    auto it = Inputs().find(window);
    if (it == Inputs().end() || !it->second) return false;
    // Copy first: an input method may close its own window and clear its entry.
    ReplyInput input = it->second;
    input();
    return true;
}
