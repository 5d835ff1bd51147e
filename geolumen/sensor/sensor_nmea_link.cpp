// NMEA sentences for the data field, built from a copy of the report while a client has them on.
#include "sensor/nmea.h"
#include "sensor/sensor_ddi.h"

namespace geolumen {

void cSensorDDI::BuildFixNmea(const LocationFix& fix, std::string& out) { out = BuildFixSentences(fix); }

void cSensorDDI::BuildSatelliteNmea(const SatelliteReport& report, std::string& out) {
    out = BuildSatelliteSentences(report);
}

}  // namespace geolumen
