#include "orvane/link/ComDataPacket.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

using orvane::ComDataPacket;

QList<QByteArray> packetsOf(QSignalSpy &spy) {
  QList<QByteArray> out;
  for (const auto &args : spy) {
    out << args.at(0).toByteArray();
  }
  return out;
}

TEST(ComDataPacket, CutsArrivalsIntoPacketsAndKeepsTheRest) {
  ComDataPacket splitter;
  splitter.SetStopString(">");
  QSignalSpy spy(&splitter, &ComDataPacket::Packet);
  splitter.Feed("abc>def>");
  EXPECT_EQ(packetsOf(spy), (QList<QByteArray>{"abc", "def"}));
  splitter.Feed("xy");
  EXPECT_EQ(spy.size(), 2);
  EXPECT_EQ(splitter.Buffer(), "xy");
  splitter.Feed("z>>");
  EXPECT_EQ(packetsOf(spy), (QList<QByteArray>{"abc", "def", "xyz", ""}));
}

TEST(ComDataPacket, GivesTheSamePacketsHoweverTheBytesArrive) {
  const QByteArray stream = "\r\nhello>p,0,\r\n>" + QByteArray(3, '\x11') + "b4096\n\r>tail";
  for (int chunk : {1, 2, 3, 7, 100}) {
    ComDataPacket splitter;
    splitter.SetStopString(">");
    QSignalSpy spy(&splitter, &ComDataPacket::Packet);
    for (qsizetype at = 0; at < stream.size(); at += chunk) {
      splitter.Feed(stream.mid(at, chunk));
    }
    EXPECT_EQ(packetsOf(spy),
              (QList<QByteArray>{"\r\nhello", "p,0,\r\n", QByteArray(3, '\x11') + "b4096\n\r"}))
        << "chunks of " << chunk;
    EXPECT_EQ(splitter.Buffer(), "tail");
  }
}

// A whole 64 KiB chip read: "r", two digits per byte, CR LF "ok" CR LF.
QByteArray fullChipReadReply() { return "r" + QByteArray(2 * 65536, '5') + "\r\nok\r\n"; }

TEST(ComDataPacket, DropsAnUnfinishedPacketAtTheLimit) {
  // One character more than the longest reply gathers without its prompt.
  const QByteArray reply = fullChipReadReply() + "x" + QByteArray(5000, 'a');
  for (int chunk : {200000, 4096, 131079, 1000}) {
    ComDataPacket splitter;
    splitter.SetStopString(">");
    QSignalSpy spy(&splitter, &ComDataPacket::Packet);
    for (qsizetype at = 0; at < reply.size(); at += chunk) {
      splitter.Feed(reply.mid(at, chunk));
    }
    EXPECT_EQ(spy.size(), 0);
    // The first 131080 went; the rest began a new packet.
    EXPECT_EQ(splitter.Buffer(), QByteArray(5000, 'a')) << "chunks of " << chunk;
    splitter.Feed("b>");
    ASSERT_EQ(spy.size(), 1);
    EXPECT_EQ(spy.at(0).at(0).toByteArray(), QByteArray(5000, 'a') + "b");
  }
}

TEST(ComDataPacket, KeepsTheReadReplyOfAWhole64KiBChip) {
  for (int chunk : {1024, 131080}) {
    ComDataPacket splitter;
    splitter.SetStopString(">");
    QSignalSpy spy(&splitter, &ComDataPacket::Packet);
    const QByteArray stream = fullChipReadReply() + ">";
    for (qsizetype at = 0; at < stream.size(); at += chunk) {
      splitter.Feed(stream.mid(at, chunk));
    }
    ASSERT_EQ(spy.size(), 1) << "chunks of " << chunk;
    EXPECT_EQ(spy.at(0).at(0).toByteArray(), fullChipReadReply());
    EXPECT_TRUE(splitter.Buffer().isEmpty());
  }
}

TEST(ComDataPacket, ANewStopMarkerEmptiesTheBufferTheSameOneKeepsIt) {
  ComDataPacket splitter;
  splitter.SetStopString(">");
  splitter.Feed("left");
  splitter.SetStopString(">");
  EXPECT_EQ(splitter.Buffer(), "left");
  splitter.SetStopString("#");
  EXPECT_TRUE(splitter.Buffer().isEmpty());
}

TEST(ComDataPacket, WithoutAStopMarkerEachArrivalIsAPacket) {
  ComDataPacket splitter;
  QSignalSpy spy(&splitter, &ComDataPacket::Packet);
  splitter.Feed("ab>c");
  splitter.Feed("");
  EXPECT_EQ(packetsOf(spy), (QList<QByteArray>{"ab>c"}));
}

} // namespace
