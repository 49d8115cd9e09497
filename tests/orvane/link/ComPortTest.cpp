// The port adapter over a real pseudo-terminal, with the emulated box on the
// far end.
#include "orvane/link/ComPort.h"
#include "BoxFixture.h"
#include "orvane/link/ComDataPacket.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

namespace {

using orvane::ComDataPacket;
using orvane::ComPort;

class ComPortTest : public linktest::BoxFixture {
protected:
  bool openOn(ComPort &port, const sim::ProgrammerBox &box, qint32 rate = 57600) {
    port.SetPort(pathOf(box));
    port.SetCustomBaudRate(rate);
    return port.Open();
  }
};

TEST_F(ComPortTest, OpensWithTheFixedLineSettings) {
  auto box = startBox();
  ComPort port;
  ASSERT_TRUE(openOn(port, *box)) << port.OpenError().toStdString();
  EXPECT_TRUE(port.Connected());
  const sim::LineSettings line = box->Line();
  EXPECT_EQ(line.baud, 57600u);
  EXPECT_EQ(line.dataBits, 8);
  EXPECT_FALSE(line.parity);
  EXPECT_FALSE(line.twoStopBits);
  EXPECT_FALSE(line.rtsCts);
  EXPECT_FALSE(line.xonXoff);
  EXPECT_FALSE(line.echo);
  EXPECT_FALSE(line.canonical);

  // Opening an open port and closing a closed one change nothing.
  EXPECT_TRUE(port.Open());
  EXPECT_TRUE(port.Connected());
  port.Close();
  port.Close();
  EXPECT_FALSE(port.Connected());
}

TEST_F(ComPortTest, AnyIntegerRateAppliesAtOnceWhileOpen) {
  auto box = startBox();
  ComPort port;
  ASSERT_TRUE(openOn(port, *box, 19200));
  EXPECT_EQ(box->Line().baud, 19200u);
  for (qint32 rate : {57600, 31250, 57601, 1234}) {
    EXPECT_TRUE(port.SetCustomBaudRate(rate));
    EXPECT_EQ(box->Line().baud, static_cast<unsigned>(rate));
  }
  EXPECT_FALSE(port.SetCustomBaudRate(0));
  EXPECT_EQ(port.BaudRate(), 1234);
  // The link still works at the new rate.
  ASSERT_TRUE(port.WriteStr("b"));
  QByteArray reply;
  EXPECT_EQ(port.ReadUntil('>', 2000, &reply), ComPort::WaitResult::Found);
  EXPECT_EQ(reply, "b4096\n\r>");
}

TEST_F(ComPortTest, ChangingThePortWhileOpenMovesTheLinkAtOnce) {
  auto first = startBox({}, "first.bin");
  auto second = startBox({}, "second.bin");
  ComPort port;
  ASSERT_TRUE(openOn(port, *first));
  EXPECT_TRUE(port.SetPort(pathOf(*second)));
  EXPECT_TRUE(port.Connected());
  ASSERT_TRUE(port.WriteStr("\r"));
  EXPECT_EQ(port.ReadUntil('>', 2000), ComPort::WaitResult::Found);
  EXPECT_EQ(second->Received(), "\r");
  EXPECT_EQ(first->Received(), "");
}

TEST_F(ComPortTest, MovingAnOpenLinkToAnAbsentPortReportsTheLinkLost) {
  auto box = startBox();
  ComPort port;
  ASSERT_TRUE(openOn(port, *box));
  QSignalSpy failed(&port, &ComPort::LinkFailed);
  EXPECT_FALSE(port.SetPort(dir.filePath("gone")));
  EXPECT_FALSE(port.Connected());
  EXPECT_EQ(port.Port(), dir.filePath("gone"));
  EXPECT_TRUE(QTest::qWaitFor([&] { return failed.size() == 1; }, 2000));
  EXPECT_EQ(port.LinkError(), "Unable to open com port (win error code: 2)");
}

TEST_F(ComPortTest, ARefusedPortNamesTheGroupThatOwnsIt) {
  QFile device(dir.filePath("ttyUSB7"));
  ASSERT_TRUE(device.open(QIODevice::WriteOnly));
  device.close();
  EXPECT_EQ(ComPort::PermissionLine(device.fileName()),
            QStringLiteral("%1: permission denied; it belongs to group \"%2\", which your user "
                           "must join.")
                .arg(device.fileName(), QFileInfo(device.fileName()).group()));
  EXPECT_EQ(ComPort::PermissionLine(QStringLiteral("ttyNoSuchPort9")),
            QStringLiteral("/dev/ttyNoSuchPort9: permission denied."));
}

TEST_F(ComPortTest, APortThatCannotBeOpenedGivesTheSystemErrorNumber) {
  QFile plain(dir.filePath("plain-file"));
  ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
  plain.close();
  const struct {
    QString name;
    int code;
  } cases[] = {{dir.filePath("no-such-port"), ENOENT}, {plain.fileName(), ENOTTY}};
  for (const auto &c : cases) {
    ComPort port;
    port.SetPort(c.name);
    EXPECT_FALSE(port.Open());
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(port.OpenError(),
              QStringLiteral("Unable to open com port (win error code: %1)").arg(c.code))
        << c.name.toStdString();
  }
}

TEST_F(ComPortTest, WritesReadsAtOnceAndWaitsInline) {
  auto box = startBox();
  ComPort port;
  ASSERT_TRUE(openOn(port, *box));
  EXPECT_TRUE(port.ReadStr(1).isEmpty());
  EXPECT_TRUE(port.WriteStr(QByteArray()));
  ASSERT_TRUE(port.WriteStr("b"));
  QByteArray collected;
  EXPECT_EQ(port.ReadUntil('\n', 2000, &collected), ComPort::WaitResult::Found);
  EXPECT_EQ(collected, "b4096\n");
  // What follows the awaited character stays for the next read.
  EXPECT_TRUE(QTest::qWaitFor([&] { return port.ReadStr(1) == "\r"; }, 2000));
  EXPECT_EQ(port.ReadStr(1), ">");
  EXPECT_EQ(box->Received(), "b");
}

TEST_F(ComPortTest, ClearBufferDropsWhatWaits) {
  auto box = startBox();
  ComPort port;
  ASSERT_TRUE(openOn(port, *box));
  QSignalSpy arrived(&port, &ComPort::RxChar);
  box->Send("abc>");
  ASSERT_TRUE(QTest::qWaitFor([&] { return arrived.size() > 0; }, 2000));
  EXPECT_TRUE(port.ClearBuffer(true, true));
  EXPECT_TRUE(port.ReadStr(1).isEmpty());
  // What comes later is read again.
  box->Send("x");
  EXPECT_TRUE(QTest::qWaitFor([&] { return port.ReadStr(1) == "x"; }, 2000));
}

TEST_F(ComPortTest, InlineWaitsGiveUpOnSilenceAndOnAHangUp) {
  auto box = startBox();
  sim::BoxFaults faults;
  faults.silent = true;
  box->SetFaults(faults);
  ComPort port;
  ASSERT_TRUE(openOn(port, *box));
  ASSERT_TRUE(port.WriteStr("\r"));
  QElapsedTimer clock;
  clock.start();
  EXPECT_EQ(port.ReadUntil('>', 200), ComPort::WaitResult::TimedOut);
  EXPECT_GE(clock.elapsed(), 190);

  box->Stop();
  EXPECT_EQ(port.ReadUntil('>', 2000), ComPort::WaitResult::LinkLost);
  EXPECT_FALSE(port.LinkError().isEmpty());
}

TEST_F(ComPortTest, AnnouncesAHangUpWhileIdle) {
  auto box = startBox();
  ComPort port;
  ASSERT_TRUE(openOn(port, *box));
  QSignalSpy failed(&port, &ComPort::LinkFailed);
  box->Stop();
  EXPECT_TRUE(QTest::qWaitFor([&] { return failed.size() > 0; }, 2000));
  EXPECT_FALSE(port.LinkError().isEmpty());
}

class SplitterOnPortTest : public ComPortTest {
protected:
  void SetUp() override {
    box = startBox();
    splitter.SetComPort(&port);
    splitter.SetStopString(">");
    ASSERT_TRUE(openOn(port, *box));
  }

