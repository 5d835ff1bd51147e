#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "sensor/nmea.h"

namespace geolumen {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// The test's own checksum: XOR of the characters between "$" and "*", written out by hand here so that a
// fault in the builder's checksum cannot hide in the expectation.
std::string Closed(const std::string& body) {
    unsigned sum = 0;
    for (char c : body) sum ^= static_cast<unsigned char>(c);
    static const char kHex[] = "0123456789ABCDEF";
    return "$" + body + "*" + kHex[sum >> 4] + kHex[sum & 0xF] + "\r\n";
}

std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find(';', start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

LocationFix AbsentFix() {
    LocationFix fix;
    fix.latitude = fix.longitude = kAbsentDouble;
    fix.errorRadius = fix.speed = fix.altitudeEllipsoid = fix.altitudeSeaLevel = kAbsentFloat;
    fix.verticalUncertainty = fix.heading = fix.magneticHeading = fix.magneticDeviation = kAbsentFloat;
    fix.pdop = fix.hdop = fix.vdop = kAbsentFloat;
    fix.utcMs = 0;
    return fix;
}

LocationFix FullFix() {
    LocationFix fix = AbsentFix();
    fix.latitude = 48.5;
    fix.longitude = -123.25;
    fix.speed = 10.0f;
    fix.altitudeEllipsoid = 150.0f;
    fix.altitudeSeaLevel = 100.0f;
    fix.heading = 90.0f;
    fix.magneticDeviation = -2.5f;
    fix.pdop = 1.5f;
    fix.hdop = 0.9f;
    fix.vdop = 1.2f;
    fix.utcMs = 1700000000000ULL;
    return fix;
}

// Checksums worked out by hand from the bytes between "$" and "*".
// 1700000000 s = 19675 days + 80000 s -> 2023-11-14 22:13:20; 48.5 deg = 48 deg 30'; 123.25 deg = 123 deg
// 15'; 10 m/s = 19.438 kn = 36.0 km/h; geoid separation 150 - 100 = 50.
TEST(NmeaFixSentences, FullAndEmptyFixGiveExactSentences) {
    EXPECT_EQ(BuildFixSentences(FullFix()),
              "$GPGSA,A,1,,,,,,,,,,,,,1.5,0.9,1.2*3E\r\n;"
              "$GNGSA,A,1,,,,,,,,,,,,,1.5,0.9,1.2*20\r\n;"
              "$GNGNS,221320,4830.000000,N,12315.000000,W,A,00,0.9,100.0,50.0,,*23\r\n;"
              "$GPVTG,90.0,T,90.0,M,19.4,N,36.0,K,A*2A\r\n;"
              "$GPRMC,221320,A,4830.000000,N,12315.000000,W,19.4,90.0,141123,2.5,W,A*16\r\n;"
              "$GPGGA,221320,4830.000000,N,12315.000000,W,1,00,0.9,100.0,M,50.0,M,,*56\r\n");
    // No position: RMC reads "V" so no consumer takes the empty fix for a valid one.
    EXPECT_EQ(BuildFixSentences(AbsentFix()),
              "$GPGSA,A,1,,,,,,,,,,,,,,,*1E\r\n;"
              "$GNGSA,A,1,,,,,,,,,,,,,,,*00\r\n;"
              "$GNGNS,000000,,,,,N,00,,,,,,*31\r\n;"
              "$GPVTG,,T,,M,,N,,K,N*2C\r\n;"
              "$GPRMC,000000,V,,,,,,,000000,,,N*53\r\n;"
              "$GPGGA,000000,,,,,0,00,,,,,,,*66\r\n");
}

TEST(NmeaFixSentences, PositionPieceTable) {
    struct Row {
        const char* legend;
        double latitude, longitude;
        const char* gns;  // the GNS sentence without "$" and checksum
    };
    const Row rows[] = {
        {"zero latitude is south, zero longitude east", 0.0, 0.0,
         "GNGNS,000000,0000.000000,S,00000.000000,E,A,00,,,,,,"},
        {"minutes that round to 60 carry into the degrees", 10.99999999999, -20.9999999999,
         "GNGNS,000000,1100.000000,N,02100.000000,W,A,00,,,,,,"},
        {"the poles and the date line are in range", -90.0, 180.0,
         "GNGNS,000000,9000.000000,S,18000.000000,E,A,00,,,,,,"},
        {"just under a minute boundary keeps its degree", 12.9999, 1.0 / 60.0,
         "GNGNS,000000,1259.994000,N,00001.000000,E,A,00,,,,,,"},
        {"NaN latitude is absent", kNaN, 10.0, "GNGNS,000000,,,,,N,00,,,,,,"},
        {"infinite longitude is absent", 10.0, -kInf, "GNGNS,000000,,,,,N,00,,,,,,"},
        {"latitude beyond the pole is absent", 90.5, 10.0, "GNGNS,000000,,,,,N,00,,,,,,"},
        {"longitude beyond the date line is absent", 10.0, -180.5, "GNGNS,000000,,,,,N,00,,,,,,"},
        {"the largest double is absent", kAbsentDouble, 10.0, "GNGNS,000000,,,,,N,00,,,,,,"},
    };
    for (const Row& row : rows) {
        LocationFix fix = AbsentFix();
        fix.latitude = row.latitude;
        fix.longitude = row.longitude;
        const std::vector<std::string> parts = Split(BuildFixSentences(fix));
        ASSERT_EQ(parts.size(), 6u) << row.legend;
        EXPECT_EQ(parts[2], Closed(row.gns)) << row.legend;
    }
}

TEST(NmeaFixSentences, ImpossibleFloatsLeaveFieldsEmpty) {
    const float kFloatNaN = std::numeric_limits<float>::quiet_NaN();
    const float kFloatInf = std::numeric_limits<float>::infinity();
    LocationFix fix = FullFix();
    fix.speed = std::numeric_limits<float>::max() / 1.5f;  // knots overflow single precision
    fix.heading = kFloatNaN;
    fix.hdop = kFloatInf;
    fix.altitudeEllipsoid = kFloatNaN;
    fix.magneticDeviation = -kFloatInf;
    fix.utcMs = 0;
    const std::vector<std::string> parts = Split(BuildFixSentences(fix));
    ASSERT_EQ(parts.size(), 6u);
    EXPECT_EQ(parts[0], Closed("GPGSA,A,1,,,,,,,,,,,,,,,"));
    EXPECT_EQ(parts[2], Closed("GNGNS,000000,4830.000000,N,12315.000000,W,A,00,,100.0,,,,"));
    EXPECT_EQ(parts[3], Closed("GPVTG,,T,,M,,N,,K,A"));
    EXPECT_EQ(parts[4], Closed("GPRMC,000000,A,4830.000000,N,12315.000000,W,,,000000,,,A"));
    EXPECT_EQ(parts[5], Closed("GPGGA,000000,4830.000000,N,12315.000000,W,1,00,,100.0,M,,,,"));
}

void AddSatellite(SatelliteReport& report, int32_t id, int32_t prn, double elevation, double azimuth,
                  double snr) {
    const uint32_t i = report.count++;
    report.satelliteId[i] = id;
    report.prn[i] = prn;
    report.elevation[i] = elevation;
    report.azimuth[i] = azimuth;
    report.snr[i] = snr;
}

TEST(NmeaSatelliteSentences, GroupsRoundingAndSystems) {
    SatelliteReport report;
    AddSatellite(report, 1, 1, 45, 90, 40);
    AddSatellite(report, 2, 2, 30.4, 180.6, 35.2);  // rounds to 30, 181, 35
    AddSatellite(report, 3, 3, 10, 270, 0);         // no SNR: the group ends after the azimuth's comma
    AddSatellite(report, 4, 4, -91, -1, 20);        // not given by the module: -90 and 000
    AddSatellite(report, 129, 65, 5, 5, 5);         // neither GPS nor GLONASS: skipped
    AddSatellite(report, 5, 5, 60, 45, 38);
    AddSatellite(report, 65, 65, 20, 300, 30);
    EXPECT_EQ(BuildSatelliteSentences(report),
              ";$GPGSV,2,1,05,01,45,090,40,02,30,181,35,03,10,270,,04,-90,000,20*58\r\n"
              ";$GPGSV,2,2,05,05,60,045,38*45\r\n"
              ";$GLGSV,1,1,01,65,20,300,30*55\r\n");

    EXPECT_EQ(BuildSatelliteSentences(SatelliteReport{}), ";$GPGSV,1,1,0*49\r\n");

    SatelliteReport others;
    AddSatellite(others, 33, 33, 10, 10, 10);
    AddSatellite(others, 89, 89, 10, 10, 10);
    EXPECT_EQ(BuildSatelliteSentences(others), "");
}

TEST(NmeaSatelliteSentences, ImpossibleValuesLeaveFieldsEmpty) {
    SatelliteReport report;
    AddSatellite(report, 7, 7, kNaN, kInf, kNaN);
    AddSatellite(report, 8, 8, 1e300, -1e300, 1e300);
    AddSatellite(report, 9, 9, -92, 361, -5);
    EXPECT_EQ(BuildSatelliteSentences(report), ";" + Closed("GPGSV,1,1,03,07,,,,08,,,,09,,,"));

    // A count beyond the record's arrays reads only what the arrays hold.
    SatelliteReport overfull;
    for (uint32_t i = 0; i < kMaxReportedSatellites; ++i) AddSatellite(overfull, 1 + i % 32, 1, 1, 1, 1);
    overfull.count = 1000;
    const std::vector<std::string> parts = Split(BuildSatelliteSentences(overfull));
    ASSERT_EQ(parts.size(), 21u);  // leading ";" and 80 / 4 sentences
    EXPECT_EQ(parts[1].rfind("$GPGSV,20,1,80,", 0), 0u);
}

TEST(NmeaChecksum, AppendsAndCountsCutSuffix) {
    char text[32];
    std::strcpy(text, "$GPGSV,1,1,0");
    EXPECT_EQ(AppendNmeaChecksum(text, sizeof(text)), 11 + 5);
    EXPECT_STREQ(text, "$GPGSV,1,1,0*49\r\n");

    // Room for "*4" and the terminator only: the cut suffix counts -1.
    std::strcpy(text, "$GPGSV,1,1,0");
    EXPECT_EQ(AppendNmeaChecksum(text, 15), 11 - 1);
    EXPECT_STREQ(text, "$GPGSV,1,1,0*4");

    // No terminator inside the buffer: nothing is read past it.
    std::memset(text, 'A', sizeof(text));
    EXPECT_EQ(AppendNmeaChecksum(text, sizeof(text)), -1);
    EXPECT_EQ(AppendNmeaChecksum(nullptr, 10), -1);
}

// Every sentence the builders emit is complete and checks out under the test's own XOR.
void ExpectWellFormed(const std::string& text, bool leadingSeparator) {
    std::vector<std::string> parts = Split(text);
    if (leadingSeparator) {
        ASSERT_EQ(parts.front(), "");
        parts.erase(parts.begin());
    }
    for (const std::string& sentence : parts) {
        ASSERT_LT(sentence.size(), kNmeaSentenceCapacity);
        ASSERT_GE(sentence.size(), 6u);
        ASSERT_EQ(sentence[0], '$');
        const std::string body = sentence.substr(1, sentence.size() - 6);
        ASSERT_EQ(sentence, Closed(body));
        for (const char* bad : {"nan", "inf", "NAN", "INF"}) ASSERT_EQ(sentence.find(bad), std::string::npos);
    }
}

TEST(NmeaRobustness, RandomFixesAndReportsStayWellFormed) {
    std::mt19937_64 rng(20261209);
    const double specials[] = {kNaN,  kInf,  -kInf,  kAbsentDouble, -kAbsentDouble, 0.0,   -0.0,  90.0,
                               -90.0, 180.0, -180.0, 1e-320,        89.99999999999, 1e308, -1e308};
    const float floatSpecials[] = {std::numeric_limits<float>::quiet_NaN(),
                                   std::numeric_limits<float>::infinity(),
                                   -std::numeric_limits<float>::infinity(),
                                   kAbsentFloat,
                                   -kAbsentFloat,
                                   std::numeric_limits<float>::max() / 2,
                                   0.0f,
                                   -1e-45f};
    auto pickDouble = [&](double range) {
        if (rng() % 3 == 0) return specials[rng() % std::size(specials)];
        return std::uniform_real_distribution<double>(-range, range)(rng);
    };
    auto pickFloat = [&]() {
        if (rng() % 3 == 0) return floatSpecials[rng() % std::size(floatSpecials)];
        return std::uniform_real_distribution<float>(-1e6f, 1e6f)(rng);
    };
    for (int round = 0; round < 5000; ++round) {
        LocationFix fix;
        fix.latitude = pickDouble(100);
        fix.longitude = pickDouble(200);
        for (float* f : {&fix.speed, &fix.altitudeEllipsoid, &fix.altitudeSeaLevel, &fix.heading,
                         &fix.magneticDeviation, &fix.pdop, &fix.hdop, &fix.vdop})
            *f = pickFloat();
        fix.utcMs = rng() % 4 == 0 ? rng() : rng() % 4102444800000ULL;
        const std::string fixText = BuildFixSentences(fix);
        ASSERT_EQ(Split(fixText).size(), 6u);
        ExpectWellFormed(fixText, false);

        SatelliteReport report;
        report.count = static_cast<uint32_t>(rng() % 100);
        for (uint32_t i = 0; i < kMaxReportedSatellites; ++i) {
            report.satelliteId[i] = static_cast<int32_t>(rng() % 100) - 5;
            report.prn[i] = rng() % 8 == 0 ? static_cast<int32_t>(rng()) : report.satelliteId[i];
            report.elevation[i] = pickDouble(120);
            report.azimuth[i] = pickDouble(400);
            report.snr[i] = pickDouble(120);
        }
        ExpectWellFormed(BuildSatelliteSentences(report), true);
    }
}

}  // namespace
}  // namespace geolumen
