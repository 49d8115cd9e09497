#pragma once

#include <cstdint>

#include <QString>

#include "common/Prompter.h"
#include "isp/core/DeviceCatalogue.h"

// What stands between a fuse state and the chip, in both editions of the
// programmer: the device's defaults in place of a state that programs
// nothing, and a question before fuses that would end serial programming.
namespace rindle {

// The default-fuse safeguard: when the fuse bytes the device's defaults look
// at hold nothing programmed (0xFF but for the bits its selection forces),
// the low, high and extended bytes take the defaults (0xFF where the device
// has none) and true is returned. Otherwise, and for a device without
// defaults, nothing changes. The lock byte is the caller's.
bool PutDefaultFusesInPlace(const DeviceEntry &entry, FuseState &fuses);

// The question asked before fuse bytes are written that would end serial
// programming (RSTDISBL or DWEN programmed, or the AT89S8253's SPIEN user
// fuse left unprogrammed) on the device `entry`, naming each such bit and
// what it does; empty when nothing is dangerous.
QString FuseLockoutQuestion(const DeviceEntry &entry, const FuseState &fuses);

// Asks, once and through the prompter, whether to write a fuse state that
// would end serial programming on the device; warning icon, No by default.
// True when nothing in the fuse state is dangerous or the user said Yes. Run
// it right before the operation that writes the fuses (Program, Write LBs),
// after the default fuses were put in place; `caption` is that operation's
// message caption.
bool ConfirmFuseWrite(const DeviceEntry &entry, const FuseState &fuses,
                      common::Prompter &prompter, const QString &caption);

} // namespace rindle
