#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/IoPort.h"

namespace common {

// The parallel port through the Linux parport device (/dev/parportN). The
// device is found from the port's base address (data register) as the
// kernel lists it under /proc/sys/dev/parport/parportN/base-addr; without
// that list the standard addresses 0x378, 0x278 and 0x3BC map to parport0, 1
// and 2. The port is opened and claimed on the first access to its
// registers, or by Open. When it cannot be had, ErrorText says why, writes
// are lost and reads return 0xFF, as on an absent port.
class PpdevPort : public IoPort {
public:
  explicit PpdevPort(std::string procRoot = "/proc/sys/dev/parport",
                     std::string deviceRoot = "/dev");
  ~PpdevPort() override;
  PpdevPort(const PpdevPort &) = delete;
  PpdevPort &operator=(const PpdevPort &) = delete;

  // Opens and claims the port whose data register is at `base`, releasing
  // the one held before. False, with ErrorText set, when that fails.
  bool Open(std::uint16_t base);
  bool IsOpen() const { return fd_ >= 0; }
  std::uint16_t Base() const { return base_; }
  // Empty while all is well.
  const std::string &ErrorText() const { return error_; }

  std::uint8_t Inp32(std::uint16_t port) override;
  void Out32(std::uint16_t port, std::uint8_t value) override;

  // The parportN for a base address, from the kernel's list under procRoot
  // or, failing that, from the standard addresses.
  static std::optional<int> ParportNumberFor(std::uint16_t base, const std::string &procRoot);

private:
  void Close();
  // Makes `port` one of the held port's three registers when it can be;
  // returns the register offset or nothing.
  std::optional<std::uint16_t> Register(std::uint16_t port);

  std::string procRoot_;
  std::string deviceRoot_;
  int fd_ = -1;
  std::uint16_t base_ = 0;
  bool attempted_ = false; // an Open of base_ was tried (and may have failed)
  std::string error_;
};

} // namespace common
