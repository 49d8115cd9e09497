#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

namespace orvane {

// Text split into lines at CR LF, LF or CR. A final line break ends the last
// line and does not start another.
struct TextLines {
  QList<QByteArray> lines;  // without their line breaks
  QList<QByteArray> breaks; // each line's own break; empty for a last line without one
  QByteArray firstBreak;    // the first line break met; empty when none
  bool finalBreak = false;  // the text ends with a line break
};

TextLines splitLines(const QByteArray &data);

// Walks the text as splitLines splits it, without building the lists:
// f(line, lineBreak) for each line, lineBreak empty for a last line without
// one. Returns whether the text ends with a line break.
template <typename F> bool forEachLine(QByteArrayView data, F &&f) {
  qsizetype start = 0;
  qsizetype i = 0;
  while (i < data.size()) {
    const char c = data[i];
    if (c != '\r' && c != '\n') {
      ++i;
      continue;
    }
    const qsizetype next =
        (c == '\r' && i + 1 < data.size() && data[i + 1] == '\n') ? i + 2 : i + 1;
    f(data.sliced(start, i - start), data.sliced(i, next - i));
    start = i = next;
  }
  if (start < data.size())
    f(data.sliced(start), QByteArrayView());
  return !data.isEmpty() && start == data.size();
}

} // namespace orvane
