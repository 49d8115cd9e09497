#pragma once

#include <QString>

namespace common {

// How a command of a session ended, for every client to act on: a window
// shows the message in a box, a command line maps it to its exit status.
struct Outcome {
  enum class Kind {
    Ok,        // done; the message, when there is one, is the success text
    Failed,    // the chip, a file or the port let the command down
    Refused,   // a guard stopped it before anything was written
    Cancelled, // the user stopped it
  };
  // What let a failed command down.
  enum class Cause { None, Chip, File, Port };

  Kind kind = Kind::Ok;
  Cause cause = Cause::None;
  // The program's own text for it, as its window shows it.
  QString message;

  static Outcome ok(QString text = {}) { return {Kind::Ok, Cause::None, std::move(text)}; }
  static Outcome failed(Cause cause, QString text) { return {Kind::Failed, cause, std::move(text)}; }
  static Outcome refused(QString text) { return {Kind::Refused, Cause::None, std::move(text)}; }
  static Outcome cancelled(QString text = {}) {
    return {Kind::Cancelled, Cause::None, std::move(text)};
  }

  bool isOk() const { return kind == Kind::Ok; }
};

// Where a session reports the progress of a long command: the progress
// window, a bar on a terminal, or nothing.
class Progress {
public:
  virtual ~Progress() = default;
  // A command of `total` units (bytes) begins.
  virtual void begin(const QString &title, qint64 total) = 0;
  virtual void advance(qint64 done) = 0;
  virtual void end() = 0;
  // Lets pending window events run inside a long command.
  virtual void processEvents() {}
};

// Progress that goes nowhere.
class NoProgress : public Progress {
public:
  void begin(const QString &, qint64) override {}
  void advance(qint64) override {}
  void end() override {}
};

} // namespace common
