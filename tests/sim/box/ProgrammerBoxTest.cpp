// The emulated box, driven from the host's side of the pseudo-terminal with
// plain POSIX calls.
#include "sim/box/ProgrammerBox.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr char kDC1 = 0x11;

class Host {
public:
  explicit Host(const std::string &path) {
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd_ >= 0) {
      termios tio{};
      tcgetattr(fd_, &tio);
      cfmakeraw(&tio);
      cfsetspeed(&tio, B57600);
      tcsetattr(fd_, TCSANOW, &tio);
    }
  }
  ~Host() {
    if (fd_ >= 0) {
      ::close(fd_);
    }
  }
  bool ok() const { return fd_ >= 0; }
  void send(const std::string &bytes) {
    ASSERT_EQ(::write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  // Everything up to and including stop, or what came before timeoutMs of
  // silence. hungUp tells whether the line went dead.
  std::string readUntil(char stop, int timeoutMs = 2000) {
    std::string got;
    for (;;) {
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, timeoutMs) <= 0) {
        return got;
      }
      char c;
      const ssize_t n = ::read(fd_, &c, 1);
      if (n <= 0) {
        if (n == 0 || errno != EAGAIN) {
          hungUp = true;
          return got;
        }
        continue;
      }
      got.push_back(c);
      if (c == stop) {
        return got;
      }
    }
  }
  bool hungUp = false;

private:
  int fd_ = -1;
};

