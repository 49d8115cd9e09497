#pragma once

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QStringList>

namespace orvane {

// The loader's serial port: 8 data bits, no parity, one stop bit, no flow
// control, DTR and RTS held inactive, any integer baud rate. It is opened for
// one chip function and closed at its end.
//
// The operations the function sequencer uses are virtual, so that a test or a
// fuzz target can answer for the hardware without a serial port.
//
// Everything runs on the thread that owns the port. The sequencer's inline
// operations (WriteStr, ReadUntil, ClearBuffer) block that thread and consume
// what they read; received data is announced with RxChar only while no such
// operation runs, so that what an inline wait reads never reaches the packet
// splitter, and data left over from one is announced once it returns.
class ComPort : public QObject {
  Q_OBJECT

public:
  // How an inline wait ended.
  enum class WaitResult { Found, TimedOut, LinkLost };

  explicit ComPort(QObject *parent = nullptr);
  ~ComPort() override;

  // The names of the serial ports on the system, sorted as text.
  static QStringList PortList();
  // Sorting as the port list does: as text, ignoring letter case.
  static QStringList SortPortNames(QStringList names);

  const QString &Port() const { return portName_; }
  // Stores the name; an open port is moved to the new name at once. False
  // when that reopening failed: the port is then closed, OpenError() tells
  // why, and LinkFailed follows from the event loop.
  bool SetPort(const QString &name);

  qint32 BaudRate() const { return baudRate_; }
  // Stores the rate, any positive integer; an open port takes it at once.
  bool SetCustomBaudRate(qint32 rate);

  // Opens the port with the settings above. Opening an open port does
  // nothing. On failure OpenError() holds "Unable to open com port
  // (win error code: N)" with the system's error number.
  virtual bool Open();
  // Closing a closed port does nothing.
  virtual void Close();
  virtual bool Connected() const;

  // Discards what waits to be read, the port's own buffer included. Output
  // is never pending here: WriteStr returns only once the driver has taken
  // every byte, and what the driver holds is sent, not thrown away.
  virtual bool ClearBuffer(bool input, bool output);
  // Sends every byte of text and returns once the driver has taken them,
  // within 100 ms per byte plus 1000 ms. An empty text sends nothing.
  virtual bool WriteStr(const QByteArray &text);
  // At most count bytes that have already arrived; never waits.
  QByteArray ReadStr(int count);
  // Reads byte by byte until target comes. Gives up after silenceMs without
  // any byte, or when the link fails. Every byte read, target included, is
  // appended to collected when given.
  virtual WaitResult ReadUntil(char target, int silenceMs, QByteArray *collected = nullptr);
  // Everything that has arrived; for the packet splitter.
  QByteArray ReadAvailable();

  const QString &OpenError() const { return openError_; }
  // The system's error number of the last failed open (0 after a good one).
  int OpenErrorCode() const { return openErrorCode_; }
  // The line added to the open error when access was refused: the device
  // file and the group that owns it.
  static QString PermissionLine(const QString &portName);
  // The port layer's text for the last failure after opening.
  const QString &LinkError() const { return linkError_; }

signals:
  // Received data waits to be read (delivered on the port's thread).
  void RxChar();
  // The open link failed while no operation of the port was running; the
  // port layer's text is in LinkError().
  void LinkFailed();

private:
  // Marks a blocking operation: announcements wait until it returns.
  class Operation;

  void onReadyRead();
  void onError(QSerialPort::SerialPortError error);
  void announceLater();
  bool dataWaiting() const;
  bool noteFailure();
  // Moves what the port layer has taken in behind what waits already.
  void takeIn();
  // Reads what the driver holds, without waiting; false when the link failed.
  bool readDriver();
  bool systemFailure(int code);
  bool hangUp();

  QSerialPort port_;
  // Received bytes taken from the driver by the inline operations and not
  // consumed yet; they come before anything the port layer reads later.
  QByteArray pending_;
  QString portName_ = QStringLiteral("COM1");
  qint32 baudRate_ = 9600;
  int openErrorCode_ = 0;
  QString openError_;
  QString linkError_;
  int operationDepth_ = 0;
  bool opening_ = false;
  int openErrno_ = 0;
  bool failurePending_ = false;
  bool announceQueued_ = false;
};

} // namespace orvane
