#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <algorithm>
#include <cstring>

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
// one; f returns false to stop there. Returns whether the walk reached the
// end of a text that ends with a line break.
template <typename F>
bool forEachLine(QByteArrayView data, F &&f) {
  // The next CR and the next LF, each found with memchr.
  const char *const begin = data.data();
  const char *const end = begin + data.size();
  const auto find = [end](const char *from, char c) {
    const void *at = from < end ? std::memchr(from, c, std::size_t(end - from)) : nullptr;
    return at ? static_cast<const char *>(at) : end;
  };
  const char *start = begin;
  const char *cr = find(begin, '\r');
  const char *lf = find(begin, '\n');
  while (start < end) {
    if (cr < start)
      cr = find(start, '\r');
    if (lf < start)
      lf = find(start, '\n');
    const char *brk = std::min(cr, lf);
    if (brk == end)
      break;
    const char *next = brk == cr && brk + 1 < end && brk[1] == '\n' ? brk + 2 : brk + 1;
    if (!f(QByteArrayView(start, brk - start), QByteArrayView(brk, next - brk)))
      return false;
    start = next;
  }
  if (start < end && !f(QByteArrayView(start, end - start), QByteArrayView()))
    return false;
  return !data.isEmpty() && start == end;
}

} // namespace orvane
