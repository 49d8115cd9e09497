#include "sim/box/ProgrammerBox.h"

#include "sim/box/LineProbe.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

namespace {

constexpr char kDc1 = 0x11;
const char kGreeting[] = "\r\nSerial Programmer Ver 2.0 Ready\r\n>";

std::string hexByte(std::uint8_t value) {
  static const char digits[] = "0123456789ABCDEF";
  return {digits[value >> 4], digits[value & 0x0F]};
}

std::string errnoText(const char *what) { return std::string(what) + ": " + std::strerror(errno); }

} // namespace

ProgrammerBox::ProgrammerBox(Chip chip, std::string imagePath)
    : chip_(std::move(chip)), imagePath_(std::move(imagePath)) {
  loadImage();
}

ProgrammerBox::~ProgrammerBox() { Stop(); }

bool ProgrammerBox::Start(std::string *error) {
  auto fail = [&](const std::string &text) {
    if (error) {
      *error = text;
    }
    Stop();
    return false;
  };
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (master_ < 0) {
    return fail(errnoText("posix_openpt"));
  }
  if (grantpt(master_) != 0 || unlockpt(master_) != 0) {
    return fail(errnoText("unlockpt"));
  }
  char name[128] = {};
  if (ptsname_r(master_, name, sizeof name) != 0) {
    return fail(errnoText("ptsname"));
  }
  slavePath_ = name;
  slaveHold_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (slaveHold_ < 0) {
    return fail(errnoText(name));
  }
  termios tio{};
  if (tcgetattr(slaveHold_, &tio) != 0) {
    return fail(errnoText("tcgetattr"));
  }
  cfmakeraw(&tio);
  if (tcsetattr(slaveHold_, TCSANOW, &tio) != 0) {
    return fail(errnoText("tcsetattr"));
  }
  if (pipe2(wake_, O_NONBLOCK | O_CLOEXEC) != 0 || pipe2(stop_, O_NONBLOCK | O_CLOEXEC) != 0) {
    return fail(errnoText("pipe"));
  }
  stopping_ = false;
  thread_ = std::thread([this] { run(); });
  return true;
}

void ProgrammerBox::Stop() {
  stopping_ = true;
  if (stop_[1] >= 0) {
    const char byte = 0;
    [[maybe_unused]] auto n = ::write(stop_[1], &byte, 1);
  }
  if (thread_.joinable()) {
    thread_.join();
  }
  for (int *fd : {&master_, &slaveHold_, &wake_[0], &wake_[1], &stop_[0], &stop_[1]}) {
    if (*fd >= 0) {
      ::close(*fd);
      *fd = -1;
    }
  }
}

void ProgrammerBox::SetFaults(const BoxFaults &faults) {
  std::lock_guard lock(mutex_);
  faults_ = faults;
}

std::vector<std::uint8_t> ProgrammerBox::Flash() const {
  std::lock_guard lock(mutex_);
  return flash_;
}

bool ProgrammerBox::Locked() const {
  std::lock_guard lock(mutex_);
  return locked_;
}

void ProgrammerBox::SetFlash(const std::vector<std::uint8_t> &bytes) {
  std::lock_guard lock(mutex_);
  flash_.assign(static_cast<std::size_t>(chip_.flashSize), 0xFF);
  std::copy_n(bytes.begin(), std::min(bytes.size(), flash_.size()), flash_.begin());
  saveImage();
}

std::string ProgrammerBox::Received() const {
  std::lock_guard lock(mutex_);
  return received_;
}

void ProgrammerBox::ClearReceived() {
  std::lock_guard lock(mutex_);
  received_.clear();
}

int ProgrammerBox::HandshakeViolations() const {
  std::lock_guard lock(mutex_);
  return violations_;
}

bool ProgrammerBox::LinkDropped() const {
  std::lock_guard lock(mutex_);
  return dropped_;
}

LineSettings ProgrammerBox::Line() const {
  std::lock_guard lock(mutex_);
  LineSettings line;
  probeLine(slaveHold_, &line);
  return line;
}

void ProgrammerBox::Send(const std::string &text) {
  {
    std::lock_guard lock(mutex_);
    outgoing_ += text;
  }
  const char byte = 1;
  [[maybe_unused]] auto n = ::write(wake_[1], &byte, 1);
}

