// The function sequencer's reading of the box's replies, fed as packets
// through the splitter and as characters read inline, with step ticks in
// between, for any of the eight functions. Whatever the box says, the
// function ends (the loader idle, the port closed, no timer left running),
// only Read changes the image and only where its byte count reaches, and a
// Verify or Auto Program that reads the chip back leaves the image as it was.
#include "common/testing/ScriptedPrompter.h"
#include "fuzz/FuzzSupport.h"
#include "orvane/core/LoaderCore.h"
#include "orvane/link/ComDataPacket.h"
#include "orvane/link/ComPort.h"
#include "orvane/link/Sequencer.h"
#include "tools/PacketWriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

using namespace orvane;

namespace {

const QString kModel = QStringLiteral("Fuzz Box");

// The box's side of the inline waits: characters from a script, then
// silence; the link may be lost once the script says so.
class ScriptedPort : public ComPort {
public:
  QByteArray inlineReplies;
  qsizetype linkLostAfter = -1; // inline characters read before the link fails
  bool open = false;
  int opens = 0;

  bool Open() override {
    open = true;
    ++opens;
    return true;
  }
  void Close() override { open = false; }
  bool Connected() const override { return open; }
  bool ClearBuffer(bool, bool) override { return open; }
  bool WriteStr(const QByteArray &) override {
    FUZZ_CHECK(open, "the sequencer writes only to an open port");
    return !lost();
  }
  WaitResult ReadUntil(char target, int, QByteArray *collected) override {
    FUZZ_CHECK(open, "the sequencer waits only on an open port");
    while (!lost() && read_ < inlineReplies.size()) {
      const char c = inlineReplies[read_++];
      if (collected)
        collected->append(c);
      if (c == target)
        return WaitResult::Found;
    }
    return lost() ? WaitResult::LinkLost : WaitResult::TimedOut;
  }

private:
  bool lost() const { return linkLostAfter >= 0 && read_ >= linkLostAfter; }
  qsizetype read_ = 0;
};

class Host : public SequencerHost {
public:
  void AddStatus(const QString &, bool) override { ++lines; }
  void ClearStatus() override {}
  void SelectFunction(int index) override { selected = index; }
  int selected = 0;
  int lines = 0;
};

// A program folder with a catalogue naming the model and its protocol, and
// a device database of two chips; made once for the whole run.
const QTemporaryDir &ProgramFolder() {
  static QTemporaryDir dir;
  static const bool made = [] {
    QFile ini(dir.filePath(QStringLiteral("orvane.ini")));
    FUZZ_CHECK(ini.open(QIODevice::WriteOnly), "the catalogue can be written");
    ini.write("[Global]\r\nFunctionIndex=7\r\nModelCount=1\r\n[Models]\r\nModel0=Fuzz Box\r\n"
              "[Fuzz Box]\r\nName=Fuzz Box\r\nID=1\r\ncomSpeed=57600\r\nAlgorithm=1\r\n");
    return true;
  }();
  (void)made;
  return dir;
}

const QByteArray &DevicePacket() {
  static const QByteArray bytes = [] {
    tools::PacketContent content;
    content.fields = tools::deviceFields();
    QString error;
    FUZZ_CHECK(tools::parseDeviceTable(QStringLiteral("AT89S51;Atmel;4096;0;8051;1;40pin\n"
                                                      "AT89S52;Atmel;8192;0;8051;1;40pin\n"),
                                       &content.rows, &error),
               "the device table parses");
    QByteArray out;
    FUZZ_CHECK(tools::writePacket(content, &out, &error), "the device packet is written");
    return out;
  }();
  return bytes;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  fuzz::EnsureApplication();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  fuzz::EnsureApplication();
  fuzz::Input in(data, size);
  const int function = in.byte() % 8;
  const std::uint8_t options = in.byte();
  const int imageBytes = in.byte() % 40;
  const std::uint8_t lostAt = in.byte();

  common::ScriptedPrompter prompter;
  const auto core =
      std::make_unique<LoaderCore>(ProgramFolder().filePath(QStringLiteral("orvane")), prompter);
  core->settings.ReadProgramIni(core->paths.programIni());
  core->ModelChange(kModel);
  core->settings.ReloadFile = 0;
  core->settings.Verify = options & 1;
  core->settings.Lock = (options >> 1) & 1;
  FUZZ_CHECK(core->devices.loadFromBytes(DevicePacket()), "the device database loads");
  LoaderBuffer &b = core->buffer;
  b.FileBufferReset();
  for (int i = 0; i < imageBytes; ++i)
    b.ImageArea[std::size_t(i)] = std::uint8_t(i * 37 + 11);
  b.BytesLoaded = imageBytes;
  const auto image = b.ImageArea;

  ScriptedPort port;
  port.inlineReplies = in.take(in.byte());
  if (lostAt < 0x20)
    port.linkLostAfter = lostAt;
  ComDataPacket splitter;
  Host host;
  Sequencer seq(*core, port, splitter, host, prompter);

  seq.ExecuteFunction(function);
  // The rest: packets through the splitter and step ticks, in the order the
  // input gives; then ticks alone until the function has to end.
  while (seq.Busy() && !in.empty()) {
    const std::uint8_t op = in.byte();
    if (op & 0x80) {
      splitter.Feed(in.take(op & 0x7F));
    } else {
      seq.Algo1_Timer1Timer();
    }
  }
  for (int extra = 0; seq.Busy() && extra < 2000; ++extra)
    seq.Algo1_Timer1Timer();

  FUZZ_CHECK(!seq.Busy(), "every function ends");
  FUZZ_CHECK(!port.open, "the port is closed at the end");
  FUZZ_CHECK(!seq.Algo1_Timer1().isActive(), "no step timer is left running");
  FUZZ_CHECK(seq.StepState == 0, "the steps start afresh next time");
  FUZZ_CHECK(host.lines > 0 || port.opens == 0, "a function that ran logs its outcome");
  if (function == kRead) {
    const int reach = std::clamp(b.TransferCount, 0, kImageSize);
    FUZZ_CHECK(std::equal(b.ImageArea.begin() + reach, b.ImageArea.end(), image.begin() + reach),
               "Read changes the image only where its byte count reaches");
  } else {
    FUZZ_CHECK(b.ImageArea == image, "only Read changes the image");
  }
  return 0;
}
