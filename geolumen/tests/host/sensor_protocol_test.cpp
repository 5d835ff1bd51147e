#include "host/sensor_protocol.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "host/client_json.h"
#include "host/client_options.h"
#include "sensor/sensor_keys.h"

namespace geolumen::host {
namespace {

// Every value kind survives the wire unchanged.
TEST(SensorProtocol, ValuesRoundTrip) {
    const ValueList values = {
        {SENSOR_DATA_TYPE_TIMESTAMP, FileTimeValue{133988256000000000ull}},
        {SENSOR_DATA_TYPE_LATITUDE_DEGREES, -33.8740234375},
        {SENSOR_DATA_TYPE_FIX_TYPE, int32_t{-6}},
        {SENSOR_PROPERTY_MIN_REPORT_INTERVAL, uint32_t{0xFFFFFFFF}},
        {SENSOR_PROPERTY_FRIENDLY_NAME, std::string("Sarnovy \xC3\xA9 \"x\"")},
        {SENSOR_PROPERTY_TYPE, SENSOR_TYPE_LOCATION_GPS},
        {SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_PRNS, ByteVector{0, 1, 0xFF}},
        {SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_ID, ByteVector{}},
        {SENSOR_PROPERTY_MODEL, ErrorValue{HRESULT_FROM_WIN32(ERROR_NOT_FOUND)}},
        {SENSOR_DATA_TYPE_SPEED_KNOTS, 2.5f},
        {SENSOR_DATA_TYPE_ERROR_RADIUS_METERS, std::monostate{}},
    };
    std::vector<uint8_t> bytes(7, 0xAA);  // a message need not start the buffer
    MessageWriter writer(bytes);
    writer.Begin(MessageType::kEvent, 0x01020304);
    writer.PutValues(values);
    ASSERT_TRUE(writer.Finish());

    MessageSplitter splitter;
    splitter.Feed(std::span(bytes).subspan(7));
    Message message;
    ASSERT_EQ(splitter.Next(message), MessageSplitter::Result::kMessage);
    EXPECT_EQ(message.type, MessageType::kEvent);
    EXPECT_EQ(message.requestId, 0x01020304u);
    MessageReader reader(message.body);
    EXPECT_EQ(reader.GetValues(), values);
    EXPECT_TRUE(reader.Done());
    EXPECT_EQ(splitter.Next(message), MessageSplitter::Result::kNeedMore);
}

// A value cut after every byte never reads past its end and never passes for complete.
TEST(SensorProtocol, EveryCutIsMalformed) {
    std::vector<uint8_t> body;
    MessageWriter writer(body);
    writer.Begin(MessageType::kSetProperties, 1);
    writer.PutValues(ValueList{{SENSOR_PROPERTY_FRIENDLY_NAME, std::string("abc")},
                               {SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_PRNS, ByteVector{1, 2}},
                               {SENSOR_PROPERTY_TYPE, SENSOR_TYPE_LOCATION_GPS}});
    ASSERT_TRUE(writer.Finish());
    const std::span<const uint8_t> whole = std::span(body).subspan(kLengthBytes + 5);
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        SCOPED_TRACE(cut);
        MessageReader reader(whole.first(cut));
        (void)reader.GetValues();
        EXPECT_FALSE(reader.Done());
    }
    MessageReader reader(whole);
    EXPECT_EQ(reader.GetValues().size(), 3u);
    EXPECT_TRUE(reader.Done());
}

TEST(SensorProtocol, OversizeWritesAreRefused) {
    std::vector<uint8_t> bytes;
    MessageWriter writer(bytes);
    writer.Begin(MessageType::kReply, 1);
    writer.PutText(std::string(kMaxMessageBytes, 'x'));
    EXPECT_FALSE(writer.Finish());
    EXPECT_TRUE(bytes.empty());
}

TEST(ClientJson, ValueForms) {
    struct Row {
        PropValue value;
        const char* json;
    };
    const Row rows[] = {
        {std::monostate{}, "null"},
        {uint32_t{4294967295u}, "4294967295"},
        {int32_t{-7}, "-7"},
        {-33.8740234375, "-33.8740234375"},
        {0.1, "0.1"},
        {1e300, "1e+300"},
        {std::numeric_limits<double>::quiet_NaN(), "null"},
        {-std::numeric_limits<double>::infinity(), "null"},
        {2.5f, "2.5"},
        {FileTimeValue{133988256000000000ull}, "133988256000000000"},
        {std::string("a\"b\\c\n\x01"), R"("a\"b\\c\n\u0001")"},
        {std::string("$GPGGA,1*4A\r\n"), R"("$GPGGA,1*4A\r\n")"},
        {ByteVector{0x00, 0xAB, 0x7f}, R"("00ab7f")"},
        {SENSOR_TYPE_LOCATION_GPS, R"("{ED4CA589-327A-4FF9-A560-91DA4B48275E}")"},
        {ErrorValue{E_INVALIDARG}, R"({"error":"0x80070057"})"},
    };
    for (const Row& row : rows) {
        std::string out;
        AppendJsonValue(out, row.value);
        EXPECT_EQ(out, row.json);
    }
}

// The printed number reads back to the very same double.
TEST(ClientJson, DoublesReadBackExactly) {
    std::mt19937_64 random(13);
    for (int i = 0; i < 20000; ++i) {
        uint64_t bits = random();
        double v;
        std::memcpy(&v, &bits, sizeof v);
        if (!std::isfinite(v)) continue;
        std::string out;
        AppendJsonValue(out, v);
        EXPECT_EQ(std::strtod(out.c_str(), nullptr), v) << out;
    }
}

TEST(ClientJson, Lines) {
    const ValueList event = {{SENSOR_EVENT_PARAMETER_EVENT_ID, SENSOR_EVENT_DATA_UPDATED},
                             {SENSOR_DATA_TYPE_LATITUDE_DEGREES, -33.8740234375},
                             {SENSOR_DATA_TYPE_FIX_TYPE, int32_t{1}},
                             {PROPERTYKEY{SENSOR_DATA_TYPE_LOCATION_GUID, 99}, uint32_t{5}}};
    EXPECT_EQ(FormatEventLine(event),
              R"({"event":"DATA_UPDATED","fields":{"SENSOR_DATA_TYPE_LATITUDE_DEGREES":-33.8740234375,)"
              R"("SENSOR_DATA_TYPE_FIX_TYPE":1,"{055C74D8-CA6F-47D6-95C6-1ED3637A0FF4} 99":5}})");
    EXPECT_EQ(FormatStateLine(3), R"({"event":"STATE_CHANGED","state":3})");
    EXPECT_EQ(FormatPropertiesLine({{SENSOR_PROPERTY_FRIENDLY_NAME, std::string("S")}}),
              R"({"properties":{"SENSOR_PROPERTY_FRIENDLY_NAME":"S"}})");
}

TEST(ClientOptions, CommandLines) {
    std::string error;
    auto full = ParseClientOptions({"--socket", "/s", "--run-dir", "/r", "--interval", "2000", "--accuracy",
                                    "1", "--nmea", "--count", "3", "--seconds", "10", "--properties"},
                                   &error);
    ASSERT_TRUE(full) << error;
    EXPECT_EQ(full->socket, "/s");
    EXPECT_EQ(full->runDir, "/r");
    EXPECT_EQ(full->interval, 2000u);
    EXPECT_EQ(full->accuracy, 1u);
    EXPECT_TRUE(full->nmea);
    EXPECT_EQ(full->count, 3u);
    EXPECT_EQ(full->seconds, 10u);
    EXPECT_TRUE(full->properties);
    const std::vector<std::vector<std::string>> bad = {
        {"--interval", "-1"}, {"--interval", "2s"},  {"--accuracy", "2"},
        {"--count", "0"},     {"--seconds", "0"},    {"--seconds", "86401"},
        {"--socket", ""},     {"--frobnicate", "1"}, {"--count"},
    };
    for (const auto& args : bad) {
        SCOPED_TRACE(args[0]);
        EXPECT_FALSE(ParseClientOptions(args, &error));
    }
}

}  // namespace
}  // namespace geolumen::host
