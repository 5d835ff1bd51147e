#include "link/ReplyFormat.h"

// Kept apart from the formats: these two work on the shared GPS record itself.
void SortGpsSatellites() {
    SortSatellitePairs(GpsInfoManage.GpsPrn.data(), GpsInfoManage.GpsSnr.data(), GpsInfoManage.GpsCount,
                       static_cast<int>(GpsInfoManage.GpsPrn.size()));
}

void SortBdSatellites() {
    SortSatellitePairs(GpsInfoManage.BdPrn.data(), GpsInfoManage.BdSnr.data(), GpsInfoManage.BdCount,
                       static_cast<int>(GpsInfoManage.BdPrn.size()));
}
