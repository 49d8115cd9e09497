#pragma once

namespace common {

// The resident memory of this process in KiB, from the kernel's status
// file; -1 when it cannot be read.
long ResidentKiB();

} // namespace common
