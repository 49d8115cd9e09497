#include "orvane/link/ComPort.h"

#include "common/DeviceGroup.h"

#include <QDeadlineTimer>
#include <QSerialPortInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <unistd.h>

namespace orvane {

class ComPort::Operation {
public:
  explicit Operation(ComPort &port) : port_(port) { ++port_.operationDepth_; }
  ~Operation() {
    if (--port_.operationDepth_ == 0) {
      port_.announceLater();
    }
  }
  Operation(const Operation &) = delete;
  Operation &operator=(const Operation &) = delete;

private:
  ComPort &port_;
};

ComPort::ComPort(QObject *parent) : QObject(parent) {
  connect(&port_, &QSerialPort::readyRead, this, &ComPort::onReadyRead);
  connect(&port_, &QSerialPort::errorOccurred, this, &ComPort::onError);
}

ComPort::~ComPort() { Close(); }

QStringList ComPort::PortList() {
  QStringList names;
  for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
    names << info.portName();
  }
  return SortPortNames(names);
}

QStringList ComPort::SortPortNames(QStringList names) {
  std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
    const int byText = a.compare(b, Qt::CaseInsensitive);
    return byText != 0 ? byText < 0 : a < b;
  });
  return names;
}

bool ComPort::SetPort(const QString &name) {
  portName_ = name;
  if (!port_.isOpen()) {
    return true;
  }
  Close();
  if (Open()) {
    return true;
  }
  // The running function learns of it through LinkFailed.
  linkError_ = openError_;
  QMetaObject::invokeMethod(this, &ComPort::LinkFailed, Qt::QueuedConnection);
  return false;
}

bool ComPort::SetCustomBaudRate(qint32 rate) {
  if (rate <= 0) {
    return false;
  }
  baudRate_ = rate;
  if (!port_.isOpen()) {
    return true;
  }
  Operation op(*this);
  return port_.setBaudRate(rate) || noteFailure();
}

bool ComPort::Open() {
  if (port_.isOpen()) {
    return true;
  }
  openError_.clear();
  linkError_.clear();
  port_.setPortName(portName_);
  port_.setBaudRate(baudRate_);
  port_.setDataBits(QSerialPort::Data8);
  port_.setParity(QSerialPort::NoParity);
  port_.setStopBits(QSerialPort::OneStop);
  port_.setFlowControl(QSerialPort::NoFlowControl);
  port_.setReadBufferSize(0);

  Operation op(*this);
  opening_ = true;
  openErrno_ = 0;
  errno = 0;
  const bool opened = port_.open(QIODevice::ReadWrite);
  if (opened) {
    // Lines that the device has no use for (a pseudo-terminal has no modem
    // lines) refuse this; that is no reason to fail.
    port_.setDataTerminalReady(false);
    port_.setRequestToSend(false);
  }
  opening_ = false;
  openErrorCode_ = 0;
  if (!opened) {
    int code = openErrno_;
    if (code == 0) {
      switch (port_.error()) {
      case QSerialPort::DeviceNotFoundError: code = ENOENT; break;
      case QSerialPort::PermissionError: code = EACCES; break;
      default: code = EIO; break;
      }
    }
    port_.clearError();
    openErrorCode_ = code;
    openError_ = QStringLiteral("Unable to open com port") +
                 QStringLiteral(" (win error code: %1)").arg(code);
    if (code == EACCES || code == EPERM)
      openError_ += QLatin1Char('\r') + PermissionLine(port_.portName());
    return false;
  }
  port_.clearError();
  return true;
}

QString ComPort::PermissionLine(const QString &portName) {
  const QString file =
      portName.startsWith(QLatin1Char('/')) ? portName : QStringLiteral("/dev/") + portName;
  const std::string group = common::DeviceGroup(file.toStdString());
  if (group.empty())
    return QStringLiteral("%1: permission denied.").arg(file);
  return QStringLiteral("%1: permission denied; it belongs to group \"%2\", which your user "
                        "must join.")
      .arg(file, QString::fromStdString(group));
}

void ComPort::Close() {
  pending_.clear();
  if (port_.isOpen()) {
    port_.close();
    port_.clearError();
  }
}

bool ComPort::Connected() const { return port_.isOpen(); }

bool ComPort::ClearBuffer(bool input, bool output) {
  if (!port_.isOpen()) {
    linkError_ = QStringLiteral("The port is not open");
    return false;
  }
  // WriteStr hands every byte to the driver before it returns, so nothing of
  // ours waits to be sent. What the driver still holds is not discarded: the
  // last data byte of a write is followed by no handshake, and flushing the
  // driver's output would throw it away before the hardware took it.
  (void)output;
  if (!input) {
    return true;
  }
  Operation op(*this);
  pending_.clear();
  return port_.clear(QSerialPort::Input) || noteFailure();
}

