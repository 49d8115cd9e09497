// Reads the slave's line settings through the master side with the kernel's
// own termios2 layout, which carries any integer speed. Kept apart because
// <asm/termbits.h> cannot share a file with <termios.h>.
#include "sim/box/LineProbe.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace sim {

namespace {

unsigned speedOfCode(unsigned code) {
  static const struct {
    unsigned code;
    unsigned baud;
  } table[] = {{B50, 50},         {B75, 75},         {B110, 110},       {B134, 134},
               {B150, 150},       {B200, 200},       {B300, 300},       {B600, 600},
               {B1200, 1200},     {B1800, 1800},     {B2400, 2400},     {B4800, 4800},
               {B9600, 9600},     {B19200, 19200},   {B38400, 38400},   {B57600, 57600},
               {B115200, 115200}, {B230400, 230400}, {B460800, 460800}, {B921600, 921600}};
  for (const auto &row : table) {
    if (row.code == code) {
      return row.baud;
    }
  }
  return 0;
}

} // namespace

bool probeLine(int fd, LineSettings *line) {
  struct termios2 tio {};
  if (fd < 0 || ioctl(fd, TCGETS2, &tio) != 0) {
    return false;
  }
  const unsigned code = tio.c_cflag & CBAUD;
  line->baud = code == BOTHER ? tio.c_ospeed : speedOfCode(code);
  switch (tio.c_cflag & CSIZE) {
  case CS5: line->dataBits = 5; break;
  case CS6: line->dataBits = 6; break;
  case CS7: line->dataBits = 7; break;
  default: line->dataBits = 8; break;
  }
  line->parity = (tio.c_cflag & PARENB) != 0;
  line->twoStopBits = (tio.c_cflag & CSTOPB) != 0;
  line->rtsCts = (tio.c_cflag & CRTSCTS) != 0;
  line->xonXoff = (tio.c_iflag & (IXON | IXOFF)) != 0;
  line->echo = (tio.c_lflag & ECHO) != 0;
  line->canonical = (tio.c_lflag & ICANON) != 0;
  return true;
}

} // namespace sim
