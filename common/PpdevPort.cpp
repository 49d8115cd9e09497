#include "common/PpdevPort.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace common {

namespace {

constexpr std::uint16_t kRegisterCount = 3; // data, status, control
constexpr std::uint8_t kAbsentPortRead = 0xFF;

struct StandardPort {
  std::uint16_t base;
  int number;
};
constexpr std::array<StandardPort, 3> kStandardPorts{{{0x378, 0}, {0x278, 1}, {0x3BC, 2}}};

std::string Hex4(std::uint16_t v) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", v);
  return text;
}

} // namespace

PpdevPort::PpdevPort(std::string procRoot, std::string deviceRoot)
    : procRoot_(std::move(procRoot)), deviceRoot_(std::move(deviceRoot)) {}

PpdevPort::~PpdevPort() { Close(); }

std::optional<int> PpdevPort::ParportNumberFor(std::uint16_t base, const std::string &procRoot) {
  namespace fs = std::filesystem;
  std::error_code ec;
  bool listed = false;
  for (const fs::directory_entry &entry : fs::directory_iterator(procRoot, ec)) {
    const std::string name = entry.path().filename().string();
    constexpr std::string_view kPrefix = "parport";
    if (name.rfind(kPrefix, 0) != 0 || name.size() == kPrefix.size()) {
      continue;
    }
    std::ifstream in(entry.path() / "base-addr");
    long address = -1;
    if (!(in >> address)) {
      continue;
    }
    listed = true;
    if (address == base) {
      try {
        return std::stoi(name.substr(kPrefix.size()));
      } catch (const std::exception &) {
        continue;
      }
    }
  }
  if (!listed) {
    for (const StandardPort &p : kStandardPorts) {
      if (p.base == base) {
        return p.number;
      }
    }
  }
  return std::nullopt;
}

bool PpdevPort::Open(std::uint16_t base) {
  Close();
  base_ = base;
  attempted_ = true;
  error_.clear();
  const std::optional<int> number = ParportNumberFor(base, procRoot_);
  if (!number) {
    error_ = "No parallel port found at address " + Hex4(base) + ".";
    return false;
  }
  const std::string path = deviceRoot_ + "/parport" + std::to_string(*number);
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    error_ = "Cannot open " + path + " for port " + Hex4(base) + ": " + std::strerror(errno) + ".";
    return false;
  }
  if (::ioctl(fd, PPCLAIM) != 0) {
    error_ = "Cannot claim " + path + " for port " + Hex4(base) + ": " + std::strerror(errno) + ".";
    ::close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

void PpdevPort::Close() {
  if (fd_ >= 0) {
    ::ioctl(fd_, PPRELEASE);
    ::close(fd_);
    fd_ = -1;
  }
}

std::optional<std::uint16_t> PpdevPort::Register(std::uint16_t port) {
  const bool inHeld = attempted_ && port >= base_ && port - base_ < kRegisterCount;
  if (!inHeld) {
    // A register of a base address the kernel knows (or of a standard one)
    // opens that port; any other address is taken as a data register, so an
    // unknown port is reported once and its three registers stay silent.
    std::uint16_t base = port;
    for (std::uint16_t offset = 0; offset < kRegisterCount && offset <= port; ++offset) {
      const auto candidate = static_cast<std::uint16_t>(port - offset);
      if (ParportNumberFor(candidate, procRoot_)) {
        base = candidate;
        break;
      }
    }
    Open(base);
  }
  if (fd_ < 0 || port < base_ || port - base_ >= kRegisterCount) {
    return std::nullopt;
  }
  return static_cast<std::uint16_t>(port - base_);
}

std::uint8_t PpdevPort::Inp32(std::uint16_t port) {
  const std::optional<std::uint16_t> reg = Register(port);
  if (!reg) {
    return kAbsentPortRead;
  }
  unsigned char value = kAbsentPortRead;
  const unsigned long request = *reg == 0 ? PPRDATA : *reg == 1 ? PPRSTATUS : PPRCONTROL;
  if (::ioctl(fd_, request, &value) != 0) {
    return kAbsentPortRead;
  }
  return value;
}

void PpdevPort::Out32(std::uint16_t port, std::uint8_t value) {
  const std::optional<std::uint16_t> reg = Register(port);
  if (!reg || *reg == 1) {
    return; // the status register cannot be written
  }
  unsigned char byte = value;
  ::ioctl(fd_, *reg == 0 ? PPWDATA : PPWCONTROL, &byte);
}

} // namespace common
