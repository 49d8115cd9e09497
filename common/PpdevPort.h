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
// and 2. Open opens and claims it; until then, and when it cannot be had,
// writes are lost and reads return 0xFF, as on an absent port, and Reach
// says why.
class PpdevPort : public IoPort {
public:
  explicit PpdevPort(std::string procRoot = "/proc/sys/dev/parport",
                     std::string deviceRoot = "/dev");
  ~PpdevPort() override;
  PpdevPort(const PpdevPort &) = delete;
  PpdevPort &operator=(const PpdevPort &) = delete;

  // Opens and claims the port whose data register is at `base`, releasing
  // the one held before.
  PortReach Open(std::uint16_t base) override;
  PortReach Reach() const override { return reach_; }
  bool IsOpen() const { return fd_ >= 0; }
  std::uint16_t Base() const { return base_; }

  // Registers outside the open port's three read as an absent port.
  std::uint8_t Inp32(std::uint16_t port) override;
  void Out32(std::uint16_t port, std::uint8_t value) override;

  // The parportN for a base address, from the kernel's list under procRoot
  // or, failing that, from the standard addresses.
  static std::optional<int> ParportNumberFor(std::uint16_t base, const std::string &procRoot);

  // Why `action` ("open", "claim") on the device file failed with `error`
  // (an errno value); for a refused permission also the group that owns the
  // device, which the user has to belong to.
  static std::string FailureReason(const std::string &action, const std::string &deviceFile,
                                   std::uint16_t base, int error);

private:
  void Close();
  // The register offset of `port` within the open port.
  std::optional<std::uint16_t> Register(std::uint16_t port) const;

  std::string procRoot_;
  std::string deviceRoot_;
  int fd_ = -1;
  std::uint16_t base_ = 0;
  PortReach reach_{{}, false, "No parallel port has been opened."};
};

} // namespace common
