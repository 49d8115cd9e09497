#include "sim/isp/Bench.h"

namespace sim::isp {

Bench::Bench(std::string_view device, std::uint16_t base) : base_(base) { insertChip(device); }

Bench::~Bench() = default;

bool Bench::insertChip(std::string_view device) {
  chip_.reset();
  if (device.empty())
    return true;
  const ChipModel *model = FindChipModel(device);
  if (!model)
    return false;
  chip_ = std::make_unique<Chip>(*model);
  updateTarget();
  return true;
}

void Bench::removeChip() { chip_.reset(); }

void Bench::setChipPowered(bool powered) {
  if (powered == powered_)
    return;
  powered_ = powered;
  if (!chip_)
    return;
  if (powered)
    updateTarget();
  else
    chip_->powerOff();
}

void Bench::setWiring(const CableWiring &wiring) {
  wiring_ = wiring;
  updateTarget();
}

void Bench::setMisoFault(MisoFault fault) { misoFault_ = fault; }

bool Bench::bufferEnabled() const {
  const bool benHigh = ((data_ & wiring_.ben) != 0) != wiring_.benInverted;
  return !benHigh;
}

void Bench::updateTarget() {
  if (!chip_ || !powered_)
    return;
  bool rst, sck, mosi;
  if (bufferEnabled()) {
    rst = ((data_ & wiring_.rst) != 0) != wiring_.rstInverted;
    sck = ((data_ & wiring_.sck) != 0) != wiring_.sckInverted;
    mosi = ((data_ & wiring_.mosi) != 0) != wiring_.mosiInverted;
  } else {
    // Buffer off: the AVR's reset pull-up holds it high, the AT89S's pull-down
    // holds it low; either way out of reset. SCK and MOSI stay low.
    rst = chip_->model().isAvr();
    sck = false;
    mosi = false;
  }
  chip_->setPins(rst, sck, mosi, now_);
}

std::uint8_t Bench::Inp32(std::uint16_t port) {
  std::uint8_t value = 0xFF;
  if (port == base_) {
    value = data_;
  } else if (port == base_ + 2) {
    value = control_;
  } else if (port == base_ + 1) {
    std::uint8_t pins = 0xF8; // pins 15, 13, 12, 10, 11 pulled high
    bool misoPin = true;
    if (misoFault_ != MisoFault::None) {
      misoPin = misoFault_ == MisoFault::StuckHigh;
    } else if (chip_ && powered_ && bufferEnabled() && chip_->drivesMiso()) {
      misoPin = chip_->miso() != wiring_.misoInverted;
    }
    if (!misoPin)
      pins &= static_cast<std::uint8_t>(~wiring_.miso);
    if (wiring_.presenceLoop && (data_ & 0x01) == 0)
      pins &= static_cast<std::uint8_t>(~0x20);
    value = static_cast<std::uint8_t>(((pins ^ 0x80) & 0xF8) | 0x07);
  }
  if (logging_)
    log_.push_back({false, port, value, now_});
  return value;
}

void Bench::Out32(std::uint16_t port, std::uint8_t value) {
  if (logging_)
    log_.push_back({true, port, value, now_});
  if (port == base_) {
    data_ = value;
    updateTarget();
  } else if (port == base_ + 2) {
    control_ = value;
  }
}

void Bench::TimerSetup() {
  ++timerSetups_;
  if (forward_)
    forward_->TimerSetup();
}

void Bench::TickDelay(std::uint16_t count) {
  ++delayCalls_;
  now_ += count;
  if (forward_)
    forward_->TickDelay(count);
}

void Bench::TimerRestore() {
  ++timerRestores_;
  if (forward_)
    forward_->TimerRestore();
}

} // namespace sim::isp
