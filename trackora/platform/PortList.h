// The system's serial-port map, in the shape the port manager reads: ordered (value name, port) pairs.
// USB-serial devices (ttyUSB*, ttyACM*) are named "\Device\USBSER000", "\Device\USBSER001", ... and
// other ports "\Device\Serial0", ...; the port of each value is its device path.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

using SerialCommMap = std::vector<std::pair<std::string, std::string>>;

// The value name the USB scan asks for: "\Device\USBSER00" + n with no leading zeros.
std::string UsbSerialValueName(int n);

// Rebuilds the map from a sysfs tty class folder (normally /sys/class/tty); device paths are devRoot +
// "/" + name. Virtual terminals and legacy UARTs that have no hardware behind them are left out.
SerialCommMap ReadSerialCommMap(const std::string& sysClassTty = "/sys/class/tty",
                                const std::string& devRoot = "/dev");

// The port of one value, or nothing when the map has no such value.
std::optional<std::string> LookupSerialComm(const SerialCommMap& map, const std::string& valueName);
