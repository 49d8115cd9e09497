#pragma once

#include <QByteArray>
#include <QObject>

namespace orvane {

class ComPort;

// Cuts the bytes received on a port into packets at a stop marker. A packet
// is delivered without its marker; what follows the last marker waits in the
// buffer and starts the next packet, across steps, functions and closes of
// the port. An unfinished packet that reaches kMaxBuffer bytes is dropped
// whole. Without a stop marker every arrival is one packet.
class ComDataPacket : public QObject {
  Q_OBJECT

public:
  static constexpr int kLongestReply = 1 + 2 * 65536 + 6;
  static constexpr int kMaxBuffer = kLongestReply + 1;

  explicit ComDataPacket(QObject *parent = nullptr);

  // Binds the splitter to a port: it reads what the port announces.
  void SetComPort(ComPort *port);

  const QByteArray &StopString() const { return stopString_; }
  // A marker other than the present one empties the buffer; setting the
  // same one again keeps it.
  void SetStopString(const QByteArray &marker);

  // Appends received bytes and delivers every packet they complete, in order.
  void Feed(const QByteArray &data);

  // The bytes waiting for their stop marker.
  const QByteArray &Buffer() const { return buffer_; }

signals:
  void Packet(const QByteArray &packet);
  // After each arrival: how many bytes wait for their stop marker, so that
  // a long reply can be followed before its packet is complete.
  void Waiting(qsizetype bytes);

private:
  void onRxChar();

  ComPort *port_ = nullptr;
  QByteArray stopString_;
  QByteArray buffer_;
};

} // namespace orvane
