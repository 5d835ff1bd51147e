#pragma once
// NMEA 0183 sentences for the sensor's NMEA data field, built from the driver's own fix and satellite
// records.
//
// Each sentence is formatted into a fixed 1000-byte buffer; a piece that does not fit makes the builder
// return the empty text, never a partial or overrun sentence. Values the module did not give, and values
// no receiver can produce (NaN, infinities, latitudes beyond 90 degrees, ...), leave their fields empty.
// The text is plain ASCII, so it goes into the sensor's text values unchanged.
#include <cstddef>
#include <cstdint>
#include <string>

#include "location/location_reports.h"

namespace geolumen {

// Room for one formatted sentence, checksum and CR LF included.
inline constexpr std::size_t kNmeaSentenceCapacity = 1000;

// One satellite in view, as the satellites-in-view builder sorts them into its GPS and GLONASS lists.
struct Satellite {
    int32_t id = 0;   // the module's id: 1-32 GPS, 65-88 GLONASS
    int32_t prn = 0;  // the number printed in the sentence
    double azimuth = 0;
    double elevation = 0;
    double snr = 0;
};

// Closes the zero-terminated `sentence` (which starts with "$") in a buffer of `capacity` bytes: XOR of
// every byte after the first, appended as "*XX\r\n" and cut to the room left. Returns the number of
// characters after the first plus the number appended, where a cut suffix counts -1; -1 alone when the
// buffer holds no terminated sentence.
int AppendNmeaChecksum(char* sentence, std::size_t capacity);

// The six fix sentences GPGSA, GNGSA, GNGNS, GPVTG, GPRMC and GPGGA, each closed by its checksum and
// CR LF, joined by ";" (none before the first or after the last). Empty when any piece does not fit.
[[nodiscard]] std::string BuildFixSentences(const LocationFix& fix);

// GPS then GLONASS satellites-in-view sentences, each preceded by ";". A report with no satellites gives
// the single sentence ";$GPGSV,1,1,0*49\r\n"; one whose satellites are neither GPS nor GLONASS gives the
// empty text, as does any piece that does not fit.
[[nodiscard]] std::string BuildSatelliteSentences(const SatelliteReport& report);

}  // namespace geolumen
