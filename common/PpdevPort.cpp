#include "common/PpdevPort.h"

#include "common/DeviceGroup.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include <fcntl.h>
#include <grp.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace common {

namespace {

constexpr std::uint16_t kRegisterCount = 3; // data, status, control
constexpr std::uint16_t kStatusRegister = 1;
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

std::string PpdevPort::FailureReason(const std::string &action, const std::string &deviceFile,
                                     std::uint16_t base, int error) {
  std::string reason = "Cannot " + action + " " + deviceFile + " for port " + Hex4(base) + ": " +
                       std::strerror(error) + ".";
  const std::string group = common::DeviceGroup(deviceFile);
  if ((error == EACCES || error == EPERM) && !group.empty()) {
    reason += " The device belongs to group \"" + group + "\"; a user of that group may use it.";
  }
  return reason;
}

PortReach PpdevPort::Open(std::uint16_t base) {
  Close();
  base_ = base;
  reach_ = PortReach{};
  const std::optional<int> number = ParportNumberFor(base, procRoot_);
  if (!number) {
    reach_ = {{}, false, "No parallel port found at address " + Hex4(base) + "."};
    return reach_;
  }
  reach_.deviceFile = deviceRoot_ + "/parport" + std::to_string(*number);
  const int fd = ::open(reach_.deviceFile.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    reach_.ok = false;
    reach_.reason = FailureReason("open", reach_.deviceFile, base, errno);
    return reach_;
  }
  if (::ioctl(fd, PPCLAIM) != 0) {
    reach_.ok = false;
    reach_.reason = FailureReason("claim", reach_.deviceFile, base, errno);
    ::close(fd);
    return reach_;
  }
  fd_ = fd;
  return reach_;
}

void PpdevPort::Close() {
  if (fd_ >= 0) {
    ::ioctl(fd_, PPRELEASE);
    ::close(fd_);
    fd_ = -1;
  }
}

std::optional<std::uint16_t> PpdevPort::Register(std::uint16_t port) const {
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
  const unsigned long request = *reg == 0                 ? PPRDATA
                                : *reg == kStatusRegister ? PPRSTATUS
                                                          : PPRCONTROL;
  if (::ioctl(fd_, request, &value) != 0) {
    return kAbsentPortRead;
  }
  return value;
}

void PpdevPort::Out32(std::uint16_t port, std::uint8_t value) {
  const std::optional<std::uint16_t> reg = Register(port);
  if (!reg || *reg == kStatusRegister) {
    return; // the status register cannot be written
  }
  unsigned char byte = value;
  ::ioctl(fd_, *reg == 0 ? PPWDATA : PPWCONTROL, &byte);
}

} // namespace common
