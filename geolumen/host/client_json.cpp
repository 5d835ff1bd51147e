#include "host/client_json.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <type_traits>
#include <variant>

#include "sensor/sensor_keys.h"

namespace geolumen::host {
namespace {

// Each alternative of a value has its branch below; a new one must get its own.
static_assert(std::variant_size_v<PropValue> == 10, "every value kind has its JSON form");

template <class Number>
void AppendNumber(std::string& out, Number v) {
    char text[64];
    auto [end, ec] = std::to_chars(text, text + sizeof text, v);
    if (ec == std::errc()) out.append(text, end);
}

// Shortest text that reads back to the same value; JSON has no NaN or infinity.
template <class Real>
void AppendReal(std::string& out, Real v) {
    if (!std::isfinite(v)) {
        out += "null";
        return;
    }
    AppendNumber(out, v);
}

void AppendMembers(std::string& out, const ValueList& values, const PROPERTYKEY* skip) {
    out += '{';
    bool first = true;
    for (const auto& [key, value] : values) {
        if (skip && key == *skip) continue;
        if (!first) out += ',';
        first = false;
        AppendJsonString(out, JsonKeyName(key));
        out += ':';
        AppendJsonValue(out, value);
    }
    out += '}';
}

}  // namespace

std::string JsonKeyName(const PROPERTYKEY& key) {
    if (const char* name = SensorKeyName(key)) return name;
    return FormatGuid(key.fmtid) + " " + std::to_string(key.pid);
}

void AppendJsonString(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            default:
                if (u < 0x20) {
                    out += "\\u00";
                    out += kHex[u >> 4];
                    out += kHex[u & 0xF];
                } else {
                    out += c;
                }
        }
    }
    out += '"';
}

void AppendJsonValue(std::string& out, const PropValue& value) {
    std::visit(
        [&out](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate>) {
                out += "null";
            } else if constexpr (std::is_same_v<T, GUID>) {
                AppendJsonString(out, FormatGuid(v));
            } else if constexpr (std::is_same_v<T, uint32_t> || std::is_same_v<T, int32_t>) {
                AppendNumber(out, v);
            } else if constexpr (std::is_same_v<T, double> || std::is_same_v<T, float>) {
                AppendReal(out, v);
            } else if constexpr (std::is_same_v<T, std::string>) {
                AppendJsonString(out, v);
            } else if constexpr (std::is_same_v<T, FileTimeValue>) {
                AppendNumber(out, v.ticks);
            } else if constexpr (std::is_same_v<T, ByteVector>) {
                static constexpr char kHex[] = "0123456789abcdef";
                out += '"';
                for (const uint8_t b : v) {
                    out += kHex[b >> 4];
                    out += kHex[b & 0xF];
                }
                out += '"';
            } else if constexpr (std::is_same_v<T, ErrorValue>) {
                char text[32];
                std::snprintf(text, sizeof text, "{\"error\":\"0x%08X\"}", static_cast<unsigned>(v.hr));
                out += text;
            }
        },
        value);
}

std::string FormatEventLine(const ValueList& event) {
    std::string name = "UNKNOWN";
    for (const auto& [key, value] : event) {
        if (key != SENSOR_EVENT_PARAMETER_EVENT_ID) continue;
        if (const GUID* id = std::get_if<GUID>(&value)) {
            name = *id == SENSOR_EVENT_DATA_UPDATED    ? "DATA_UPDATED"
                   : *id == SENSOR_EVENT_STATE_CHANGED ? "STATE_CHANGED"
                                                       : FormatGuid(*id);
        }
    }
    std::string out = "{\"event\":";
    AppendJsonString(out, name);
    out += ",\"fields\":";
    AppendMembers(out, event, &SENSOR_EVENT_PARAMETER_EVENT_ID);
    out += '}';
    return out;
}

std::string FormatStateLine(uint32_t state) {
    return "{\"event\":\"STATE_CHANGED\",\"state\":" + std::to_string(state) + "}";
}

std::string FormatPropertiesLine(const ValueList& properties) {
    std::string out = "{\"properties\":";
    AppendMembers(out, properties, nullptr);
    out += '}';
    return out;
}

}  // namespace geolumen::host
