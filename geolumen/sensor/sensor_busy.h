#pragma once
// Brackets a sensor callback with the device's busy state; without a device (tests) nothing is counted.
#include "driver/busy_state.h"

namespace geolumen {

class SensorBusyScope {
  public:
    explicit SensorBusyScope(BusyState* busy)
        : busy_(busy), result_(busy ? busy->Enter(kBusySensorDdi) : S_OK) {}
    ~SensorBusyScope() {
        if (busy_) busy_->Leave(kBusySensorDdi);
    }
    SensorBusyScope(const SensorBusyScope&) = delete;
    SensorBusyScope& operator=(const SensorBusyScope&) = delete;

    [[nodiscard]] bool ok() const { return SUCCEEDED(result_); }
    [[nodiscard]] HRESULT result() const { return result_; }

  private:
    BusyState* const busy_;
    const HRESULT result_;
};

}  // namespace geolumen
