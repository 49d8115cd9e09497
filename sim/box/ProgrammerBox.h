#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace sim {

// What the host last set on the line, read back from the box's side.
struct LineSettings {
  unsigned baud = 0;
  int dataBits = 0;
  bool parity = false;
  bool twoStopBits = false;
  bool rtsCts = false;  // hardware flow control
  bool xonXoff = false; // software flow control, either direction
  bool echo = false;
  bool canonical = false;
};

// Misbehaviours the box can be told to show.
struct BoxFaults {
  // Reads and throws away everything; never answers.
  bool silent = false;
  // "g" reports an empty chip name, as with an empty socket.
  bool noChip = false;
  // Bytes at the start of the chip that erasing leaves programmed (0x00).
  int usedAfterErase = 0;
  // What "r" sends in place of the whole hex dump.
  enum class ReadReply {
    Whole,
    Short,      // a quarter of the bytes only: fewer characters than bytes asked
    HalfDigits, // half the bytes: enough characters, too few hex digits
    BadDigits   // full length, but the first byte's digits are not hex
  } readReply = ReadReply::Whole;
  // Pause before every reply to a command (not before handshakes).
  int replyDelayMs = 0;
  // Pause before every DC1 handshake. While it lasts the box watches the
  // line: a byte that comes before its DC1 went out counts as a violation.
  int handshakeDelayUs = 0;
  // Hang up the line after this many data bytes of a write (-1: never).
  long dropAfterWriteBytes = -1;
  // Whether the last data byte of a write is answered with a DC1 too.
  bool dc1AfterLastByte = true;
};

// The programmer box on the far end of the serial link, with a flash chip of
// the 8051 family in its socket. It owns the master side of a
// pseudo-terminal; the host opens the slave (Path()) as its serial port.
// The chip's flash and lock state persist in imagePath: the flash bytes
// followed by one lock byte (0 = unlocked).
//
// Wire protocol, host to box (CR 0x0D, LF 0x0A, DC1 0x11):
//   CR   greeting, then ">"
//   g    "g" CR LF TAB, chip name LF CR, detail LF CR, ">"
//   e    erase (all 0xFF, unlocked), then ">"
//   p    "p" CR LF "Used," count of programmed bytes ",Bytes" CR LF ">"
//   l    lock, then ">"
//   b    "b" flash size LF CR ">"
//   s    DC1; each digit is answered with DC1; LF sets the counter, then ">"
//   r    "r", two upper-case hex digits for each of counter bytes from 0,
//        CR LF "ok" CR LF ">"
//   w    then counter data bytes, each answered with DC1; no prompt
// Anything else is ignored.
class ProgrammerBox {
public:
  struct Chip {
    std::string name = "AT89S51";
    std::string detail = "4K Flash";
    int flashSize = 4096;
  };

  ProgrammerBox(Chip chip, std::string imagePath);
  ~ProgrammerBox();
  ProgrammerBox(const ProgrammerBox &) = delete;
  ProgrammerBox &operator=(const ProgrammerBox &) = delete;

  // Opens the pseudo-terminal and starts answering on a thread of its own.
  bool Start(std::string *error = nullptr);
  // Stops answering and closes the pseudo-terminal. What the host sent
  // before is still taken (a write's last bytes reach the chip).
  void Stop();

  // The slave device the host opens, e.g. /dev/pts/7.
  std::string Path() const { return slavePath_; }

  void SetFaults(const BoxFaults &faults);

  // The chip as the box holds it now.
  std::vector<std::uint8_t> Flash() const;
  bool Locked() const;
  // Puts contents into the chip (and its file), as if programmed elsewhere.
  void SetFlash(const std::vector<std::uint8_t> &bytes);

  // Every byte the host sent, in order, since start or ClearReceived.
  std::string Received() const;
  void ClearReceived();
  // Bytes that came while a DC1 was still owed (see handshakeDelayUs).
  int HandshakeViolations() const;
  // Whether a fault hung up the line.
  bool LinkDropped() const;

  // The line settings now in force on the slave side.
  LineSettings Line() const;

  // Sends text to the host unasked, from the box's thread, as a reply would.
  void Send(const std::string &text);

private:
  enum class Mode { Command, Counter, Write };

  void run();
  // At a stop: takes what the host sent before it.
  void takeWaitingInput();
  void handleByte(std::uint8_t byte);
  void command(std::uint8_t byte);
  void reply(const std::string &text, bool delayed = true);
  void handshake();
  bool pause(int microseconds);
  void hangUp();
  void loadImage();
  void saveImage() const;
  std::size_t usedBytes() const;

  const Chip chip_;
  const std::string imagePath_;
  std::string slavePath_;
  int master_ = -1;
  int slaveHold_ = -1;     // keeps the line up while the host has it closed
  int wake_[2] = {-1, -1}; // Send has queued text
  int stop_[2] = {-1, -1}; // Stop was called
  std::thread thread_;
  std::atomic<bool> stopping_{false};

  mutable std::mutex mutex_;
  BoxFaults faults_;
  std::vector<std::uint8_t> flash_;
  bool locked_ = false;
  std::string received_;
  int violations_ = 0;
  bool dropped_ = false;
  bool earlyInput_ = false; // input came while a DC1 was still owed
  std::string outgoing_;    // queued by Send

  // Box-thread state.
  Mode mode_ = Mode::Command;
  std::string digits_;
  long counter_ = 0;
  long remaining_ = 0;
  long address_ = 0;
  long written_ = 0;
  long pendingInChunk_ = 0; // bytes read but not handled yet
};

} // namespace sim
