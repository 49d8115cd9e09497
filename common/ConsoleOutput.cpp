#include "common/ConsoleOutput.h"

#include <algorithm>

namespace common {

void Print(std::FILE *stream, const QString &text) {
  const QByteArray bytes = text.toLocal8Bit();
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
  std::fflush(stream);
}

QString OnTerminal(QString text) {
  text.replace(u'\r', u'\n');
  return text;
}

QString OutcomeWord(Outcome::Kind kind) {
  switch (kind) {
  case Outcome::Kind::Ok: return QStringLiteral("ok");
  case Outcome::Kind::Failed: return QStringLiteral("failed");
  case Outcome::Kind::Refused: return QStringLiteral("refused");
  case Outcome::Kind::Cancelled: return QStringLiteral("cancelled");
  }
  return {};
}

int ExitStatus(const Outcome &outcome) {
  switch (outcome.kind) {
  case Outcome::Kind::Ok: return kExitOk;
  case Outcome::Kind::Refused: return kExitRefused;
  case Outcome::Kind::Cancelled: return kExitChip;
  case Outcome::Kind::Failed: break;
  }
  switch (outcome.cause) {
  case Outcome::Cause::File: return kExitFile;
  case Outcome::Cause::Port: return kExitPort;
  case Outcome::Cause::Chip: return kExitChip;
  case Outcome::Cause::None: break;
  }
  // Nothing let it down but what was asked: the command line does not fit.
  return 2;
}

namespace {
int Percent(qint64 done, qint64 total) {
  return static_cast<int>(std::clamp<qint64>(done * 100 / total, 0, 100));
}
} // namespace

void TerminalProgress::begin(const QString &title, qint64 total) {
  settle(true);
  title_ = title.trimmed();
  total_ = total;
  shown_ = -1;
  clock_.start();
  if (total_ > 0)
    draw(0);
}

void TerminalProgress::advance(qint64 done) {
  if (total_ > 0 && Percent(done, total_) != shown_)
    draw(done);
}

void TerminalProgress::settle(bool ok) {
  if (!open_)
    return;
  if (ok && shown_ < 100)
    draw(total_);
  Print(stream_, QStringLiteral("\n"));
  open_ = false;
  total_ = 0;
}

void TerminalProgress::draw(qint64 done) {
  shown_ = Percent(done, total_);
  constexpr int kWidth = 30;
  const int filled = shown_ * kWidth / 100;
  Print(stream_, QStringLiteral("\r%1 [%2%3] %4%  %5/%6 bytes  %7 s ")
                     .arg(title_, QString(filled, u'#'), QString(kWidth - filled, u'.'))
                     .arg(shown_, 3)
                     .arg(done)
                     .arg(total_)
                     .arg(static_cast<double>(clock_.elapsed()) / 1000.0, 0, 'f', 1));
}

} // namespace common
