#include "link/ReplyTable.h"

#include <map>

#include "link/OutputLog.h"

namespace {
std::map<uint16_t, ReplyRow>& Rows() {
    static std::map<uint16_t, ReplyRow> rows;
    return rows;
}
std::map<std::string, ReplyInput>& Inputs() {
    static std::map<std::string, ReplyInput> inputs;
    return inputs;
}
std::map<std::string, ReplyDecoder>& OutputDecoders() {
    static std::map<std::string, ReplyDecoder> decoders;
    return decoders;
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

void ClearReplyInput(const std::string& window) {
    Inputs().erase(window);
    const std::string prefix = window + ".";
    for (auto it = Inputs().lower_bound(prefix); it != Inputs().end() && it->first.starts_with(prefix);)
        it = Inputs().erase(it);
}

bool ForwardReply(const std::string& window) {
    auto it = Inputs().find(window);
    if (it == Inputs().end() || !it->second) return false;
    // Copy first: an input method may close its own window and clear its entry.
    ReplyInput input = it->second;
    input();
    return true;
}

bool ForwardReplyInOrder(ReplyLines& lines, const std::string& window) {
    for (const std::string& line : lines) LogLine(line);
    lines.clear();
    return ForwardReply(window);
}

void SetOutputDecoder(const std::string& name, ReplyDecoder decode) { OutputDecoders()[name] = decode; }

bool RunOutputDecoder(const std::string& name, const TReplyRecord& reply, ReplyLines& out) {
    auto it = OutputDecoders().find(name);
    if (it == OutputDecoders().end() || it->second == nullptr) return false;
    it->second(reply, out);
    return true;
}
