#pragma once

#include <string>

namespace common {

// The group that owns a device file (its number when the system has no name
// for it); empty when the file cannot be found. A user who may not open a
// port device has to join that group.
std::string DeviceGroup(const std::string &deviceFile);

} // namespace common
