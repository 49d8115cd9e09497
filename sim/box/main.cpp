// Runs an emulated programmer box on a pseudo-terminal until interrupted.
// Prints the terminal's path, which the loader opens as its serial port.
//
//   orvane-box-sim [--chip NAME] [--size BYTES] [--detail TEXT] [--image FILE]
//                  [--delay MS] [--silent] [--no-chip] [--dirty BYTES]
//                  [--short-read | --half-read | --bad-read] [--drop-after BYTES]
#include "sim/box/ProgrammerBox.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void onSignal(int) { stopRequested = 1; }

int usage(const char *program) {
  std::fprintf(stderr,
               "usage: %s [--chip NAME] [--size BYTES] [--detail TEXT] [--image FILE]\n"
               "          [--delay MS] [--silent] [--no-chip] [--dirty BYTES]\n"
               "          [--short-read | --half-read | --bad-read] [--drop-after BYTES]\n",
               program);
  return 2;
}

bool number(const char *text, long *value) {
  char *end = nullptr;
  errno = 0;
  *value = std::strtol(text, &end, 10);
  return errno == 0 && end != text && *end == '\0' && *value >= 0;
}

} // namespace

int main(int argc, char **argv) {
  sim::ProgrammerBox::Chip chip;
  sim::BoxFaults faults;
  std::string image = "box-flash.bin";
  bool detailGiven = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    long value = 0;
    if (arg == "--chip" && hasValue) {
      chip.name = argv[++i];
    } else if (arg == "--detail" && hasValue) {
      chip.detail = argv[++i];
      detailGiven = true;
    } else if (arg == "--image" && hasValue) {
      image = argv[++i];
    } else if (arg == "--size" && hasValue && number(argv[++i], &value) && value > 0 &&
               value <= 65536) {
      chip.flashSize = static_cast<int>(value);
    } else if (arg == "--delay" && hasValue && number(argv[++i], &value)) {
      faults.replyDelayMs = static_cast<int>(value);
    } else if (arg == "--dirty" && hasValue && number(argv[++i], &value)) {
      faults.usedAfterErase = static_cast<int>(value);
    } else if (arg == "--drop-after" && hasValue && number(argv[++i], &value)) {
      faults.dropAfterWriteBytes = value;
    } else if (arg == "--silent") {
      faults.silent = true;
    } else if (arg == "--no-chip") {
      faults.noChip = true;
    } else if (arg == "--short-read") {
      faults.readReply = sim::BoxFaults::ReadReply::Short;
    } else if (arg == "--half-read") {
      faults.readReply = sim::BoxFaults::ReadReply::HalfDigits;
    } else if (arg == "--bad-read") {
      faults.readReply = sim::BoxFaults::ReadReply::BadDigits;
    } else {
      return usage(argv[0]);
    }
  }
  if (!detailGiven) {
    chip.detail = std::to_string(chip.flashSize / 1024) + "K Flash";
  }

  sim::ProgrammerBox box(chip, image);
  box.SetFaults(faults);
  std::string error;
  if (!box.Start(&error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  std::signal(SIGINT, onSignal);
  std::signal(SIGTERM, onSignal);
  std::printf("%s\n", box.Path().c_str());
  std::fflush(stdout);
  while (!stopRequested && !box.LinkDropped()) {
    usleep(200000);
  }
  box.Stop();
  return 0;
}
