#include "sensor/nmea.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

namespace geolumen {
namespace {

constexpr double kKnotsPerMetrePerSecond = 1.9438444924406046;
constexpr double kKmhPerMetrePerSecond = 3.6;
constexpr int kSatellitesPerSentence = 4;
// Coordinates are printed with six decimals of a minute; rounding happens once, on the whole value in
// millionths of a minute, so the minutes can never read 60 and the degrees carry instead.
constexpr long long kMicroMinutesPerDegree = 60LL * 1000000LL;

// One sentence under construction. The first piece that does not fit marks the sentence failed, and every
// later piece is ignored, so a builder checks once at the end.
class SentenceBuffer {
  public:
    SentenceBuffer() { text_[0] = '\0'; }

    __attribute__((format(printf, 2, 3))) void Append(const char* format, ...) {
        if (failed_) return;
        const std::size_t room = sizeof(text_) - length_;
        va_list args;
        va_start(args, format);
        const int n = std::vsnprintf(text_ + length_, room, format, args);
        va_end(args);
        if (n < 0 || static_cast<std::size_t>(n) >= room) {
            failed_ = true;
            text_[length_] = '\0';
            return;
        }
        length_ += static_cast<std::size_t>(n);
    }

    // Adds the checksum; false when the sentence or its suffix did not fit.
    [[nodiscard]] bool Close() {
        if (failed_ || length_ == 0) return false;
        const int expected = static_cast<int>(length_ - 1) + 5;  // "*XX\r\n"
        return AppendNmeaChecksum(text_, sizeof(text_)) == expected;
    }

    [[nodiscard]] const char* Text() const { return text_; }

