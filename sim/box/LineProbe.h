#pragma once

#include "sim/box/ProgrammerBox.h"

namespace sim {

// The settings of the terminal behind fd (a pty master reports its slave's).
bool probeLine(int fd, LineSettings *line);

} // namespace sim