  QList<QByteArray> packets() const {
    QList<QByteArray> out;
    for (const auto &args : spy) {
      out << args.at(0).toByteArray();
    }
    return out;
  }

  std::unique_ptr<sim::ProgrammerBox> box;
  ComPort port;
  ComDataPacket splitter;
  QSignalSpy spy{&splitter, &ComDataPacket::Packet};
};

TEST_F(SplitterOnPortTest, DeliversPacketsAndKeepsTheRestAcrossCloses) {
  box->Send("abc>def>xy");
  ASSERT_TRUE(QTest::qWaitFor([&] { return spy.size() == 2; }, 2000));
  EXPECT_EQ(packets(), (QList<QByteArray>{"abc", "def"}));
  EXPECT_TRUE(QTest::qWaitFor([&] { return splitter.Buffer() == "xy"; }, 2000));
  port.Close();
  ASSERT_TRUE(port.Open());
  box->Send("z>");
  ASSERT_TRUE(QTest::qWaitFor([&] { return spy.size() == 3; }, 2000));
  EXPECT_EQ(packets().last(), "xyz");
}

TEST_F(SplitterOnPortTest, WhatAnInlineWaitReadsNeverReachesTheSplitter) {
  box->Send("one>two>");
  ASSERT_EQ(port.ReadUntil('>', 2000), ComPort::WaitResult::Found);
  // A packet sent afterwards marks the end: everything before it has come.
  box->Send("three>");
  ASSERT_TRUE(QTest::qWaitFor([&] { return spy.size() >= 2; }, 2000));
  EXPECT_EQ(packets(), (QList<QByteArray>{"two", "three"}));
}

TEST_F(SplitterOnPortTest, AReplyLongerThanAWholeChipReadIsDropped) {
  box->Send(std::string(140000, 'a') + "b>");
  ASSERT_TRUE(QTest::qWaitFor([&] { return spy.size() >= 1; }, 5000));
  EXPECT_EQ(packets(), (QList<QByteArray>{QByteArray(140000 - 131080, 'a') + "b"}));
}

TEST(PortList, SortsAsTextIgnoringCase) {
  const QStringList sorted =
      ComPort::SortPortNames({"ttyUSB0", "COM2", "ttyS10", "COM10", "com1", "ttyS2", "ttyACM0"});
  EXPECT_EQ(sorted,
            (QStringList{"com1", "COM10", "COM2", "ttyACM0", "ttyS10", "ttyS2", "ttyUSB0"}));
  const QStringList present = ComPort::PortList();
  EXPECT_EQ(present, ComPort::SortPortNames(present));
}

} // namespace
