#pragma once

#include <QString>

#include "common/Prompter.h"
#include "rindle/engine/IspEngine.h"

namespace rindle {

// The question asked before fuse bytes are written that would end serial
// programming (RSTDISBL or DWEN programmed, or the AT89S8253's SPIEN user
// fuse left unprogrammed), naming each such bit and what it does.
QString FuseLockoutQuestion(const IspEngine &engine);

// Asks, once and through the prompter, whether to write a fuse state that
// would end serial programming on the selected device; warning icon, No by
// default. True when nothing in the fuse state is dangerous or the user said
// Yes. Run it right before the operation that writes the fuses (Program,
// Write LBs), after the default fuses were put in place; `caption` is that
// operation's message caption.
bool ConfirmFuseWrite(const IspEngine &engine, common::Prompter &prompter, const QString &caption);

} // namespace rindle
