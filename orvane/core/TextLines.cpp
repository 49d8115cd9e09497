#include "orvane/core/TextLines.h"

namespace orvane {

TextLines splitLines(const QByteArray &data) {
  TextLines out;
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
    if (out.firstBreak.isEmpty())
      out.firstBreak = data.mid(i, next - i);
    out.lines << data.mid(start, i - start);
    out.breaks << data.mid(i, next - i);
    start = i = next;
  }
  out.finalBreak = !data.isEmpty() && start == data.size();
  if (start < data.size()) {
    out.lines << data.mid(start);
    out.breaks << QByteArray();
  }
  return out;
}

} // namespace orvane
