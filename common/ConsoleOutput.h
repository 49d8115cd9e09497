#pragma once

#include <cstdio>

#include <QElapsedTimer>
#include <QString>

#include "common/Outcome.h"
#include "common/Prompter.h"

// What the command-line programs share in what they print: text on a stream
// at once, messages whose line breaks are \r, the progress bar on a terminal,
// the word and exit status of an outcome.
namespace common {

// Exit statuses of the command-line programs (2, a command line that cannot
// be used, is kExitUsage of ProgramOptions).
inline constexpr int kExitOk = 0;
inline constexpr int kExitChip = 1;
inline constexpr int kExitFile = 3;
inline constexpr int kExitPort = 4;
inline constexpr int kExitRefused = 5;

// Writes and flushes `text`.
void Print(std::FILE *stream, const QString &text);
// A message as the windows show it, with its \r as line breaks.
QString OnTerminal(QString text);
// "ok", "failed", "refused" or "cancelled", as --json reports it.
QString OutcomeWord(Outcome::Kind kind);
// The exit status of a command that ended so: a failure by its cause (one
// without a cause asked for what cannot be: a usage error), a cancelled
// command as a failed one.
int ExitStatus(const Outcome &outcome);

// A bar with percent, bytes and seconds, redrawn in place on a terminal.
// The last report of an operation may come before the end of its last block:
// settle() draws the bar of a step that ended well full and closes the line;
// a new begin() settles the one before.
class TerminalProgress : public Progress {
public:
  explicit TerminalProgress(std::FILE *stream) : stream_(stream) {}
  void begin(const QString &title, qint64 total) override;
  void advance(qint64 done) override;
  void end() override { open_ = total_ > 0 && shown_ >= 0; }
  void settle(bool ok);

private:
  void draw(qint64 done);

  std::FILE *stream_;
  QString title_;
  qint64 total_ = 0;
  int shown_ = -1;
  bool open_ = false;
  QElapsedTimer clock_;
};

// A prompter with nobody to pick a file: every file dialog is cancelled.
class DialoglessPrompter : public Prompter {
public:
  QString openFileName(const QString &, const QString &, const QString &) override { return {}; }
  QString saveFileName(const QString &, const QString &, const QString &,
                       const QString &) override {
    return {};
  }
};

} // namespace common
