// What would let this user open a device it was refused: read from the device itself, since the group
// that may use serial ports differs between systems (dialout, uucp, tty, or a group of a udev rule).
#pragma once

#include <string>

// "permission denied: the user needs the <group> group" when the device's group may read and write it;
// "permission denied: only its owner <user> may open it" when the group may not; plain "permission denied"
// when the device cannot be looked at. A group or user without a name is given by its number.
[[nodiscard]] std::string PermissionDeniedReason(const std::string& devicePath);
