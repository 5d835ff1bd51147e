#pragma once
// Another location sensor of the machine (a network-based or manually set position, say) that can give
// the module a coarse first position. On Linux no such sensor exists by default: the host offers one
// only when it is configured with a position.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>

namespace geolumen {

// A time stamp as 100-ns units since 1601-01-01 UTC.
struct SensorFileTime {
    uint64_t ticks = 0;
};

// A data value of a sensor report: missing, a double, a time stamp, or a value of some other type.
using SensorValue = std::variant<std::monostate, double, SensorFileTime, std::string>;

struct CoarsePositionReport {
    SensorValue latitudeDegrees;
    SensorValue longitudeDegrees;
    SensorValue errorRadiusMeters;
    SensorValue altitudeSeaLevelMeters;
    SensorValue timestamp;
};

class CoarsePositionSource {
  public:
    virtual ~CoarsePositionSource() = default;
    // Number of location sensors other than ours; nothing when the query itself failed.
    [[nodiscard]] virtual std::optional<size_t> FindLocationSensors() = 0;
    // The current data report of the first such sensor; nothing when it has none.
    [[nodiscard]] virtual std::optional<CoarsePositionReport> ReadFirstSensor() = 0;
};

// The host's source: one sensor with a fixed report when configured, none otherwise.
class ConfiguredCoarsePosition final : public CoarsePositionSource {
  public:
    explicit ConfiguredCoarsePosition(std::optional<CoarsePositionReport> report = std::nullopt)
        : report_(std::move(report)) {}
    [[nodiscard]] std::optional<size_t> FindLocationSensors() override { return report_ ? 1 : 0; }
    [[nodiscard]] std::optional<CoarsePositionReport> ReadFirstSensor() override { return report_; }

  private:
    std::optional<CoarsePositionReport> report_;
};

}  // namespace geolumen
