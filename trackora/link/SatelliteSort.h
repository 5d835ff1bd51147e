// Orders the satellites of GpsInfoManage by signal strength, strongest first, as the monitors show them.
#pragma once

// Sort entries 1..GpsCount (array indices 0..GpsCount-1) of GpsPrn/GpsSnr by SNR, highest first;
// equal SNRs keep their order. A count above the 24 entries sorts all 24.
void SortGpsSatellites();
// The same for BdPrn/BdSnr and BdCount.
void SortBdSatellites();
