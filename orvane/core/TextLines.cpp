#include "orvane/core/TextLines.h"

namespace orvane {

TextLines splitLines(const QByteArray &data) {
  TextLines out;
  out.finalBreak = forEachLine(data, [&](QByteArrayView line, QByteArrayView lineBreak) {
    if (out.firstBreak.isEmpty())
      out.firstBreak = lineBreak.toByteArray();
    out.lines << line.toByteArray();
    out.breaks << lineBreak.toByteArray();
    return true;
  });
  return out;
}

} // namespace orvane