bool ComPort::WriteStr(const QByteArray &text) {
  if (text.isEmpty()) {
    return true;
  }
  if (!port_.isOpen()) {
    linkError_ = QStringLiteral("The port is not open");
    return false;
  }
  Operation op(*this);
  // Straight to the driver: the data steps write one byte per call, so the
  // cost of a call bounds their speed.
  const int fd = port_.handle();
  QDeadlineTimer deadline(100 * static_cast<qint64>(text.size()) + 1000);
  qsizetype done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.constData() + done, static_cast<size_t>(text.size() - done));
    if (n > 0) {
      done += n;
      continue;
    }
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n < 0 && errno != EAGAIN) {
      return systemFailure(errno);
    }
    // The driver's queue is full: wait for room.
    const qint64 left = deadline.remainingTime();
    if (left <= 0) {
      linkError_ = QStringLiteral("Write time-out: the port did not take the data");
      return false;
    }
    pollfd room{fd, POLLOUT, 0};
    if (::poll(&room, 1, static_cast<int>(left)) < 0 && errno != EINTR) {
      return systemFailure(errno);
    }
    if (room.revents & (POLLERR | POLLHUP | POLLNVAL)) {
      return hangUp();
    }
  }
  return true;
}

QByteArray ComPort::ReadStr(int count) {
  if (!port_.isOpen() || count <= 0) {
    return {};
  }
  Operation op(*this);
  takeIn();
  if (pending_.isEmpty()) {
    readDriver();
  }
  const QByteArray out = pending_.left(count);
  pending_.remove(0, out.size());
  return out;
}

ComPort::WaitResult ComPort::ReadUntil(char target, int silenceMs, QByteArray *collected) {
  if (!port_.isOpen()) {
    linkError_ = QStringLiteral("The port is not open");
    return WaitResult::LinkLost;
  }
  Operation op(*this);
  takeIn();
  for (;;) {
    const qsizetype at = pending_.indexOf(target);
    if (at >= 0) {
      if (collected) {
        collected->append(pending_.constData(), at + 1);
      }
      pending_.remove(0, at + 1);
      return WaitResult::Found;
    }
    if (collected) {
      collected->append(pending_);
    }
    pending_.clear();
    pollfd in{port_.handle(), POLLIN, 0};
    const int ready = ::poll(&in, 1, silenceMs);
    if (ready == 0) {
      return WaitResult::TimedOut;
    }
    if (ready < 0) {
      if (errno == EINTR) {
        continue;
      }
      systemFailure(errno);
      return WaitResult::LinkLost;
    }
    if (!readDriver()) {
      return WaitResult::LinkLost;
    }
  }
}

QByteArray ComPort::ReadAvailable() {
  takeIn();
  QByteArray out;
  out.swap(pending_);
  return out;
}

void ComPort::takeIn() {
  if (port_.isOpen() && port_.bytesAvailable() > 0) {
    pending_ += port_.readAll();
  }
}

bool ComPort::readDriver() {
  char chunk[4096];
  for (;;) {
    const ssize_t n = ::read(port_.handle(), chunk, sizeof chunk);
    if (n > 0) {
      pending_.append(chunk, n);
      return true;
    }
    if (n == 0) {
      return hangUp();
    }
    if (errno == EINTR) {
      continue;
    }
    if (errno == EAGAIN) {
      return true;
    }
    return systemFailure(errno);
  }
}

bool ComPort::systemFailure(int code) {
  linkError_ = QString::fromLocal8Bit(std::strerror(code));
  return false;
}

bool ComPort::hangUp() {
  linkError_ = QStringLiteral("The serial device hung up");
  return false;
}

void ComPort::onReadyRead() {
  if (operationDepth_ == 0) {
    emit RxChar();
  }
}

void ComPort::onError(QSerialPort::SerialPortError error) {
  const int systemError = errno;
  if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError) {
    return;
  }
  if (opening_) {
    if (openErrno_ == 0) {
      openErrno_ = systemError;
    }
    return;
  }
  if (operationDepth_ > 0) {
    return; // the operation reports it itself
  }
  if (!port_.isOpen() || failurePending_) {
    return;
  }
  linkError_ = port_.errorString();
  failurePending_ = true;
  // Reported from the event loop, not from inside the port's own handler.
  QMetaObject::invokeMethod(
      this,
      [this] {
        failurePending_ = false;
        if (port_.isOpen()) {
          port_.clearError();
          emit LinkFailed();
        }
      },
      Qt::QueuedConnection);
}

bool ComPort::dataWaiting() const {
  return port_.isOpen() && (!pending_.isEmpty() || port_.bytesAvailable() > 0);
}

void ComPort::announceLater() {
  if (announceQueued_ || !dataWaiting()) {
    return;
  }
  announceQueued_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        announceQueued_ = false;
        if (operationDepth_ == 0 && dataWaiting()) {
          emit RxChar();
        }
      },
      Qt::QueuedConnection);
}

bool ComPort::noteFailure() {
  linkError_ = port_.errorString();
  port_.clearError();
  return false;
}

} // namespace orvane
