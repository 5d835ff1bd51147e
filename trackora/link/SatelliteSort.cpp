#include "link/SatelliteSort.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "link/PublicData.h"

namespace {
// A stable bubble pass order: n passes over neighbours, swapping when the earlier SNR is lower.
void SortPairs(std::array<uint8_t, 24>& prn, std::array<uint8_t, 24>& snr, int count) {
    const int n = std::clamp(count, 0, static_cast<int>(prn.size()));
    for (int pass = 0; pass < n; ++pass) {
        for (int i = 0; i + 1 < n; ++i) {
            if (snr[static_cast<size_t>(i)] < snr[static_cast<size_t>(i) + 1]) {
                std::swap(snr[static_cast<size_t>(i)], snr[static_cast<size_t>(i) + 1]);
                std::swap(prn[static_cast<size_t>(i)], prn[static_cast<size_t>(i) + 1]);
            }
        }
    }
}
}  // namespace

void SortGpsSatellites() { SortPairs(GpsInfoManage.GpsPrn, GpsInfoManage.GpsSnr, GpsInfoManage.GpsCount); }

void SortBdSatellites() { SortPairs(GpsInfoManage.BdPrn, GpsInfoManage.BdSnr, GpsInfoManage.BdCount); }
