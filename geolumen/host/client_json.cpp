#include "host/client_json.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <type_traits>
#include <variant>

#include "location/file_time.h"
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

// The satellite fields carry arrays of the satellite report as bytes in the host's memory order; each is
// printed as the numbers it holds.
enum class Element { kDouble, kInt32 };
struct ArrayField {
    const PROPERTYKEY* key;
    Element element;
};
constexpr ArrayField kArrayFields[] = {
    {&SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_AZIMUTH, Element::kDouble},
    {&SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_ELEVATION, Element::kDouble},
    {&SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_STN_RATIO, Element::kDouble},
    {&SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_ID, Element::kInt32},
    {&SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_PRNS, Element::kInt32},
};

template <class Number>
void AppendArray(std::string& out, const ByteVector& bytes) {
    out += '[';
    for (size_t at = 0; at < bytes.size(); at += sizeof(Number)) {
        Number v;
        std::memcpy(&v, bytes.data() + at, sizeof v);
        if (at != 0) out += ',';
        if constexpr (std::is_floating_point_v<Number>) {
            AppendReal(out, v);
        } else {
            AppendNumber(out, v);
        }
    }
    out += ']';
}

// False when the bytes are not a whole number of elements; the caller prints them as hex then.
bool AppendSatelliteArray(std::string& out, const PROPERTYKEY& key, const ByteVector& bytes) {
    for (const ArrayField& field : kArrayFields) {
        if (*field.key != key) continue;
        const size_t size = field.element == Element::kDouble ? sizeof(double) : sizeof(int32_t);
        if (bytes.size() % size != 0) return false;
        if (field.element == Element::kDouble) {
            AppendArray<double>(out, bytes);
        } else {
            AppendArray<int32_t>(out, bytes);
        }
        return true;
    }
    return false;
}

// The sensor's NMEA text holds the sentences one after another, each closed by CR LF and ";".
void AppendSentences(std::string& out, std::string_view text) {
    out += '[';
    bool first = true;
    while (!text.empty()) {
        const size_t end = std::min(text.find(';'), text.size());
        std::string_view sentence = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        while (!sentence.empty() && (sentence.back() == '\n' || sentence.back() == '\r'))
            sentence.remove_suffix(1);
        if (sentence.empty()) continue;
        if (!first) out += ',';
        first = false;
        AppendJsonString(out, sentence);
    }
    out += ']';
}

void AppendField(std::string& out, const PROPERTYKEY& key, const PropValue& value) {
    if (const auto* bytes = std::get_if<ByteVector>(&value)) {
        if (AppendSatelliteArray(out, key, *bytes)) return;
    }
    if (const auto* text = std::get_if<std::string>(&value); text && key == SENSOR_DATA_TYPE_NMEA_SENTENCE) {
        AppendSentences(out, *text);
        return;
    }
    AppendJsonValue(out, value);
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
        AppendField(out, key, value);
        const auto* time = std::get_if<FileTimeValue>(&value);
        if (time && key == SENSOR_DATA_TYPE_TIMESTAMP) {
            out += ",\"";
            out += kTimestampUtcKey;
            out += "\":";
            const std::string utc = FormatUtc(*time);
            if (utc.empty()) {
                out += "null";
            } else {
                AppendJsonString(out, utc);
            }
        }
    }
    out += '}';
}

}  // namespace

std::string FormatUtc(FileTimeValue time) {
    using namespace std::chrono;
    // Past 9999 the form needs more than four year digits; no clock of this sensor gets there.
    constexpr int64_t kSecondsTo10000 = 253'402'300'800;  // 1970-01-01 to 10000-01-01
    const int64_t seconds = static_cast<int64_t>(time.ticks / kFileTimeUnitsPerSecond) -
                            static_cast<int64_t>(kFileTime1970 / kFileTimeUnitsPerSecond);
    if (seconds >= kSecondsTo10000) return {};
    const auto ms = static_cast<unsigned>(time.ticks % kFileTimeUnitsPerSecond / kFileTimeUnitsPerMs);
    const sys_seconds at{std::chrono::seconds(seconds)};
    const sys_days day = floor<days>(at);
    const year_month_day date{day};
    const hh_mm_ss clock{at - day};
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03uZ", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()), ms);
    return text;
}

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
