// Runs an emulated programmer box on a pseudo-terminal until interrupted.
// Prints the terminal's path, which the loader opens as its serial port.
// The chip keeps its contents between runs in the user's data folder, or in
// the file --image names.
#include "common/AppFiles.h"
#include "sim/box/ProgrammerBox.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void onSignal(int) { stopRequested = 1; }

constexpr const char *kProgramName = "orvane-box-sim";
constexpr const char *kImageName = "box-flash.bin";

void usage(std::FILE *to, const char *program) {
  std::fprintf(to,
               "usage: %s [--chip NAME] [--size BYTES] [--detail TEXT] [--image FILE]\n"
               "          [--delay MS] [--silent] [--no-chip] [--dirty BYTES]\n"
               "          [--short-read | --half-read | --bad-read] [--drop-after BYTES]\n"
               "\n"
               "Emulates the serial programmer box on a pseudo-terminal and prints the\n"
               "terminal's path; point the loader's port at it. Stops on Ctrl+C.\n"
               "\n"
               "  --chip NAME        chip name the box reports (AT89S51)\n"
               "  --size BYTES       flash size, 1 to 65536 (4096)\n"
               "  --detail TEXT      second line of the chip report (\"<size>K Flash\")\n"
               "  --image FILE       file that keeps the chip between runs\n"
               "                     (default: %s in the user's data folder)\n"
               "  --delay MS         pause before every reply\n"
               "  --silent           never answer\n"
               "  --no-chip          report an empty socket\n"
               "  --dirty BYTES      bytes that erasing leaves programmed\n"
               "  --short-read, --half-read, --bad-read\n"
               "                     answer reads with a broken reply\n"
               "  --drop-after BYTES hang up after that many written bytes\n"
               "  --help             show this text\n",
               program, kImageName);
}

int badUsage(const char *program) {
  usage(stderr, program);
  return 2;
}

// The chip's file in the user's data folder.
std::string defaultImage() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  const common::AppFiles files(QString::fromStdString(exe.parent_path().string()),
                               QString::fromLatin1(kProgramName));
  return files.dataFile(QString::fromLatin1(kImageName)).toStdString();
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
  std::string image;
  bool detailGiven = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    long value = 0;
    if (arg == "--help" || arg == "-h") {
      usage(stdout, argv[0]);
      return 0;
    }
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
      return badUsage(argv[0]);
    }
  }
  if (!detailGiven) {
    chip.detail = std::to_string(chip.flashSize / 1024) + "K Flash";
  }

  if (image.empty()) {
    image = defaultImage();
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
