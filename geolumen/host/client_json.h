#pragma once
// The client tool's output: one JSON object per line for each event, and for the property list.
//   {"event":"DATA_UPDATED","fields":{"SENSOR_DATA_TYPE_LATITUDE_DEGREES":-33.8740234375, ...}}
//   {"event":"STATE_CHANGED","state":N}
//   {"properties":{"SENSOR_PROPERTY_FRIENDLY_NAME":"...", ...}}
// Keys carry the sensor's own names ("{GUID} pid" for a key without one). Values: VT_R8 and VT_R4 in the
// shortest form that reads back to the same number (null when not finite), integers and file times as
// integers, texts and identifiers as strings, byte vectors as lower-case hex, VT_EMPTY as null, and an
// error in place of a value as {"error":"0x80070490"}.

#include <cstdint>
#include <string>
#include <string_view>

#include "host/sensor_protocol.h"

namespace geolumen::host {

[[nodiscard]] std::string JsonKeyName(const PROPERTYKEY& key);
void AppendJsonString(std::string& out, std::string_view text);
void AppendJsonValue(std::string& out, const PropValue& value);

// A posted event's value set; the event-id entry names the event and is not among the fields.
[[nodiscard]] std::string FormatEventLine(const ValueList& event);
[[nodiscard]] std::string FormatStateLine(uint32_t state);
[[nodiscard]] std::string FormatPropertiesLine(const ValueList& properties);

}  // namespace geolumen::host
