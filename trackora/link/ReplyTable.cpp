#include "link/ReplyTable.h"

#include <map>

#include "link/OutputLog.h"

namespace {
std::map<uint16_t, ReplyRow>& Rows() {
    static std::map<uint16_t, ReplyRow> rows;
    return rows;
}
struct InputEntry {
    ReplyInput call;
    const void* owner;
};
std::map<std::string, InputEntry>& Inputs() {
    static std::map<std::string, InputEntry> inputs;
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

void SetReplyInput(const std::string& window, ReplyInput input, const void* owner) {
    Inputs()[window] = {std::move(input), owner};
}

void ClearReplyInputsOf(const void* owner) {
    if (owner == nullptr) return;
    std::erase_if(Inputs(), [owner](const auto& entry) { return entry.second.owner == owner; });
}

void ClearReplyInput(const std::string& window) {
    Inputs().erase(window);
    const std::string prefix = window + ".";
    for (auto it = Inputs().lower_bound(prefix); it != Inputs().end() && it->first.starts_with(prefix);)
        it = Inputs().erase(it);
}

bool ForwardReply(const std::string& window) {
    auto it = Inputs().find(window);
    if (it == Inputs().end() || !it->second.call) return false;
    // Copy first: an input method may close its own window and clear its entry.
    ReplyInput input = it->second.call;
    input();
    return true;
}

bool ForwardReplyInOrder(ReplyLines& lines, const std::string& window) {
    for (const std::string& line : lines) LogLine(line);
    lines.clear();
    return ForwardReply(window);
}
