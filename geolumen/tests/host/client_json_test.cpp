// The client's JSON for the fields of a fix as an application reads them: satellite arrays as numbers,
// the time stamp beside its ISO-8601 form, NMEA as a list of sentences.
#include "host/client_json.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sensor/sensor_keys.h"
#include "tests/support/halyx_bytes.h"

namespace geolumen::host {
namespace {

// Bytes as the sensor puts an array of the satellite report into a field: the elements byte for byte in
// memory order (little-endian here). Each double below is written out by hand from its IEEE-754 bits,
// e.g. 45.5 = 0x4046C00000000000.
ByteVector Bytes(std::string_view hex) { return geolumen::test::HexBytes(hex); }

TEST(ClientJson, FieldsOfAFix) {
    struct Row {
        const char* legend;
        PROPERTYKEY key;
        PropValue value;
        const char* fields;  // the "fields" object's members
    };
    const Row rows[] = {
        {"azimuth doubles: 45.5, 120, absent (-1)", SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_AZIMUTH,
         Bytes("0000000000c04640"
               "0000000000005e40"
               "000000000000f0bf"),
         R"("SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_AZIMUTH":[45.5,120,-1])"},
        {"elevation doubles: 37.25, absent (-91)", SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_ELEVATION,
         Bytes("0000000000a04240"
               "0000000000c056c0"),
         R"("SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_ELEVATION":[37.25,-91])"},
        {"signal-to-noise doubles: 20", SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_STN_RATIO,
         Bytes("0000000000003440"), R"("SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_STN_RATIO":[20])"},
        {"ids, signed 32-bit: 3, 68, -19", SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_ID,
         Bytes("03000000"
               "44000000"
               "edffffff"),
         R"("SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_ID":[3,68,-19])"},
        {"PRNs: 3, 68", SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_PRNS,
         Bytes("03000000"
               "44000000"),
         R"("SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_PRNS":[3,68])"},
        {"no satellites: an empty vector is an empty array", SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_PRNS,
         ByteVector{}, R"("SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_PRNS":[])"},
        {"no satellites: the sensor's empty value", SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_AZIMUTH,
         std::monostate{}, R"("SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_AZIMUTH":null)"},
        {"not a whole number of doubles stays hex", SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_AZIMUTH,
         Bytes("00000000c046"), R"("SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_AZIMUTH":"00000000c046")"},
        {"a byte vector of another key stays hex", PROPERTYKEY{SENSOR_DATA_TYPE_LOCATION_GUID, 99},
         Bytes("03000000"), R"("{055C74D8-CA6F-47D6-95C6-1ED3637A0FF4} 99":"03000000")"},
        // 2024-01-01T00:00:01.25Z: (1704067201 s + 11644473600 s from 1601) x 10^7 + 2500000.
        {"time stamp and its UTC form", SENSOR_DATA_TYPE_TIMESTAMP, FileTimeValue{133485408012500000ull},
         R"("SENSOR_DATA_TYPE_TIMESTAMP":133485408012500000,"timestamp_utc":"2024-01-01T00:00:01.250Z")"},
        // 2024-02-29T12:00:00Z is unix 1709208000.
        {"a leap day", SENSOR_DATA_TYPE_TIMESTAMP, FileTimeValue{133536816000000000ull},
         R"("SENSOR_DATA_TYPE_TIMESTAMP":133536816000000000,"timestamp_utc":"2024-02-29T12:00:00.000Z")"},
        {"the first instant of file time", SENSOR_DATA_TYPE_TIMESTAMP, FileTimeValue{0},
         R"("SENSOR_DATA_TYPE_TIMESTAMP":0,"timestamp_utc":"1601-01-01T00:00:00.000Z")"},
        // 9999-12-31T23:59:59.999Z is 2650467743999990000; 10^4 more is the year 10000.
        {"the last instant of four-digit years", SENSOR_DATA_TYPE_TIMESTAMP,
         FileTimeValue{2650467743999990000ull},
         R"("SENSOR_DATA_TYPE_TIMESTAMP":2650467743999990000,"timestamp_utc":"9999-12-31T23:59:59.999Z")"},
        {"past four-digit years", SENSOR_DATA_TYPE_TIMESTAMP, FileTimeValue{2650467744000000000ull},
         R"("SENSOR_DATA_TYPE_TIMESTAMP":2650467744000000000,"timestamp_utc":null)"},
        {"NMEA sentences, each without its line end", SENSOR_DATA_TYPE_NMEA_SENTENCE,
         std::string("$GPGGA,1*4A\r\n;$GPRMC,2*4B\r\n"),
         R"("SENSOR_DATA_TYPE_NMEA_SENTENCE":["$GPGGA,1*4A","$GPRMC,2*4B"])"},
        {"NMEA switched off", SENSOR_DATA_TYPE_NMEA_SENTENCE, std::string(),
         R"("SENSOR_DATA_TYPE_NMEA_SENTENCE":[])"},
        {"NMEA with empty pieces and a quote", SENSOR_DATA_TYPE_NMEA_SENTENCE,
         std::string(";\r\n;$GPGSV,\"*00"), R"("SENSOR_DATA_TYPE_NMEA_SENTENCE":["$GPGSV,\"*00"])"},
        {"a text of another key stays one string", SENSOR_PROPERTY_FRIENDLY_NAME, std::string("a;b\r\n"),
         R"("SENSOR_PROPERTY_FRIENDLY_NAME":"a;b\r\n")"},
    };
    for (const Row& row : rows) {
        const ValueList event = {{SENSOR_EVENT_PARAMETER_EVENT_ID, SENSOR_EVENT_DATA_UPDATED},
                                 {row.key, row.value}};
        EXPECT_EQ(FormatEventLine(event),
                  std::string(R"({"event":"DATA_UPDATED","fields":{)") + row.fields + "}}")
            << row.legend;
    }
}

}  // namespace
}  // namespace geolumen::host