void ProgrammerBox::run() {
  std::uint8_t chunk[4096];
  while (master_ >= 0) {
    // However the stop finds the box (waiting or busy with a chunk), what
    // the host has sent is taken first.
    if (stopping_) {
      takeWaitingInput();
      return;
    }
    pollfd fds[3] = {{master_, POLLIN, 0}, {wake_[0], POLLIN, 0}, {stop_[0], POLLIN, 0}};
    if (poll(fds, 3, -1) < 0) {
      if (errno == EINTR) {
        continue;
      }
      return;
    }
    if (stopping_) {
      continue;
    }
    if (fds[1].revents != 0) {
      char drain[64];
      while (::read(wake_[0], drain, sizeof drain) > 0) {
      }
      std::string text;
      {
        std::lock_guard lock(mutex_);
        text.swap(outgoing_);
      }
      reply(text, false);
      continue;
    }
    if ((fds[0].revents & POLLIN) == 0) {
      // The box holds the slave open itself, so a hang-up here means the
      // pseudo-terminal is gone.
      return;
    }
    const ssize_t n = ::read(master_, chunk, sizeof chunk);
    if (n <= 0) {
      continue;
    }
    for (ssize_t i = 0; i < n && master_ >= 0; ++i) {
      pendingInChunk_ = n - i - 1;
      handleByte(chunk[i]);
    }
    pendingInChunk_ = 0;
  }
}

void ProgrammerBox::takeWaitingInput() {
  // What the host sent before the box was switched off is on the line
  // already, or a moment from it: the box takes it until the line has been
  // quiet for a while, as a box that is powered down after the host's last
  // byte still programs it. In the middle of a write the bytes still owed
  // are waited for longer: a loaded machine may hand them over late.
  constexpr int kQuietMs = 30;
  constexpr int kOwedMs = 1000;
  std::uint8_t chunk[4096];
  for (;;) {
    pollfd fd{master_, POLLIN, 0};
    const int quiet = mode_ == Mode::Write && remaining_ > 0 ? kOwedMs : kQuietMs;
    if (poll(&fd, 1, quiet) <= 0 || (fd.revents & POLLIN) == 0) {
      return;
    }
    const ssize_t n = ::read(master_, chunk, sizeof chunk);
    if (n <= 0) {
      return;
    }
    for (ssize_t i = 0; i < n && master_ >= 0; ++i) {
      pendingInChunk_ = n - i - 1;
      handleByte(chunk[i]);
    }
    pendingInChunk_ = 0;
  }
}

void ProgrammerBox::handleByte(std::uint8_t byte) {
  BoxFaults faults;
  {
    std::lock_guard lock(mutex_);
    received_.push_back(static_cast<char>(byte));
    faults = faults_;
    const bool early = earlyInput_;
    earlyInput_ = false;
    // The host was expected to wait for the DC1 before this byte.
    if (early && ((mode_ == Mode::Counter && byte >= '0' && byte <= '9') || mode_ == Mode::Write)) {
      ++violations_;
    }
  }
  if (faults.silent) {
    return;
  }
  switch (mode_) {
  case Mode::Command: command(byte); break;
  case Mode::Counter:
    if (byte == '\n') {
      counter_ = digits_.empty() ? 0 : std::strtol(digits_.c_str(), nullptr, 10);
      mode_ = Mode::Command;
      reply(">");
    } else if (byte != '\r') {
      digits_.push_back(static_cast<char>(byte));
      handshake();
    }
    break;
  case Mode::Write: {
    {
      std::lock_guard lock(mutex_);
      if (!locked_ && address_ < chip_.flashSize) {
        // Flash programming only clears bits; erasing sets them again.
        flash_[static_cast<std::size_t>(address_)] &= byte;
      }
    }
    ++address_;
    ++written_;
    --remaining_;
    if (faults.dropAfterWriteBytes >= 0 && written_ >= faults.dropAfterWriteBytes) {
      hangUp();
      return;
    }
    if (remaining_ <= 0) {
      mode_ = Mode::Command;
      std::lock_guard lock(mutex_);
      saveImage();
    }
    if (remaining_ > 0 || faults.dc1AfterLastByte) {
      handshake();
    }
    break;
  }
  }
}

