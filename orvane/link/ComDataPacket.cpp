#include "orvane/link/ComDataPacket.h"

#include "orvane/link/ComPort.h"

#include <algorithm>

namespace orvane {

ComDataPacket::ComDataPacket(QObject *parent) : QObject(parent) {}

void ComDataPacket::SetComPort(ComPort *port) {
  if (port_) {
    disconnect(port_, nullptr, this, nullptr);
  }
  port_ = port;
  if (port_) {
    connect(port_, &ComPort::RxChar, this, &ComDataPacket::onRxChar);
  }
}

void ComDataPacket::SetStopString(const QByteArray &marker) {
  if (marker != stopString_) {
    stopString_ = marker;
    buffer_.clear();
  }
}

void ComDataPacket::Feed(const QByteArray &data) {
  if (stopString_.isEmpty()) {
    if (!data.isEmpty()) {
      emit Packet(data);
    }
    return;
  }
  qsizetype pos = 0;
  while (pos < data.size()) {
    // Never more than the buffer may hold, so that an overflow drops exactly
    // the bytes that reached the limit and the rest starts a new packet.
    const qsizetype take = std::min<qsizetype>(kMaxBuffer - buffer_.size(), data.size() - pos);
    const qsizetype searchFrom = std::max<qsizetype>(0, buffer_.size() - stopString_.size() + 1);
    buffer_.append(data.constData() + pos, take);
    pos += take;
    qsizetype at = buffer_.indexOf(stopString_, searchFrom);
    while (at >= 0) {
      const QByteArray packet = buffer_.left(at);
      buffer_.remove(0, at + stopString_.size());
      emit Packet(packet);
      at = buffer_.indexOf(stopString_);
    }
    if (buffer_.size() >= kMaxBuffer) {
      buffer_.clear();
    }
  }
  emit Waiting(buffer_.size());
}

void ComDataPacket::onRxChar() {
  if (port_) {
    Feed(port_->ReadAvailable());
  }
}

} // namespace orvane