class BoxTest : public ::testing::Test {
protected:
  void SetUp() override {
    image_ = std::filesystem::temp_directory_path() /
             ("box-test-" + std::to_string(::getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".bin");
    std::filesystem::remove(image_);
  }
  void TearDown() override { std::filesystem::remove(image_); }

  std::unique_ptr<sim::ProgrammerBox> startBox(sim::ProgrammerBox::Chip chip = {}) {
    auto box = std::make_unique<sim::ProgrammerBox>(chip, image_.string());
    std::string error;
    EXPECT_TRUE(box->Start(&error)) << error;
    return box;
  }

  // Sets the counter through the DC1 handshake.
  static void setCounter(Host &host, long count) {
    host.send("s");
    for (const char digit : std::to_string(count)) {
      ASSERT_EQ(host.readUntil(kDC1), std::string(1, kDC1));
      host.send(std::string(1, digit));
    }
    host.send("\n");
    const std::string end = host.readUntil('>');
    ASSERT_FALSE(end.empty());
    EXPECT_EQ(end.back(), '>');
  }

  static void writeBytes(Host &host, const std::string &data) {
    host.send("w");
    for (std::size_t i = 0; i < data.size(); ++i) {
      host.send(data.substr(i, 1));
      ASSERT_EQ(host.readUntil(kDC1), std::string(1, kDC1)) << "byte " << i;
    }
  }

  std::filesystem::path image_;
};

TEST_F(BoxTest, AnswersEachCommandInItsWireFormat) {
  auto box = startBox();
  Host host(box->Path());
  ASSERT_TRUE(host.ok());
  struct Case {
    std::string command;
    std::string reply;
  } cases[] = {
      {"\r", "\r\nSerial Programmer Ver 2.0 Ready\r\n>"},
      {"g", "g\r\n\tAT89S51\n\r4K Flash\n\r>"},
      {"p", "p\r\nUsed,0,Bytes\r\n>"},
      {"b", "b4096\n\r>"},
      {"e", "e\r\nErase Complete\r\n>"},
      {"l", "l\r\nLock Bits Programmed\r\n>"},
  };
  for (const Case &c : cases) {
    host.send(c.command);
    EXPECT_EQ(host.readUntil('>'), c.reply) << "command " << int(c.command[0]);
  }
  EXPECT_TRUE(box->Locked());
  EXPECT_EQ(box->Received(), "\rgpbel");
}

TEST_F(BoxTest, WritesWithAHandshakePerByteAndReadsBackAsHex) {
  auto box = startBox();
  Host host(box->Path());
  ASSERT_TRUE(host.ok());
  host.send("e");
  host.readUntil('>');
  setCounter(host, 3);
  writeBytes(host, std::string("\x12\xAB\x00", 3));
  host.send("r");
  EXPECT_EQ(host.readUntil('>'), "r12AB00\r\nok\r\n>");
  host.send("p");
  EXPECT_EQ(host.readUntil('>'), "p\r\nUsed,3,Bytes\r\n>");
  EXPECT_EQ(box->HandshakeViolations(), 0);
  const auto flash = box->Flash();
  EXPECT_EQ(flash[0], 0x12);
  EXPECT_EQ(flash[1], 0xAB);
  EXPECT_EQ(flash[2], 0x00);
  EXPECT_EQ(flash[3], 0xFF);
}

TEST_F(BoxTest, ProgrammingOnlyClearsBitsUntilErased) {
  auto box = startBox();
  Host host(box->Path());
  box->SetFlash({0xF0});
  setCounter(host, 1);
  writeBytes(host, "\x3C");
  EXPECT_EQ(box->Flash()[0], 0x30);
}

TEST_F(BoxTest, ChipAndLockSurviveARestartThroughTheImageFile) {
  {
    auto box = startBox();
    Host host(box->Path());
    setCounter(host, 2);
    writeBytes(host, "\x01\x02");
    host.send("l");
    host.readUntil('>');
  }
  auto again = startBox();
  EXPECT_TRUE(again->Locked());
  EXPECT_EQ(again->Flash()[0], 0x01);
  EXPECT_EQ(again->Flash()[1], 0x02);

  // A locked chip takes no data; erasing unlocks it.
  Host host(again->Path());
  setCounter(host, 1);
  writeBytes(host, std::string(1, '\0'));
  EXPECT_EQ(again->Flash()[0], 0x01);
  host.send("e");
  host.readUntil('>');
  EXPECT_FALSE(again->Locked());
  EXPECT_EQ(again->Flash()[0], 0xFF);
}

TEST_F(BoxTest, BytesSentJustBeforeAStopStillReachTheChip) {
  // A host that ends right after its last byte, as the loader does (no
  // handshake is awaited after it), and a box switched off at once.
  const std::string data = "\x0F\x1E\x2D\x3C";
  {
    auto box = startBox();
    Host host(box->Path());
    setCounter(host, static_cast<long>(data.size()));
    writeBytes(host, data.substr(0, data.size() - 1));
    host.send(data.substr(data.size() - 1));
    box->Stop();
    EXPECT_EQ(box->Flash()[3], 0x3C);
  }
  auto again = startBox();
  const auto flash = again->Flash();
  EXPECT_EQ(std::string(flash.begin(), flash.begin() + 4), data);
}

TEST_F(BoxTest, ReadRepliesOfTheFaultKnobs) {
  using RR = sim::BoxFaults::ReadReply;
  struct Case {
    RR mode;
    std::string reply;
  } cases[] = {
      {RR::Whole, "r0102030405060708\r\nok\r\n>"},
      {RR::Short, "r0102\r\nok\r\n>"},
      {RR::HalfDigits, "r01020304\r\nok\r\n>"},
      {RR::BadDigits, "rZZ02030405060708\r\nok\r\n>"},
  };
  auto box = startBox();
  box->SetFlash({1, 2, 3, 4, 5, 6, 7, 8});
  Host host(box->Path());
  setCounter(host, 8);
  for (const Case &c : cases) {
    sim::BoxFaults faults;
    faults.readReply = c.mode;
    box->SetFaults(faults);
    host.send("r");
    EXPECT_EQ(host.readUntil('>'), c.reply);
  }
}

TEST_F(BoxTest, FaultKnobsOnDetectionEraseAndSilence) {
  auto box = startBox();
  Host host(box->Path());
  sim::BoxFaults faults;
  faults.noChip = true;
  faults.usedAfterErase = 5;
  box->SetFaults(faults);
  host.send("g");
  EXPECT_EQ(host.readUntil('>'), "g\r\n\t\n\r\n\r>");
  host.send("e");
  host.readUntil('>');
  host.send("p");
  EXPECT_EQ(host.readUntil('>'), "p\r\nUsed,5,Bytes\r\n>");

  faults = {};
  faults.silent = true;
  box->SetFaults(faults);
  host.send("\r");
  EXPECT_EQ(host.readUntil('>', 200), "");
  EXPECT_EQ(box->Received().back(), '\r');
}

TEST_F(BoxTest, SlowRepliesComeAfterTheirDelay) {
  auto box = startBox();
  Host host(box->Path());
  sim::BoxFaults faults;
  faults.replyDelayMs = 300;
  box->SetFaults(faults);
  const auto start = std::chrono::steady_clock::now();
  host.send("b");
  EXPECT_EQ(host.readUntil('>'), "b4096\n\r>");
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
}

TEST_F(BoxTest, HangsUpInTheMiddleOfAWrite) {
  auto box = startBox();
  Host host(box->Path());
  sim::BoxFaults faults;
  faults.dropAfterWriteBytes = 2;
  box->SetFaults(faults);
  setCounter(host, 10);
  host.send("w");
  host.send("A");
  EXPECT_EQ(host.readUntil(kDC1), std::string(1, kDC1));
  host.send("B");
  EXPECT_EQ(host.readUntil(kDC1), "");
  EXPECT_TRUE(host.hungUp);
  EXPECT_TRUE(box->LinkDropped());
  EXPECT_EQ(box->Flash()[1], 'B');
}

TEST_F(BoxTest, CountsBytesThatDidNotWaitForTheirHandshake) {
  auto box = startBox();
  Host host(box->Path());
  sim::BoxFaults faults;
  faults.handshakeDelayUs = 20000;
  faults.dc1AfterLastByte = false;
  box->SetFaults(faults);
  setCounter(host, 3);
  EXPECT_EQ(box->HandshakeViolations(), 0);
  host.send("w");
  host.send("\x01\x02\x03"); // all at once, without waiting
  // No DC1 after the last byte when told so: only the two owed ones come,
  // each after the byte that came too early was counted.
  EXPECT_EQ(host.readUntil('\0', 100), std::string(2, kDC1));
  EXPECT_EQ(box->HandshakeViolations(), 2);
}

TEST_F(BoxTest, ReportsTheLineSettingsTheHostChose) {
  auto box = startBox();
  Host host(box->Path());
  const sim::LineSettings line = box->Line();
  EXPECT_EQ(line.baud, 57600u);
  EXPECT_EQ(line.dataBits, 8);
  EXPECT_FALSE(line.parity);
  EXPECT_FALSE(line.twoStopBits);
  EXPECT_FALSE(line.rtsCts);
  EXPECT_FALSE(line.xonXoff);
  EXPECT_FALSE(line.echo);
}

TEST_F(BoxTest, SendsUnaskedText) {
  auto box = startBox();
  Host host(box->Path());
  box->Send("abc>");
  EXPECT_EQ(host.readUntil('>'), "abc>");
}

} // namespace