void ProgrammerBox::command(std::uint8_t byte) {
  BoxFaults faults;
  {
    std::lock_guard lock(mutex_);
    faults = faults_;
  }
  switch (byte) {
  case '\r': reply(kGreeting); break;
  case 'g':
    if (faults.noChip) {
      reply("g\r\n\t\n\r\n\r>");
    } else {
      reply(std::string("g\r\n\t")
                .append(chip_.name)
                .append("\n\r")
                .append(chip_.detail)
                .append("\n\r>"));
    }
    break;
  case 'e': {
    {
      std::lock_guard lock(mutex_);
      std::fill(flash_.begin(), flash_.end(), 0xFF);
      const auto left = std::min<std::size_t>(
          static_cast<std::size_t>(std::max(faults.usedAfterErase, 0)), flash_.size());
      std::fill_n(flash_.begin(), left, 0x00);
      locked_ = false;
      saveImage();
    }
    reply("e\r\nErase Complete\r\n>");
    break;
  }
  case 'p': {
    std::size_t used;
    {
      std::lock_guard lock(mutex_);
      used = usedBytes();
    }
    reply(std::string("p\r\nUsed,").append(std::to_string(used)).append(",Bytes\r\n>"));
    break;
  }
  case 'l': {
    std::lock_guard lock(mutex_);
    locked_ = true;
    saveImage();
  }
    reply("l\r\nLock Bits Programmed\r\n>");
    break;
  case 'b': reply(std::string("b").append(std::to_string(chip_.flashSize)).append("\n\r>")); break;
  case 's':
    mode_ = Mode::Counter;
    digits_.clear();
    handshake();
    break;
  case 'r': {
    std::vector<std::uint8_t> flash = Flash();
    long count = std::max(counter_, 0L);
    if (faults.readReply == BoxFaults::ReadReply::Short) {
      count /= 4;
    } else if (faults.readReply == BoxFaults::ReadReply::HalfDigits) {
      count /= 2;
    }
    std::string text = "r";
    text.reserve(static_cast<std::size_t>(count) * 2 + 16);
    for (long a = 0; a < count; ++a) {
      text += hexByte(a < chip_.flashSize ? flash[static_cast<std::size_t>(a)] : 0xFF);
    }
    if (faults.readReply == BoxFaults::ReadReply::BadDigits && count > 0) {
      text[1] = 'Z';
      text[2] = 'Z';
    }
    reply(text + "\r\nok\r\n>");
    break;
  }
  case 'w':
    if (counter_ > 0) {
      mode_ = Mode::Write;
      remaining_ = counter_;
      address_ = 0;
      written_ = 0;
    }
    break;
  default: break;
  }
}

void ProgrammerBox::reply(const std::string &text, bool delayed) {
  if (delayed) {
    int delayMs;
    {
      std::lock_guard lock(mutex_);
      delayMs = faults_.replyDelayMs;
    }
    if (delayMs > 0 && !pause(delayMs * 1000)) {
      return;
    }
  }
  std::size_t done = 0;
  while (done < text.size() && master_ >= 0 && !stopping_) {
    const ssize_t n = ::write(master_, text.data() + done, text.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) {
      return;
    }
    // The host has not read yet: wait for room, looking out for Stop.
    pollfd fd{master_, POLLOUT, 0};
    poll(&fd, 1, 50);
  }
}

void ProgrammerBox::handshake() {
  int delayUs;
  {
    std::lock_guard lock(mutex_);
    delayUs = faults_.handshakeDelayUs;
  }
  if (delayUs > 0) {
    if (!pause(delayUs)) {
      return;
    }
    pollfd fd{master_, POLLIN, 0};
    const bool waiting = pendingInChunk_ > 0 || (poll(&fd, 1, 0) > 0 && (fd.revents & POLLIN));
    std::lock_guard lock(mutex_);
    earlyInput_ = waiting;
  }
  reply(std::string(1, kDc1), false);
}

bool ProgrammerBox::pause(int microseconds) {
  // Waits on the stop pipe so that Stop cuts the pause short.
  const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(microseconds);
  while (!stopping_) {
    const auto left = until - std::chrono::steady_clock::now();
    if (left <= std::chrono::nanoseconds::zero()) {
      break;
    }
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(left).count();
    if (ms >= 1) {
      pollfd fd{stop_[0], POLLIN, 0};
      poll(&fd, 1, static_cast<int>(ms));
    } else {
      std::this_thread::sleep_for(left);
    }
  }
  return !stopping_;
}

void ProgrammerBox::hangUp() {
  // Everything the host may look at once it sees the hang-up is settled
  // before the line goes.
  {
    std::lock_guard lock(mutex_);
    dropped_ = true;
    saveImage();
    ::close(slaveHold_);
    slaveHold_ = -1;
  }
  ::close(master_);
  master_ = -1;
}

void ProgrammerBox::loadImage() {
  flash_.assign(static_cast<std::size_t>(chip_.flashSize), 0xFF);
  locked_ = false;
  std::ifstream in(imagePath_, std::ios::binary);
  if (!in) {
    return;
  }
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() != flash_.size() + 1) {
    return; // not this chip's file: start blank
  }
  std::copy(bytes.begin(), bytes.end() - 1, flash_.begin());
  locked_ = bytes.back() != 0;
}

void ProgrammerBox::saveImage() const {
  if (imagePath_.empty()) {
    return;
  }
  const std::string temp = imagePath_ + ".part";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(flash_.data()),
              static_cast<std::streamsize>(flash_.size()));
    out.put(locked_ ? 1 : 0);
    if (!out) {
      std::remove(temp.c_str());
      return;
    }
  }
  std::rename(temp.c_str(), imagePath_.c_str());
}

std::size_t ProgrammerBox::usedBytes() const {
  return static_cast<std::size_t>(
      std::count_if(flash_.begin(), flash_.end(), [](std::uint8_t b) { return b != 0xFF; }));
}

} // namespace sim
