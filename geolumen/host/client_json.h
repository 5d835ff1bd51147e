#pragma once
// The client tool's output: one JSON object per line for each event, and for the property list.
//   {"event":"DATA_UPDATED","fields":{"SENSOR_DATA_TYPE_LATITUDE_DEGREES":-33.8740234375, ...}}
//   {"event":"STATE_CHANGED","state":N}
//   {"properties":{"SENSOR_PROPERTY_FRIENDLY_NAME":"...", ...}}
// Keys carry the sensor's own names ("{GUID} pid" for a key without one). Values: VT_R8 and VT_R4 in the
// shortest form that reads back to the same number (null when not finite), integers and file times as
// integers, texts and identifiers as strings, VT_EMPTY as null, and an error in place of a value as
// {"error":"0x80070490"}. The satellite fields are arrays of the numbers they hold: azimuth, elevation
// and signal-to-noise as doubles, ids and PRNs as signed 32-bit integers ("[45.5,120]", "[3,68]"); any
// other byte vector, or one that is not a whole number of elements, is lower-case hex. The NMEA field
// is an array of sentences without their line ends. SENSOR_DATA_TYPE_TIMESTAMP (a file time) is followed
// by "timestamp_utc", the same instant as ISO-8601 UTC with milliseconds ("2024-01-01T00:00:01.000Z");
// no sensor key is lower-case, so the name cannot collide with one.

#include <cstdint>
#include <string>
#include <string_view>

#include "host/sensor_protocol.h"

namespace geolumen::host {

inline constexpr std::string_view kTimestampUtcKey = "timestamp_utc";

// "2024-01-01T00:00:01.250Z"; empty past the year 9999.
[[nodiscard]] std::string FormatUtc(FileTimeValue time);
[[nodiscard]] std::string JsonKeyName(const PROPERTYKEY& key);
void AppendJsonString(std::string& out, std::string_view text);
void AppendJsonValue(std::string& out, const PropValue& value);

// A posted event's value set; the event-id entry names the event and is not among the fields.
[[nodiscard]] std::string FormatEventLine(const ValueList& event);
[[nodiscard]] std::string FormatStateLine(uint32_t state);
[[nodiscard]] std::string FormatPropertiesLine(const ValueList& properties);

}  // namespace geolumen::host