  private:
    char text_[kNmeaSentenceCapacity];
    std::size_t length_ = 0;
    bool failed_ = false;
};

[[nodiscard]] bool FloatPresent(float value) { return std::isfinite(value) && value != kAbsentFloat; }

[[nodiscard]] bool CoordinatePresent(double value, double limit) {
    return std::isfinite(value) && value != kAbsentDouble && std::fabs(value) <= limit;
}

struct UtcFields {
    int hour = 0, minute = 0, second = 0, day = 0, month = 0, year = 0;
};

[[nodiscard]] UtcFields UtcFromMilliseconds(uint64_t utcMs) {
    UtcFields out;
    if (utcMs == 0) return out;
    const std::time_t seconds = static_cast<std::time_t>(utcMs / 1000);
    std::tm tm{};
    if (gmtime_r(&seconds, &tm) == nullptr) return out;
    out.hour = tm.tm_hour;
    out.minute = tm.tm_min;
    out.second = tm.tm_sec;
    out.day = tm.tm_mday;
    out.month = tm.tm_mon + 1;
    out.year = (tm.tm_year + 1900) % 100;
    return out;
}

// Degrees and minutes of one coordinate, from one rounding of its magnitude.
struct DegreesMinutes {
    long long degrees;
    long long wholeMinutes;
    long long microMinutes;
};

[[nodiscard]] DegreesMinutes SplitCoordinate(double value) {
    const long long total = std::llround(std::fabs(value) * static_cast<double>(kMicroMinutesPerDegree));
    const long long withinDegree = total % kMicroMinutesPerDegree;
    return {total / kMicroMinutesPerDegree, withinDegree / 1000000, withinDegree % 1000000};
}

// The fix values every sentence shares, with absent and impossible values already sorted out.
struct FixPieces {
    UtcFields time;
    bool position = false;
    double latitude = 0, longitude = 0;
    bool dops = false;
    bool speed = false;
    double knots = 0, kmh = 0;
    bool heading = false;
    bool seaLevel = false;
    bool geoid = false;
    bool variation = false;
};

[[nodiscard]] FixPieces PiecesOf(const LocationFix& fix) {
    FixPieces p;
    p.time = UtcFromMilliseconds(fix.utcMs);
    p.position = CoordinatePresent(fix.latitude, 90.0) && CoordinatePresent(fix.longitude, 180.0);
    p.latitude = fix.latitude;
    p.longitude = fix.longitude;
    p.dops = FloatPresent(fix.pdop) && FloatPresent(fix.hdop) && FloatPresent(fix.vdop);
    if (FloatPresent(fix.speed)) {
        // Rounded to single precision first, as the module's own figures are.
        const float knots = static_cast<float>(fix.speed * kKnotsPerMetrePerSecond);
        const float kmh = static_cast<float>(fix.speed * kKmhPerMetrePerSecond);
        p.speed = std::isfinite(knots) && std::isfinite(kmh);
        p.knots = knots;
        p.kmh = kmh;
    }
    p.heading = FloatPresent(fix.heading);
    p.seaLevel = FloatPresent(fix.altitudeSeaLevel);
    p.geoid = p.seaLevel && FloatPresent(fix.altitudeEllipsoid);
    p.variation = FloatPresent(fix.magneticDeviation);
    return p;
}

void AppendTime(SentenceBuffer& s, const FixPieces& p) {
    s.Append("%02d%02d%02d,", p.time.hour, p.time.minute, p.time.second);
}

void AppendPosition(SentenceBuffer& s, const FixPieces& p) {
    if (!p.position) {
        s.Append(",,,,");
        return;
    }
    const DegreesMinutes lat = SplitCoordinate(p.latitude);
    const DegreesMinutes lon = SplitCoordinate(p.longitude);
    s.Append("%02lld%02lld.%06lld,%c,%03lld%02lld.%06lld,%c,", lat.degrees, lat.wholeMinutes,
             lat.microMinutes, p.latitude > 0 ? 'N' : 'S', lon.degrees, lon.wholeMinutes, lon.microMinutes,
             p.longitude < 0 ? 'W' : 'E');
}

char ModeOf(const FixPieces& p) { return p.position ? 'A' : 'N'; }

void AppendGeoidSeparation(SentenceBuffer& s, const LocationFix& fix, const FixPieces& p, bool withUnit) {
    if (!p.geoid) {
        s.Append(",,,");
        return;
    }
    const double separation = static_cast<double>(fix.altitudeEllipsoid) - fix.altitudeSeaLevel;
    s.Append(withUnit ? "%.1lf,M,," : "%.1lf,,", separation);
}

void BuildGsa(SentenceBuffer& s, const char* talker, const LocationFix& fix, const FixPieces& p) {
    // Fix mode "1" and no satellite list: the module reports neither per fix.
    s.Append("$%sGSA,A,%c,,,,,,,,,,,,,", talker, '1');
    if (p.dops) {
        s.Append("%.1f,%.1f,%.1f", fix.pdop, fix.hdop, fix.vdop);
    } else {
        s.Append(",,");
    }
}

void BuildGns(SentenceBuffer& s, const LocationFix& fix, const FixPieces& p) {
    s.Append("$GNGNS,");
    AppendTime(s, p);
    AppendPosition(s, p);
    s.Append("%c", ModeOf(p));
    if (p.dops) {
        s.Append(",%02d,%.1f,", 0, fix.hdop);
    } else {
        s.Append(",%02d,,", 0);
    }
    if (p.seaLevel) {
        s.Append("%.1lf,", static_cast<double>(fix.altitudeSeaLevel));
    } else {
        s.Append(",");
    }
    AppendGeoidSeparation(s, fix, p, false);
}

void BuildVtg(SentenceBuffer& s, const LocationFix& fix, const FixPieces& p) {
    if (p.heading) {
        s.Append("$GPVTG,%.1lf,T,%.1lf,M,", static_cast<double>(fix.heading),
                 static_cast<double>(fix.heading));
    } else {
        s.Append("$GPVTG,,T,,M,");
    }
    if (p.speed) {
        s.Append("%.1lf,N,%.1lf,K,", p.knots, p.kmh);
    } else {
        s.Append(",N,,K,");
    }
    s.Append("%c", ModeOf(p));
}

void BuildRmc(SentenceBuffer& s, const LocationFix& fix, const FixPieces& p) {
    s.Append("$GPRMC,");
    AppendTime(s, p);
    // "V" (void) without a position: a consumer must not take an empty fix for a valid one.
    s.Append("%c,", p.position ? 'A' : 'V');
    AppendPosition(s, p);
    if (p.speed) {
        s.Append("%.1lf,", p.knots);
    } else {
        s.Append(",");
    }
    if (p.heading) {
        s.Append("%.1lf,", static_cast<double>(fix.heading));
    } else {
        s.Append(",");
    }
    s.Append("%2.2d%2.2d%2.2d,", p.time.day, p.time.month, p.time.year);
    if (p.variation) {
        s.Append("%.1lf,%c,", std::fabs(static_cast<double>(fix.magneticDeviation)),
                 fix.magneticDeviation < 0 ? 'W' : 'E');
    } else {
        s.Append(",,");
    }
    s.Append("%c", ModeOf(p));
}

void BuildGga(SentenceBuffer& s, const LocationFix& fix, const FixPieces& p) {
    s.Append("$GPGGA,");
    AppendTime(s, p);
    AppendPosition(s, p);
    const char quality = p.position ? '1' : '0';
    if (p.dops) {
        s.Append("%c,%02d,%.1f,", quality, 0, fix.hdop);
    } else {
        s.Append("%c,%02d,,", quality, 0);
    }
    if (p.seaLevel) {
        s.Append("%.1lf,M,", static_cast<double>(fix.altitudeSeaLevel));
    } else {
        s.Append(",,");
    }
    AppendGeoidSeparation(s, fix, p, true);
}

// The module's markers for a value it did not give (-91 elevation, -1 azimuth) stay inside these ranges,
// so they print as before; anything beyond them cannot come from a receiver and leaves the field empty.
constexpr double kMinElevation = -91.0, kMaxElevation = 90.0;
constexpr double kMinAzimuth = -1.0, kMaxAzimuth = 360.0;
constexpr double kMaxSnr = 99.0;

[[nodiscard]] bool InRange(double value, double low, double high) {
    return std::isfinite(value) && value >= low && value <= high;
}

// Add one half and cut towards zero, as the sentence's integer fields are meant to be read.
[[nodiscard]] int RoundHalfUp(double value) { return static_cast<int>(value + 0.5); }

void AppendSatellite(SentenceBuffer& s, const Satellite& sat) {
    s.Append(",%02d,", sat.prn);
    if (InRange(sat.elevation, kMinElevation, kMaxElevation)) s.Append("%02d", RoundHalfUp(sat.elevation));
    s.Append(",");
    if (InRange(sat.azimuth, kMinAzimuth, kMaxAzimuth)) s.Append("%03d", RoundHalfUp(sat.azimuth));
    s.Append(",");
    if (InRange(sat.snr, 0.0, kMaxSnr) && sat.snr > 0) s.Append("%02d", RoundHalfUp(sat.snr));
}

// Appends the satellites-in-view sentences of one system; false when one did not fit.
[[nodiscard]] bool AppendSystemSentences(std::string& out, const char* header,
                                         const std::vector<Satellite>& list) {
    const int n = static_cast<int>(list.size());
    const int total = (n + kSatellitesPerSentence - 1) / kSatellitesPerSentence;
    for (int k = 1; k <= total; ++k) {
        SentenceBuffer s;
        s.Append("%s,%d,%d,%02d", header, total, k, n);
        const int first = (k - 1) * kSatellitesPerSentence;
        for (int i = first; i < n && i < first + kSatellitesPerSentence; ++i) AppendSatellite(s, list[i]);
        if (!s.Close()) return false;
        out += ';';
        out += s.Text();
    }
    return true;
}

}  // namespace

int AppendNmeaChecksum(char* sentence, std::size_t capacity) {
    if (sentence == nullptr || capacity == 0) return -1;
    const std::size_t length = strnlen(sentence, capacity);
    if (length == 0 || length >= capacity) return -1;
    unsigned char sum = 0;
    for (std::size_t i = 1; i < length; ++i) sum ^= static_cast<unsigned char>(sentence[i]);
    const std::size_t room = capacity - length;
    const int n = std::snprintf(sentence + length, room, "*%02X\r\n", sum);
    const int appended = (n < 0 || static_cast<std::size_t>(n) >= room) ? -1 : n;
    return static_cast<int>(length - 1) + appended;
}

std::string BuildFixSentences(const LocationFix& fix) {
    const FixPieces p = PiecesOf(fix);
    using Builder = void (*)(SentenceBuffer&, const LocationFix&, const FixPieces&);
    static constexpr Builder kBuilders[] = {
        [](SentenceBuffer& s, const LocationFix& f, const FixPieces& q) { BuildGsa(s, "GP", f, q); },
        [](SentenceBuffer& s, const LocationFix& f, const FixPieces& q) { BuildGsa(s, "GN", f, q); },
        BuildGns,
        BuildVtg,
        BuildRmc,
        BuildGga,
    };
    std::string out;
    for (const Builder build : kBuilders) {
        SentenceBuffer s;
        build(s, fix, p);
        if (!s.Close()) return {};
        if (!out.empty()) out += ';';
        out += s.Text();
    }
    return out;
}

std::string BuildSatelliteSentences(const SatelliteReport& report) {
    if (report.count < 1) {
        SentenceBuffer s;
        s.Append("$GPGSV,1,1,0");
        if (!s.Close()) return {};
        return std::string(";") + s.Text();
    }
    std::vector<Satellite> gps;
    std::vector<Satellite> glonass;
    const uint32_t count = report.count < kMaxReportedSatellites ? report.count : kMaxReportedSatellites;
    for (uint32_t i = 0; i < count; ++i) {
        const Satellite sat{report.satelliteId[i], report.prn[i], report.azimuth[i], report.elevation[i],
                            report.snr[i]};
        if (sat.id >= 1 && sat.id <= 32) {
            gps.push_back(sat);
        } else if (sat.id >= 65 && sat.id <= 88) {
            glonass.push_back(sat);
        }
    }
    std::string out;
    if (!AppendSystemSentences(out, "$GPGSV", gps)) return {};
    if (!AppendSystemSentences(out, "$GLGSV", glonass)) return {};
    return out;
}

}  // namespace geolumen
