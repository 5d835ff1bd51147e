#include "link/ReplyTemplate.h"

#include <charconv>
#include <map>
#include <optional>
#include <string>

namespace {

constexpr std::string_view kBadField = "{?}";

std::map<uint16_t, const char*>& Templates() {
    static std::map<uint16_t, const char*> templates;
    return templates;
}

// Reads a decimal number at the front of text and removes it.
std::optional<int> TakeNumber(std::string_view& text) {
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || value < 0) return std::nullopt;
    text.remove_prefix(static_cast<size_t>(end - text.data()));
    return value;
}

struct Choice {
    std::string_view text;
    bool dropLine = false;
};

// Picks the entry of "v:text|v:text|*:text" for value; an unlisted value without "*" adds nothing.
std::optional<Choice> Choose(std::string_view entries, int value) {
    if (entries.empty()) return std::nullopt;
    std::optional<Choice> fallback = Choice{};
    while (!entries.empty()) {
        size_t bar = entries.find('|');
        std::string_view entry = entries.substr(0, bar);
        entries = bar == std::string_view::npos ? std::string_view{} : entries.substr(bar + 1);
        if (entry == "*!") {
            fallback = Choice{{}, true};
            continue;
        }
        size_t colon = entry.find(':');
        if (colon == std::string_view::npos) return std::nullopt;
        std::string_view key = entry.substr(0, colon);
        std::string_view text = entry.substr(colon + 1);
        if (key == "*") {
            fallback = Choice{text, false};
            continue;
        }
        std::optional<int> listed = TakeNumber(key);
        if (!listed || !key.empty()) return std::nullopt;
        if (*listed == value) return Choice{text, false};
    }
    return fallback;
}

std::string ReplyDateText(const ReplyBytes& b, int n) {
    return Dec(b.At(n)) + "-" + Dec(b.At(n + 1)) + "-" + Dec(b.At(n + 2)) + " " + Dec(b.At(n + 3)) + ":" +
           Dec(b.At(n + 4)) + ":" + Dec(b.At(n + 5));
}

// Marks a malformed field where it stands; the line goes on.
bool Bad(std::string& line) {
    line += kBadField;
    return true;
}

// Renders one field (the text between braces) onto line; false when the line is to be dropped.
bool RenderField(const ReplyBytes& b, std::string_view field, std::string& line) {
    if (field == "h") {
        line += HexDump(b.Record());
        return true;
    }
    if (field == "p") {
        line += HexPacked(b);
        return true;
    }
    if (field.empty()) return Bad(line);
    const char kind = field.front();
    field.remove_prefix(1);
    std::optional<int> n = TakeNumber(field);
    if (!n) return Bad(line);
    const int at = *n;
    if (kind == 'b' && !field.empty() && field.front() == '?') {
        std::optional<Choice> choice = Choose(field.substr(1), b.At(at));
        if (!choice) return Bad(line);
        if (choice->dropLine) return false;
        line += choice->text;
        return true;
    }
    if (kind == 'b' && !field.empty() && field.front() == '*') {
        field.remove_prefix(1);
        std::optional<int> factor = TakeNumber(field);
        if (!factor || !field.empty()) return Bad(line);
        line += Dec(static_cast<uint32_t>(b.At(at)) * static_cast<uint32_t>(*factor));
        return true;
    }
    if (kind == 't' && !field.empty() && field.front() == '-') {
        field.remove_prefix(1);
        std::optional<int> last = TakeNumber(field);
        if (!last || !field.empty()) return Bad(line);
        line += LogText(b.Raw(at, *last));
        return true;
    }
    if (!field.empty()) return Bad(line);
    switch (kind) {
        case 'b':
            line += Dec(b.At(at));
            break;
        case 'x':
            line += Hex2(b.At(at));
            break;
        case 'w':
            line += Dec(b.Be16(at));
            break;
        case 'l':
            line += Dec(b.Be32(at));
            break;
        case 'c':
            line += FloatText(b.Be16(at) / 100.0);
            break;
        case 'g':
            line += FormatDegree(b.At(at), b.At(at + 1), b.At(at + 2), b.At(at + 3));
            break;
        case 'd':
            line += ReplyDateText(b, at);
            break;
        case 't':
            line += LogText(b.Raw(at, b.Size() - 1));
            break;
        default:
            line += kBadField;
            break;
    }
    return true;
}

void RenderLine(const ReplyBytes& b, std::string_view tmpl, ReplyLines& out) {
    std::string line;
    while (!tmpl.empty()) {
        size_t open = tmpl.find('{');
        line += tmpl.substr(0, open);
        if (open == std::string_view::npos) break;
        size_t close = tmpl.find('}', open);
        if (close == std::string_view::npos) {
            line += kBadField;
            break;
        }
        if (!RenderField(b, tmpl.substr(open + 1, close - open - 1), line)) return;
        tmpl.remove_prefix(close + 1);
    }
    out.push_back(std::move(line));
}

void DecodeByTemplate(const TReplyRecord& reply, ReplyLines& out) {
    const char* lines = FindReplyTemplate(static_cast<uint16_t>(reply.Type));
    if (lines) RenderReplyTemplate(ReplyBytes(reply), lines, out);
}

}  // namespace

void RenderReplyTemplate(const ReplyBytes& bytes, std::string_view lines, ReplyLines& out) {
    while (true) {
        size_t end = lines.find('\n');
        RenderLine(bytes, lines.substr(0, end), out);
        if (end == std::string_view::npos) return;
        lines.remove_prefix(end + 1);
    }
}

void RegisterTemplateRows(std::span<const TemplateRow> rows) {
    for (const TemplateRow& row : rows) {
        if (row.lines) Templates()[row.type] = row.lines;
        const ReplyRow reply{row.type, row.lines ? &DecodeByTemplate : nullptr, row.forwardTo};
        RegisterReplyRows(std::span(&reply, 1));
    }
}

const char* FindReplyTemplate(uint16_t type) {
    auto it = Templates().find(type);
    return it == Templates().end() ? nullptr : it->second;
}
